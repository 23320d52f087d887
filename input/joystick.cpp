// Joysticks: up to ten controllers, read as a JoystickState, and a
// constant force on those with force feedback.
//
// Like keyboard and pointer, joysticks read what the event stream told: the
// state at opening, then every axis, hat and button change as dispatched.
//
// Like the keyboard, joysticks read only while the game window has the
// focus; in the background every read is neutral (axes 0, hats centred, no
// buttons).
//
// Pads come and go while the game runs; the game's list of joysticks keeps
// its ten fixed numbers. A pad present at start-up or plugged in later gets
// the next number never given before, within the frame that sees the
// system's event, and JoyCount grows to include it. An unplugged pad keeps
// its number and its name and reads neutral (axes centred, buttons up)
// instead of its last values; plugged back in, it gets that number again
// (known by its GUID, and its serial number where the system gives one). So
// a game that reads joystick 0 keeps reading the same pad. Only when all
// ten numbers are taken does a new pad get the number of the pad unplugged
// longest ago.
//
// The system numbers only the axes a device has, so the n-th axis is not
// the same control on every device: a pad whose axes are X, Y, Z and Rz
// would read its Rz as Rx. A device the system knows as a game controller
// (built in, or through a line of the mapping database, input/pad_mappings.h)
// is read by meaning instead: left stick on X and Y, right stick on Z and
// Rz, left and right trigger on Rx and Ry, the usual layout of such pads.
// Other devices, and axes a controller's mapping does not name, keep their
// order in the free places.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

#include "input/dx_input.h"
#include "input/pad_mappings.h"
#include "runtime/error_state.h"

