#include "media/movie_player.h"

#include <SDL2/SDL_mixer.h>

#include <algorithm>
#include <new>

#include "audio/sound_device.h"
#include "files/asset_locator.h"
#include "gfx2d/opengl_vexel.h"
#include "input/dx_input.h"
#include "runtime/clock.h"
#include "runtime/error_state.h"
#include "runtime/main_loop.h"
#include "runtime/replay/replay_notes.h"
#include "runtime/runtime_state.h"

namespace orv {

namespace {

// Sound decoded ahead of the clock: enough to ride out a slow frame.
constexpr double kSoundAheadMs = 250;
// ...and never more than this, even while the next picture is still to
// be found: one picture over a long soundtrack (a sound file with cover
// art) would otherwise decode the whole soundtrack on the first frame.
constexpr double kMaxSoundAheadMs = 2000;
// Pictures decoded ahead; past this, sound the movie does not deliver is
// given up on and the runtime clock takes over.
constexpr size_t kMaxPicturesAhead = 48;
constexpr size_t kMaxBytesAhead = size_t{96} << 20;

// Large pictures are held fewer at a time (one is always allowed).
bool PicturesFull(const std::deque<MoviePicture>& pictures) {
  return pictures.size() >= kMaxPicturesAhead ||
         (pictures.size() > 1 && pictures.size() * pictures.front().rgba.size() > kMaxBytesAhead);
}

}  // namespace

FitRect FitMovie(int movieW, int movieH, int clientW, int clientH) {
  FitRect r;
  if (movieW <= 0 || movieH <= 0 || clientW <= 0 || clientH <= 0) return r;
  const double scale = std::min(static_cast<double>(clientW) / movieW, static_cast<double>(clientH) / movieH);
  r.w = std::clamp(static_cast<int>(movieW * scale + 0.5), 1, clientW);
  r.h = std::clamp(static_cast<int>(movieH * scale + 0.5), 1, clientH);
  r.x = (clientW - r.w) / 2;
  r.y = (clientH - r.h) / 2;
  return r;
}

MovieSession::~MovieSession() {
  sound_.reset();
  device_.ReleaseMoviePicture();
}

bool MovieSession::Open(const std::string& path, bool withSound) {
  int rate = 0, channels = 0;
  Uint16 format = 0;
  const bool mixer = withSound && Mix_QuerySpec(&rate, &format, &channels) != 0;
  if (!decoder_.OpenFile(path, mixer ? rate : 0)) return false;
  if (decoder_.HasSound()) {
    sound_ = std::make_unique<MovieSound>(rate);
    if (!sound_->Attach()) sound_.reset();
  }
  return true;
}

void MovieSession::Start(double nowMs) {
  startMs_ = nowMs;
  soundLive_ = sound_ != nullptr;
  soundEndMs_ = soundEndAt_ = 0;
  shownMs_ = -1;
  if (sound_) sound_->Restart();
}

bool MovieSession::Restart(double nowMs) {
  if (!decoder_.Rewind()) return false;
  Start(nowMs);
  return true;
}

double MovieSession::ClockMs(double nowMs) {
  if (!soundLive_) return soundEndMs_ + (nowMs - soundEndAt_);
  const double heard = sound_->ClockMs();
  // The sound has run out for good (or never comes): from here on the
  // runtime clock carries on from where the sound stopped.
  const bool dry = sound_->QueuedMs() <= 0;
  if (dry && (decoder_.Ended() || PicturesFull(decoder_.Pictures()))) {
    soundLive_ = false;
    soundEndMs_ = heard;
    soundEndAt_ = nowMs;
  }
  return heard;
}

void MovieSession::Fill(double clockMs) {
  auto& pictures = decoder_.Pictures();
  auto needMore = [&] {
    if (decoder_.Ended()) return false;
    if (PicturesFull(pictures)) return false;
    // Sound keeps being read ahead when the runtime clock has taken over:
    // it is still played, and the round ends only once it has been.
    const double queued = sound_ ? sound_->QueuedMs() : 0;
    if (queued >= kMaxSoundAheadMs) return false;
    if (pictures.empty() || pictures.back().timeMs <= clockMs) return true;
    return sound_ && queued < kSoundAheadMs;
  };
  while (needMore()) {
    decoder_.Step();
    if (sound_ && !decoder_.Sound().empty()) sound_->Queue(decoder_.Sound());
  }
  decoder_.Sound().clear();
}

bool MovieSession::Frame(double nowMs, int clientW, int clientH) {
  const double clock = ClockMs(nowMs - startMs_);
  Fill(clock);
  auto& pictures = decoder_.Pictures();
  // The latest picture that is due; the ones before it are skipped.
  const MoviePicture* due = nullptr;
  while (!pictures.empty() && (pictures.front().timeMs <= clock || shownMs_ < 0)) {
    if (pictures.size() > 1 && pictures[1].timeMs <= clock) {
      pictures.pop_front();
      continue;
    }
    const MoviePicture& p = pictures.front();
    device_.SetMoviePicture(p.rgba.data(), p.width, p.height);
    shownMs_ = pictures.front().timeMs;
    due = &pictures.front();
    break;
  }
  if (due) pictures.pop_front();
  const FitRect r = FitMovie(decoder_.DisplayWidth(), decoder_.DisplayHeight(), clientW, clientH);
  device_.ShowMoviePicture(clientW, clientH, r.x, r.y, r.w, r.h);
  const bool soundLeft = sound_ && sound_->QueuedMs() > 0;
  const bool shownOut = shownMs_ < 0 || clock >= shownMs_ + decoder_.FrameMs();
  return !(decoder_.Ended() && pictures.empty() && !soundLeft && shownOut);
}

namespace {

bool AnythingHeld() {
  RuntimeState& rt = Rt();
  PollInput();
  if (!rt.input) return false;
  if (rt.input->AnyKeyHeld()) return true;
  MouseSample m;
  rt.input->SampleMouse(m, false);
  return m.left || m.right || m.middle;
}

double PlayInWindow(RuntimeState& rt, const std::string& path, bool loop) {
  MovieSession session(*rt.device);
  const bool opened = session.Open(path, rt.audio && rt.audio->IsOpen());
  // The decoder reads the file it opened: an extracted copy can go now.
  if (rt.movieLocator) rt.movieLocator->DeleteTempFile();
  if (!opened) return kErrNoSuchFile;
  // The key or click that started the movie must not end it at once.
  ModalWait(10, [] { return AnythingHeld() ? ModalNext::kWait : ModalNext::kDone; });
  session.Start(ClockMs());
  ModalWait(0, [&] {
    if (AnythingHeld()) return ModalNext::kDone;
    const platform::Rect client = rt.device->Window()->ClientRect();
    if (session.Frame(ClockMs(), client.w, client.h)) return ModalNext::kPresent;
    return loop && session.Restart(ClockMs()) ? ModalNext::kWait : ModalNext::kDone;
  });
  if (session.Decoder().RanOutOfMemory()) LogAllocationFailure(path.c_str());
  // The next frame of the game starts from the device's own state.
  rt.device->Reset2DState();
  return 0;
}

}  // namespace

double PlayMovieFile(const std::string& path, bool loop) {
  NoteUnreplayable(kNoteMovies);
  RuntimeState& rt = Rt();
  if (!rt.device || !rt.device->Window()) return 0;
  try {
    return PlayInWindow(rt, path, loop);
  } catch (const std::bad_alloc&) {
    // Out of memory mid-movie: the movie ends, the game goes on.
    LogAllocationFailure(path.c_str());
    rt.device->Reset2DState();
    return 0;
  }
}

}  // namespace orv
