// The out-of-bounds report of RtArray: what a developer sees when an array
// access goes wrong, before the program ends with error 9.
#include <cstdio>

#include "orvane/rt_array.h"
#include "runtime/error_state.h"
#include "runtime/lib/number_format.h"

namespace orv {

namespace {
RtString Fields(const int32_t* values, int count) {
  RtString line;
  for (int i = 0; i < count; ++i) {
    line += "[";
    line += FormatNumber(4, 0, values[i]);
    line += "]";
  }
  return line;
}

void Report(const int32_t sizes[4], int32_t dims, const int32_t index[4]) {
  int shown = dims > 0 ? dims : 1;
  RtString bounds = RtString("bounds: ") + Fields(sizes, dims) + "\n";
  RtString access = RtString("access: ") + Fields(index, shown) + "\n";
  DebugOut(bounds);
  DebugOut(access);
  std::fwrite(bounds.CStr(), 1, static_cast<size_t>(bounds.Length()), stderr);
  std::fwrite(access.CStr(), 1, static_cast<size_t>(access.Length()), stderr);
}
}  // namespace

}  // namespace orv

void rt_array_failure::Stop(int errorCode) { orv::RuntimeError(errorCode); }

void rt_array_failure::OutOfBounds(const int32_t sizes[4], int32_t dims, const int32_t index[4], int indexCount) {
  using namespace orv;
  if (indexCount <= 1) {
    Report(sizes, dims, index);
  } else {
    // The four-index form checks (a, b), then (a, b, c), then (a, b, c, d);
    // each check reports what it saw.
    const int32_t two[4] = {index[0], index[1], 0, 0};
    const int32_t three[4] = {index[0], index[1], index[2], 0};
    Report(sizes, dims, two);
    Report(sizes, dims, three);
    Report(sizes, dims, index);
  }
  std::fflush(stderr);
  RuntimeError(kErrOutOfBounds);
}