namespace orv {

namespace {

// Axes on -32768..32768: the positive half is stretched by one step.
int32_t AxisValue(int16_t v) { return v > 0 ? static_cast<int32_t>(v) * 32768 / 32767 : v; }

uint32_t PovOf(uint8_t hat) {
  using namespace platform;
  switch (hat) {
    case kHatUp: return 0;
    case kHatRight | kHatUp: return 4500;
    case kHatRight: return 9000;
    case kHatRight | kHatDown: return 13500;
    case kHatDown: return 18000;
    case kHatLeft | kHatDown: return 22500;
    case kHatLeft: return 27000;
    case kHatLeft | kHatUp: return 31500;
    default: return JoystickState::kPovCentred;
  }
}

double Scaled(int32_t v) { return std::clamp(v / 32767.0, -1.0, 1.0); }

constexpr size_t kJoystickNameMax = 521;  // bytes of "instance, product" kept

// Game-controller axis names -> place in a reading (x, y, z, rx, ry, rz).
struct AxisMeaning {
  const char* name;
  int place;
};
constexpr AxisMeaning kAxisMeanings[] = {{"leftx", 0},       {"lefty", 1},        {"rightx", 2},
                                         {"righty", 5},      {"lefttrigger", 3},  {"righttrigger", 4}};

// The device axis a mapping binds ("a3", "+a3", "-a3", "a3~"), else -1.
int BoundAxis(const std::string& binding) {
  size_t i = 0;
  if (i < binding.size() && (binding[i] == '+' || binding[i] == '-')) ++i;
  if (i >= binding.size() || binding[i] != 'a') return -1;
  int axis = 0, digits = 0;
  for (++i; i < binding.size() && binding[i] >= '0' && binding[i] <= '9' && digits < 3; ++i, ++digits)
    axis = axis * 10 + (binding[i] - '0');
  return digits > 0 ? axis : -1;
}

}  // namespace

void DXInput::OpenJoysticks() {
  // Our own focus rule decides when joysticks read; the system must keep
  // their state current regardless of which window it thinks is focused.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return;
  joystickSystem_ = true;
  hapticSystem_ = SDL_InitSubSystem(SDL_INIT_HAPTIC) == 0;
  LoadControllerMappings();
  AttachNewJoysticks();
}

void DXInput::AttachNewJoysticks() {
  if (!joystickSystem_) return;
  // Every device not open yet: an event's device index may have moved on
  // when another device went away before the event was read.
  const int available = SDL_NumJoysticks();
  for (int i = 0; i < available; ++i) AttachJoystick(i);
}

int DXInput::NumberFor(const uint8_t* guid, const std::string& serial) const {
  // The same pad again: the same GUID, and the same serial number when both
  // have one; a match with serial numbers beats one without.
  int sameModel = -1;
  for (int i = 0; i < kMaxJoysticks; ++i) {
    const Joystick& j = joysticks_[i];
    if (!j.used || j.attached || std::memcmp(j.guid, guid, sizeof j.guid) != 0) continue;
    if (!serial.empty() && !j.serial.empty()) {
      if (serial == j.serial) return i;
    } else if (sameModel < 0 || j.detachedAt > joysticks_[sameModel].detachedAt) {
      sameModel = i;  // the one unplugged last
    }
  }
  if (sameModel >= 0) return sameModel;
  if (joystickCount < kMaxJoysticks) return joystickCount;
  int oldest = -1;
  for (int i = 0; i < kMaxJoysticks; ++i)
    if (!joysticks_[i].attached && (oldest < 0 || joysticks_[i].detachedAt < joysticks_[oldest].detachedAt)) oldest = i;
  return oldest;
}

void DXInput::AttachJoystick(int deviceIndex) {
  const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
  if (id < 0 || JoystickOf(id)) return;  // gone again, or open already (the start-up devices are announced too)
  SDL_Joystick* device = SDL_JoystickOpen(deviceIndex);
  if (!device) return;
  // A controller needs an X and a Y axis to count as a joystick.
  if (SDL_JoystickNumAxes(device) < 2) {
    SDL_JoystickClose(device);
    return;
  }
  const SDL_JoystickGUID guid = SDL_JoystickGetGUID(device);
  const char* serial = SDL_JoystickGetSerial(device);
  const int number = NumberFor(guid.data, serial ? serial : "");
  if (number < 0) {
    LogFormat("joystick %s not taken: ten are in use\n", SDL_JoystickName(device));
    SDL_JoystickClose(device);
    return;
  }
  Joystick& j = joysticks_[number];  // free, or its pad unplugged: nothing is open there
  j = Joystick{};
  j.used = true;
  j.device = device;
  std::memcpy(j.guid, guid.data, sizeof j.guid);
  j.serial = serial ? serial : "";
  if (number >= joystickCount) joystickCount = number + 1;
  PlaceAxes(j, deviceIndex);
  // Events report changes only: start from the state the device has now.
  j.instance = id;
  j.attached = true;
  j.axes.resize(static_cast<size_t>(SDL_JoystickNumAxes(device)));
  for (size_t a = 0; a < j.axes.size(); ++a) j.axes[a] = SDL_JoystickGetAxis(device, static_cast<int>(a));
  for (int h = 0; h < std::min(SDL_JoystickNumHats(device), 4); ++h) j.hats[h] = SDL_JoystickGetHat(device, h);
  for (int b = 0; b < std::min(SDL_JoystickNumButtons(device), 32); ++b)
    j.buttons[b] = SDL_JoystickGetButton(device, b) ? 1 : 0;
  const char* instance = SDL_JoystickName(device);
  const char* product = SDL_IsGameController(deviceIndex) ? SDL_GameControllerNameForIndex(deviceIndex) : nullptr;
  j.name = instance ? instance : "";
  j.name += ", ";
  j.name += product ? product : (instance ? instance : "");
  if (j.name.size() > kJoystickNameMax) j.name.resize(kJoystickNameMax);
  if (hapticSystem_ && SDL_JoystickIsHaptic(device) == 1) {
    j.haptic = SDL_HapticOpenFromJoystick(device);
    if (j.haptic && !(SDL_HapticQuery(j.haptic) & SDL_HAPTIC_CONSTANT)) {
      SDL_HapticClose(j.haptic);
      j.haptic = nullptr;
    }
  }
}

void DXInput::DetachJoystick(int32_t instance) {
  Joystick* j = JoystickOf(instance);
  if (!j || !j->attached) return;
  if (j->haptic) {
    if (j->effect >= 0) SDL_HapticDestroyEffect(j->haptic, j->effect);
    SDL_HapticClose(j->haptic);
  }
  if (j->device) SDL_JoystickClose(j->device);
  j->haptic = nullptr;
  j->effect = -1;
  j->device = nullptr;
  j->attached = false;
  j->detachedAt = ++detachCount_;
  // Nothing of the last readings is left to read back.
  std::fill(j->axes.begin(), j->axes.end(), int16_t{0});
  std::memset(j->hats, 0, sizeof j->hats);
  std::memset(j->buttons, 0, sizeof j->buttons);
}

void DXInput::PlaceAxes(Joystick& j, int deviceIndex) {
  const int axisCount = std::min(SDL_JoystickNumAxes(j.device), 127);
  std::vector<bool> taken(static_cast<size_t>(std::max(axisCount, 0)), false);
  std::fill(std::begin(j.axisOf), std::end(j.axisOf), int8_t{-1});
  if (SDL_IsGameController(deviceIndex)) {
    if (char* mapping = SDL_GameControllerMappingForDeviceIndex(deviceIndex)) {
      // "guid,name,leftx:a0,lefty:a1,..."
      std::string text = mapping;
      SDL_free(mapping);
      size_t start = 0;
      while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        std::string field = text.substr(start, end - start);
        size_t colon = field.find(':');
        for (const AxisMeaning& m : kAxisMeanings) {
          if (colon == std::string::npos || field.compare(0, colon, m.name) != 0) continue;
          int axis = BoundAxis(field.substr(colon + 1));
          if (axis >= 0 && axis < axisCount && !taken[static_cast<size_t>(axis)] && j.axisOf[m.place] < 0) {
            j.axisOf[m.place] = static_cast<int8_t>(axis);
            taken[static_cast<size_t>(axis)] = true;
          }
        }
        start = end + 1;
      }
    }
  }
  // Whatever is left keeps its order in the places still free.
  int place = 0;
  for (int axis = 0; axis < axisCount; ++axis) {
    if (taken[static_cast<size_t>(axis)]) continue;
    while (place < 8 && j.axisOf[place] >= 0) ++place;
    if (place == 8) break;
    j.axisOf[place] = static_cast<int8_t>(axis);
  }
}

