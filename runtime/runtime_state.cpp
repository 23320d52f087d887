#include "runtime/runtime_state.h"

namespace orv {

RuntimeState& Rt() {
  // Constructed on first use and never destroyed: subsystems may still reach
  // it from exit handlers after main has returned.
  static RuntimeState* state = new RuntimeState();
  return *state;
}

}  // namespace orv
