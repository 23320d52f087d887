// One TCP connection of the multiplayer session, as its network thread
// serves it.
//
// Depends on: net/net_message.h, net/socket_layer.h.
//
// Bytes that arrive are read in large pieces and assembled into messages,
// which are taken one at a time. Bytes to send wait in the link's own queue
// until the peer takes them: sending never waits for a peer, so a peer that
// reads slowly or not at all holds up neither the thread nor anybody else.
// What a long queue or a silent peer means is the session's decision; the
// link only keeps the clock of the last progress in each direction.
//
// A link is used under the session's lock; the socket number stays the
// session's to close (Close).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "net/net_message.h"

namespace orv {

class SessionLink {
 public:
  SessionLink() = default;
  explicit SessionLink(int socket);

  int Socket() const { return socket_; }
  // The system descriptor, for poll().
  int Descriptor() const { return fd_; }
  // Closes the socket and forgets everything queued either way.
  void Close();

  // poll() results: what the socket may do now without waiting.
  void MarkReady(short revents);

  // Queues one whole message and, when nothing was waiting before it, sends
  // what the system takes at once. False when the connection has failed.
  bool Send(const std::string& wire, int64_t nowMs);
  // Sends more of the queue when the socket can take bytes: the count sent,
  // or -1 when the connection has failed.
  long Flush(int64_t nowMs);
  // Bytes waiting for the peer.
  size_t Queued() const { return out_.size() - outAt_; }
  // Clock of the last byte the peer took (or of the first one queued).
  int64_t LastOutput() const { return lastOutput_; }

  // The next message: 1 = Header() and Payload() hold it, 0 = the peer
  // closed, -1 = the connection failed or broke the protocol, -2 = nothing
  // (more) waiting. Reads the socket only while it may hold bytes.
  int Receive(int64_t nowMs);
  const MessageHeader& Header() const { return reader_.Header(); }
  const uint8_t* Payload() const { return reader_.Payload(); }
  // Done with the message Receive gave.
  void Next() { reader_.Next(); }
  // Bytes read from the socket that Receive has not given out yet.
  bool Buffered() const { return inAt_ < inEnd_; }
  // Part of a message has arrived and the rest is still to come from the peer.
  bool Partial() const { return reader_.Partial() && inAt_ == inEnd_; }
  // Clock of the last byte that arrived.
  int64_t LastInput() const { return lastInput_; }

 private:
  static constexpr size_t kReadSize = 16384;
  // An emptied queue gives back memory above this.
  static constexpr size_t kKeptQueue = 65536;

  int socket_ = -1;
  int fd_ = -1;
  MessageReader reader_;
  std::unique_ptr<char[]> in_;  // kReadSize bytes once anything was read
  size_t inAt_ = 0, inEnd_ = 0;
  std::string out_;
  size_t outAt_ = 0;
  bool readable_ = true, writable_ = true;
  int64_t lastInput_ = 0, lastOutput_ = 0;
};

}  // namespace orv
