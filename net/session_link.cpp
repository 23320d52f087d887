#include "net/session_link.h"

#include <poll.h>

#include "net/socket_layer.h"

namespace orv {

SessionLink::SessionLink(int socket) : socket_(socket), fd_(Sockets().Descriptor(socket)) {}

void SessionLink::Close() {
  if (socket_ >= 0) Sockets().Close(socket_);
  socket_ = fd_ = -1;
  reader_.Next();
  in_.reset();
  inAt_ = inEnd_ = 0;
  std::string().swap(out_);
  outAt_ = 0;
}

void SessionLink::MarkReady(short revents) {
  // An error or hang-up is reported by the next receive or send.
  if (revents & (POLLIN | POLLHUP | POLLERR)) readable_ = true;
  if (revents & (POLLOUT | POLLHUP | POLLERR)) writable_ = true;
}

bool SessionLink::Send(const std::string& wire, int64_t nowMs) {
  const bool idle = Queued() == 0;
  if (idle) {
    out_.clear();
    outAt_ = 0;
    lastOutput_ = nowMs;
  }
  out_ += wire;
  // Behind bytes already waiting, the socket is known to be full: poll says
  // when it takes more.
  return !idle || Flush(nowMs) >= 0;
}

long SessionLink::Flush(int64_t nowMs) {
  if (Queued() == 0 || !writable_) return 0;
  const long sent = Sockets().SendSome(socket_, out_.data() + outAt_, Queued());
  if (sent < 0) return -1;
  outAt_ += static_cast<size_t>(sent);
  if (sent > 0) lastOutput_ = nowMs;
  if (Queued() == 0) {
    if (out_.capacity() > kKeptQueue) std::string().swap(out_);
    out_.clear();
    outAt_ = 0;
  } else {
    writable_ = false;
    // Sent bytes are dropped from the front once they are most of the buffer.
    if (outAt_ >= kKeptQueue && outAt_ * 2 >= out_.size()) {
      out_.erase(0, outAt_);
      outAt_ = 0;
    }
  }
  return sent;
}

int SessionLink::Receive(int64_t nowMs) {
  while (reader_.State() == MessageReader::Status::Incomplete) {
    if (inAt_ == inEnd_) {
      if (!readable_) return -2;
      if (!in_) in_ = std::make_unique<char[]>(kReadSize);
      inAt_ = inEnd_ = 0;
      const long r = Sockets().Recv(socket_, in_.get(), kReadSize);
      if (r == kSockNothingWaiting) {
        readable_ = false;
        return -2;
      }
      if (r <= 0) return static_cast<int>(r);
      inEnd_ = static_cast<size_t>(r);
      lastInput_ = nowMs;
      // Less than asked for: the socket is empty now; poll says when more comes.
      if (inEnd_ < kReadSize) readable_ = false;
    }
    inAt_ += reader_.Consume(reinterpret_cast<const uint8_t*>(in_.get()) + inAt_, inEnd_ - inAt_);
  }
  return reader_.State() == MessageReader::Status::Complete ? 1 : -1;
}

}  // namespace orv
