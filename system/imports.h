// Functions a game declares from external libraries: each declaration asks
// for one function-pointer slot to be filled during start-up.
#pragma once

#include <string>
#include <vector>

#include "orvane/rt_string.h"

namespace orv {

struct ImportRequest {
  RtString moduleName;  // as declared
  RtString entryName;   // as declared; entry names are case-sensitive
  void** slot;
};

class DeclaredImports {
 public:
  ~DeclaredImports();
  // Sets the slot to null and remembers the request.
  void Register(const RtString& moduleName, const RtString& entryName, void** slot);
  // Loads the libraries and fills every slot, in registration order; logs
  // nothing when there are no requests.
  void Resolve();
  // Releases the libraries in the order they were loaded.
  void Release();

  size_t LoadedCount() const { return moduleHandles.size(); }

 private:
  void* Load(const RtString& lowerName, const RtString& declaredName);

  std::vector<void*> moduleHandles;
  std::vector<RtString> moduleNames;  // lower-cased, parallel to moduleHandles
  std::vector<ImportRequest> requests;
};

// The process's declarations (RuntimeState::imports), made on first use:
// games register from static initialisers, before anything has started.
DeclaredImports& Imports();
// Start-up's step for declared functions: loads the libraries and fills the
// slots, logging "Delay load DLLs" first; nothing at all without declarations.
void ResolveImports();
// Releases the libraries at the end of the run.
void ReleaseImports();
// The candidates tried for a declared module name, in order.
std::vector<std::string> LibraryCandidates(const std::string& declared, const std::string& programDir);

}  // namespace orv
