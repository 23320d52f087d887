// Recording a run and replaying it, with a test game on the offscreen driver
// that prints what it reads from outside every frame: a replay must give the
// game exactly what the recorded run got, and say clearly when it cannot.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "runtime/byte_reader.h"
#include "runtime/replay/recording_format.h"
#include "support/test_support.h"

namespace {

using orvtest::ProcessResult;

std::string InDir(const std::string& name) { return orvtest::PrivateDir() + "/" + name; }

ProcessResult RunGame(std::map<std::string, std::string> env) {
  env.emplace("SDL_AUDIODRIVER", "dummy");
  return orvtest::RunOffscreenGame("tests/runtime/replay_game", env);
}

// The game's own lines: one per frame, with everything it read.
std::string Trace(const std::string& out) {
  std::istringstream in(out);
  std::string line, trace;
  while (std::getline(in, line))
    if (line.rfind("frame ", 0) == 0) trace += line + "\n";
  return trace;
}

orv::Recording Read(const std::string& path) {
  const std::string bytes = orvtest::ReadFile(path);
  orv::Recording rec;
  std::string error;
  EXPECT_TRUE(orv::ReadRecording(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), rec, error))
      << error;
  return rec;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Replay, TheReplayedRunReadsWhatTheRecordedRunReadAndShowsTheSameFrames) {
  const std::string recording = InDir("run.orvrec");
  const ProcessResult recorded = RunGame({{"ORVANE_RECORD", recording}, {"ORVANE_RECORD_HASH", "1"}});
  ASSERT_EQ(recorded.exitCode, 0) << recorded.err;
  const std::string trace = Trace(recorded.out);
  // The input the game gave itself reached it: a key, typed text, the pointer, a click, the wheel.
  for (const char* seen : {"key=1", "typed=x", "mouse=120,70,1", "wheel=1"})
    EXPECT_TRUE(Has(trace, seen)) << seen << "\n" << trace;
  const orv::Recording rec = Read(recording);
  EXPECT_TRUE(rec.complete);
  EXPECT_TRUE(rec.hasSeed);
  EXPECT_EQ(rec.frameHashes.size(), rec.frames);
  const std::string identical =
      "replay: " + std::to_string(rec.frames) + " frames replayed, every one identical to the recording\n";

  // Another run on its own reads other times and other random numbers...
  EXPECT_NE(Trace(RunGame({}).out), trace);
  // ...a replay the recorded ones, as fast as it goes and at the recorded speed.
  for (const char* speed : {"0", "1"}) {
    const ProcessResult replay = RunGame({{"ORVANE_REPLAY", recording}, {"ORVANE_REPLAY_SPEED", speed}});
    EXPECT_EQ(replay.exitCode, 0) << speed << replay.err;
    EXPECT_EQ(Trace(replay.out), trace) << speed;
    EXPECT_TRUE(Has(replay.err, identical)) << replay.err;
    // The run's error log is the recorded run's, with the replay's verdict after it.
    EXPECT_TRUE(Has(orvtest::ErrorLogText(), "orv is shut down\n" + identical));
  }

  // Replayed and recorded again: the copy holds the same run.
  const std::string copy = InDir("copy.orvrec");
  const ProcessResult again =
      RunGame({{"ORVANE_REPLAY", recording}, {"ORVANE_RECORD", copy}, {"ORVANE_RECORD_HASH", "1"}});
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_EQ(Read(copy).frameHashes, rec.frameHashes);
  const ProcessResult fromCopy = RunGame({{"ORVANE_REPLAY", copy}});
  EXPECT_EQ(fromCopy.exitCode, 0) << fromCopy.err;
  EXPECT_EQ(Trace(fromCopy.out), trace);

  // A run that does not follow the recording (here: more frames) is told so and fails.
  const ProcessResult longer = RunGame({{"ORVANE_REPLAY", recording}, {"REPLAY_FRAMES", "45"}});
  EXPECT_EQ(longer.exitCode, 1);
  EXPECT_TRUE(Has(longer.err, "replay: the run left the recorded path after frame " + std::to_string(rec.frames) +
                                  ": the run read the clock more often than the recorded run\n"))
      << longer.err;
}

