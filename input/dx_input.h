// DXInput: the runtime's one input object. It owns the keyboard snapshot,
// the mouse track, up to ten joysticks and the queue of characters typed
// into the game window.
//
// Key codes toward the game are the classic PC scan codes (Escape 1,
// Return 28, left Alt 56, F4 62, cursor keys 200/203/205/208), whatever
// keyboard layout is active. Mouse positions are window pixels inside this
// object and game coordinates (screen orientation applied) at the commands.
// A hidden pointer reads relative movement (the system's relative mouse
// mode), a visible one reads absolute positions.
//
// Created at start-up after the window exists, sampled by every ShowScreen
// (keyboard first, then the mouse), released at shutdown. Everything runs on
// the game's thread.
//
// Keyboard and pointer know only what the platform's event stream tells them:
// the runtime's window procedure hands every event to HandleEvent, and a
// read first has the runtime dispatch whatever is still queued. So a stream
// of events stored once and fed back reproduces the same readings.
//
// Short presses are latched: a key or mouse button pressed and released
// between two snapshots still reads as held in the next one (for one frame),
// so a tap shorter than a frame is never lost.
//
// Depends on: SDL (joysticks, haptics, relative pointer), platform/ (window,
// events), gfx2d/ (screen orientation), runtime/ (log, key-read counter,
// message pump).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/events.h"

struct _SDL_Joystick;
struct _SDL_Haptic;

namespace orv {

namespace platform {
class Window;
}

constexpr int kMaxJoysticks = 10;
constexpr int kTypedCharLimit = 16;

// One mouse: the position as the game last read it.
struct MouseTrack {
  int32_t x = 0, y = 0;          // current position in window pixels
  int32_t lastX = 0, lastY = 0;  // position at the last consuming sample
  int32_t wheelTotal = 0;        // wheel readings since the last consuming sample, signed
};

// One reading of a mouse.
struct MouseSample {
  int16_t left = 0, right = 0, middle = 0;  // 1 = held
  int16_t dx = 0, dy = 0;                   // movement since the last consuming sample
  int16_t wheel = 0;                        // the track's wheelTotal
};

// A joystick reading: axes on -32768..32768, point-of-view hats in
// hundredths of a degree clockwise from up (centred: all bits set), buttons
// 128 while held.
struct JoystickState {
  int32_t x = 0, y = 0, z = 0, rx = 0, ry = 0, rz = 0;
  int32_t slider[2] = {0, 0};
  uint32_t pov[4] = {kPovCentred, kPovCentred, kPovCentred, kPovCentred};
  uint8_t buttons[32] = {};
  static constexpr uint32_t kPovCentred = 0xFFFFFFFFu;
};

enum class JoyAxisId { X, Y, Z, RX, RY, RZ };

class DXInput {
 public:
  DXInput();
  ~DXInput();
  DXInput(const DXInput&) = delete;
  DXInput& operator=(const DXInput&) = delete;

  // ---- Lifecycle -------------------------------------------------------------
  // Opens keyboard, mouse and joysticks for the window. With exclusiveMouse
  // the pointer is captured (relative movement); a failure to capture it is
  // logged and the pointer is merely hidden.
  void InitInput(platform::Window* window, bool exclusiveMouse);
  // The window after a re-creation; the caller re-applies ShowMouse.
  void SetWindow(platform::Window* window);
  // Shows the pointer, closes every device, empties the queue. Idempotent.
  void Release();

  // ---- Keyboard ----------------------------------------------------------------
  // Refreshes the snapshot, only while the game window has the focus.
  void PollKeyboard();
  // Scan code held in the last snapshot (code taken modulo 256).
  bool KeyHeld(int code) const { return (keyState[code & 255] & 0x80) != 0; }
  // KeyHeld for the game: every 129th call without a flip re-polls first.
  bool KeyDown(int code);
  // Any key 0..254 held in the last snapshot.
  bool AnyKeyHeld() const;

  // The scan code games use for a physical key (a platform scancode); 0 for
  // keys without one.
  static int ScanCodeOf(int platformScancode);

  // ---- Events -------------------------------------------------------------------------
  // Every event the runtime's message pump dispatches: keys, typed text,
  // pointer, wheel, focus of the input window.
  void HandleEvent(const platform::Event& event);

  // ---- Typed characters ---------------------------------------------------------
  // Queues one byte by the typed-character rules (13 reads as 10, control
  // characters other than 8, 9, 10 are dropped, at most 16 are held).
  void QueueTypedChar(int c);
  bool HasTypedChar() const { return typedCount_ > 0; }
  // The oldest typed byte (0..255), or -1 when none is queued.
  int TakeTypedChar();

  // ---- Mouse ----------------------------------------------------------------------
  // One consuming sample of every mouse (the per-frame read).
  void PollMice();
  void SampleMouse(MouseSample& sample, bool consume);
  // Consuming sample: position in game coordinates clamped to the screen, buttons.
  void MouseState(int& x, int& y, int& left, int& right);
  // Non-consuming sample: 0 dx, 1 dy (game orientation), 2 wheel, 3 left, 4 right, 5 middle.
  int MouseAxis(int n);
  // Sets the tracked position (game coordinates); the pointer itself stays.
  void SetMouse(int x, int y);
  void ShowMouse(bool visible);
  bool CursorVisible() const { return cursorVisible; }
  int MouseCount() const { return static_cast<int>(mice.size()); }
  void SelectMouse(int n) { currentMouse = (n >= 0 && n < MouseCount()) ? n : 0; }
  // Lets go of the captured pointer (a debugger takes over); the next read takes it again.
  void ReleaseExclusive();

