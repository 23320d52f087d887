// orvane-pack: builds the asset archive a game reads its files from, either
// appended to the game's executable or as a file of its own, and reads one
// back to list or verify it.
//
// Entries are stored under their bare file names, LZO1X-999 compressed,
// each starting with its uncompressed length. Offsets count from the end of
// the file, so the archive stays valid wherever it is appended. Output files
// are written beside their target and renamed into place: a failure never
// leaves a half-written game or archive. Folders are packed with every file
// below them. A patch is an archive of new files for a packed game, with a
// record of the archive it was made for (files/archive_patch.h).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "files/archive_format.h"
#include "files/archive_patch.h"
#include "files/atomic_write.h"
#include "runtime/byte_reader.h"
#include "tools/elf_symbols.h"

namespace {

namespace ar = orv::archive;

const char kUsage[] =
    "usage: orvane-pack COMMAND ARGS...\n"
    "\n"
    "Packs game assets into the archive the Orvane runtime reads its files from.\n"
    "\n"
    "commands:\n"
    "  append [-o OUT] GAME PATH...\n"
    "                        append an archive of the files to the executable GAME,\n"
    "                        so the game runs with its assets inside it; with -o,\n"
    "                        GAME stays as it is and the packed game is OUT\n"
    "  create OUT PATH...    write a stand-alone archive of the files to OUT\n"
    "  list ARCHIVE          show the entries of an archive (or of a packed game)\n"
    "  verify ARCHIVE [FILE...]\n"
    "                        unpack every entry and check its structure; with\n"
    "                        files, also compare each with the entry of its name\n"
    "                        (LZO1X has no checksum: only a comparison can show\n"
    "                        changed bytes inside an entry); a patch's record and\n"
    "                        checksum are checked too, and with --base GAME that\n"
    "                        it was made for GAME's archive\n"
    "  patch GAME [PATH...] [--remove NAME]... [--version N] -o OUT.patch\n"
    "                        write a patch for the packed GAME: the files replace\n"
    "                        their namesakes, each --remove hides an entry; the\n"
    "                        game layers patches beside it in ascending version\n"
    "                        (default: the current time in seconds)\n"
    "  --help                show this text\n"
    "\n"
    "A PATH that is a folder packs every file below it (names starting with '.'\n"
    "left out), so 'append game Media' packs Media/ with its subfolders. An empty\n"
    "folder gives an archive without entries.\n"
    "\n"
    "Entries are stored under their bare file names (the folder part is dropped;\n"
    "the game finds \"Media/a.png\" as entry \"a.png\", also from a subfolder), so two\n"
    "files with the same name, ignoring case, cannot go into one archive. A game\n"
    "carries one archive: append refuses a file that already has one.\n"
    "\n"
    "Strip a game before appending: the archive sits after the program's last\n"
    "section, and strip drops it without a word. append warns about a program\n"
    "that still has symbols or debug information.\n"
    "\n"
    "Exit status: 0 on success, 1 on failure, 2 for a usage error.\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "orvane-pack: %s\n", message.c_str());
  return 1;
}

std::string SystemError(const std::string& what, const std::string& path) {
  return what + " '" + path + "': " + std::strerror(errno);
}

bool ReadWhole(const std::string& path, std::vector<uint8_t>& out, std::string& error) {
  out.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = SystemError("cannot open", path);
    return false;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = "not a regular file: '" + path + "'";
    ::close(fd);
    return false;
  }
  out.resize(static_cast<size_t>(st.st_size));
  size_t done = 0;
  while (done < out.size()) {
    ssize_t r = ::read(fd, out.data() + done, out.size() - done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<size_t>(r);
  }
  ::close(fd);
  if (done != out.size()) {
    error = SystemError("cannot read", path);
    return false;
  }
  return true;
}

