// Keyboard, typed characters and the mouse inside one process: a real device
// window (offscreen driver), the real input object, and events pushed into
// the platform's queue the way the system delivers them.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "input_fixture.h"

namespace {

using inputtest::InputFixture;

// ---- Typed characters -----------------------------------------------------------

using TypedChars = InputFixture;

TEST_F(TypedChars, QueueHoldsSixteenInOrderAndDropsTheRest) {
  Text("abcdefghijklmnopq");  // 17 characters before any is read
  Frame();
  std::string got;
  for (RtString c = InKey(); !c.Empty(); c = InKey()) got += c.CStr();
  EXPECT_EQ(got, "abcdefghijklmnop");
  EXPECT_EQ(InKey(), "");
}

TEST_F(TypedChars, ControlKeysFollowTheCharacterRules) {
  KeyPress(SDL_SCANCODE_RETURN);
  KeyPress(SDL_SCANCODE_A, KMOD_LCTRL);  // Ctrl+A types no text at all
  Text("\x01");                          // and a control character in text is dropped
  KeyPress(SDL_SCANCODE_TAB);
  KeyPress(SDL_SCANCODE_BACKSPACE);
  KeyPress(SDL_SCANCODE_ESCAPE);         // 27 is a control character too
  KeyPress(SDL_SCANCODE_KP_ENTER);
  KeyPress(SDL_SCANCODE_RETURN, KMOD_LALT);  // a system key: types nothing
  // Escape in the snapshot would end the test program; let it go first.
  SetEscapeQuits(0);
  Frame();
  SetEscapeQuits(1);
  std::string got;
  for (RtString c = InKey(); !c.Empty(); c = InKey()) got += c.CStr();
  EXPECT_EQ(got, "\n\t\b\n");
}

TEST_F(TypedChars, Latin1TextBecomesSingleBytesAndOtherCharactersAreDropped) {
  Text("\xC3\xA9\xE2\x82\xAC\xC2\xA0x\xF0\x9F\x98\x80\xC0\xAFy\xFFz");  // é € nbsp x 😀 overlong-'/' y bad-byte z
  Frame();
  std::string got;
  for (RtString c = InKey(); !c.Empty(); c = InKey()) {
    ASSERT_EQ(c.Length(), 1);
    got += c.CStr();
  }
  EXPECT_EQ(got, "\xE9\xA0xyz");
}

TEST_F(TypedChars, CharactersAboveLatin1AreDroppedNotCutToTheirLowByte) {
  // Polish, Cyrillic and Greek letters (U+0100..U+07FF) have no byte of
  // their own; their low byte would type a different letter (Ł as "A").
  Text("\xC5\x81\xC3\xB3" "d\xC5\xBA");  // Łódź
  Text("\xD0\xB4\xD0\xB0");          // да
  Text("\xCE\xB1\xCE\xB2!");         // αβ!
  Text("\xDF\xBF\xC4\x80");          // U+07FF, U+0100
  Frame();
  std::string got;
  for (RtString c = InKey(); !c.Empty(); c = InKey()) got += c.CStr();
  EXPECT_EQ(got, "\xF3" "d!");
}

TEST_F(TypedChars, WaitAnyKeyReturnsOnATypedCharacterAndDrainsTheQueue) {
  Text("stale");  // typed before the wait: drained, not waited for
  Frame();
  std::atomic<bool> typed{false};
  std::thread typist([&typed] {
    SDL_Delay(150);
    typed = true;
    Text("go");
  });
  WaitAnyKey();
  // It waited for the new character rather than taking a stale one...
  EXPECT_TRUE(typed);
  typist.join();
  // ...and took what was typed: nothing is left for the game's next read.
  Frame();
  EXPECT_EQ(InKey(), "");
}

TEST_F(TypedChars, InputLineEditsUntilReturn) {
  Text("ab");
  KeyPress(SDL_SCANCODE_BACKSPACE);
  Text("c\xC3\xA4");
  KeyPress(SDL_SCANCODE_RETURN);
  Text("after");  // typed after Return: stays queued for the game
  EXPECT_EQ(InputLine("x", 10, 10, 0), "xac\xE4");
  EXPECT_EQ(InKey(), "a");

  while (!InKey().Empty()) {
  }
  Text("1.5");
  for (int i = 0; i < 4; ++i) KeyPress(SDL_SCANCODE_BACKSPACE);  // one more than there is: nothing happens
  Text("-7.25e1");
  KeyPress(SDL_SCANCODE_RETURN);
  EXPECT_DOUBLE_EQ(InputLineFloat("", 0, 0, 1), -72.5);
  Text("42abc");
  KeyPress(SDL_SCANCODE_KP_ENTER);
  EXPECT_DOUBLE_EQ(InputLineInt("", 0, 0, 0), 42);
}

// ---- Keyboard ---------------------------------------------------------------------

using Keyboard = InputFixture;

TEST_F(Keyboard, RepresentativeKeysReadAsTheirScanCodes) {
  const std::pair<SDL_Scancode, int> keys[] = {
      {SDL_SCANCODE_A, 30},         {SDL_SCANCODE_Z, 44},      {SDL_SCANCODE_LALT, 56},
      {SDL_SCANCODE_KP_ENTER, 156}, {SDL_SCANCODE_UP, 200},    {SDL_SCANCODE_DELETE, 211},
      {SDL_SCANCODE_RCTRL, 157},    {SDL_SCANCODE_KP_DIVIDE, 181}, {SDL_SCANCODE_RALT, 184},
      {SDL_SCANCODE_LGUI, 219},     {SDL_SCANCODE_APPLICATION, 221}, {SDL_SCANCODE_F12, 88},
      {SDL_SCANCODE_CAPSLOCK, 58},
  };
  for (auto [scancode, code] : keys) {
    Key(scancode, true);
    Frame();
    EXPECT_EQ(KeyDown(code), 1) << "scan code " << code;
    EXPECT_EQ(KeyDown(code + 256), 1) << "codes are taken modulo 256";
    Key(scancode, false);
    Frame();
    EXPECT_EQ(KeyDown(code), 0) << "scan code " << code;
  }
  // Escape is 1 and F4 is 62: checked through the quit keys in the game tests.
  EXPECT_EQ(orv::DXInput::ScanCodeOf(SDL_SCANCODE_ESCAPE), 1);
  EXPECT_EQ(orv::DXInput::ScanCodeOf(SDL_SCANCODE_F4), 62);
}

TEST_F(Keyboard, TableCoversTheWholePcKeyboardOneToOne) {
  // Every key of a 105-key PC keyboard (main block, function row, editing
  // and cursor block, keypad, Windows keys) has a scan code, and no two
  // platform keys share one.
  std::set<int> codes;
  int mapped = 0;
  for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
    int code = orv::DXInput::ScanCodeOf(sc);
    if (!code) continue;
    ++mapped;
    EXPECT_TRUE(codes.insert(code).second) << "scan code " << code << " used twice";
  }
  EXPECT_EQ(mapped, 137);
  EXPECT_EQ(orv::DXInput::ScanCodeOf(SDL_SCANCODE_AUDIOPREV), 144);
  EXPECT_EQ(orv::DXInput::ScanCodeOf(SDL_SCANCODE_AUDIONEXT), 153);
  // The ISO key beside Return reaches us as backslash on this platform;
  // its separate USB code is the one gap.
  for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_KP_PERIOD; ++sc)
    if (sc != SDL_SCANCODE_NONUSHASH) {
      EXPECT_NE(orv::DXInput::ScanCodeOf(sc), 0) << SDL_GetScancodeName(static_cast<SDL_Scancode>(sc));
    }
  for (int sc = SDL_SCANCODE_LCTRL; sc <= SDL_SCANCODE_RGUI; ++sc)
    EXPECT_NE(orv::DXInput::ScanCodeOf(sc), 0) << SDL_GetScancodeName(static_cast<SDL_Scancode>(sc));
  for (int sc : {SDL_SCANCODE_NONUSBACKSLASH, SDL_SCANCODE_APPLICATION})
    EXPECT_NE(orv::DXInput::ScanCodeOf(sc), 0) << SDL_GetScancodeName(static_cast<SDL_Scancode>(sc));
  EXPECT_EQ(orv::DXInput::ScanCodeOf(-5), 0);
  EXPECT_EQ(orv::DXInput::ScanCodeOf(SDL_NUM_SCANCODES), 0);
}