  // ---- Joysticks ---------------------------------------------------------------------
  int JoystickCount() const { return joystickCount; }
  // Reads joystick `index`; all zero (hats centred) for a missing one or while unfocused.
  void ReadJoystick(int index, JoystickState& state);
  // An axis as -1..1; X/Y and RX/RY turned with the screen orientation.
  double JoyAxis(int index, JoyAxisId axis);
  // The first hat as -1, 0 or 1 per direction, in game orientation.
  void JoyHat(int index, int& x, int& y);
  // 128 while button 0..31 is held, else 0.
  int JoyButton(int index, int button);
  // "instance name, product name"; "" for an index outside 0..count-1.
  std::string JoyName(int index) const;
  // A constant force for `milliseconds`; 1 when it was started, else 0.
  int JoyForce(int index, int milliseconds, double forceX, double forceY);
  // Any joystick button held, an X/Y/Z axis beyond 0.1 or a hat off centre.
  bool JoystickActive();

  // Hat value in hundredths of a degree -> the two directions (-1, 0, 1).
  static void HatDirections(uint32_t pov, int& x, int& y);

  // ---- Fields ----------------------------------------------------------------------
  std::vector<MouseTrack> mice;  // always exactly one
  int32_t currentMouse = 0;
  uint8_t keyState[256] = {};    // last snapshot by scan code, bit 7 = held
  platform::Window* window = nullptr;
  bool cursorVisible = false;
  bool exclusiveMouse = false;   // the pointer is captured while hidden
  int32_t joystickCount = 0;

 private:
  struct Joystick {
    bool used = false;  // the number was handed out; it stays with this pad for the run
    _SDL_Joystick* device = nullptr;  // null while the pad is unplugged
    _SDL_Haptic* haptic = nullptr;  // null without force feedback
    int effect = -1;                // the last force started, kept until the next
    std::string name;
    // The device axis read into each reading axis (x, y, z, rx, ry, rz,
    // slider 0, slider 1); -1 reads 0.
    int8_t axisOf[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    // The device's controls as the event stream last told them.
    int32_t instance = -1;  // the device's identity in events
    bool attached = false;
    // Who the pad is, to know it again when it is plugged back in.
    uint8_t guid[16] = {};
    std::string serial;  // "" when the system has none
    uint64_t detachedAt = 0;  // order of unplugging, 0 while attached
    std::vector<int16_t> axes;
    uint8_t hats[4] = {};   // platform::JoyHatBits
    uint8_t buttons[32] = {};
  };

  Joystick* JoystickOf(int32_t instance);
  // Every pad the system lists that is not open yet gets its number (its
  // old one when it was here before) and is opened.
  void AttachNewJoysticks();
  void AttachJoystick(int deviceIndex);
  // The pad of an event's device was unplugged: it reads neutral and keeps
  // its number.
  void DetachJoystick(int32_t instance);
  // The number for a pad: its own old number, else the next never given,
  // else the one unplugged longest ago; -1 when all ten are in use.
  int NumberFor(const uint8_t* guid, const std::string& serial) const;

  static void PlaceAxes(Joystick& j, int deviceIndex);

  // Has the runtime dispatch the events still queued, so a read is current.
  void CollectEvents();
  void ForgetEvents();
  void OpenJoysticks();
  void CloseJoysticks();
  void ReadMouseRaw(int& x, int& y, uint32_t& buttons, int& wheel);
  bool CaptureMouse(bool capture);
  void QueueText(const char* utf8, size_t capacity);
  // Orientation helpers of the screen (identity without a device).
  void UnorientPoint(int& x, int& y) const;
  void OrientPoint(int& x, int& y) const;
  void UnorientVector(int& dx, int& dy) const;
  void RotateVector(int& dx, int& dy) const;

  // What the event stream told about keyboard and pointer.
  bool focused_ = false;           // the input window has the keyboard focus
  uint8_t held_[256] = {};         // keys down now, by scan code
  uint8_t pressed_[256] = {};      // keys pressed since the last keyboard snapshot
  int pointerX_ = 0, pointerY_ = 0;  // last absolute pointer position in the window
  int motionX_ = 0, motionY_ = 0;    // relative movement since the last read
  int wheel_ = 0;                    // signed count of wheel readings since the last read
  uint32_t buttonsHeld_ = 0;       // 1 left, 2 right, 4 middle
  uint32_t buttonsPressed_ = 0;    // pressed since the last PollMice
  uint32_t buttonsLatched_ = 0;    // pressed between the last two PollMice: read as held until the next
  uint8_t typedChars_[kTypedCharLimit] = {};
  int typedCount_ = 0;
  Joystick joysticks_[kMaxJoysticks];
  uint64_t detachCount_ = 0;        // unpluggings so far, for Joystick::detachedAt
  bool joystickSystem_ = false;     // joystick subsystem started by us
  bool hapticSystem_ = false;       // haptic subsystem started by us
  bool released_ = false;        // the captured pointer was let go for a debugger
};

}  // namespace orv
