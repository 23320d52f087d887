// System services: what a game may ask about the machine and the process
// (PlatformInfo, the environment, the command line), calls into libraries
// it declares, other programs, the shell, the standard streams and the file
// dialogs. Depends on platform/ (process, machine facts, GL entry points),
// the runtime core (log, state) and the 2D device for the display mode.
#include "system/system_info.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "gl/gl_extensions.h"
#include "platform/info.h"
#include "platform/video.h"
#include "runtime/runtime_state.h"
#include "runtime/temp_dir.h"

namespace orv {

namespace {

TimeSource g_timeSource = nullptr;

int64_t Now() { return g_timeSource ? g_timeSource() : static_cast<int64_t>(std::time(nullptr)); }

// Fixed when the program is built.
constexpr const char* kHostId = "orvane-linux";
constexpr const char* kVersion = "000.001";

std::string TimeAnswer(bool utc) {
  std::time_t now = static_cast<std::time_t>(Now());
  std::tm t{};
  if (!(utc ? gmtime_r(&now, &t) : localtime_r(&now, &t))) return "NO_DATA";
  return TimeText(t);
}

// The vendor an extension entry point belongs to, from its name's suffix
// ("glBindBufferARB": "ARB"); "" for a core entry point.
std::string VendorSuffix(const std::string& entry) {
  static const char* const kVendors[] = {"ARB", "EXT", "KHR", "OES",  "NVX",   "NV",  "AMD", "ATI",
                                         "APPLE", "INTEL", "MESA", "MESAX", "SGIS", "SGIX", "SGI", "SUN",
                                         "IBM", "HP",  "3DFX", "GREMEDY", "OVR", "OML", "PGI", "INGR", "WIN"};
  std::string best;
  for (const char* vendor : kVendors) {
    std::string v(vendor);
    if (entry.size() > v.size() && entry.compare(entry.size() - v.size(), v.size(), v) == 0 && v.size() > best.size())
      best = v;
  }
  return best;
}

// "1" only for an entry point the context hands out, that the GL library
// knows, and whose vendor's extensions the driver advertises: a driver makes
// up a stub for any name it is asked about.
const char* GlEntryAnswer(const char* entry) {
  if (!Rt().device || !entry || !*entry) return "0";
  if (!platform::GetProcAddress(entry) || !platform::GlLibraryNames(entry)) return "0";
  std::string vendor = VendorSuffix(entry);
  if (vendor.empty()) return "1";
  RtString extensions = GlExtensionString();
  return std::strstr(extensions.CStr(), ("GL_" + vendor + "_").c_str()) ? "1" : "0";
}

std::string Slashes(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

}  // namespace

void SetTimeSource(TimeSource source) { g_timeSource = source; }

std::string TimeText(const std::tm& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                t.tm_hour, t.tm_min, t.tm_sec);
  return text;
}

std::string MachineIdAnswer(const std::string& machineId) {
  // The identifier is 128 bits in hexadecimal; its four 32-bit words are
  // folded into one. Without one the fixed fall-back serial stands in.
  uint32_t serial = 16390125u;
  if (!machineId.empty()) {
    serial = 0;
    for (size_t word = 0; word < machineId.size(); word += 8) {
      uint32_t value = 0;
      for (size_t i = word; i < word + 8 && i < machineId.size(); ++i) {
        char c = machineId[i];
        uint32_t digit = c >= '0' && c <= '9'   ? static_cast<uint32_t>(c - '0')
                         : c >= 'a' && c <= 'f' ? static_cast<uint32_t>(c - 'a' + 10)
                         : c >= 'A' && c <= 'F' ? static_cast<uint32_t>(c - 'A' + 10)
                                                : 0u;
        value = value << 4 | digit;
      }
      serial ^= value;
    }
  }
  uint32_t id = serial ^ 0x5E2B7C41u;
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (int byte = 0; byte < 4; ++byte) {
    uint32_t b = (id >> (8 * byte)) & 0xFF;
    text += kHex[b >> 4];
    text += kHex[b & 15];
  }
  return text;
}

const char* RuntimeVersion() { return kVersion; }
const char* RuntimeBuildTime() { return __DATE__ "-" __TIME__; }

RtString PlatformInfoText(const RtString& key) {
  RtString upper = key.Upper();
  const char* k = upper.CStr();
  if (upper.Length() == 0) return RtString("LINUX");
  if (std::strcmp(k, "DEVICE") == 0) return RtString("DESKTOP");
  if (std::strncmp(k, "GLEXT:", 6) == 0) return RtString(GlEntryAnswer(key.CStr() + 6));
  if (std::strcmp(k, "ID") == 0) return RtString(MachineIdAnswer(platform::MachineIdText()).c_str());
  if (std::strcmp(k, "TIME") == 0) return RtString(TimeAnswer(false).c_str());
  if (std::strcmp(k, "UTCTIME") == 0) return RtString(TimeAnswer(true).c_str());
  if (std::strcmp(k, "BATTERY") == 0) {
    int percent = platform::BatteryPercent();
    // No battery reads as the unknown charge, which is capped to 100.
    if (percent < 0 || percent > 100) percent = 100;
    return RtString(std::to_string(percent).c_str());
  }
  if (std::strcmp(k, "COMPILED") == 0) return RtString(RuntimeBuildTime());
  if (std::strcmp(k, "HOSTID") == 0) return RtString(kHostId);
  if (std::strcmp(k, "VERSION") == 0) return RtString(RuntimeVersion());
  if (std::strcmp(k, "LOCALE") == 0)
    return RtString(LanguageCode(LanguageIdForLocale(ProcessLocaleName())).c_str());
  if (std::strcmp(k, "DOCUMENTS") == 0) {
    std::string folder = platform::DocumentsFolder();
    return RtString(folder.empty() ? "NO_DATA" : Slashes(folder).c_str());
  }
  if (std::strcmp(k, "APPDATA") == 0) {
    std::string folder = platform::UserDataFolder();
    if (folder.empty()) return RtString("NO_DATA");
    folder = Slashes(folder) + "/Orvane";
    platform::MakeFolders(folder);
    return RtString(folder.c_str());
  }
  if (std::strcmp(k, "TEMP") == 0) return TempDirectory();
  return RtString("NO_DATA");
}

}  // namespace orv
