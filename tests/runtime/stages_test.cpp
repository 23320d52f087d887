// The stage table in process: a partial start up to a named stage, the
// reverse stop that happens once, and names that are not stages.
#include <gtest/gtest.h>

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
