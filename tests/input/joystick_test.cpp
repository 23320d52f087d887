// Joysticks on virtual controllers: axes, hats, buttons, names, the focus
// rule and the screen orientation.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cmath>
#include <string>
#include <utility>

#include "input_fixture.h"
#include "support/test_support.h"

namespace {

class Joysticks : public inputtest::InputFixture {
 protected:
  void BeforeInput() override {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    // A device without a game-controller mapping: its axes read in the order
    // the system numbers them.
    SDL_VirtualJoystickDesc pad{};
    pad.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    pad.type = SDL_JOYSTICK_TYPE_UNKNOWN;
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

TEST_F(Joysticks, ReadingsFollowTheEventStreamAlone) {
  // Events fed straight to the input object, as a replay would, with the
  // device itself left untouched.
  orv::platform::Event e;
  e.joy.device = SDL_JoystickInstanceID(pad_);
  e.kind = orv::platform::EventKind::JoyAxis;
  e.joy.control = 1;
  e.joy.value = -32768;
  orv::Rt().input->HandleEvent(e);
  e.kind = orv::platform::EventKind::JoyButtonDown;
  e.joy.control = 5;
  orv::Rt().input->HandleEvent(e);
  e.kind = orv::platform::EventKind::JoyHat;
  e.joy.control = 0;
  e.joy.value = orv::platform::kHatLeft | orv::platform::kHatDown;
  orv::Rt().input->HandleEvent(e);
  EXPECT_EQ(JoyAxisY(0), -1);
  EXPECT_EQ(JoyButton(0, 5), 128);
  EXPECT_EQ(JoyHatX(0), -1);
  EXPECT_EQ(JoyHatY(0), 1);
  e.kind = orv::platform::EventKind::JoyRemoved;
  orv::Rt().input->HandleEvent(e);
  EXPECT_EQ(JoyButton(0, 5), 0);  // an unplugged joystick reads neutral
  EXPECT_EQ(JoyHatX(0), 0);
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

// Finds a virtual pad by the identity the system gave it and unplugs it.
void Unplug(SDL_JoystickID id) {
  for (int i = 0; i < SDL_NumJoysticks(); ++i) {
    if (SDL_JoystickGetDeviceInstanceID(i) == id) {
      ASSERT_EQ(SDL_JoystickDetachVirtual(i), 0) << SDL_GetError();
    }
  }
}

// Plugs in a virtual pad with two axes and two buttons; a handle to move them.
SDL_Joystick* PlugIn(const char* name) {
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
  desc.naxes = 2;
  desc.nbuttons = 2;
  desc.name = name;
  const int index = SDL_JoystickAttachVirtualEx(&desc);
  EXPECT_GE(index, 0) << SDL_GetError();
  return SDL_JoystickOpen(index);
}

TEST_F(Joysticks, PadsPluggedInLaterGetTheNextNumberReadNeutralWhenUnpluggedAndGetTheirNumberBack) {
  ASSERT_EQ(JoyCount(), 1);
  SDL_Joystick* late = PlugIn("Late Pad");
  const SDL_JoystickID lateId = SDL_JoystickInstanceID(late);
  Frame();  // the system's event is read within this frame
  ASSERT_EQ(JoyCount(), 2);
  EXPECT_EQ(JoyName(1), "Late Pad, Late Pad");
  SDL_JoystickSetVirtualAxis(late, 0, -32768);
  SDL_JoystickSetVirtualButton(late, 1, 1);
  EXPECT_EQ(JoyAxisX(1), -1);
  EXPECT_EQ(JoyButton(1, 1), 128);

  // Unplugged with the stick pushed and a button held: it reads as let go,
  // and keeps its number and name.
  SDL_JoystickClose(late);
  Unplug(lateId);
  Frame();
  EXPECT_EQ(JoyAxisX(1), 0);
  EXPECT_EQ(JoyButton(1, 1), 0);
  EXPECT_EQ(JoyCount(), 2);
  EXPECT_EQ(JoyName(1), "Late Pad, Late Pad");

  // Another pad takes the next number, not the unplugged pad's...
  SDL_Joystick* other = PlugIn("Other Pad");
  Frame();
  ASSERT_EQ(JoyCount(), 3);
  EXPECT_EQ(JoyName(2), "Other Pad, Other Pad");
  // ...which the same pad gets back when it returns.
  late = PlugIn("Late Pad");
  Frame();
  EXPECT_EQ(JoyCount(), 3);
  SDL_JoystickSetVirtualButton(late, 0, 1);
  EXPECT_EQ(JoyButton(1, 0), 128);
  EXPECT_EQ(JoyButton(2, 0), 0);
  for (SDL_Joystick* pad : {late, other}) {
    const SDL_JoystickID id = SDL_JoystickInstanceID(pad);
    SDL_JoystickClose(pad);
    Unplug(id);
  }
}

// A pad the system does not know, mapped by a line of the environment's
// mapping database: its third and fourth axes are the left stick.
class DatabaseMappedJoystick : public inputtest::InputFixture {
 protected:
  void BeforeInput() override {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
    desc.naxes = 4;
    desc.nbuttons = 4;
    desc.name = "Mapped Pad";
    desc.vendor_id = 0x1234;  // as a real pad's: the database knows pads by vendor and product
    desc.product_id = 0x5678;
    index_ = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(index_, 0) << SDL_GetError();
    char guid[33];
    SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index_), guid, sizeof guid);
    const std::string lines = std::string("# pads of this test\r\n") +
                              "not a mapping\r\n" +                                   // line 2: refused
                              "  \r\n" + guid + ",Mapped Pad,a:b0,leftx:a3,lefty:a2,platform:Linux,\r\n" +
                              "ffff,Elsewhere,platform:Windows,\r\n";               // another platform's: not read
    setenv("SDL_GAMECONTROLLERCONFIG", lines.c_str(), 1);
    pad_ = SDL_JoystickOpen(index_);
  }

  void TearDown() override {
    InputFixture::TearDown();
    unsetenv("SDL_GAMECONTROLLERCONFIG");
    if (pad_) SDL_JoystickClose(pad_);
    SDL_JoystickDetachVirtual(index_);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  }

  int index_ = -1;
  SDL_Joystick* pad_ = nullptr;
};

TEST_F(DatabaseMappedJoystick, ALineMovesAnAxisToItsNamedPlaceAndALineThatDoesNotParseIsLoggedAndSkipped) {
  ASSERT_EQ(JoyCount(), 1);
  SDL_JoystickSetVirtualAxis(pad_, 3, -32768);
  SDL_JoystickSetVirtualAxis(pad_, 2, 32767);
  EXPECT_EQ(JoyAxisX(0), -1);
  EXPECT_EQ(JoyAxisY(0), 1);
  const std::string log = orvtest::ErrorLogText();
  EXPECT_EQ(JoyAxisZ(0), 0) << log;  // the first two axes, named by nothing, take the places left
  EXPECT_NE(log.find("gamepad mapping skipped (SDL_GAMECONTROLLERCONFIG line 2): "), std::string::npos) << log;
  EXPECT_EQ(log.find("line 5"), std::string::npos) << log;
}

// Pads the system knows as game controllers: axes by meaning, whatever their
// number. Virtual controllers number their axes left stick, right stick,
// left trigger, right trigger, then any the mapping does not name.
class MappedJoysticks : public inputtest::InputFixture {
 protected:
  void BeforeInput() override {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    four_ = Attach("Four Axis Pad", 4);    // X, Y, Z, Rz: the right stick on the third and fourth axis
    eight_ = Attach("Eight Axis Pad", 8);  // and two triggers, a throttle and a rudder
  }

