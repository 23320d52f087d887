// FFmpeg's input for movies and music: the bytes always come through this
// reader (a regular file, or a block of memory the caller keeps alive),
// never through FFmpeg's protocols, and any attempt of a container to open
// further files or addresses (playlists, references) is refused: a media
// file cannot make the runtime read anything but itself.
//
// Depends on: libavformat.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

struct AVFormatContext;
struct AVIOContext;

namespace orv {

class AvInput {
 public:
  AvInput() = default;
  ~AvInput() { Close(); }
  AvInput(const AvInput&) = delete;
  AvInput& operator=(const AvInput&) = delete;

  // Opens the container and reads its stream information; false when the
  // file is missing, not a regular file, or not media FFmpeg knows.
  bool OpenFile(const std::string& path);
  bool OpenMemory(const uint8_t* data, size_t size);
  void Close();

  AVFormatContext* Format() const { return format_; }

  // Where FFmpeg's callbacks read from (public for the C entries).
  struct Source {
    FILE* file = nullptr;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
  };

 private:
  bool Open();

  Source source_;
  AVIOContext* io_ = nullptr;
  AVFormatContext* format_ = nullptr;
};

}  // namespace orv