TEST_F(Keyboard, KeyDownRereadsTheKeyboardOnThe129thCallWithoutAFlip) {
  Frame();  // the flip resets the read counter
  Key(SDL_SCANCODE_SPACE, true);
  for (int i = 1; i <= 128; ++i) ASSERT_EQ(KeyDown(57), 0) << "call " << i;
  EXPECT_EQ(KeyDown(57), 1);  // the 129th call polls first
  Key(SDL_SCANCODE_SPACE, false);
  Frame();
  EXPECT_EQ(KeyDown(57), 0);
}

TEST_F(Keyboard, ATapShorterThanAFrameIsSeenForOneFrame) {
  Key(SDL_SCANCODE_B, true);
  Key(SDL_SCANCODE_B, false);
  Frame();
  EXPECT_EQ(KeyDown(48), 1);
  Frame();
  EXPECT_EQ(KeyDown(48), 0);
}

TEST_F(Keyboard, SnapshotRefreshesOnlyWhileTheWindowHasTheFocus) {
  Key(SDL_SCANCODE_W, true);
  Frame();
  ASSERT_EQ(KeyDown(17), 1);
  Focus(false);
  Key(SDL_SCANCODE_W, false);
  Key(SDL_SCANCODE_S, true);
  Frame();
  EXPECT_EQ(KeyDown(17), 1);  // the last snapshot stays
  EXPECT_EQ(KeyDown(31), 0);
  Key(SDL_SCANCODE_S, false);
  Focus(true);
  Frame();
  EXPECT_EQ(KeyDown(17), 0);
  EXPECT_EQ(KeyDown(31), 0);  // a press from the background is not replayed
}

