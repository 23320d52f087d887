// Declared library functions, resolved at start-up and released at exit.
// A module name written for another system ("foo.dll") also finds the
// libraries this one names "libfoo.so" or "foo.so", beside the program and
// on the library path; the name as written is always tried first.
#include "system/imports.h"

#include <string>

#include "platform/info.h"
#include "platform/process.h"
#include "runtime/error_state.h"
#include "runtime/runtime_state.h"

namespace orv {

namespace {

void Report(const std::string& text) {
  DebugOut(RtString((text + "\n").c_str()));
  LogLine((text + "\n").c_str());
}

bool EndsWithDll(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return tail == ".dll";
}

}  // namespace

std::vector<std::string> LibraryCandidates(const std::string& declared, const std::string& programDir) {
  std::vector<std::string> names{declared};
  if (EndsWithDll(declared)) {
    size_t slash = declared.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : declared.substr(0, slash + 1);
    std::string base = declared.substr(dir.size(), declared.size() - dir.size() - 4);
    names.push_back(dir + "lib" + base + ".so");
    names.push_back(dir + base + ".so");
  }
  // Files here are named case-sensitively, the declarations were not.
  const size_t declaredForms = names.size();
  for (size_t i = 0; i < declaredForms; ++i) {
    std::string lower = names[i];
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower != names[i]) names.push_back(lower);
  }
  // A bare name is looked for beside the program first, then where the
  // system looks for libraries.
  std::vector<std::string> candidates;
  for (const std::string& name : names) {
    if (name.find('/') == std::string::npos && !programDir.empty()) candidates.push_back(programDir + "/" + name);
    candidates.push_back(name);
  }
  return candidates;
}

DeclaredImports::~DeclaredImports() { Release(); }

void DeclaredImports::Register(const RtString& moduleName, const RtString& entryName, void** slot) {
  if (slot) *slot = nullptr;
  requests.push_back(ImportRequest{moduleName, entryName, slot});
}

void* DeclaredImports::Load(const RtString& lowerName, const RtString& declaredName) {
  for (size_t i = 0; i < moduleNames.size(); ++i)
    if (moduleNames[i] == lowerName) return moduleHandles[i];
  std::string exe = platform::ExecutablePath();
  std::string dir = exe.substr(0, exe.rfind('/') == std::string::npos ? 0 : exe.rfind('/'));
  for (const std::string& candidate : LibraryCandidates(declaredName.CStr(), dir)) {
    if (void* handle = platform::OpenLibrary(candidate)) {
      moduleHandles.push_back(handle);
      moduleNames.push_back(lowerName);
      return handle;
    }
  }
  // Failed loads are not remembered: the next request tries again.
  return nullptr;
}

void DeclaredImports::Resolve() {
  if (requests.empty()) return;
  LogLine("Delay load DLLs\n");
  for (ImportRequest& request : requests) {
    RtString lower = request.moduleName.Lower();
    void* handle = Load(lower, request.moduleName);
    if (!handle) {
      Report(std::string("DECLARE module not found: ") + lower.CStr());
      continue;
    }
    void* entry = platform::LibraryEntry(handle, request.entryName.CStr());
    if (request.slot) *request.slot = entry;
    if (!entry) Report(std::string("DECLARE entry not found: ") + request.entryName.CStr());
  }
}

void DeclaredImports::Release() {
  for (void* handle : moduleHandles) platform::CloseLibrary(handle);
  moduleHandles.clear();
  moduleNames.clear();
}

DeclaredImports& Imports() {
  RuntimeState& rt = Rt();
  if (!rt.imports) rt.imports = std::make_unique<DeclaredImports>();
  return *rt.imports;
}

void ResolveImports() {
  // No declaration made the object: there is nothing to resolve.
  if (DeclaredImports* imports = Rt().imports.get()) imports->Resolve();
}

void ReleaseImports() {
  if (DeclaredImports* imports = Rt().imports.get()) imports->Release();
}

}  // namespace orv
