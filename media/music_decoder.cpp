#include "media/music_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <unistd.h>

#include <algorithm>
#include <new>

#include "files/file_channel.h"

namespace orv {

namespace {

// Sound rates the resampler is given; outside them a stream is damage, not
// music (a rate of 1 would make a second of data hours of playing).
constexpr int kMinRate = 4000;
constexpr int kMaxRate = 384000;
constexpr int kMaxChannels = 64;
// A decoded frame larger than this is dropped as damaged.
constexpr int kMaxFrameSamples = 1 << 20;
// Seeks back in a row with nothing played between them: the track gives
// nothing more (empty, or a loop the file cannot reach), so it ends.
constexpr int kMaxEmptyLaps = 3;

const char* Tag(AVFormatContext* format, int stream, const char* key) {
  // Vorbis comments sit on the stream in OGG and on the container in FLAC.
  if (const AVDictionaryEntry* e = av_dict_get(format->streams[stream]->metadata, key, nullptr, 0)) return e->value;
  if (const AVDictionaryEntry* e = av_dict_get(format->metadata, key, nullptr, 0)) return e->value;
  return nullptr;
}

}  // namespace

MusicDecoder::~MusicDecoder() {
  swr_free(&resampler_);
  avcodec_free_context(&codec_);
  av_frame_free(&frame_);
  av_packet_free(&packet_);
}

bool MusicDecoder::Open(const std::string& path, int outRate, std::string& why) {
  if (!input_.OpenFile(path)) return false;
  if (!OpenCodec(outRate, why)) return false;
  ReadLoopPoints(path);
  return true;
}

bool MusicDecoder::OpenCodec(int outRate, std::string& why) {
  AVFormatContext* format = input_.Format();
  const AVCodec* codec = nullptr;
  stream_ = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
  if (stream_ < 0 || !codec) return false;
  codec_ = avcodec_alloc_context3(codec);
  if (!codec_ || avcodec_parameters_to_context(codec_, format->streams[stream_]->codecpar) < 0) return false;
  codec_->thread_count = 1;
  if (avcodec_open2(codec_, codec, nullptr) < 0) return false;
  const int channels = codec_->ch_layout.nb_channels;
  if (codec_->sample_rate < kMinRate || codec_->sample_rate > kMaxRate) {
    why = "a sample rate of " + std::to_string(codec_->sample_rate);
    return false;
  }
  if (channels < 1 || channels > kMaxChannels) {
    why = std::to_string(channels) + " channels";
    return false;
  }
  // A file without a channel map (WAV without a mask) gets the usual one.
  if (codec_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
    av_channel_layout_uninit(&codec_->ch_layout);
    av_channel_layout_default(&codec_->ch_layout, channels);
  }
  rate_ = codec_->sample_rate;
  outRate_ = outRate;
  outChannels_ = channels == 1 ? 1 : 2;
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (!frame_ || !packet_ || !ResetResampler()) return false;

  const AVStream* st = format->streams[stream_];
  if (st->duration != AV_NOPTS_VALUE && st->duration > 0 && st->time_base.num > 0 && st->time_base.den > 0)
    lengthFrames_ = av_rescale_q(st->duration, st->time_base, AVRational{1, rate_});
  else if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
    lengthFrames_ = av_rescale_q(format->duration, AV_TIME_BASE_Q, AVRational{1, rate_});
  if (st->time_base.num <= 0 || st->time_base.den <= 0) countFromStart_ = true;
  return true;
}

void MusicDecoder::ReadLoopPoints(const std::string& path) {
  std::string why;
  bool ok = true;
  if (const int fd = OpenRegularFile(path); fd >= 0) {
    const ReadAtFn read = [fd](uint64_t offset, uint8_t* dst, size_t n) {
      const ssize_t got = ::pread(fd, dst, n, static_cast<off_t>(offset));
      return got > 0 ? static_cast<size_t>(got) : size_t{0};
    };
    ok = LoopFromSmpl(read, loop_, why);
    ::close(fd);
  }
  if (ok && !loop_.present) {
    AVFormatContext* format = input_.Format();
    ok = LoopFromTags(Tag(format, stream_, "LOOPSTART"), Tag(format, stream_, "LOOPLENGTH"),
                      Tag(format, stream_, "LOOPEND"), loop_, why);
  }
  if (ok) ok = CheckLoop(loop_, lengthFrames_, rate_, why);
  if (!ok) {
    loop_ = LoopPoints();
    loopProblem_ = why;
  }
}

bool MusicDecoder::ResetResampler() {
  swr_free(&resampler_);
  AVChannelLayout outLayout;
  av_channel_layout_default(&outLayout, outChannels_);
  const bool ok = swr_alloc_set_opts2(&resampler_, &outLayout, AV_SAMPLE_FMT_FLT, outRate_, &codec_->ch_layout,
                                      codec_->sample_fmt, rate_, 0, nullptr) >= 0 &&
                  swr_init(resampler_) >= 0;
  av_channel_layout_uninit(&outLayout);
  if (!ok) swr_free(&resampler_);
  return ok;
}

size_t MusicDecoder::Read(float* out, size_t frames) {
  size_t done = 0;
  try {
    while (done < frames) {
      const size_t have = (out_.size() - outRead_) / static_cast<size_t>(outChannels_);
      if (have > 0) {
        const size_t n = std::min(have, frames - done);
        const float* from = out_.data() + outRead_;
        if (outChannels_ == 1) {
          for (size_t i = 0; i < n; ++i) out[2 * (done + i)] = out[2 * (done + i) + 1] = from[i];
        } else {
          std::copy(from, from + 2 * n, out + 2 * done);
        }
        outRead_ += n * static_cast<size_t>(outChannels_);
        done += n;
        continue;
      }
      out_.clear();
      outRead_ = 0;
      if (ended_) break;
      if (!DecodeMore() && out_.empty()) ended_ = true;
    }
  } catch (const std::bad_alloc&) {
    // Out of memory on the mixer thread: the track ends here.
    out_.clear();
    outRead_ = 0;
    ended_ = inputDone_ = true;
  }
  return done;
}

bool MusicDecoder::DecodeMore() {
  if (inputDone_) return false;
  if (av_read_frame(input_.Format(), packet_) < 0) {
    // The end of the data (or data too damaged to find the next packet):
    // what the decoder still holds comes out first.
    avcodec_send_packet(codec_, nullptr);
    if (DrainFrames()) AtEndOfData();
    return true;
  }
  if (packet_->stream_index == stream_ && avcodec_send_packet(codec_, packet_) >= 0) DrainFrames();
  av_packet_unref(packet_);
  return true;
}

bool MusicDecoder::DrainFrames() {
  while (avcodec_receive_frame(codec_, frame_) >= 0) {
    const bool goOn = TakeFrame();
    av_frame_unref(frame_);
    if (!goOn) return false;
  }
  return true;
}

void MusicDecoder::AtEndOfData() {
  if (looping_) {
    if (loop_.present) {
      // The loop ends beyond the real end (a length the file could not
      // tell beforehand): the whole track loops instead.
      lateProblem_ = "loop " + std::to_string(loop_.start) + ".." + std::to_string(loop_.end) +
                     " ends beyond the track's " + std::to_string(pos_) + " samples";
      loop_ = LoopPoints();
    }
    ++laps_;
    if (SeekTo(0)) return;
  }
  // Over: the resampler gives back the samples it held to look ahead.
  while (true) {
    const size_t before = out_.size();
    Convert(nullptr, 0);
    if (out_.size() == before) break;
  }
  inputDone_ = true;
}

bool MusicDecoder::TakeFrame() {
  const int n = frame_->nb_samples;
  if (n <= 0 || n > kMaxFrameSamples || frame_->format != codec_->sample_fmt || frame_->sample_rate != rate_ ||
      frame_->ch_layout.nb_channels != codec_->ch_layout.nb_channels)
    return true;  // damaged, or a chained stream of another kind: skipped
  const AVStream* st = input_.Format()->streams[stream_];
  const int64_t stamp = frame_->best_effort_timestamp;
  const bool stamped = stamp != AV_NOPTS_VALUE && !countFromStart_;
  const int64_t at = stamped ? av_rescale_q(stamp, st->time_base, AVRational{1, rate_}) : 0;

  if (skipTo_ >= 0 && !countFromStart_ && !placed_) {
    // After a seek the first frame's stamp tells where the decoder is; from
    // there on samples are counted, as on the first pass: stamps inside an
    // OGG page are estimates that may be off by a block.
    if (!stamped) {
      countFromStart_ = true;
      SeekTo(skipTo_);
      return false;
    }
    // The track's first frame again, trimmed as on the first pass (an MP3's
    // encoder delay is cut again after a seek to the start), lies at 0
    // whatever its stamp says; any other frame is where its stamp says.
    pos_ = stamp == firstStamp_ && n == firstSamples_ ? 0 : at - origin_;
    placed_ = true;
  } else if (framesTaken_ <= 1 && stamped) {
    // The first frame's stamp may not count samples a decoder trimmed off
    // the track's start; from the second on, stamps and positions agree.
    origin_ = at - pos_;
  }
  if (framesTaken_ == 0) {
    firstStamp_ = stamp;
    firstSamples_ = n;
  }
  ++framesTaken_;

  int first = 0;
  if (skipTo_ >= 0) {
    if (pos_ > skipTo_) {
      // The seek landed after the target: this file's stamps are not exact,
      // so the target is reached by counting from the start.
      countFromStart_ = true;
      SeekTo(skipTo_);
      return false;
    }
    if (pos_ + n <= skipTo_) {
      pos_ += n;
      return true;
    }
    first = static_cast<int>(skipTo_ - pos_);
    pos_ = skipTo_;
    skipTo_ = -1;
  }
  int count = n - first;
  const int64_t end = LoopEnd();
  const bool wrap = end - pos_ <= count;
  if (wrap) count = static_cast<int>(std::max<int64_t>(0, end - pos_));

  if (count > 0) {
    const uint8_t* planes[kMaxChannels];
    const int channels = frame_->ch_layout.nb_channels;
    const auto sampleFormat = static_cast<AVSampleFormat>(frame_->format);
    const int bytes = av_get_bytes_per_sample(sampleFormat);
    if (av_sample_fmt_is_planar(sampleFormat)) {
      for (int c = 0; c < channels; ++c) planes[c] = frame_->extended_data[c] + static_cast<size_t>(first) * bytes;
    } else {
      planes[0] = frame_->extended_data[0] + static_cast<size_t>(first) * bytes * channels;
    }
    Convert(planes, count);
    pos_ += count;
    emptyLaps_ = 0;
  }
  if (wrap) {
    ++laps_;
    SeekTo(LoopStart());
    return false;
  }
  return true;
}

void MusicDecoder::Convert(const uint8_t** in, int count) {
  if (!resampler_) return;
  const int room = swr_get_out_samples(resampler_, count);
  if (room <= 0) return;
  const size_t old = out_.size();
  out_.resize(old + static_cast<size_t>(room) * outChannels_);
  uint8_t* dst[1] = {reinterpret_cast<uint8_t*>(out_.data() + old)};
  const int got = swr_convert(resampler_, dst, room, in, count);
  out_.resize(old + static_cast<size_t>(std::max(got, 0)) * outChannels_);
}

bool MusicDecoder::SeekTo(int64_t target) {
  AVFormatContext* format = input_.Format();
  avcodec_flush_buffers(codec_);
  skipTo_ = -1;
  placed_ = false;
  if (++emptyLaps_ > kMaxEmptyLaps) {
    ended_ = inputDone_ = true;
    return false;
  }
  int result = -1;
  if (!countFromStart_) {
    const AVStream* st = format->streams[stream_];
    const int64_t ts = av_rescale_q(target + origin_, AVRational{1, rate_}, st->time_base);
    result = av_seek_frame(format, stream_, ts, AVSEEK_FLAG_BACKWARD);
    if (result < 0) countFromStart_ = true;
  }
  if (countFromStart_) {
    result = avformat_seek_file(format, -1, INT64_MIN, 0, 0, 0);
    if (result < 0) result = av_seek_frame(format, -1, 0, AVSEEK_FLAG_BYTE);
    pos_ = 0;
  }
  if (result < 0) {
    ended_ = inputDone_ = true;  // a file that cannot seek plays once
    return false;
  }
  skipTo_ = target;
  inputDone_ = false;
  return true;
}

bool MusicDecoder::Restart() {
  if (!codec_) return false;
  out_.clear();
  outRead_ = 0;
  ended_ = inputDone_ = false;
  emptyLaps_ = 0;
  return ResetResampler() && SeekTo(0);
}

}  // namespace orv
