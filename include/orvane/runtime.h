// Game-facing commands of the runtime core: errors, debugging, time.
#pragma once

#include "orvane/rt_string.h"

// ---- Errors -------------------------------------------------------------
double ErrorCode();                                // the last error code (0 = success)
RtString ErrorText();                              // "0003 no such file", "0000 success", ...
double SetErrorCode(double code);                  // set the last error code; returns it
void ClearError();                                 // last error code back to 0
double SetCurrentLine(double module, double line); // record the running line (debug builds)
void AssertValue(double value);                    // end the program (error 21) when value is 0
[[noreturn]] void EndWithSuccess();                // the game's end statement

// ---- Debugging (only while a debugger is attached) ------------------------
void DebugOut(const RtString& text);               // "TX" + text to the debugger
double DebugBreakpoint(double id);                 // "BP" + id in hex; 0 without a debugger
void LogText(const RtString& text);                // append text to ErrorLog.txt

// ---- Time -----------------------------------------------------------------
double ElapsedMs();                                // milliseconds since start-up
double FrameDurationMs();                          // duration of the last frame (never 0)
void SleepMs(double ms);                           // suspend for ms milliseconds

// ---- Program and frame ------------------------------------------------------
void ShowScreen();                                 // present the frame; pause, input, quit keys, pacing
void EndProgram();                                 // end the program in order (exit code 0); inside the quit event: nothing
[[noreturn]] void EndAndRun(const RtString& command);  // end, then start another program
double CallByName(const RtString& name);           // call a game function by name; 1 when it exists
double SetRuntimeActive(double active);            // focus changes pause the game only while active
void SetEscapeQuits(double on);                    // Escape ends the program while on (default on)
void SetGameFrameRate(double fps);                 // frames per second the flip paces to (<= 0: 500)
void WaitMouseClick();                             // until a mouse button is pressed and released
void WaitAnyKey();                                 // until a character is typed
double MessageId();                                // in the message hook: the pending event's type
double MessageParam(double index);                 // in the message hook: its parameters 0 and 1

// ---- Line files (lines 0-255 of a small text file, kept in memory) --------
void ReadFileLine(const RtString& file, double line, RtString& out);          // the line; "NO_DATA" (empty or bad number, error 7), "NO_FILE" (error 3)
void ReadFileLineNumber(const RtString& file, double line, double& out);      // the line converted with atof (0 for "NO_DATA"/"NO_FILE")
void WriteFileLine(const RtString& file, double line, const RtString& text);  // store a line; written back on the next file or at exit
void WriteFileLineNumber(const RtString& file, double line, double value);    // store a number as its text
