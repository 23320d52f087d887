// The stage table in process: a partial start up to a named stage, the
// reverse stop that happens once, and names that are not stages.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "orvane/net.h"
#include "runtime/error_state.h"
#include "runtime/runtime_state.h"
#include "runtime/stages.h"
#include "support/runtime_fixture.h"
#include "support/test_support.h"

namespace {

TEST(StageTable, StartsUpToANamedStageAndStopsInReverseOnce) {
  orv::RuntimeState& rt = orv::Rt();
  rt.settings.width = 64;
  rt.settings.height = 48;
  orvtest::StartRuntimeUpTo("scene");
  EXPECT_NE(rt.device, nullptr);
  EXPECT_NE(rt.net, nullptr);
  EXPECT_NE(rt.scene, nullptr);
  EXPECT_EQ(rt.input, nullptr);  // later stages wait for the next start
  const int32_t started = orv::StartedStages();
  EXPECT_FALSE(orv::StartStages("no such stage"));
  EXPECT_EQ(orv::StartedStages(), started);

  orvtest::StartRuntimeUpTo("input");
  EXPECT_NE(rt.input, nullptr);
  orvtest::StopRuntime();
  EXPECT_EQ(orv::StartedStages(), 0);
  EXPECT_EQ(rt.input, nullptr);
  EXPECT_EQ(rt.scene, nullptr);
  EXPECT_EQ(rt.device, nullptr);
  EXPECT_EQ(rt.mainWindow, nullptr);
  const std::string log = orvtest::ReadFile(orv::ErrorLogPath().CStr());
  EXPECT_EQ(log.find("Start new log...\ntimer\nvexl\nvexl init\n"), 0u) << log;
  EXPECT_NE(log.find("Cptn\nNetwork\nInput\norv is shut down\n"), std::string::npos) << log;

  orvtest::StopRuntime();  // nothing left to stop: the log stays as it is
  EXPECT_EQ(orvtest::ReadFile(orv::ErrorLogPath().CStr()), log);
}

// A game may start the socket layer as often as it likes and never shut it
// down: the end of the runtime still closes its listener.
TEST(StageTable, ShutdownEndsTheSocketLayerHoweverOftenTheGameStartedIt) {
  orv::RuntimeState& rt = orv::Rt();
  rt.settings.width = 64;
  rt.settings.height = 48;
  orvtest::StartRuntimeUpTo("network");
  for (int i = 0; i < 20; ++i) SockStart();
  const double listener = TcpListen(0);
  ASSERT_GE(listener, 0);
  const int port = static_cast<int>(SockRemotePort(listener));
  ASSERT_GT(port, 0);
  orvtest::StopRuntime();

  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_NE(connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0) << "the listener still accepts";
  close(fd);
}

TEST(StageTable, EveryStageHasAUniqueNameAndAStart) {
  auto stages = orv::RuntimeStages();
  ASSERT_FALSE(stages.empty());
  for (size_t i = 0; i < stages.size(); ++i) {
    ASSERT_NE(stages[i].name, nullptr);
    EXPECT_NE(stages[i].start, nullptr) << stages[i].name;
    for (size_t j = 0; j < i; ++j) EXPECT_STRNE(stages[i].name, stages[j].name);
  }
}

}  // namespace
