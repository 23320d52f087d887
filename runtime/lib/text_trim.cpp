#include "runtime/lib/text_trim.h"

namespace orv {

void TrimControlRight(RtString& text) {
  int32_t n = text.Length();
  while (n > 0 && static_cast<unsigned char>(text[n - 1]) < 32) --n;
  text.Truncate(n);
}

}  // namespace orv
