// Whole-file replacement that cannot lose the old file: the new content is
// written to a temporary file beside it, flushed to disk and renamed over
// the old one. A kill or a full disk at any moment leaves either the old or
// the new content, never a mixture or nothing. Only where no file can be
// made beside it (a folder that is not writable) is a writable file
// rewritten in place instead, which is better than not saving at all.
#pragma once

#include <cstddef>

namespace orv {

// Writes the bytes as the file at a game path (backslashes, case as for
// every other file operation). "mem://" names and failures give false; the
// old file is then untouched.
bool ReplaceFileContents(const char* gamePath, const void* data, size_t size);

// Writes the bytes to a descriptor, going on after short writes and
// interruptions; the count written, which is `size` unless writing failed.
size_t WriteFully(int fd, const void* data, size_t size);

}  // namespace orv