// ---- Mouse ---------------------------------------------------------------------------

using Mouse = InputFixture;

TEST_F(Mouse, HiddenPointerAddsMovementAndStaysInsideTheWindow) {
  ShowMouse(0);
  SetMouse(100, 100);
  Motion(0, 0, 10, 5);
  EXPECT_EQ(MouseAxis(0), 10);
  EXPECT_EQ(MouseAxis(1), 5);
  Motion(0, 0, 3, -1);
  EXPECT_EQ(MouseAxis(0), 13);  // non-consuming: movement adds up
  EXPECT_EQ(MouseAxis(1), 4);
  EXPECT_EQ(MouseAt(), std::make_pair(113.0, 104.0));
  EXPECT_EQ(MouseAxis(0), 0);  // MouseState consumed it

  Motion(0, 0, -500, 1000);
  EXPECT_EQ(MouseAt(), std::make_pair(0.0, 200.0));  // bounds inclusive
  Motion(0, 0, 1000, -1000);
  EXPECT_EQ(MouseAt(), std::make_pair(320.0, 0.0));
  Motion(0, 0, -20, 20);
  EXPECT_EQ(MouseAt(), std::make_pair(300.0, 20.0));  // no movement lost at the edge beyond clamping
}

TEST_F(Mouse, HiddenPointerReadsNothingInTheBackground) {
  ShowMouse(0);
  SetMouse(50, 50);
  Focus(false);
  Motion(0, 0, 30, 30);
  Button(SDL_BUTTON_LEFT, true, 0, 0);
  double x, y, left, right;
  MouseState(x, y, left, right);
  EXPECT_EQ(x, 50);
  EXPECT_EQ(left, 0);
  Focus(true);
  MouseState(x, y, left, right);
  EXPECT_EQ(x, 50);  // background movement is not replayed
  EXPECT_EQ(left, 1);
  Button(SDL_BUTTON_LEFT, false, 0, 0);
}