// Writes `prefix` (may be empty) and `bytes` to a temporary file beside
// `path`, with `mode`, and renames it over `path`.
bool WriteReplacing(const std::string& path, const std::vector<uint8_t>& prefix, const std::vector<uint8_t>& bytes,
                    mode_t mode, std::string& error) {
  std::string temp = path + ".pack-tmp" + std::to_string(getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = SystemError("cannot create", temp);
    return false;
  }
  bool ok = true;
  for (const std::vector<uint8_t>* part : {&prefix, &bytes})
    ok = ok && orv::WriteFully(fd, part->data(), part->size()) == part->size();
  if (!ok) error = SystemError("cannot write", temp);
  if (ok && (fchmod(fd, mode) != 0 || fsync(fd) != 0)) {
    error = SystemError("cannot finish", temp);
    ok = false;
  }
  if (::close(fd) != 0 && ok) {
    error = SystemError("cannot write", temp);
    ok = false;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    error = SystemError("cannot replace", path);
    ok = false;
  }
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

// A file to pack: where it is, and how messages name it (its bare name, or
// for a file found in a folder its path from that folder on: "Media/sub/a.png").
struct Input {
  std::string path, shown;
};

// The files named on the command line, each folder replaced by the files
// below it in name order (the archive comes out the same on every machine).
bool CollectInputs(const std::vector<std::string>& paths, std::vector<Input>& inputs, std::string& error) {
  namespace fs = std::filesystem;
  for (const std::string& path : paths) {
    std::error_code ec;
    if (!fs::is_directory(path, ec)) {
      inputs.push_back({path, ar::BareName(path)});
      continue;
    }
    const fs::path folder = fs::path(path).lexically_normal();
    const std::string shownFolder = (folder.has_filename() ? folder : folder.parent_path()).filename().string();
    std::vector<std::string> found;
    fs::recursive_directory_iterator it(path, fs::directory_options::follow_directory_symlink, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
      // A link that leads nowhere is kept: reading it then says which one it is.
      std::error_code statusError;
      const bool isFolder = it->is_directory(statusError);
      const std::string name = it->path().filename().string();
      if (!name.empty() && name[0] == '.') {
        if (isFolder) it.disable_recursion_pending();
        continue;
      }
      if (!isFolder) found.push_back(it->path().string());
    }
    if (ec) {
      error = "cannot read the folder '" + path + "': " + ec.message();
      return false;
    }
    std::sort(found.begin(), found.end());
    for (const std::string& file : found)
      inputs.push_back({file, (fs::path(shownFolder) / fs::path(file).lexically_relative(folder)).string()});
  }
  return true;
}

// Reads and compresses the files; prints one line per file as it goes. The
// names are checked first, so a refusal comes before any work.
bool PackFiles(const std::vector<std::string>& paths, std::vector<ar::PackedEntry>& entries, std::string& error) {
  std::vector<Input> files;
  if (!CollectInputs(paths, files, error)) return false;
  std::unordered_map<std::string, std::string> seen;  // lookup key -> the file packed under it
  for (const Input& file : files) {
    const std::string name = ar::BareName(file.path);
    if (name.empty() || name.size() > ar::kMaxNameLength) {
      error = "unusable entry name for '" + file.path + "' (1 to 255 bytes after the last '/')";
      return false;
    }
    auto [previous, fresh] = seen.emplace(ar::LookupKey(name), file.shown);
    if (!fresh) {
      error = "two files named '" + name + "': '" + previous->second + "' and '" + file.shown +
              "' (names are compared ignoring case; the game finds entries by file name alone)";
      return false;
    }
  }
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string& path = files[i].path;
    std::vector<uint8_t> bytes;
    if (!ReadWhole(path, bytes, error)) return false;
    ar::PackedEntry entry;
    entry.name = ar::BareName(path);
    if (!ar::PackEntry(bytes.data(), bytes.size(), entry.stored)) {
      error = "cannot compress '" + path + "' (too large?)";
      return false;
    }
    std::printf("[%zu/%zu] %s: %zu -> %zu bytes\n", i + 1, files.size(), files[i].shown.c_str(), bytes.size(),
                entry.stored.size());
    std::fflush(stdout);
    entries.push_back(std::move(entry));
  }
  return true;
}

int Create(const std::string& out, const std::vector<std::string>& files) {
  std::vector<ar::PackedEntry> entries;
  std::string error;
  if (!PackFiles(files, entries, error)) return Fail(error);
  std::vector<uint8_t> archive;
  if (!ar::BuildArchive(entries, 0, true, archive)) return Fail("the archive would exceed 2 GiB");
  if (!WriteReplacing(out, {}, archive, 0644, error)) return Fail(error);
  std::printf("wrote %s: %zu entries, %zu bytes\n", out.c_str(), entries.size(), archive.size());
  return 0;
}

