// What a run does that a replay of its recording cannot bring back. The
// subsystems concerned note it where it happens (any thread may); a
// recording stores the notes, a replay says them out plainly.
#pragma once

#include <cstdint>

namespace orv {

enum ReplayNote : uint32_t {
  kNoteNetwork = 1,       // sockets were opened: traffic is not recorded
  kNoteFilesWritten = 2,  // the game wrote files: a replay starts from the files as they are then
  kNoteMovies = 4,        // movies played: their timing follows the sound device, not the clock
  kNoteJoysticks = 8,     // joysticks were used: a replay has no such devices
};
constexpr uint32_t kAllReplayNotes = kNoteNetwork | kNoteFilesWritten | kNoteMovies | kNoteJoysticks;

// Adds to the notes of this run. Cheap; safe from any thread.
void NoteUnreplayable(uint32_t notes);
// The notes so far.
uint32_t UnreplayableNotes();

}  // namespace orv
