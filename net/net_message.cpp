#include "net/net_message.h"

#include <cstring>

#include "net/socket_layer.h"

namespace orv {

namespace {

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void PutU16(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

}  // namespace

bool IsKnownMessageType(uint8_t type) {
  return (type >= kMsgCreatePlayer && type <= kMsgRemovePlayer) || (type >= kMsgPlayerCount && type <= kMsgJoin);
}

std::string EncodeMessage(uint8_t type, uint16_t to, uint16_t from, const std::string& payload) {
  const size_t length = payload.size() < kMaxMessagePayload ? payload.size() : kMaxMessagePayload;
  std::string out;
  out.reserve(kMessageHeaderSize + length);
  out += static_cast<char>(type);
  PutU16(out, static_cast<uint16_t>(length));
  PutU16(out, to);
  PutU16(out, from);
  out.append(payload, 0, length);
  return out;
}

uint16_t PayloadU16(const uint8_t* payload, size_t length, size_t offset) {
  if (offset > length || length - offset < 2) return 0;
  return ReadU16(payload + offset);
}

std::string EncodeU16(uint16_t value) {
  std::string out;
  PutU16(out, value);
  return out;
}

std::string EncodePlayerRecord(const PlayerRecord& record) {
  std::string out(kPlayerRecordSize, '\0');
  const uint32_t socket = static_cast<uint32_t>(record.socket);
  for (int i = 0; i < 4; ++i) out[static_cast<size_t>(i)] = static_cast<char>((socket >> (8 * i)) & 0xFF);
  out[4] = static_cast<char>(record.playerId & 0xFF);
  out[5] = static_cast<char>(record.playerId >> 8);
  out[6] = static_cast<char>(record.isQuery);
  out[7] = static_cast<char>(record.isHostLocal);
  const size_t n = strnlen(record.name, kPlayerNameSize - 1);
  std::memcpy(&out[8], record.name, n);
  return out;
}

bool DecodePlayerRecord(const uint8_t* payload, size_t length, PlayerRecord& record) {
  if (length != kPlayerRecordSize) return false;
  record.socket = static_cast<int32_t>(static_cast<uint32_t>(payload[0]) | (static_cast<uint32_t>(payload[1]) << 8) |
                                       (static_cast<uint32_t>(payload[2]) << 16) |
                                       (static_cast<uint32_t>(payload[3]) << 24));
  record.playerId = ReadU16(payload + 4);
  record.isQuery = payload[6];
  record.isHostLocal = payload[7];
  SetPlayerName(record, reinterpret_cast<const char*>(payload + 8), kPlayerNameSize);
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
      header_.type = buffer_[0];
      header_.length = ReadU16(buffer_ + 1);
      header_.to = ReadU16(buffer_ + 3);
      header_.from = ReadU16(buffer_ + 5);
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
