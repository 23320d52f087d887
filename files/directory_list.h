// Listing the current directory for the game, and the wildcard rule it uses.
#pragma once

#include <cstdint>

#include "orvane/rt_array.h"
#include "orvane/rt_string.h"

namespace orv {

// True when `name` matches `pattern`: "*.*" matches every name; otherwise
// "*" matches any run (also none), "?" any one character except ".", other
// characters must be equal, A-Z ignoring case.
bool WildcardMatch(const char* pattern, const char* name);

// Fills `names` with every subdirectory of the current directory ("." and
// ".." included), then every other entry whose name matches `pattern`, each
// group sorted ignoring ASCII case. Symbolic links count as what they point
// at. Returns directories * 65536 + files; 0 and nothing listed when the
// directory cannot be read.
int64_t ListDirectory(const char* pattern, RtArray<RtString>& names);

}  // namespace orv
