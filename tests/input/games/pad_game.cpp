// A test game that has a pad plugged in, unplugged and plugged back while
// it runs (a virtual pad of the joystick system: vendor 0x1234, product
// 0x5678, "Plug Pad", four axes, two buttons), and reports what the
// joystick commands read, one line per step. Its stick is on the pad's
// fourth axis, which only a mapping line names as the left stick.
#include <SDL2/SDL.h>

#include <cstdio>
#include <string>

#include "orvane/orvane.h"

namespace {

SDL_Joystick* PlugIn() {
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
  desc.naxes = 4;
  desc.nbuttons = 2;
  desc.vendor_id = 0x1234;
  desc.product_id = 0x5678;
  desc.name = "Plug Pad";
  const int index = SDL_JoystickAttachVirtualEx(&desc);
  return index < 0 ? nullptr : SDL_JoystickOpen(index);
}

void Unplug(SDL_Joystick* pad) {
  const SDL_JoystickID id = SDL_JoystickInstanceID(pad);
  SDL_JoystickClose(pad);
  for (int i = 0; i < SDL_NumJoysticks(); ++i)
    if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
}

void Say(const std::string& text) {
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

std::string Reading(int index) {
  return "count=" + std::to_string(static_cast<int>(JoyCount())) + " x=" + std::to_string(static_cast<int>(JoyAxisX(index))) +
         " button=" + std::to_string(static_cast<int>(JoyButton(index, 0))) + " name=" + JoyName(index).CStr();
}

}  // namespace

void GameSettings(ProjectSettings& s) {
  s.width = 320;
  s.height = 200;
  s.exclusiveMouse = 0;
  RtString caption("pads");
  s.caption.Exchange(caption);
}

double GameMain() {
  ShowScreen();
  Say("ready " + std::to_string(static_cast<int>(JoyCount())));
  SDL_Joystick* pad = PlugIn();
  if (!pad) return 0;
  SDL_JoystickSetVirtualAxis(pad, 3, -32768);
  // Read as pushed once the pad is seen and the window has the focus (in
  // the background every reading is neutral); the test gives the focus.
  for (int frame = 0; frame < 1200 && JoyAxisX(0) != -1; ++frame) ShowScreen();
  SDL_JoystickSetVirtualButton(pad, 0, 1);
  ShowScreen();
  Say("plugged " + Reading(0));
  Unplug(pad);
  ShowScreen();
  Say("unplugged " + Reading(0));
  pad = PlugIn();
  if (!pad) return 0;
  SDL_JoystickSetVirtualAxis(pad, 3, -32768);
  ShowScreen();
  Say("back " + Reading(0));
  Unplug(pad);
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
