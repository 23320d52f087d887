// The session protocol's wire format: a 7-byte header (type, payload length,
// target player, sending player; integers little-endian) followed by up to
// 1024 payload bytes, and the 136-byte player record that a creation carries.
//
// MessageReader assembles messages from whatever pieces a socket hands over,
// so a header or payload split across receives is never parsed early, and a
// connection that stalls halfway holds nobody else up: the caller simply
// comes back later. Lengths above 1024 and unknown types are reported as
// malformed; such a peer is not speaking the protocol and is dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

inline constexpr size_t kMessageHeaderSize = 7;
inline constexpr size_t kMaxMessagePayload = 1024;
inline constexpr size_t kPlayerRecordSize = 136;
inline constexpr size_t kPlayerNameSize = 128;  // 127 characters and a terminator

enum MessageType : uint8_t {
  kMsgCreatePlayer = 1,    // client to host: a player record
  kMsgPlayerCreated = 2,   // host to client: `to` is the new id
  kMsgGame = 3,            // a game message from `from` to `to`
  kMsgRemovePlayer = 4,    // client to host: remove player `from`
  kMsgPlayerCount = 101,   // request / reply: uint16 count
  kMsgPlayerIdByIndex = 102,  // request: uint16 index; reply: uint16 id
  kMsgPlayerName = 103,    // request: uint16 id; reply: the name
  kMsgJoin = 104,          // request / reply: uint16 value 1
};

// Player ids and the markers a record's id holds before it has one.
inline constexpr uint16_t kBroadcastId = 0xFFFF;
inline constexpr uint16_t kNoPlayerId = 0xFF00;
inline constexpr uint16_t kCreationPending = 0xFFFE;
inline constexpr uint16_t kCreationSent = 0xFFFC;
inline constexpr uint16_t kMaxPlayerId = 0xFEFF;
inline constexpr uint16_t kFirstPlayerId = 101;

struct MessageHeader {
  uint8_t type = 0;
  uint16_t length = 0;
  uint16_t to = 0;
  uint16_t from = 0;
};

bool IsKnownMessageType(uint8_t type);
// Header and payload as they go on the wire; a payload above 1024 bytes is cut there.
std::string EncodeMessage(uint8_t type, uint16_t to, uint16_t from, const std::string& payload);
// A uint16 payload field (little-endian) at offset; 0 when the payload is too short.
uint16_t PayloadU16(const uint8_t* payload, size_t length, size_t offset = 0);
std::string EncodeU16(uint16_t value);

struct PlayerRecord {
  int32_t socket = -1;   // the owning connection's socket number on the host
  uint16_t playerId = kNoPlayerId;
  uint8_t isQuery = 0;
  uint8_t isHostLocal = 0;
  char name[kPlayerNameSize] = {};  // always zero-terminated
};

std::string EncodePlayerRecord(const PlayerRecord& record);
// Reads a record from a payload of exactly 136 bytes; the name is cut at
// 127 characters when the sender left out the terminator.
bool DecodePlayerRecord(const uint8_t* payload, size_t length, PlayerRecord& record);
// Sets a record's name: at most 127 bytes, cut at the first zero.
void SetPlayerName(PlayerRecord& record, const char* name, size_t length);

class MessageReader {
 public:
  enum class Status { Incomplete, Complete, Malformed };

  // Bytes still needed to finish the current message (0 unless Incomplete).
  size_t Wanted() const;
  // Takes at most Wanted() of the n bytes; returns how many it used.
  size_t Consume(const uint8_t* data, size_t n);
  Status State() const { return status_; }
  // True once any byte of a message that is not complete has arrived.
  bool Partial() const { return status_ == Status::Incomplete && have_ > 0; }

  // The complete message; the payload is followed by a zero byte.
  const MessageHeader& Header() const { return header_; }
  const uint8_t* Payload() const { return buffer_ + kMessageHeaderSize; }
  // Forgets the current message (complete or malformed) and waits for the next one.
  void Next();

 private:
  uint8_t buffer_[kMessageHeaderSize + kMaxMessagePayload + 1] = {};
  size_t have_ = 0;
  MessageHeader header_;
  Status status_ = Status::Incomplete;
};

// Reads from a non-blocking socket of the socket table until the reader holds
// a complete message or nothing more is waiting. 1 = a message, 0 = the peer
// closed, -1 = error or malformed input, -2 = nothing (more) waiting.
int ReceiveMessage(int socketNumber, MessageReader& reader);

}  // namespace orv
