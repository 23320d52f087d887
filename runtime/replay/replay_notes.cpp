#include "runtime/replay/replay_notes.h"

#include <atomic>

namespace orv {

namespace {
std::atomic<uint32_t> g_notes{0};
}

void NoteUnreplayable(uint32_t notes) { g_notes.fetch_or(notes, std::memory_order_relaxed); }

uint32_t UnreplayableNotes() { return g_notes.load(std::memory_order_relaxed); }

}  // namespace orv