TEST(Replay, ARecordingThatCannotBeUsedIsRefusedAndTheGameDoesNotStart) {
  const std::string good = InDir("good.orvrec");
  ASSERT_EQ(RunGame({{"ORVANE_RECORD", good}, {"REPLAY_FRAMES", "5"}}).exitCode, 0);
  const std::string bytes = orvtest::ReadFile(good);
  orvtest::WriteFile(InDir("cut.orvrec"), bytes.substr(0, bytes.size() - 5));
  std::string flipped = bytes;
  flipped[orv::kRecordingPreambleSize + 12] ^= 0x40;
  orvtest::WriteFile(InDir("flipped.orvrec"), flipped);
  orvtest::WriteFile(InDir("notes.txt"), "not a recording at all\n");

  const struct {
    const char* variable;
    std::string file;
    const char* message;
  } cases[] = {
      {"ORVANE_REPLAY", InDir("missing.orvrec"), "replay: cannot replay %s: No such file or directory\n"},
      {"ORVANE_REPLAY", InDir("cut.orvrec"), "replay: cannot replay %s: truncated at byte "},
      {"ORVANE_REPLAY", InDir("flipped.orvrec"),
       "replay: cannot replay %s: damaged at byte 12: the block's checksum does not match its bytes\n"},
      {"ORVANE_REPLAY", InDir("notes.txt"), "replay: cannot replay %s: not a recording"},
      {"ORVANE_RECORD", InDir("no/such/folder.orvrec"), "record: cannot record into %s: No such file or directory\n"},
  };
  for (const auto& c : cases) {
    std::string message = c.message;
    message.replace(message.find("%s"), 2, c.file);
    const ProcessResult run = RunGame({{c.variable, c.file}});
    EXPECT_EQ(run.exitCode, 2) << c.file;
    EXPECT_TRUE(Has(run.err, message)) << run.err;
    EXPECT_TRUE(Has(orvtest::ErrorLogText(), message)) << c.file;
    EXPECT_EQ(Trace(run.out), "") << c.file;
  }
}

TEST(Replay, WhatAReplayCannotReproduceIsSaidPlainly) {
  const std::string recording = InDir("notes.orvrec");
  const ProcessResult recorded = RunGame({{"ORVANE_RECORD", recording}, {"REPLAY_NOTES", "1"}});
  ASSERT_EQ(recorded.exitCode, 0) << recorded.err;
  const char* network = "the recorded run used the network: network traffic is not recorded";
  const char* files = "the recorded run wrote files: a replay reads the files as they are now";

  const ProcessResult info = orvtest::RunProcess({orvtest::BinaryPath("tools/orvane-replay"), "info", recording});
  EXPECT_EQ(info.exitCode, 0) << info.err;
  for (const char* part : {"program: replay_game\n", "frame hashes: no\n", "complete: yes\n",
                           "(keys 2, text 1, pointer 4, focus 1, window and other "})
    EXPECT_TRUE(Has(info.out, part)) << part << "\n" << info.out;
  EXPECT_TRUE(Has(info.out, std::string("cannot reproduce: ") + network)) << info.out;
  EXPECT_TRUE(Has(info.out, std::string("cannot reproduce: ") + files)) << info.out;

  const ProcessResult replay = RunGame({{"ORVANE_REPLAY", recording}, {"REPLAY_NOTES", "1"}});
  EXPECT_EQ(replay.exitCode, 0) << replay.err;
  EXPECT_EQ(Trace(replay.out), Trace(recorded.out));
  EXPECT_TRUE(Has(replay.err, std::string("replay: cannot reproduce: ") + network)) << replay.err;
  EXPECT_TRUE(Has(replay.err, std::string("replay: cannot reproduce: ") + files)) << replay.err;
  EXPECT_TRUE(Has(replay.err, "(the recording holds no frame hashes to compare)")) << replay.err;

  // A run that stopped without shutting down (the file ends after a block,
  // with no end record) replays as far as it goes and says so.
  const std::string bytes = orvtest::ReadFile(recording);
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  size_t cut = orv::kRecordingPreambleSize;
  for (int block = 0; block < 20; ++block) cut += 8 + orv::LoadLe32(data + cut);
  orvtest::WriteFile(InDir("crashed.orvrec"), bytes.substr(0, cut));
  const orv::Recording crashed = Read(InDir("crashed.orvrec"));
  ASSERT_FALSE(crashed.complete);
  const ProcessResult partial = RunGame({{"ORVANE_REPLAY", InDir("crashed.orvrec")}, {"REPLAY_NOTES", "1"}});
  EXPECT_EQ(partial.exitCode, 0) << partial.err;
  EXPECT_TRUE(Has(partial.err, "replay: the recording stops after frame " + std::to_string(crashed.frames) +
                                   " (the recorded program ended without shutting down): the replay ends there\n"))
      << partial.err;
  EXPECT_EQ(Trace(partial.out), Trace(recorded.out).substr(0, Trace(partial.out).size()));
  EXPECT_FALSE(Trace(partial.out).empty());
}

}  // namespace
