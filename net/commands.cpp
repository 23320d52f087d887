// Game-facing commands of the socket layer and the multiplayer session:
// convert the numbers and call the process-wide socket table or the
// runtime's session.
#include "orvane/net.h"

#include <string>
#include <vector>

#include "net/http_fetch.h"
#include "net/net_session.h"
#include "net/socket_layer.h"
#include "platform/socket.h"
#include "runtime/lib/number_convert.h"
#include "runtime/runtime_state.h"

namespace {

// A receive larger than this gains nothing (no socket queues more at once)
// and would let a game's typo allocate gigabytes.
constexpr int32_t kMaxReceive = 1 << 20;

int32_t Number(double value) { return orv::ToInt32(value); }

// IPs arrive as numbers up to 2^32 - 1; negative ones are taken as the
// 32-bit pattern of a signed integer.
uint32_t Ip(double value) {
  if (value >= 0 && value < 4294967296.0) return static_cast<uint32_t>(static_cast<int64_t>(value));
  return static_cast<uint32_t>(orv::ToInt32(value));
}

RtString Text(const std::string& s) { return RtString(s.data(), static_cast<int32_t>(s.size())); }

}  // namespace

double SockStart() { return orv::Sockets().Start() ? 1 : 0; }

void SockShutdown() { orv::SockShutdown(); }

double SockLastError() { return orv::Sockets().LastError(); }

RtString SockErrorText() { return Text(orv::SockErrorText()); }

double TcpListen(double port) { return orv::Sockets().TcpListen(Number(port)); }

double TcpAccept(double listener) { return orv::Sockets().TcpAccept(Number(listener), nullptr); }

double TcpAccept(double listener, double& ip) {
  uint32_t peer = 0;
  const int number = orv::Sockets().TcpAccept(Number(listener), &peer);
  if (number >= 0) ip = peer;
  return number;
}

double TcpConnect(const RtString& host, double port, double timeout) {
  return orv::Sockets().TcpConnect(host.CStr(), Number(port), Number(timeout));
}

double UdpOpen(double port) { return orv::Sockets().UdpOpen(Number(port)); }

double UdpSend(double sock, const RtString& bytes, double ip, double port) {
  return static_cast<double>(
      orv::Sockets().UdpSend(Number(sock), bytes.CStr(), static_cast<size_t>(bytes.Length()), Ip(ip), Number(port)));
}

double SockSend(double sock, const RtString& bytes) {
  return static_cast<double>(orv::Sockets().Send(Number(sock), bytes.CStr(), static_cast<size_t>(bytes.Length())));
}

double SockRecv(double sock, RtString& text, double maximum) {
  const int32_t max = Number(maximum);
  if (max < 1) {
    // A receive of nothing would read as "the peer closed".
    text = "";
    return orv::SockFail(orv::platform::kSockErrInvalid, -1.0);
  }
  std::vector<char> buffer(static_cast<size_t>(max < kMaxReceive ? max : kMaxReceive));
  const long r = orv::Sockets().Recv(Number(sock), buffer.data(), buffer.size());
  if (r > 0) text = RtString(buffer.data(), static_cast<int32_t>(r));
  else text = "";
  return static_cast<double>(r);
}

double SockClose(double sock) { return orv::Sockets().Close(Number(sock)) ? 1 : 0; }

void SockSetBlocking(double sock, double blocking) { orv::Sockets().SetBlocking(Number(sock), blocking != 0); }

double SockRemoteIp(double sock) { return orv::Sockets().RemoteIp(Number(sock)); }

double SockRemotePort(double sock) { return orv::Sockets().RemotePort(Number(sock)); }

double ResolveHost(const RtString& name) { return static_cast<double>(orv::ResolveHost(name.CStr())); }

RtString IpToText(double ip) { return Text(orv::IpToText(Ip(ip))); }

RtString LocalAddresses(const RtString& separator) {
  return Text(orv::LocalAddresses(std::string(separator.CStr(), static_cast<size_t>(separator.Length()))).text);
}

// ---- Multiplayer session -------------------------------------------------------

namespace {

// The runtime's session; null before start-up and after shutdown.
orv::NetSession* Session() { return orv::Rt().net.get(); }

// Player ids travel as 16 bits; other numbers name nobody.
bool PlayerNumber(double value, uint16_t& id) {
  const int32_t n = Number(value);
  if (n < 0 || n > 0xFFFF) return false;
  id = static_cast<uint16_t>(n);
  return true;
}

}  // namespace

double NetHost(double port) { return Session() && Session()->Host(Number(port)) ? 1 : 0; }

double NetJoin(const RtString& host, double port) {
  return Session() && Session()->Join(host.CStr(), Number(port)) ? 1 : 0;
}

void NetShutdown() {
  if (Session()) Session()->Shutdown();
}

void NetAcceptPlayers(double accept) {
  if (Session()) Session()->AcceptPlayers(accept != 0);
}

double NetCreatePlayer(const RtString& name) {
  return Session() ? Session()->CreatePlayer(std::string(name.CStr(), static_cast<size_t>(name.Length()))) : 0;
}

void NetRemovePlayer(double id) {
  if (Session()) Session()->RemovePlayer(Number(id));
}

double NetSendMessage(double from, double to, const RtString& text) {
  uint16_t f, t;
  if (!Session() || !PlayerNumber(from, f) || !PlayerNumber(to, t)) return 0;
  return Session()->SendMessage(f, t, std::string(text.CStr(), static_cast<size_t>(text.Length()))) ? 1 : 0;
}

RtString NetGetMessage(double player) {
  uint16_t id;
  if (!Session() || !PlayerNumber(player, id)) return RtString();
  return Text(Session()->GetMessage(id));
}

double NetDroppedMessages(double player) {
  uint16_t id;
  if (!Session() || !PlayerNumber(player, id)) return 0;
  return static_cast<double>(Session()->DroppedMessages(id));
}

double NetLastSender() { return Session() ? Session()->LastSender() : 0; }

RtString NetPlayerName(double id) {
  uint16_t n;
  if (!Session() || !PlayerNumber(id, n)) return "NO_DATA";
  return Text(Session()->PlayerName(n));
}

double NetPlayerCount() { return Session() ? Session()->PlayerCount() : 0; }

double NetPlayerIdByIndex(double index) {
  uint16_t n;
  if (!Session() || !PlayerNumber(index, n)) return 0;
  return Session()->PlayerIdByIndex(n);
}

double NetNextLeftPlayer() { return Session() ? Session()->NextLeftPlayer() : 0; }

double NetIsRunning() { return Session() && Session()->IsRunning() ? 1 : 0; }

RtString NetLocalAddresses() {
  constexpr size_t kLimit = 4096;
  orv::Sockets().Start();
  std::string text = orv::LocalAddresses("|").text;
  orv::Sockets().Shutdown();
  if (!text.empty()) text.pop_back();
  if (text.size() > kLimit) text.resize(kLimit);
  return Text(text);
}

// ---- HTTP fetch ------------------------------------------------------------------

double WebGetToFile(const RtString& host, const RtString& path, double port, const RtString& file, double timeout) {
  return orv::WebGetToFile(host.CStr(), path.CStr(), Number(port), file.CStr(), Number(timeout)) ? 1 : 0;
}

RtString WebGetText(const RtString& host, const RtString& path, double port, double maximum, double timeout) {
  const int32_t max = Number(maximum);
  return Text(orv::WebGetText(host.CStr(), path.CStr(), Number(port), max < kMaxReceive * 64 ? max : kMaxReceive * 64,
                              Number(timeout)));
}
