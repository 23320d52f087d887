#include "media/movie_player.h"

#include <SDL2/SDL_mixer.h>

#include <algorithm>
#include <new>

#include "audio/sound_device.h"
#include "files/asset_locator.h"
#include "gfx2d/opengl_vexel.h"
#include "gfx2d/sprite_lookup.h"
#include "input/dx_input.h"
#include "runtime/clock.h"
#include "runtime/error_state.h"
#include "runtime/main_loop.h"
#include "runtime/program_end.h"
#include "runtime/replay/replay_notes.h"
#include "runtime/runtime_state.h"
#include "runtime/stages.h"

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
  if (texture_) glDeleteTextures(1, &texture_);
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

void MovieSession::Upload(const MoviePicture& picture) {
  if (!texture_) glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  if (picture.width != textureW_ || picture.height != textureH_) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, picture.width, picture.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 picture.rgba.data());
    textureW_ = picture.width;
    textureH_ = picture.height;
  } else {
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, picture.width, picture.height, GL_RGBA, GL_UNSIGNED_BYTE,
                    picture.rgba.data());
  }
}

void MovieSession::Draw(int clientW, int clientH) const {
  const FitRect r = FitMovie(decoder_.DisplayWidth(), decoder_.DisplayHeight(), clientW, clientH);
  glViewport(0, 0, clientW, clientH);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  if (!texture_ || r.w <= 0) return;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, clientW, clientH, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glColor4f(1, 1, 1, 1);
  const float x0 = static_cast<float>(r.x), y0 = static_cast<float>(r.y);
  const float x1 = static_cast<float>(r.x + r.w), y1 = static_cast<float>(r.y + r.h);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(x0, y0);
  glTexCoord2f(1, 0);
  glVertex2f(x1, y0);
  glTexCoord2f(1, 1);
  glVertex2f(x1, y1);
  glTexCoord2f(0, 1);
  glVertex2f(x0, y1);
  glEnd();
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
    Upload(pictures.front());
    shownMs_ = pictures.front().timeMs;
    due = &pictures.front();
    break;
  }
  if (due) pictures.pop_front();
  // Keeps the state the 2D device relies on untouched.
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glDisable(GL_BLEND);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_LIGHTING);
  glDisable(GL_FOG);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_STENCIL_TEST);
  Draw(clientW, clientH);
  glMatrixMode(GL_TEXTURE);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
  const bool soundLeft = sound_ && sound_->QueuedMs() > 0;
  const bool shownOut = shownMs_ < 0 || clock >= shownMs_ + decoder_.FrameMs();
  return !(decoder_.Ended() && pictures.empty() && !soundLeft && shownOut);
}

namespace {

RuntimeState& PollInputNow() {
  RuntimeState& rt = Rt();
  rt.keyReads = 0;
  RunFrameHooks(FramePhase::kPoll);
  return rt;
}

bool AnythingHeld(RuntimeState& rt) {
  if (!rt.input) return false;
  if (rt.input->AnyKeyHeld()) return true;
  MouseSample m;
  rt.input->SampleMouse(m, false);
  return m.left || m.right || m.middle;
}

void PumpOrEnd() {
  if (!ProcessMessages()) {
    SetErrorCode(kErrSuccess);
    EndProgram();
  }
}

}  // namespace

namespace {

double PlayInWindow(RuntimeState& rt, const std::string& path, bool loop) {
  MovieSession session;
  const bool opened = session.Open(path, rt.audio && rt.audio->IsOpen());
  // The decoder reads the file it opened: an extracted copy can go now.
  if (rt.movieLocator) rt.movieLocator->DeleteTempFile();
  if (!opened) return 3;
  // The movie goes to the window, not to an off-screen surface the game
  // may still be drawing into.
  rt.device->EndSurface();
  // Whatever the game drew before is on the screen before GL is used here.
  FlushDevice2D(*rt.device);
  rt.device->LeaveSceneTarget(false);
  // The key or click that started the movie must not end it at once.
  for (;;) {
    PumpOrEnd();
    if (!AnythingHeld(PollInputNow())) break;
    SleepMs(10);
  }
  session.Start(ClockMs());
  for (;;) {
    if (AnythingHeld(PollInputNow())) break;
    PumpOrEnd();
    const platform::Rect client = rt.device->Window()->ClientRect();
    if (!session.Frame(ClockMs(), client.w, client.h)) {
      if (!loop || !session.Restart(ClockMs())) break;
      continue;
    }
    if (!rt.device->Flip(rt.win32MsgHook)) {
      SetErrorCode(kErrSuccess);
      EndProgram();
    }
  }
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