// Appends to `game`, or with an `out` leaves `game` as it is and writes the
// packed copy there (which a failure never leaves half-made or unpacked).
int Append(const std::string& game, const std::string& out, const std::vector<std::string>& files) {
  std::vector<uint8_t> carrier;
  std::string error;
  if (!ReadWhole(game, carrier, error)) return Fail(error);
  ar::MemorySource source(carrier.data(), carrier.size());
  if (ar::HasTrailer(source))
    return Fail("'" + game + "' already carries an archive; append to a fresh copy of the program");
  struct stat st;
  if (::stat(game.c_str(), &st) != 0) return Fail(SystemError("cannot stat", game));
  if (orv::tools::ReadElfSymbols(std::span<const uint8_t>(carrier)) == orv::tools::ElfSymbols::kUnstripped)
    std::fprintf(stderr,
                 "orvane-pack: warning: '%s' is not stripped (it has symbols or debug information).\n"
                 "  Strip it before appending: stripping a packed game later deletes its archive.\n",
                 game.c_str());
  std::vector<ar::PackedEntry> entries;
  if (!PackFiles(files, entries, error)) return Fail(error);
  std::vector<uint8_t> archive;
  if (!ar::BuildArchive(entries, static_cast<int64_t>(carrier.size()), true, archive))
    return Fail("the archive would exceed 2 GiB");
  const std::string& target = out.empty() ? game : out;
  if (!WriteReplacing(target, carrier, archive, st.st_mode & 07777, error)) return Fail(error);
  std::printf("appended %zu entries (%zu bytes) to %s\n", entries.size(), archive.size(), target.c_str());
  return 0;
}

// Opens an archive for list and verify.
bool OpenArchive(const std::string& path, std::vector<uint8_t>& bytes, ar::Directory& directory, std::string& error) {
  if (!ReadWhole(path, bytes, error)) return false;
  ar::MemorySource source(bytes.data(), bytes.size());
  switch (ar::ReadDirectory(source, directory)) {
    case ar::TrailerStatus::kOk: return true;
    case ar::TrailerStatus::kNoArchive:
      error = "'" + path + "' carries no archive: nothing was appended to it";
      if (orv::tools::ReadElfSymbols(std::span<const uint8_t>(bytes)) != orv::tools::ElfSymbols::kNotElf)
        error += ", or it was stripped after packing (strip deletes an appended archive: strip first, then append)";
      return false;
    case ar::TrailerStatus::kCorrupt: error = "'" + path + "' has a damaged trailer"; return false;
  }
  return false;
}

// A patch's record, read and checked; false (with the reason) for a
// damaged one. `isPatch` tells whether there is a record at all.
bool ReadPatchRecord(const std::vector<uint8_t>& bytes, const ar::Directory& directory, bool& isPatch,
                     ar::PatchRecord& record, std::string& error) {
  ar::MemorySource source(bytes.data(), bytes.size());
  isPatch = ar::HasPatchFooter(source);
  if (!isPatch) return true;
  const ar::PatchStatus status = ar::ReadPatch(source, directory, record);
  if (status == ar::PatchStatus::kOk) return true;
  error = std::string("patch record ") + ar::PatchStatusText(status);
  return false;
}

std::string Hex64(uint64_t v) {
  char text[17];
  std::snprintf(text, sizeof text, "%016" PRIx64, v);
  return text;
}

std::string DescribePatch(const ar::PatchRecord& record) {
  std::string text = "patch version " + std::to_string(record.version) + " for archive " + Hex64(record.base);
  for (size_t i = 0; i < record.removed.size(); ++i) text += (i ? ", " : "; removes ") + record.removed[i];
  return text;
}

struct PatchOptions {
  std::string base, out;
  std::vector<std::string> files, removed;
  int64_t version = 0;
  bool versionGiven = false;
};