void DXInput::CloseJoysticks() {
  for (Joystick& j : joysticks_) {
    if (j.haptic) {
      if (j.effect >= 0) SDL_HapticDestroyEffect(j.haptic, j.effect);
      SDL_HapticClose(j.haptic);
    }
    if (j.device) SDL_JoystickClose(j.device);
    j = Joystick{};
  }
  joystickCount = 0;
  if (hapticSystem_) SDL_QuitSubSystem(SDL_INIT_HAPTIC);
  if (joystickSystem_) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  hapticSystem_ = joystickSystem_ = false;
}

void DXInput::ReadJoystick(int index, JoystickState& state) {
  state = JoystickState{};
  if (index < 0 || index >= joystickCount) return;
  CollectEvents();  // the focus may have changed
  if (!focused_) return;
  const Joystick& j = joysticks_[index];
  if (!j.attached) return;
  int32_t* axes[8] = {&state.x,  &state.y,  &state.z,         &state.rx,
                      &state.ry, &state.rz, &state.slider[0], &state.slider[1]};
  for (int p = 0; p < 8; ++p) {
    const int a = j.axisOf[p];
    if (a >= 0 && static_cast<size_t>(a) < j.axes.size()) *axes[p] = AxisValue(j.axes[static_cast<size_t>(a)]);
  }
  for (int h = 0; h < 4; ++h) state.pov[h] = PovOf(j.hats[h]);
  for (int b = 0; b < 32; ++b) state.buttons[b] = j.buttons[b] ? 128 : 0;
}

