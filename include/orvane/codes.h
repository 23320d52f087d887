// Numbers a game and the runtime agree on: the error codes ErrorCode()
// reports, the value that stands for an omitted optional argument, and the
// key codes KeyDown takes (KeyDown(kKeyEscape) rather than KeyDown(1)).
#pragma once

#include "orvane/key_codes.h"

// ---- Error codes (ErrorCode(), SetErrorCode) ---------------------------------
inline constexpr int kErrSuccess = 0;        // the command did what it was asked
inline constexpr int kErrNoSuchFile = 3;     // missing, unreadable or unwritable file
inline constexpr int kErrOutOfMemory = 7;    // also: an index outside a fixed table (a font slot outside 0..31)
inline constexpr int kErrPushMultiDim = 8;   // Push on an array of more than one dimension
inline constexpr int kErrOutOfBounds = 9;    // an array index outside the array (ends the program)
inline constexpr int kErrOutOfData = 20;     // the data statements are used up
inline constexpr int kErrAssertion = 21;     // AssertValue(0) ended the program

// Passed for an optional argument the game left out; commands tell it from
// every value a game would pass on purpose.
inline constexpr double kOmittedArgument = -37171650.0;
