// Loop points a music file carries: a looping track plays from its start
// to the loop's end, then the loop [start, end) again and again, with no
// gap, instead of the whole track.
//
// Two ways of marking a loop are read: the tags LOOPSTART with LOOPLENGTH
// or LOOPEND (Vorbis comments, as OGG, Opus and FLAC files carry them;
// LOOPEND is the first sample after the loop, LOOPLENGTH wins over it), and
// the first loop of a WAV file's "smpl" chunk (whose end sample is played
// too). Positions are sample frames at the file's own rate.
//
// Tags and chunks are outside data: a loop that ends before it starts,
// beyond the track, or is too short to play is refused with the reason,
// and the track then loops whole as it would without tags.
#pragma once

#include <cstdint>
#include <string>

#include "media/music_header.h"

namespace orv {

struct LoopPoints {
  bool present = false;
  int64_t start = 0;
  int64_t end = 0;  // the first frame after the loop
};

// A loop shorter than this (at the file's rate) is refused: every round
// costs the decoder a seek.
constexpr double kMinLoopSeconds = 0.01;

// From the tag texts (null when a tag is absent). Without LOOPSTART, or
// with neither LOOPLENGTH nor LOOPEND, there is no loop (no reason given).
// A value that is not a whole number of samples is refused with `why`.
bool LoopFromTags(const char* start, const char* length, const char* end, LoopPoints& loop, std::string& why);

// The first loop of a RIFF WAVE file's "smpl" chunk; false with `why` for
// a chunk too short for the loops it counts. No chunk or no loop: true,
// with `loop.present` false.
bool LoopFromSmpl(const ReadAtFn& read, LoopPoints& loop, std::string& why);

// A loop present in the file checked against the track's length in frames
// (0 or less when unknown) and rate: false with `why` when it cannot be
// played.
bool CheckLoop(const LoopPoints& loop, int64_t lengthFrames, int rate, std::string& why);

}  // namespace orv
