// Game-facing commands of input: convert and forward to the input object.
// Without one (before start-up or after shutdown) every read is neutral.
#include "orvane/input.h"

#include "input/dx_input.h"
#include "input/input_line.h"
#include "runtime/lib/number_convert.h"
#include "runtime/runtime_state.h"

namespace {

orv::DXInput* Input() { return orv::Rt().input.get(); }

double Axis(double index, orv::JoyAxisId axis) {
  return Input() ? Input()->JoyAxis(orv::ToInt32(index), axis) : 0;
}

}  // namespace

// ---- Keyboard and typed text --------------------------------------------------------

double KeyDown(double code) { return Input() && Input()->KeyDown(orv::ToInt32(code)) ? 1 : 0; }

RtString InKey() {
  int c = Input() ? Input()->TakeTypedChar() : -1;
  if (c < 0) return RtString();
  char byte = static_cast<char>(c);
  return RtString(&byte, 1);
}

RtString InputLine(const RtString& text, double x, double y, double kerning) {
  return orv::InputLine(text, static_cast<float>(x), static_cast<float>(y), orv::ToInt32(kerning) != 0);
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

double MouseAxis(double n) { return Input() ? Input()->MouseAxis(orv::ToInt32(n)) : 0; }

void SetMouse(double x, double y) {
  if (Input()) Input()->SetMouse(orv::ToInt32(x), orv::ToInt32(y));
}

void ShowMouse(double visible) {
  if (Input()) Input()->ShowMouse(orv::ToInt32(visible) != 0);
}

double MouseCount() { return Input() ? Input()->MouseCount() : 1; }

void SelectMouse(double n) {
  if (Input()) Input()->SelectMouse(orv::ToInt32(n));
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
  if (Input()) Input()->JoyHat(orv::ToInt32(index), x, y);
  return x;
}

double JoyHatY(double index) {
  int x = 0, y = 0;
  if (Input()) Input()->JoyHat(orv::ToInt32(index), x, y);
  return y;
}

double JoyButton(double index, double button) {
  return Input() ? Input()->JoyButton(orv::ToInt32(index), orv::ToInt32(button)) : 0;
}

RtString JoyName(double index) {
  return Input() ? RtString(Input()->JoyName(orv::ToInt32(index)).c_str()) : RtString();
}

double JoyCount() { return Input() ? Input()->JoystickCount() : 0; }

double JoyForce(double index, double milliseconds, double forceX, double forceY) {
  return Input() ? Input()->JoyForce(orv::ToInt32(index), orv::ToInt32(milliseconds), forceX, forceY) : 0;
}
