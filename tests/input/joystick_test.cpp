// Joysticks on virtual controllers: axes, hats, buttons, names, the focus
// rule and the screen orientation.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include "input_fixture.h"

namespace {

class Joysticks : public inputtest::InputFixture {
 protected:
  void BeforeInput() override {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    SDL_VirtualJoystickDesc pad{};
    pad.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    pad.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    pad.naxes = 6;
    pad.nbuttons = 33;  // one more than a reading holds
    pad.nhats = 1;
    pad.name = "Test Pad";
    padIndex = SDL_JoystickAttachVirtualEx(&pad);
    ASSERT_GE(padIndex, 0) << SDL_GetError();
    // A knob with a single axis is no joystick and is not taken.
    SDL_VirtualJoystickDesc knob{};
    knob.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    knob.type = SDL_JOYSTICK_TYPE_WHEEL;
    knob.naxes = 1;
    knob.name = "Knob";
    knobIndex = SDL_JoystickAttachVirtualEx(&knob);
    ASSERT_GE(knobIndex, 0) << SDL_GetError();
    pad_ = SDL_JoystickOpen(padIndex);
    ASSERT_NE(pad_, nullptr) << SDL_GetError();
  }

  void TearDown() override {
    InputFixture::TearDown();
    if (pad_) SDL_JoystickClose(pad_);
    SDL_JoystickDetachVirtual(knobIndex);
    SDL_JoystickDetachVirtual(padIndex);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  }

  void Axes(Sint16 x, Sint16 y, Sint16 z, Sint16 rx, Sint16 ry, Sint16 rz) {
    const Sint16 v[6] = {x, y, z, rx, ry, rz};
    for (int a = 0; a < 6; ++a) SDL_JoystickSetVirtualAxis(pad_, a, v[a]);
  }