TEST_F(Mouse, WheelCountsReadingsNotNotchSize) {
  Wheel(1);
  Wheel(5);
  Wheel(120);
  EXPECT_EQ(MouseAxis(2), 3);
  EXPECT_EQ(MouseAxis(2), 3);  // non-consuming
  double x, y, l, r;
  MouseState(x, y, l, r);
  EXPECT_EQ(MouseAxis(2), 0);
  Wheel(-2);
  Wheel(3, SDL_MOUSEWHEEL_FLIPPED);
  EXPECT_EQ(MouseAxis(2), -2);
  Frame();  // the flip's sample consumes too
  EXPECT_EQ(MouseAxis(2), 0);
}

TEST_F(Mouse, VisiblePointerIsAbsoluteAndOverridesSetMouse) {
  ShowMouse(1);
  Motion(50, 60, 0, 0);
  EXPECT_EQ(MouseAt(), std::make_pair(50.0, 60.0));
  SetMouse(10, 10);
  EXPECT_EQ(MouseAxis(0), 40);  // the sample replaces the set position
  EXPECT_EQ(MouseAt(), std::make_pair(50.0, 60.0));
  Motion(400, -7, 0, 0);  // outside the window
  EXPECT_EQ(MouseAt(), std::make_pair(320.0, 0.0));
}

TEST_F(Mouse, ButtonsReadAsTheyAre) {
  Button(SDL_BUTTON_LEFT, true, 5, 6);
  Button(SDL_BUTTON_MIDDLE, true, 5, 6);
  double x, y, left, right;
  MouseState(x, y, left, right);
  EXPECT_EQ(left, 1);
  EXPECT_EQ(right, 0);
  EXPECT_EQ(MouseAxis(3), 1);
  EXPECT_EQ(MouseAxis(5), 1);
  EXPECT_EQ(MouseAxis(6), 0);
  Button(SDL_BUTTON_LEFT, false, 5, 6);
  Button(SDL_BUTTON_MIDDLE, false, 5, 6);
  Button(SDL_BUTTON_RIGHT, true, 5, 6);
  MouseState(x, y, left, right);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(right, 1);
  EXPECT_EQ(MouseAxis(4), 1);
  Button(SDL_BUTTON_RIGHT, false, 5, 6);
}

TEST_F(Mouse, AClickShorterThanAFrameIsSeenForOneFrame) {
  // A touchpad tap: press and release both arrive between two frames.
  Frame();
  Button(SDL_BUTTON_LEFT, true, 30, 40);
  Button(SDL_BUTTON_LEFT, false, 30, 40);
  Button(SDL_BUTTON_RIGHT, true, 30, 40);
  Button(SDL_BUTTON_RIGHT, false, 30, 40);
  Frame();
  double x, y, left, right;
  MouseState(x, y, left, right);
  EXPECT_EQ(left, 1);
  EXPECT_EQ(right, 1);
  EXPECT_EQ(x, 30);
  EXPECT_EQ(MouseAxis(3), 1);  // every read of that frame sees it
  MouseState(x, y, left, right);
  EXPECT_EQ(left, 1);
  Frame();
  MouseState(x, y, left, right);
  EXPECT_EQ(left, 0);  // one frame only
  EXPECT_EQ(right, 0);

  // A tap while the window is in the background is not replayed.
  Button(SDL_BUTTON_LEFT, true, 30, 40);
  Button(SDL_BUTTON_LEFT, false, 30, 40);
  Focus(false);
  Focus(true);
  Frame();
  EXPECT_EQ(MouseAxis(3), 0);
}

TEST_F(Mouse, QuarterTurnMapsPositionsAndMovement) {
  SetOrientation(1);  // the game sees a 200 x 320 screen
  ShowMouse(1);
  Motion(300, 20, 0, 0);
  EXPECT_EQ(MouseAt(), std::make_pair(20.0, 19.0));
  Motion(305, 22, 0, 0);
  EXPECT_EQ(MouseAxis(0), 2);  // window (+5, +2) is game (+2, -5)
  EXPECT_EQ(MouseAxis(1), -5);
  Motion(0, 0, 0, 0);          // window corner: game (0, 319)
  EXPECT_EQ(MouseAt(), std::make_pair(0.0, 319.0));
  ShowMouse(0);
  SetMouse(20, 19);            // back to window (300, 20)
  Motion(0, 0, 0, 1000);       // down in the window is right on the game screen
  double x, y, l, r;
  MouseState(x, y, l, r);
  EXPECT_EQ(x, 200);
  EXPECT_EQ(y, 19);
  SetOrientation(0);
}

