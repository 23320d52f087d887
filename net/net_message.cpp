#include "net/net_message.h"

#include <cstring>

#include "net/socket_layer.h"
#include "runtime/byte_reader.h"

namespace orv {

namespace {

std::string Bytes(const uint8_t* data, size_t n) { return std::string(reinterpret_cast<const char*>(data), n); }

}  // namespace

bool IsKnownMessageType(uint8_t type) {
  return (type >= kMsgCreatePlayer && type <= kMsgRemovePlayer) || (type >= kMsgPlayerCount && type <= kMsgJoin);
}

std::string EncodeMessage(uint8_t type, uint16_t to, uint16_t from, const std::string& payload) {
  const size_t length = payload.size() < kMaxMessagePayload ? payload.size() : kMaxMessagePayload;
  uint8_t header[kMessageHeaderSize];
  header[0] = type;
  StoreLe16(header + 1, static_cast<uint16_t>(length));
  StoreLe16(header + 3, to);
  StoreLe16(header + 5, from);
  std::string out = Bytes(header, sizeof header);
  out.append(payload, 0, length);
  return out;
}

uint16_t PayloadU16(const uint8_t* payload, size_t length, size_t offset) {
  return ByteReader(std::span<const uint8_t>(payload, length)).U16At(offset);
}

std::string EncodeU16(uint16_t value) {
  uint8_t bytes[2];
  StoreLe16(bytes, value);
  return Bytes(bytes, sizeof bytes);
}

std::string EncodePlayerRecord(const PlayerRecord& record) {
  uint8_t out[kPlayerRecordSize] = {};
  StoreLe32(out, static_cast<uint32_t>(record.socket));
  StoreLe16(out + 4, record.playerId);
  out[6] = record.isQuery;
  out[7] = record.isHostLocal;
  std::memcpy(out + 8, record.name, strnlen(record.name, kPlayerNameSize - 1));
  return Bytes(out, sizeof out);
}

bool DecodePlayerRecord(const uint8_t* payload, size_t length, PlayerRecord& record) {
  if (length != kPlayerRecordSize) return false;
  ByteReader in(std::span<const uint8_t>(payload, length));
  record.socket = in.I32();
  record.playerId = in.U16();
  record.isQuery = in.U8();
  record.isHostLocal = in.U8();
  SetPlayerName(record, reinterpret_cast<const char*>(in.Here()), kPlayerNameSize);
  return true;
}

void SetPlayerName(PlayerRecord& record, const char* name, size_t length) {
  size_t n = 0;
  while (n < length && n < kPlayerNameSize - 1 && name[n] != '\0') ++n;
  std::memcpy(record.name, name, n);
  std::memset(record.name + n, 0, kPlayerNameSize - n);
}

size_t MessageReader::Wanted() const {
  if (status_ != Status::Incomplete) return 0;
  if (have_ < kMessageHeaderSize) return kMessageHeaderSize - have_;
  return kMessageHeaderSize + header_.length - have_;
}

size_t MessageReader::Consume(const uint8_t* data, size_t n) {
  size_t used = 0;
  while (used < n && status_ == Status::Incomplete) {
    const size_t want = Wanted();
    const size_t take = n - used < want ? n - used : want;
    std::memcpy(buffer_ + have_, data + used, take);
    have_ += take;
    used += take;
    if (have_ == kMessageHeaderSize) {
      ByteReader in(std::span<const uint8_t>(buffer_, kMessageHeaderSize));
      header_.type = in.U8();
      header_.length = in.U16();
      header_.to = in.U16();
      header_.from = in.U16();
      if (header_.length > kMaxMessagePayload || !IsKnownMessageType(header_.type) ||
          (header_.type == kMsgCreatePlayer && header_.length != kPlayerRecordSize)) {
        status_ = Status::Malformed;
        break;
      }
    }
    if (have_ >= kMessageHeaderSize && have_ == kMessageHeaderSize + header_.length) {
      buffer_[have_] = 0;
      status_ = Status::Complete;
    }
  }
  return used;
}

void MessageReader::Next() {
  have_ = 0;
  header_ = MessageHeader{};
  status_ = Status::Incomplete;
}

int ReceiveMessage(int socketNumber, MessageReader& reader) {
  uint8_t chunk[kMessageHeaderSize + kMaxMessagePayload];
  while (reader.State() == MessageReader::Status::Incomplete) {
    // Never more than the current message needs: the next one stays queued
    // in the socket until it is asked for.
    const long r = Sockets().Recv(socketNumber, reinterpret_cast<char*>(chunk), reader.Wanted());
    if (r <= 0) return static_cast<int>(r);
    reader.Consume(chunk, static_cast<size_t>(r));
  }
  return reader.State() == MessageReader::Status::Complete ? 1 : -1;
}

}  // namespace orv
