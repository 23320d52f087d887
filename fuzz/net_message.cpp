// Fuzz target: session messages from a peer. The first byte picks the size
// of the pieces the rest arrives in; every message the reader completes must
// be within its limits and encode back to exactly the bytes it came from,
// and every creation payload must decode to a terminated name.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "net/net_message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t piece = static_cast<size_t>(data[0] % 16) + 1;
  const uint8_t* stream = data + 1;
  const size_t n = size - 1;
  orv::MessageReader reader;
  size_t at = 0, start = 0;
  while (at < n) {
    const size_t take = n - at < piece ? n - at : piece;
    at += reader.Consume(stream + at, take);
    if (reader.State() == orv::MessageReader::Status::Malformed) break;
    if (reader.State() != orv::MessageReader::Status::Complete) continue;
    const orv::MessageHeader& h = reader.Header();
    if (h.length > orv::kMaxMessagePayload || reader.Payload()[h.length] != 0) __builtin_trap();
    const std::string again = orv::EncodeMessage(h.type, h.to, h.from,
                                                 std::string(reinterpret_cast<const char*>(reader.Payload()), h.length));
    if (again.size() != at - start || std::memcmp(again.data(), stream + start, again.size()) != 0) __builtin_trap();
    orv::PlayerRecord record;
    if (h.type == orv::kMsgCreatePlayer) {
      if (!orv::DecodePlayerRecord(reader.Payload(), h.length, record)) __builtin_trap();
      if (strnlen(record.name, sizeof record.name) >= sizeof record.name) __builtin_trap();
    }
    (void)orv::PayloadU16(reader.Payload(), h.length, 0);
    reader.Next();
    start = at;
  }
  return 0;
}