DXInput::Joystick* DXInput::JoystickOf(int32_t instance) {
  for (int i = 0; i < joystickCount; ++i)
    if (joysticks_[i].attached && joysticks_[i].instance == instance) return &joysticks_[i];
  return nullptr;
}

double DXInput::JoyAxis(int index, JoyAxisId axis) {
  JoystickState s;
  ReadJoystick(index, s);
  int x = s.x, y = s.y, rx = s.rx, ry = s.ry;
  RotateVector(x, y);
  RotateVector(rx, ry);
  switch (axis) {
    case JoyAxisId::X: return Scaled(x);
    case JoyAxisId::Y: return Scaled(y);
    case JoyAxisId::Z: return Scaled(s.z);
    case JoyAxisId::RX: return Scaled(rx);
    case JoyAxisId::RY: return Scaled(ry);
    case JoyAxisId::RZ: return Scaled(s.rz);
  }
  return 0;
}

void DXInput::HatDirections(uint32_t pov, int& x, int& y) {
  x = (pov == 4500 || pov == 9000 || pov == 13500) ? 1 : (pov == 22500 || pov == 27000 || pov == 31500) ? -1 : 0;
  y = (pov == 0 || pov == 4500 || pov == 31500) ? -1 : (pov == 13500 || pov == 18000 || pov == 22500) ? 1 : 0;
}

void DXInput::JoyHat(int index, int& x, int& y) {
  JoystickState s;
  ReadJoystick(index, s);
  HatDirections(s.pov[0], x, y);
  UnorientVector(x, y);
}

int DXInput::JoyButton(int index, int button) {
  if (button < 0 || button >= 32) return 0;
  JoystickState s;
  ReadJoystick(index, s);
  return s.buttons[button];
}

std::string DXInput::JoyName(int index) const {
  if (index < 0 || index >= joystickCount) return "";
  return joysticks_[index].name;
}

int DXInput::JoyForce(int index, int milliseconds, double forceX, double forceY) {
  if (index < 0 || index >= joystickCount) return 0;
  Joystick& j = joysticks_[index];
  if (!j.attached || !j.haptic) return 0;  // no force feedback: nothing happens
  // One force at a time: a new one replaces whatever still plays.
  SDL_HapticStopAll(j.haptic);
  if (j.effect >= 0) SDL_HapticDestroyEffect(j.haptic, j.effect);
  j.effect = -1;
  auto clampForce = [](double f) { return std::isnan(f) ? 0.0 : std::clamp(f, -1.0, 1.0); };
  const double fx = clampForce(forceX), fy = clampForce(forceY);
  SDL_HapticEffect effect{};
  effect.type = SDL_HAPTIC_CONSTANT;
  effect.constant.direction.type = SDL_HAPTIC_CARTESIAN;
  effect.constant.direction.dir[0] = static_cast<Sint32>(fx * 32767);
  effect.constant.direction.dir[1] = static_cast<Sint32>(fy * 32767);
  effect.constant.length = static_cast<Uint32>(std::max(milliseconds, 0));
  // Magnitude (fx² + fy²) / 2 of full strength.
  effect.constant.level = static_cast<Sint16>((fx * fx + fy * fy) * 32767 / 2);
  j.effect = SDL_HapticNewEffect(j.haptic, &effect);
  if (j.effect < 0) return 0;
  return SDL_HapticRunEffect(j.haptic, j.effect, 1) == 0 ? 1 : 0;
}

bool DXInput::JoystickActive() {
  for (int i = joystickCount - 1; i >= 0; --i) {
    JoystickState s;
    ReadJoystick(i, s);
    for (uint8_t b : s.buttons)
      if (b & 0x80) return true;
    if (std::abs(Scaled(s.x)) > 0.1 || std::abs(Scaled(s.y)) > 0.1 || std::abs(Scaled(s.z)) > 0.1) return true;
    int hx = 0, hy = 0;
    HatDirections(s.pov[0], hx, hy);
    if (hx || hy) return true;
  }
  return false;
}

}  // namespace orv