  void TearDown() override {
    InputFixture::TearDown();
    for (auto& [index, joystick] : {four_, eight_}) {
      if (joystick) SDL_JoystickClose(joystick);
      SDL_JoystickDetachVirtual(index);
    }
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  }

  static std::pair<int, SDL_Joystick*> Attach(const char* name, int axes) {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = static_cast<Uint16>(axes);
    desc.nbuttons = 4;
    desc.name = name;
    int index = SDL_JoystickAttachVirtualEx(&desc);
    EXPECT_GE(index, 0) << SDL_GetError();
    EXPECT_TRUE(SDL_IsGameController(index));
    return {index, SDL_JoystickOpen(index)};
  }

  // Sets device axis a to 1000 x (a + 1), so each reads as its own value.
  static void Distinct(SDL_Joystick* joystick, int axes) {
    for (int a = 0; a < axes; ++a) SDL_JoystickSetVirtualAxis(joystick, a, static_cast<Sint16>(1000 * (a + 1)));
  }

  static double V(int axis) { return std::round(1000 * (axis + 1) / 32.767) / 1000; }
  static double R(double v) { return std::round(v * 1000) / 1000; }

  std::pair<int, SDL_Joystick*> four_{-1, nullptr}, eight_{-1, nullptr};
};

TEST_F(MappedJoysticks, AxesReadByMeaningOnPadsOfFourAndEightAxes) {
  ASSERT_EQ(JoyCount(), 2);
  Distinct(four_.second, 4);
  Distinct(eight_.second, 8);
  // Four axes: the right stick on Z and Rz; nothing reads as Rx or Ry.
  EXPECT_EQ(R(JoyAxisX(0)), V(0));
  EXPECT_EQ(R(JoyAxisY(0)), V(1));
  EXPECT_EQ(R(JoyAxisZ(0)), V(2));
  EXPECT_EQ(R(JoyAxisRZ(0)), V(3));
  EXPECT_EQ(JoyAxisRX(0), 0);
  EXPECT_EQ(JoyAxisRY(0), 0);
  // Eight axes: the same sticks, the triggers on Rx and Ry.
  EXPECT_EQ(R(JoyAxisX(1)), V(0));
  EXPECT_EQ(R(JoyAxisY(1)), V(1));
  EXPECT_EQ(R(JoyAxisZ(1)), V(2));
  EXPECT_EQ(R(JoyAxisRZ(1)), V(3));
  EXPECT_EQ(R(JoyAxisRX(1)), V(4));
  EXPECT_EQ(R(JoyAxisRY(1)), V(5));
  // Values stay as the device gives them: a trigger pushed fully reads 1.
  SDL_JoystickSetVirtualAxis(eight_.second, 4, 32767);
  EXPECT_EQ(JoyAxisRX(1), 1);
  int x, y, b1, b2;
  SDL_JoystickSetVirtualAxis(four_.second, 0, -32768);
  JoyState(x, y, b1, b2);
  EXPECT_EQ(x, -1);
}

}  // namespace
