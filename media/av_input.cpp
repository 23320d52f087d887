#include "media/av_input.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "files/file_channel.h"

namespace orv {

namespace {

constexpr int kIoBufferSize = 32768;

int ReadBytes(void* opaque, uint8_t* buf, int size) {
  auto* s = static_cast<AvInput::Source*>(opaque);
  if (size <= 0) return 0;
  if (s->file) {
    const size_t n = std::fread(buf, 1, static_cast<size_t>(size), s->file);
    return n == 0 ? AVERROR_EOF : static_cast<int>(n);
  }
  if (s->pos >= s->size) return AVERROR_EOF;
  const size_t n = std::min(static_cast<size_t>(size), s->size - s->pos);
  std::memcpy(buf, s->data + s->pos, n);
  s->pos += n;
  return static_cast<int>(n);
}

int64_t SeekBytes(void* opaque, int64_t offset, int whence) {
  auto* s = static_cast<AvInput::Source*>(opaque);
  whence &= ~AVSEEK_FORCE;
  if (s->file) {
    if (whence == AVSEEK_SIZE) {
      const long here = std::ftell(s->file);
      if (std::fseek(s->file, 0, SEEK_END) != 0) return -1;
      const long end = std::ftell(s->file);
      std::fseek(s->file, here, SEEK_SET);
      return end;
    }
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
    if (std::fseek(s->file, static_cast<long>(offset), whence) != 0) return -1;
    return std::ftell(s->file);
  }
  if (whence == AVSEEK_SIZE) return static_cast<int64_t>(s->size);
  int64_t base = 0;
  if (whence == SEEK_CUR) base = static_cast<int64_t>(s->pos);
  else if (whence == SEEK_END) base = static_cast<int64_t>(s->size);
  else if (whence != SEEK_SET) return -1;
  if (offset > INT64_MAX - base) return -1;
  const int64_t target = base + offset;
  if (target < 0 || target > static_cast<int64_t>(s->size)) return -1;
  s->pos = static_cast<size_t>(target);
  return target;
}

// Containers that refer to other files or addresses get nothing opened.
int RefuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) { return AVERROR(EPERM); }

}  // namespace

void AvInput::Close() {
  if (format_) avformat_close_input(&format_);
  if (io_) {
    av_freep(&io_->buffer);
    avio_context_free(&io_);
  }
  if (source_.file) std::fclose(source_.file);
  source_ = Source{};
}

bool AvInput::OpenFile(const std::string& path) {
  Close();
  const int fd = OpenRegularFile(path);
  if (fd < 0) return false;
  source_.file = ::fdopen(fd, "rb");
  if (!source_.file) {
    ::close(fd);
    return false;
  }
  return Open();
}

bool AvInput::OpenMemory(const uint8_t* data, size_t size) {
  Close();
  source_.data = data;
  source_.size = size;
  return Open();
}

bool AvInput::Open() {
  av_log_set_level(AV_LOG_QUIET);
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  if (!buffer) {
    Close();
    return false;
  }
  io_ = avio_alloc_context(buffer, kIoBufferSize, 0, &source_, ReadBytes, nullptr, SeekBytes);
  if (!io_) {
    av_free(buffer);
    Close();
    return false;
  }
  format_ = avformat_alloc_context();
  if (!format_) {
    Close();
    return false;
  }
  format_->pb = io_;
  format_->flags |= AVFMT_FLAG_CUSTOM_IO;
  format_->io_open = RefuseNestedOpen;
  if (avformat_open_input(&format_, nullptr, nullptr, nullptr) < 0) {
    format_ = nullptr;  // freed by the failed open
    Close();
    return false;
  }
  if (avformat_find_stream_info(format_, nullptr) < 0) {
    Close();
    return false;
  }
  return true;
}

}  // namespace orv