int Patch(const PatchOptions& options) {
  std::vector<uint8_t> bytes;
  ar::Directory directory;
  std::string error;
  if (!OpenArchive(options.base, bytes, directory, error)) return Fail(error + " (a patch is made for a packed game)");
  ar::MemorySource baseSource(bytes.data(), bytes.size());
  if (ar::HasPatchFooter(baseSource))
    return Fail("'" + options.base + "' is a patch; make every patch for the packed game itself");
  ar::PatchRecord record;
  record.base = ar::DirectoryId(baseSource, directory);
  record.version = options.versionGiven ? options.version : static_cast<int64_t>(std::time(nullptr));
  std::unordered_map<std::string, bool> inBase;
  for (const ar::Entry& e : directory.entries) inBase.emplace(ar::LookupKey(e.name), true);
  bytes.clear();

  std::vector<ar::PackedEntry> entries;
  if (!PackFiles(options.files, entries, error)) return Fail(error);
  std::unordered_map<std::string, bool> added;
  for (const ar::PackedEntry& e : entries) added.emplace(ar::LookupKey(e.name), true);
  std::unordered_map<std::string, bool> removed;
  for (const std::string& given : options.removed) {
    const std::string name = ar::BareName(given);
    if (name.empty() || name.size() > ar::kMaxNameLength) return Fail("unusable name to remove: '" + given + "'");
    if (added.count(ar::LookupKey(name))) return Fail("'" + name + "' is both in the patch and removed by it");
    if (!removed.emplace(ar::LookupKey(name), true).second) continue;
    if (!inBase.count(ar::LookupKey(name)))
      std::fprintf(stderr, "orvane-pack: warning: '%s' is not in '%s'; it is removed from earlier patches only\n",
                   name.c_str(), options.base.c_str());
    record.removed.push_back(name);
  }
  std::vector<uint8_t> patch;
  if (!ar::BuildPatch(entries, record, patch)) return Fail("the patch would exceed 2 GiB");
  if (!WriteReplacing(options.out, {}, patch, 0644, error)) return Fail(error);
  std::printf("wrote %s: %s; %zu entries, %zu bytes\n", options.out.c_str(), DescribePatch(record).c_str(),
              entries.size(), patch.size());
  const std::string shown = ar::BareName(options.out);
  if (shown.size() < 6 || shown.compare(shown.size() - 6, 6, ".patch") != 0)
    std::fprintf(stderr, "orvane-pack: warning: a game only finds patches whose names end in \".patch\"\n");
  return 0;
}

int List(const std::string& path) {
  std::vector<uint8_t> bytes;
  ar::Directory directory;
  std::string error;
  if (!OpenArchive(path, bytes, directory, error)) return Fail(error);
  ar::MemorySource source(bytes.data(), bytes.size());
  bool isPatch = false;
  ar::PatchRecord record;
  if (!ReadPatchRecord(bytes, directory, isPatch, record, error)) return Fail(error);
  if (isPatch) std::printf("%s\n", DescribePatch(record).c_str());
  std::printf("%12s %12s  %s\n", "size", "stored", "name");
  for (const ar::Entry& e : directory.entries) {
    int64_t start = directory.EntryStart(e);
    uint8_t prefix[4] = {};
    long long length = -1;
    if (start >= 0 && e.storedSize >= 4 && source.ReadAt(start, prefix, 4))
      length = orv::LoadLeI32(prefix);
    if (length < 0) {
      std::printf("%12s %12d  %s\n", "?", e.storedSize, e.name.c_str());
    } else {
      std::printf("%12lld %12d  %s\n", length, e.storedSize, e.name.c_str());
    }
  }
  std::printf("%zu entries\n", directory.entries.size());
  return 0;
}

