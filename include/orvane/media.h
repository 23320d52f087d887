// Game-facing commands of the media subsystem: background music and movies.
#pragma once

#include "orvane/rt_string.h"

// ---- Music --------------------------------------------------------------------
void PlayMusic(const RtString& name, double loop);  // stops the current music, starts the file (looping between its loop points when it has them); error 3 when it cannot be found or opened
void CrossFadeMusic(const RtString& name, double ms, double loop = 1);  // fades the playing track out and the file in over ms (equal power); error 3 (and the music goes on) when it cannot be found or opened
void StopMusic();                                   // stops and forgets the music; the next volume is always sent
void PauseMusic(double pause);                      // non-zero pauses, 0 resumes; a looping track's restart moves by the paused time
double IsMusicPlaying();                            // 1 while music plays (looping music always, paused music too), else 0
void SetMusicVolume(double volume);                 // 0..1; the same value twice is sent once
void RestartMusicIfDue();                           // looping music: moves its restart time on when due (the mixer loops it), restarts a track under 0.5 s; every message step calls it

// ---- Movies -------------------------------------------------------------------
double PlayMovie(const RtString& name, double loop);  // plays in the window until it ends or a key or button is pressed; 0, or 3 when not found or not media
