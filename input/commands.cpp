// Game-facing commands of input: convert and forward to the input object.
// Without one (before start-up or after shutdown) every read is neutral.
#include "orvane/input.h"

#include <cmath>
#include <limits>

#include "input/dx_input.h"
#include "input/input_line.h"
#include "runtime/runtime_state.h"

namespace {

orv::DXInput* Input() { return orv::Rt().input.get(); }

// Truncation toward zero that stays defined for any double a game passes.
int Int(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

double Axis(double index, orv::JoyAxisId axis) { return Input() ? Input()->JoyAxis(Int(index), axis) : 0; }

}  // namespace

// ---- Keyboard and typed text --------------------------------------------------------

double KeyDown(double code) { return Input() && Input()->KeyDown(Int(code)) ? 1 : 0; }

RtString InKey() {
  int c = Input() ? Input()->TakeTypedChar() : -1;
  if (c < 0) return RtString();
  char byte = static_cast<char>(c);
  return RtString(&byte, 1);
}

RtString InputLine(const RtString& text, double x, double y, double kerning) {
  return orv::InputLine(text, static_cast<float>(x), static_cast<float>(y), Int(kerning) != 0);
}

double InputLineFloat(const RtString& text, double x, double y, double kerning) {
  return InputLine(text, x, y, kerning).ToDouble();
}

double InputLineInt(const RtString& text, double x, double y, double kerning) {
  return InputLine(text, x, y, kerning).ToInt();
}

// ---- Mouse ------------------------------------------------------------------------------

void MouseState(double& x, double& y, double& left, double& right) {
  int ix = 0, iy = 0, l = 0, r = 0;
  if (Input()) Input()->MouseState(ix, iy, l, r);
  x = ix;
  y = iy;
  left = l;
  right = r;
}

double MouseAxis(double n) { return Input() ? Input()->MouseAxis(Int(n)) : 0; }

void SetMouse(double x, double y) {
  if (Input()) Input()->SetMouse(Int(x), Int(y));
}

void ShowMouse(double visible) {
  if (Input()) Input()->ShowMouse(Int(visible) != 0);
}

double MouseCount() { return Input() ? Input()->MouseCount() : 1; }

void SelectMouse(double n) {
  if (Input()) Input()->SelectMouse(Int(n));
}

// ---- Joysticks ----------------------------------------------------------------------------

void JoyState(int& x, int& y, int& button1, int& button2) {
  orv::JoystickState s;
  if (Input()) Input()->ReadJoystick(0, s);
  x = s.x / 30000;
  y = s.y / 30000;
  button1 = s.buttons[0];
  button2 = s.buttons[1];
}

void JoyState(double& x, double& y, double& button1, double& button2) {
  int ix, iy, b1, b2;
  JoyState(ix, iy, b1, b2);
  x = ix;
  y = iy;
  button1 = b1;
  button2 = b2;
}

double JoyAxisX(double index) { return Axis(index, orv::JoyAxisId::X); }
double JoyAxisY(double index) { return Axis(index, orv::JoyAxisId::Y); }
double JoyAxisZ(double index) { return Axis(index, orv::JoyAxisId::Z); }
double JoyAxisRX(double index) { return Axis(index, orv::JoyAxisId::RX); }
double JoyAxisRY(double index) { return Axis(index, orv::JoyAxisId::RY); }
double JoyAxisRZ(double index) { return Axis(index, orv::JoyAxisId::RZ); }

double JoyHatX(double index) {
  int x = 0, y = 0;
  if (Input()) Input()->JoyHat(Int(index), x, y);
  return x;
}

double JoyHatY(double index) {
  int x = 0, y = 0;
  if (Input()) Input()->JoyHat(Int(index), x, y);
  return y;
}

double JoyButton(double index, double button) { return Input() ? Input()->JoyButton(Int(index), Int(button)) : 0; }

RtString JoyName(double index) { return Input() ? RtString(Input()->JoyName(Int(index)).c_str()) : RtString(); }

double JoyCount() { return Input() ? Input()->JoystickCount() : 0; }

double JoyForce(double index, double milliseconds, double forceX, double forceY) {
  return Input() ? Input()->JoyForce(Int(index), Int(milliseconds), forceX, forceY) : 0;
}