int Verify(const std::string& path, const std::string& base, const std::vector<std::string>& files) {
  std::vector<uint8_t> bytes;
  ar::Directory directory;
  std::string error;
  if (!OpenArchive(path, bytes, directory, error)) return Fail(error);
  ar::MemorySource source(bytes.data(), bytes.size());
  int bad = 0;
  bool isPatch = false;
  ar::PatchRecord record;
  if (!ReadPatchRecord(bytes, directory, isPatch, record, error)) {
    std::fprintf(stderr, "orvane-pack: %s\n", error.c_str());
    ++bad;
  } else if (isPatch) {
    std::printf("%s\n", DescribePatch(record).c_str());
  }
  if (!base.empty()) {
    std::vector<uint8_t> baseBytes;
    ar::Directory baseDirectory;
    if (!OpenArchive(base, baseBytes, baseDirectory, error)) return Fail(error);
    const uint64_t id = ar::DirectoryId(ar::MemorySource(baseBytes.data(), baseBytes.size()), baseDirectory);
    if (!isPatch) {
      std::fprintf(stderr, "orvane-pack: '%s' is not a patch\n", path.c_str());
      ++bad;
    } else if (bad == 0 && record.base != id) {
      std::fprintf(stderr, "orvane-pack: made for archive %s, but '%s' carries archive %s\n",
                   Hex64(record.base).c_str(), base.c_str(), Hex64(id).c_str());
      ++bad;
    }
  }
  std::unordered_map<std::string, std::vector<uint8_t>> unpacked;  // first entry of each name
  for (const ar::Entry& e : directory.entries) {
    std::vector<uint8_t> out;
    ar::EntryStatus status = ar::ReadEntry(source, directory, e, out);
    if (status != ar::EntryStatus::kOk) {
      std::fprintf(stderr, "orvane-pack: %s: %s\n", e.name.c_str(), ar::EntryStatusText(status));
      ++bad;
    } else if (unpacked.count(ar::LookupKey(e.name))) {
      std::fprintf(stderr, "orvane-pack: %s: a second entry of that name can never be found\n", e.name.c_str());
      ++bad;
    } else {
      unpacked.emplace(ar::LookupKey(e.name), std::move(out));
    }
  }
  for (const std::string& file : files) {
    std::vector<uint8_t> original;
    if (!ReadWhole(file, original, error)) return Fail(error);
    auto found = unpacked.find(ar::LookupKey(file));
    if (found == unpacked.end()) {
      std::fprintf(stderr, "orvane-pack: %s: not in the archive (or damaged)\n", ar::BareName(file).c_str());
      ++bad;
    } else if (found->second != original) {
      std::fprintf(stderr, "orvane-pack: %s: differs from '%s'\n", ar::BareName(file).c_str(), file.c_str());
      ++bad;
    }
  }
  if (bad) return Fail(std::to_string(bad) + " problem" + (bad == 1 ? "" : "s") + " found");
  std::printf("%s: %zu entries ok", path.c_str(), directory.entries.size());
  if (!files.empty()) std::printf(", %zu files compared", files.size());
  std::printf("\n");
  return 0;
}

int Usage(const char* problem) {
  std::fprintf(stderr, "orvane-pack: %s\n\n%s", problem, kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage("no command given");
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "append" && !rest.empty() && (rest[0] == "-o" || rest[0] == "--output")) {
    if (rest.size() < 4) return Usage("append -o needs the output, the game and at least one file");
    return Append(rest[2], rest[1], std::vector<std::string>(rest.begin() + 3, rest.end()));
  }
  if (command == "append" || command == "create") {
    if (rest.size() < 2) return Usage((command + " needs a target and at least one file").c_str());
    std::vector<std::string> files(rest.begin() + 1, rest.end());
    return command == "append" ? Append(rest[0], "", files) : Create(rest[0], files);
  }
  if (command == "list") {
    if (rest.size() != 1) return Usage("list needs exactly one archive");
    return List(rest[0]);
  }
  if (command == "verify") {
    std::string base;
    std::vector<std::string> names;
    for (size_t i = 0; i < rest.size(); ++i) {
      if (rest[i] == "--base") {
        if (i + 1 == rest.size()) return Usage("--base needs a game");
        base = rest[++i];
      } else {
        names.push_back(rest[i]);
      }
    }
    if (names.empty()) return Usage("verify needs an archive");
    return Verify(names[0], base, std::vector<std::string>(names.begin() + 1, names.end()));
  }
  if (command == "patch") {
    PatchOptions options;
    std::vector<std::string> positional;
    for (size_t i = 0; i < rest.size(); ++i) {
      const std::string& a = rest[i];
      const bool takesValue = a == "-o" || a == "--output" || a == "--remove" || a == "--version";
      if (takesValue && i + 1 == rest.size()) return Usage((a + " needs a value").c_str());
      if (a == "-o" || a == "--output") {
        options.out = rest[++i];
      } else if (a == "--remove") {
        options.removed.push_back(rest[++i]);
      } else if (a == "--version") {
        const std::string& v = rest[++i];
        char* end = nullptr;
        errno = 0;
        const long long n = std::strtoll(v.c_str(), &end, 10);
        if (v.empty() || *end || errno == ERANGE) return Usage(("not a version number: '" + v + "'").c_str());
        options.version = n;
        options.versionGiven = true;
      } else {
        positional.push_back(a);
      }
    }
    if (positional.empty() || options.out.empty()) return Usage("patch needs the game and -o OUT");
    if (positional.size() == 1 && options.removed.empty()) return Usage("patch needs files to add or --remove");
    options.base = positional[0];
    options.files.assign(positional.begin() + 1, positional.end());
    return Patch(options);
  }
  return Usage(("unknown command '" + command + "'").c_str());
}
