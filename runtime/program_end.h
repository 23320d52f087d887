// The one orderly way out of the program.
#pragma once

namespace orv {

// Raises the quit event, shuts every subsystem down in order, prints "exit\n"
// and exits with code 0. A nested request while the program is already
// ending returns at once and does nothing.
void EndProgram();
// Releases every subsystem in the shutdown order; safe to call more than once.
void RuntimeShutdown();

}  // namespace orv
