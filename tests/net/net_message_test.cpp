// The session wire format: bytes on the wire, messages assembled from any
// split, and what a broken or hostile peer can send.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "net/net_message.h"
#include "net/socket_layer.h"

namespace {

using orv::MessageReader;

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

TEST(NetMessage, HeaderIsLittleEndianAndPayloadHasNoTerminator) {
  const std::string wire = orv::EncodeMessage(orv::kMsgGame, 0xFFFF, 0x0165, "hi");
  EXPECT_EQ(wire, std::string("\x03\x02\x00\xFF\xFF\x65\x01hi", 9));
  EXPECT_EQ(orv::EncodeMessage(orv::kMsgGame, 1, 2, std::string(2000, 'a')).size(), 7u + 1024u);
  const std::string reply = orv::EncodeU16(513);
  EXPECT_EQ(orv::PayloadU16(Bytes(reply), 2), 513);
  EXPECT_EQ(orv::PayloadU16(Bytes(reply), 1), 0) << "too short a payload reads as 0";
}

TEST(NetMessage, ReaderAssemblesMessagesFromAnySplit) {
  const std::string stream = orv::EncodeMessage(orv::kMsgGame, 101, 102, std::string("a\0b", 3)) +
                             orv::EncodeMessage(orv::kMsgJoin, 0, 7, "") +
                             orv::EncodeMessage(orv::kMsgPlayerName, 102, 0, "Ann");
  for (size_t piece = 1; piece <= stream.size(); ++piece) {
    MessageReader reader;
    std::vector<std::string> got;
    size_t at = 0;
    while (at < stream.size()) {
      const size_t n = std::min(piece, stream.size() - at);
      at += reader.Consume(Bytes(stream) + at, n);
      ASSERT_NE(reader.State(), MessageReader::Status::Malformed);
      if (reader.State() == MessageReader::Status::Complete) {
        const orv::MessageHeader& h = reader.Header();
        got.push_back(std::to_string(h.type) + ":" + std::to_string(h.to) + ":" + std::to_string(h.from) + ":" +
                      std::string(reinterpret_cast<const char*>(reader.Payload()), h.length));
        EXPECT_EQ(reader.Payload()[h.length], 0);
        reader.Next();
      } else {
        EXPECT_TRUE(reader.Partial() || at == stream.size()) << "a piece was taken without progress";
      }
    }
    ASSERT_EQ(got.size(), 3u) << "piece size " << piece;
    EXPECT_EQ(got[0], std::string("3:101:102:a\0b", 13));
    EXPECT_EQ(got[1], "104:0:7:");
    EXPECT_EQ(got[2], "103:102:0:Ann");
  }
}

TEST(NetMessage, BadLengthsAndTypesAreMalformed) {
  for (const std::string& header : {std::string("\x03\x01\x04\x00\x00\x00\x00", 7),  // 1025 bytes
                                    std::string("\x09\x00\x00\x00\x00\x00\x00", 7),  // no such type
                                    std::string("\x01\x10\x00\x00\x00\x00\x00", 7)}) {  // creation of 16 bytes
    MessageReader reader;
    reader.Consume(Bytes(header), header.size());
    EXPECT_EQ(reader.State(), MessageReader::Status::Malformed) << static_cast<int>(header[0]);
    EXPECT_EQ(reader.Wanted(), 0u);
  }
}

TEST(NetMessage, PlayerRecordRoundTripAndUnterminatedName) {
  orv::PlayerRecord r;
  r.socket = 5;
  r.playerId = orv::kCreationPending;
  r.isHostLocal = 1;
  orv::SetPlayerName(r, "Ann", 3);
  const std::string wire = orv::EncodePlayerRecord(r);
  ASSERT_EQ(wire.size(), orv::kPlayerRecordSize);
  orv::PlayerRecord back;
  ASSERT_TRUE(orv::DecodePlayerRecord(Bytes(wire), wire.size(), back));
  EXPECT_EQ(back.socket, 5);
  EXPECT_EQ(back.playerId, orv::kCreationPending);
  EXPECT_EQ(back.isHostLocal, 1);
  EXPECT_STREQ(back.name, "Ann");

  std::string hostile = wire;
  for (size_t i = 8; i < hostile.size(); ++i) hostile[i] = 'x';
  ASSERT_TRUE(orv::DecodePlayerRecord(Bytes(hostile), hostile.size(), back));
  EXPECT_EQ(std::string(back.name), std::string(127, 'x'));
  EXPECT_FALSE(orv::DecodePlayerRecord(Bytes(hostile), 135, back));
}

TEST(NetMessage, ReceiveFromASocketInPiecesWithoutBlocking) {
  ASSERT_TRUE(orv::Sockets().Start());
  const int listener = orv::Sockets().TcpListen(0);
  const int client = orv::Sockets().TcpConnect("127.0.0.1", orv::Sockets().RemotePort(listener), 2000);
  int server = -1;
  for (int i = 0; i < 5000 && server < 0; ++i) {
    server = orv::Sockets().TcpAccept(listener, nullptr);
    if (server < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_GE(server, 0);
  MessageReader reader;
  EXPECT_EQ(orv::ReceiveMessage(server, reader), -2);

  // Half a header, then a pause: the reader keeps what came and returns.
  const std::string wire = orv::EncodeMessage(orv::kMsgGame, 101, 102, "hello") + orv::EncodeMessage(orv::kMsgJoin, 0, 1, "");
  orv::Sockets().Send(client, wire.data(), 3);
  int r = -2;
  for (int i = 0; i < 5000 && !reader.Partial(); ++i) {
    r = orv::ReceiveMessage(server, reader);
    if (!reader.Partial()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(r, -2);
  orv::Sockets().Send(client, wire.data() + 3, wire.size() - 3);
  for (int i = 0; i < 5000 && (r = orv::ReceiveMessage(server, reader)) == -2; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_EQ(r, 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(reader.Payload())), "hello");
  reader.Next();
  EXPECT_EQ(orv::ReceiveMessage(server, reader), 1) << "the second message waited in the socket";
  EXPECT_EQ(reader.Header().type, orv::kMsgJoin);
  reader.Next();

  orv::Sockets().Close(client);
  for (int i = 0; i < 5000 && (r = orv::ReceiveMessage(server, reader)) == -2; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(r, 0);
  orv::Sockets().Shutdown();
}

}  // namespace
