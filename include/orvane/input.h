// Game-facing commands of input: keyboard, typed text, mouse, joysticks.
// Key codes are PC scan codes (Escape 1, Return 28, Space 57, left Alt 56,
// F1..F10 59..68, cursor keys 200/203/205/208). Waiting for a click or a key
// (WaitMouseClick, WaitAnyKey) is in orvane/runtime.h.
#pragma once

#include "orvane/rt_string.h"

// ---- Keyboard and typed text ------------------------------------------------------
double KeyDown(double code);                       // 1 while the key with that scan code (mod 256) is held
RtString InKey();                                  // the oldest typed character, "" when none is queued
RtString InputLine(const RtString& text, double x, double y, double kerning);  // edit text at (x, y) until Return
double InputLineFloat(const RtString& text, double x, double y, double kerning);  // InputLine read as a number
double InputLineInt(const RtString& text, double x, double y, double kerning);  // InputLine read as an integer

// ---- Mouse --------------------------------------------------------------------------
void MouseState(double& x, double& y, double& left, double& right);  // position (game coordinates) and buttons
double MouseAxis(double n);                        // 0 dx, 1 dy, 2 wheel, 3 left, 4 right, 5 middle; else 0
void SetMouse(double x, double y);                 // sets the tracked position (the pointer stays)
void ShowMouse(double visible);                    // nonzero shows the pointer; hidden reads relative movement
double MouseCount();                               // number of mice: 1
void SelectMouse(double n);                        // mouse the reads use; outside 0..MouseCount-1 selects 0

// ---- Joysticks ------------------------------------------------------------------------
void JoyState(int& x, int& y, int& button1, int& button2);  // joystick 0: x, y as -1/0/1, buttons 0 and 1 (128 held)
void JoyState(double& x, double& y, double& button1, double& button2);  // the same into numbers
double JoyAxisX(double index);                     // X axis, -1..1 (turned with the screen)
double JoyAxisY(double index);                     // Y axis, -1..1 (turned with the screen)
double JoyAxisZ(double index);                     // Z axis, -1..1
double JoyAxisRX(double index);                    // X rotation, -1..1 (turned with the screen)
double JoyAxisRY(double index);                    // Y rotation, -1..1 (turned with the screen)
double JoyAxisRZ(double index);                    // Z rotation, -1..1
double JoyHatX(double index);                      // first hat: -1 left, 0, 1 right
double JoyHatY(double index);                      // first hat: -1 up, 0, 1 down
double JoyButton(double index, double button);     // 128 while button 0..31 is held, else 0
RtString JoyName(double index);                    // "instance name, product name"; "" for no such joystick
double JoyCount();                                 // number of joysticks (at most 10, found at start-up)
double JoyForce(double index, double milliseconds, double forceX, double forceY);  // constant force; 1 when started
