// Typed characters from untrusted text and key events: whatever arrives, the
// queue holds at most 16 bytes and never a control character other than
// Backspace, Tab and line feed, and the text is never read past its buffer.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "input/dx_input.h"
#include "platform/events.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::DXInput input;
  size_t i = 0;
  while (i < size) {
    const uint8_t kind = data[i++];
    orv::platform::Event event;
    if (kind & 1) {
      // A key: scancode and modifier bits from the next two bytes.
      event.key.scancode = i < size ? data[i] : 0;
      event.key.mods = static_cast<uint16_t>(i + 1 < size ? data[i + 1] : 0);
      i += 2;
      event.kind = (kind & 2) ? orv::platform::EventKind::KeyUp : orv::platform::EventKind::KeyDown;
    } else {
      // Text: up to a whole buffer, terminated or not as the bytes say.
      size_t n = std::min<size_t>(kind >> 1, sizeof event.text);
      n = std::min(n, size - i);
      std::memcpy(event.text, data + i, n);
      i += n;
      event.kind = orv::platform::EventKind::Text;
    }
    input.HandleEvent(event);
    if (kind == 0xFE) {
      // Now and then the game reads one.
      int c = input.TakeTypedChar();
      if (c == 0 || c > 255) std::abort();
    }
  }
  int count = 0;
  for (int c = input.TakeTypedChar(); c >= 0; c = input.TakeTypedChar()) {
    if (++count > orv::kTypedCharLimit) std::abort();
    if (c == 0 || c == 13 || (c < 32 && c != 8 && c != 9 && c != 10)) std::abort();
  }
  return 0;
}