TEST_F(Mouse, WaitMouseClickWaitsForPressAndRelease) {
  std::thread clicker([this] {
    SDL_Delay(100);
    Button(SDL_BUTTON_LEFT, true, 1, 1);
    SDL_Delay(100);
    Button(SDL_BUTTON_LEFT, false, 1, 1);
  });
  WaitMouseClick();
  clicker.join();
  EXPECT_EQ(MouseAxis(3), 0);
}

// ---- One event stream -------------------------------------------------------------------

// Every event the runtime dispatches, as the platform describes it.
std::vector<orv::platform::Event>& Recorded() {
  static std::vector<orv::platform::Event> events;
  return events;
}

void RecordingWindowProc(const orv::platform::Event& event) {
  Recorded().push_back(event);
  orv::WindowProc(event);
}

using EventStream = InputFixture;

TEST_F(EventStream, ARecordedStreamReplaysToTheSameReadings) {
  struct Readings {
    double keyB, keyShift, left, right, wheel, x, y;
    std::string typed;
    bool operator==(const Readings&) const = default;
  };
  auto read = [] {
    Readings r{};
    r.keyB = KeyDown(48);
    r.keyShift = KeyDown(42);
    r.wheel = MouseAxis(2);
    MouseState(r.x, r.y, r.left, r.right);
    for (RtString c = InKey(); !c.Empty(); c = InKey()) r.typed += c.CStr();
    return r;
  };
  orv::RuntimeState& rt = orv::Rt();
  Recorded().clear();
  rt.device->windowProc = RecordingWindowProc;
  Focus(true);
  Key(SDL_SCANCODE_LSHIFT, true, KMOD_LSHIFT);
  KeyPress(SDL_SCANCODE_B, KMOD_LSHIFT);  // a tap, latched
  Text("B\xC3\xA9");
  KeyPress(SDL_SCANCODE_RETURN, KMOD_LSHIFT);
  Motion(40, 50, 0, 0);
  Button(SDL_BUTTON_RIGHT, true, 41, 52);
  Wheel(2, SDL_MOUSEWHEEL_FLIPPED);
  Wheel(1);
  Wheel(4, SDL_MOUSEWHEEL_FLIPPED);
  rt.input->PollKeyboard();  // dispatches the queue and takes a snapshot
  rt.device->windowProc = orv::WindowProc;
  const Readings live = read();
  EXPECT_EQ(live, (Readings{1, 1, 0, 1, -1, 41, 52, "B\xE9\n"}));

  // A fresh input object fed the stored events, with nothing in the
  // platform's queue, reads the same.
  rt.input->Release();
  rt.input = std::make_unique<orv::DXInput>();
  rt.input->InitInput(rt.mainWindow, false);
  Flush();
  for (const orv::platform::Event& e : Recorded()) rt.input->HandleEvent(e);
  rt.input->PollKeyboard();
  EXPECT_EQ(read(), live);
}

TEST(InputWithoutRuntime, CommandsAreNeutral) {
  ASSERT_EQ(orv::Rt().input, nullptr);
  EXPECT_EQ(KeyDown(1), 0);
  EXPECT_EQ(InKey(), "");
  EXPECT_EQ(MouseAxis(0), 0);
  EXPECT_EQ(JoyCount(), 0);
  EXPECT_EQ(JoyName(0), "");
  EXPECT_EQ(JoyHatY(0), 0);
  EXPECT_EQ(MouseCount(), 1);
  EXPECT_EQ(InputLine("kept", 0, 0, 0), "kept");
}

}  // namespace
