// Other programs, the desktop's opener and the file dialogs. Every program is
// started from an argument list without a shell, so text from players or files
// can never run a second command. The display is handed back exactly as it
// was: full screen is left while another program owns the screen and restored
// afterwards, and the game window takes the focus back.
#include "system/processes.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gfx2d/opengl_vexel.h"
#include "platform/info.h"
#include "platform/process.h"
#include "platform/video.h"
#include "runtime/error_state.h"
#include "runtime/program_end.h"
#include "runtime/runtime_state.h"

namespace orv {

namespace {

// The dialog's filter and its answer hold up to 1023 bytes.
constexpr size_t kTextLimit = 1023;

// Leaves full screen while another program owns the screen; the destructor
// gives the display and the focus back.
class ScreenHandover {
 public:
  ScreenHandover() {
    OpenGLVexel* device = Rt().device.get();
    wasFullscreen_ = device && device->isFullscreen;
    if (wasFullscreen_) device->EnterWindowed();
  }
  ~ScreenHandover() {
    RuntimeState& rt = Rt();
    if (!rt.device) return;
    if (wasFullscreen_) {
      rt.device->EnterFullscreen();
    } else if (rt.mainWindow && rt.mainWindow->Visible()) {
      rt.mainWindow->Raise();
    }
  }
  ScreenHandover(const ScreenHandover&) = delete;
  ScreenHandover& operator=(const ScreenHandover&) = delete;

 private:
  bool wasFullscreen_ = false;
};

std::string Trimmed(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

std::vector<std::string> ZenityArguments(bool save, const std::string& startDir,
                                         const std::vector<std::pair<std::string, std::string>>& filters) {
  std::vector<std::string> args{"zenity", "--file-selection", save ? "--title=Save As" : "--title=Open"};
  if (save) args.push_back("--save");
  args.push_back("--filename=" + startDir + "/");
  for (const auto& [description, patterns] : filters) args.push_back("--file-filter=" + description + " | " + patterns);
  return args;
}

std::vector<std::string> KdialogArguments(bool save, const std::string& startDir,
                                          const std::vector<std::pair<std::string, std::string>>& filters) {
  std::string filterText;
  for (const auto& [description, patterns] : filters) {
    if (!filterText.empty()) filterText += '\n';
    filterText += patterns + "|" + description;
  }
  std::vector<std::string> args{"kdialog", save ? "--getsavefilename" : "--getopenfilename", startDir + "/"};
  if (!filterText.empty()) args.push_back(filterText);
  args.push_back("--title");
  args.push_back(save ? "Save As" : "Open");
  return args;
}

}  // namespace

int32_t RunProgramLine(const RtString& commandLine, bool wait, int32_t& exitCode) {
  exitCode = 0;
  ClearError();
  // The whole line runs or nothing does: a shortened argument would name
  // another file. A NUL cannot reach the program, so it would shorten one.
  const std::string line(commandLine.CStr(), static_cast<size_t>(commandLine.Length()));
  if (line.find('\0') != std::string::npos) return Fail(kErrNoSuchFile, 0);
  ScreenHandover handover;
  int code = 0;
  bool started = platform::RunProgram(platform::SplitCommandLine(line), wait, code);
  // Longer than the system lets a program be given: refused as a whole.
  if (!started && errno == E2BIG) return Fail(kErrNoSuchFile, 0);
  if (started && wait) exitCode = code;
  return started ? 1 : 0;
}

int32_t ShellOpenTarget(const RtString& target) {
  std::vector<std::string> args{"xdg-open", target.CStr()};
  if (Rt().escapeQuits) EndAndStart(args);
  // The opener runs beside the game, which keeps its screen.
  int code = 0;
  return platform::RunProgram(args, false, code) ? 1 : 0;
}

std::vector<std::pair<std::string, std::string>> DialogFilters(const std::string& filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= filter.size()) {
    size_t bar = filter.find('|', start);
    if (bar == std::string::npos) bar = filter.size();
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<std::pair<std::string, std::string>> filters;
  for (size_t i = 0; i < parts.size(); i += 2) {
    const std::string& description = parts[i];
    // A description without a pattern filters by itself when it is a
    // pattern, and shows every file otherwise.
    std::string patterns = i + 1 < parts.size() ? parts[i + 1]
                           : description.find_first_of("*?") != std::string::npos ? description
                                                                                  : "*";
    for (char& c : patterns)
      if (c == ';') c = ' ';
    if (description.empty() && patterns.empty()) continue;
    filters.emplace_back(description.empty() ? patterns : description, patterns.empty() ? "*" : patterns);
  }
  return filters;
}

RtString FileRequestDialog(bool save, const RtString& filter) {
  std::string filterText(filter.CStr());
  if (filterText.size() > kTextLimit) filterText.resize(kTextLimit);
  const auto filters = DialogFilters(filterText);
  const std::string startDir = platform::CurrentFolder();

  std::vector<std::string> args;
  if (platform::ProgramInPath("zenity")) {
    args = ZenityArguments(save, startDir, filters);
  } else if (platform::ProgramInPath("kdialog")) {
    args = KdialogArguments(save, startDir, filters);
  } else {
    LogLine("File dialog: neither zenity nor kdialog is installed\n");
    return RtString("NO_FILE");
  }

  std::string chosen;
  int code = -1;
  bool ran;
  {
    ScreenHandover handover;
    ran = platform::RunForOutput(args, chosen, code);
    // The dialog may have moved the current folder; the game's stays.
    platform::ChangeFolder(startDir);
  }
  chosen = Trimmed(chosen);
  if (!ran || code != 0 || chosen.empty()) return RtString("NO_FILE");
  if (chosen.size() > kTextLimit) return RtString("NO_FILE");
  for (char& c : chosen)
    if (c == '\\') c = '/';
  return RtString(chosen.c_str());
}

void WriteStream(int stream, const RtString& text) {
  FILE* f = stream == 2 ? stderr : stdout;
  std::fwrite(text.CStr(), 1, static_cast<size_t>(text.Length()), f);
  std::fflush(f);
}

RtString ReadStandardInput() {
  // Up to 4095 bytes, the "\n" included; a longer line is read on by the
  // next call. Every byte counts, a NUL among them.
  constexpr int32_t kLineLimit = 4095;
  char line[kLineLimit];
  int32_t length = 0;
  flockfile(stdin);
  while (length < kLineLimit) {
    int c = getc_unlocked(stdin);
    if (c == EOF) break;
    line[length++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  funlockfile(stdin);
  if (length > 0 && line[length - 1] == '\n') --length;
  return RtString(line, length);
}

}  // namespace orv
