// Game-facing commands of the socket layer: TCP and UDP over IPv4 with small
// socket numbers.
//
// Start the layer with SockStart before opening sockets; starts nest and the
// last SockShutdown closes every socket. Sockets are non-blocking: SockRecv
// gives a byte count, 0 when the peer closed or reset the connection, -2 when
// nothing is waiting and -1 on other errors. IP numbers are a.b.c.d as
// a*2^24 + b*2^16 + c*2^8 + d; ports are plain numbers. After a failure
// SockLastError holds the error number (10035 would block, 10054 reset,
// 10060 timed out, 10061 refused, 8 no free socket number, ...).
#pragma once

#include "orvane/rt_string.h"

// ---- The layer -------------------------------------------------------------
double SockStart();                                       // 1 (starts nest)
void SockShutdown();                                      // one start less; the last closes every socket
double SockLastError();                                   // error number of the last failure, 0 after a success
RtString SockErrorText();                                 // "code text" of SockLastError, "" when unknown

// ---- TCP ---------------------------------------------------------------------
double TcpListen(double port);                            // listening socket on every address; number or -1
double TcpAccept(double listener);                        // next pending connection's number, or -1
double TcpAccept(double listener, double& ip);            // the same, the peer's IP through ip
double TcpConnect(const RtString& host, double port, double timeout);  // number or -1; timeout ms (< 1 or > 30000: 30000)

// ---- UDP ---------------------------------------------------------------------
double UdpOpen(double port);                              // datagram socket (port 0: any); number or -1
double UdpSend(double sock, const RtString& bytes, double ip, double port);  // byte count or -1

// ---- Sockets -----------------------------------------------------------------
double SockSend(double sock, const RtString& bytes);      // every byte sent: the count, or -1
double SockRecv(double sock, RtString& text, double maximum);  // bytes into text: count, 0 closed, -2 none, -1 error
double SockClose(double sock);                            // 1 when closed
void SockSetBlocking(double sock, double blocking);       // non-zero: calls wait for data
double SockRemoteIp(double sock);                         // peer (UDP: last sender) IP, 0 for a free number
double SockRemotePort(double sock);                       // peer (UDP: last sender) port, 0 for a free number

// ---- Addresses -----------------------------------------------------------------
double ResolveHost(const RtString& name);                 // IP of a name, or -1; "" is this machine
RtString IpToText(double ip);                             // "a.b.c.d"
RtString LocalAddresses(const RtString& separator);       // this machine's addresses, each followed by separator

// ---- Multiplayer session -------------------------------------------------------
// One machine hosts and relays, the others join; players are ids (101, 102,
// ... handed out by the host) and messages are texts of up to 1024 bytes.
// Requests (count, names, ids) wait up to 5 s for the host's answer. A
// player's messages wait until the game takes them; when more than 16384
// (or 4 MB) wait, the oldest are dropped and counted.
double NetHost(double port);                              // host on port (<= 0: 27910); 1 or 0
double NetJoin(const RtString& host, double port);        // join a host (port <= 0: 27910); 1 or 0
void NetShutdown();                                       // leave or end the session
void NetAcceptPlayers(double accept);                     // host: 0 refuses new connections and players
double NetCreatePlayer(const RtString& name);             // new player's id, or 0
void NetRemovePlayer(double id);                          // remove a player of this machine
double NetSendMessage(double from, double to, const RtString& text);  // to 0: every other remote player; 1 when sent; 0 for a text over 1024 bytes (error 10040)
RtString NetGetMessage(double player);                    // oldest message for a local player, "" when none
double NetDroppedMessages(double player);                 // messages a local player lost to a full queue (16384 messages / 4 MB)
double NetLastSender();                                   // sender of the message last taken
RtString NetPlayerName(double id);                        // the name, or "NO_DATA"
double NetPlayerCount();                                  // players in the game (0 when unknown)
double NetPlayerIdByIndex(double index);                  // id of the index-th player (from 0), or 0
double NetNextLeftPlayer();                               // host: id of a player who left, oldest first; 0 when none
double NetIsRunning();                                    // 1 while the session runs
RtString NetLocalAddresses();                             // this machine's addresses separated by "|"

// ---- HTTP fetch --------------------------------------------------------------------
// A blocking HTTP/1.0 GET (port 0: 80); everything after the header's first
// empty line is the body, whatever the status. A failed fetch leaves the old
// file; the text stops at the first zero byte of the body.
double WebGetToFile(const RtString& host, const RtString& path, double port, const RtString& file, double timeout);  // 1 when the body arrived whole
RtString WebGetText(const RtString& host, const RtString& path, double port, double maximum, double timeout);  // at most maximum bytes of the body, "" on failure