  int padIndex = -1, knobIndex = -1;
  SDL_Joystick* pad_ = nullptr;
};

TEST_F(Joysticks, OnlyControllersWithTwoAxesAreTakenAndNamed) {
  EXPECT_EQ(JoyCount(), 1);
  EXPECT_EQ(JoyName(0), "Test Pad, Test Pad");
  EXPECT_EQ(JoyName(JoyCount()), "");
  EXPECT_EQ(JoyName(-1), "");
}

TEST_F(Joysticks, AxesScaleToOneAndButtonsReadAs128) {
  Axes(-32768, 16384, 32767, -16384, 0, 32767);
  SDL_JoystickSetVirtualButton(pad_, 1, 1);
  SDL_JoystickSetVirtualButton(pad_, 31, 1);
  SDL_JoystickSetVirtualButton(pad_, 32, 1);
  EXPECT_EQ(JoyAxisX(0), -1);
  EXPECT_NEAR(JoyAxisY(0), 0.5, 1e-3);
  EXPECT_EQ(JoyAxisZ(0), 1);  // 32768 / 32767 is clamped
  EXPECT_NEAR(JoyAxisRX(0), -0.5, 1e-3);
  EXPECT_EQ(JoyAxisRY(0), 0);
  EXPECT_EQ(JoyAxisRZ(0), 1);
  EXPECT_EQ(JoyButton(0, 0), 0);
  EXPECT_EQ(JoyButton(0, 1), 128);
  EXPECT_EQ(JoyButton(0, 31), 128);
  EXPECT_EQ(JoyButton(0, 32), 0);
  EXPECT_EQ(JoyButton(0, -1), 0);
  EXPECT_EQ(JoyButton(1, 1), 0);  // no such joystick
  EXPECT_EQ(JoyAxisX(1), 0);

  int x, y, b1, b2;
  JoyState(x, y, b1, b2);
  EXPECT_EQ(x, -1);
  EXPECT_EQ(y, 0);  // 16384 / 30000 truncates to 0
  EXPECT_EQ(b1, 0);
  EXPECT_EQ(b2, 128);
  Axes(32767, -32768, 0, 0, 0, 0);
  double dx, dy, d1, d2;
  JoyState(dx, dy, d1, d2);
  EXPECT_EQ(dx, 1);
  EXPECT_EQ(dy, -1);
  EXPECT_EQ(d2, 128);
}

TEST_F(Joysticks, HatDirectionsAndNeutralReadings) {
  struct Case {
    Uint8 hat;
    int x, y;
  };
  const Case cases[] = {
      {SDL_HAT_CENTERED, 0, 0},   {SDL_HAT_UP, 0, -1},        {SDL_HAT_RIGHTUP, 1, -1},
      {SDL_HAT_RIGHT, 1, 0},      {SDL_HAT_RIGHTDOWN, 1, 1},  {SDL_HAT_DOWN, 0, 1},
      {SDL_HAT_LEFTDOWN, -1, 1},  {SDL_HAT_LEFT, -1, 0},      {SDL_HAT_LEFTUP, -1, -1},
  };
  for (const Case& c : cases) {
    SDL_JoystickSetVirtualHat(pad_, 0, c.hat);
    EXPECT_EQ(JoyHatX(0), c.x) << "hat " << int{c.hat};
    EXPECT_EQ(JoyHatY(0), c.y) << "hat " << int{c.hat};
  }
  // Between the eight directions and centred, both read 0.
  int x = 9, y = 9;
  orv::DXInput::HatDirections(1000, x, y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  orv::DXInput::HatDirections(orv::JoystickState::kPovCentred, x, y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  // A joystick that is not there reads centred, not "up".
  EXPECT_EQ(JoyHatX(JoyCount()), 0);
  EXPECT_EQ(JoyHatY(JoyCount()), 0);
}

TEST_F(Joysticks, InTheBackgroundEveryReadingIsNeutral) {
  Axes(-32768, 32767, 0, 0, 0, 0);
  SDL_JoystickSetVirtualButton(pad_, 0, 1);
  SDL_JoystickSetVirtualHat(pad_, 0, SDL_HAT_LEFT);
  ASSERT_EQ(JoyAxisX(0), -1);
  Focus(false);
  EXPECT_EQ(JoyAxisX(0), 0);
  EXPECT_EQ(JoyAxisY(0), 0);
  EXPECT_EQ(JoyButton(0, 0), 0);
  EXPECT_EQ(JoyHatX(0), 0);
  Focus(true);
  EXPECT_EQ(JoyButton(0, 0), 128);
}

TEST_F(Joysticks, QuarterTurnTurnsSticksAndHat) {
  SetOrientation(1);
  Axes(-32768, 16384, 0, 16384, 32767, 0);
  EXPECT_NEAR(JoyAxisX(0), -0.5, 1e-3);  // (x, y) -> (-y, x)
  EXPECT_EQ(JoyAxisY(0), -1);
  EXPECT_EQ(JoyAxisRX(0), -1);
  EXPECT_NEAR(JoyAxisRY(0), 0.5, 1e-3);
  SDL_JoystickSetVirtualHat(pad_, 0, SDL_HAT_RIGHT);
  EXPECT_EQ(JoyHatX(0), 0);  // (x, y) -> (y, -x), as the mouse movement
  EXPECT_EQ(JoyHatY(0), -1);
  SetOrientation(0);
}

TEST_F(Joysticks, ActivityAndForceFeedback) {
  orv::DXInput& in = *orv::Rt().input;
  EXPECT_FALSE(in.JoystickActive());
  SDL_JoystickSetVirtualButton(pad_, 7, 1);
  EXPECT_TRUE(in.JoystickActive());
  SDL_JoystickSetVirtualButton(pad_, 7, 0);
  Axes(0, 0, 3000, 0, 0, 0);  // below a tenth
  EXPECT_FALSE(in.JoystickActive());
  Axes(0, 0, 4000, 0, 0, 0);
  EXPECT_TRUE(in.JoystickActive());
  Axes(0, 0, 0, 0, 0, 0);
  SDL_JoystickSetVirtualHat(pad_, 0, SDL_HAT_DOWN);
  EXPECT_TRUE(in.JoystickActive());
  SDL_JoystickSetVirtualHat(pad_, 0, SDL_HAT_CENTERED);
  EXPECT_FALSE(in.JoystickActive());
  // The virtual pad has no force feedback: nothing is started.
  EXPECT_EQ(JoyForce(0, 200, 1, 0.5), 0);
  EXPECT_EQ(JoyForce(5, 200, 1, 0.5), 0);
}

}  // namespace
