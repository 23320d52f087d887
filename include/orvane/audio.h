// Game-facing commands of the audio subsystem: sound effects in numbered slots.
#pragma once

#include "orvane/rt_string.h"

// ---- Sound effects ----------------------------------------------------------
void LoadSound(const RtString& name, double slot, double copies);  // WAV into slot 0-4095 with 1-4 overlapping copies; error 3 on failure
double PlaySoundSlot(double slot, double pan, double volume);     // pan -1..1, volume 0..1; the channel slot x 256 + copy, or -1
double SoundPlaying(double channel);                              // 1 while that channel plays, else 0
void StopSound(double channel);                                   // stop and rewind one channel
void StopAllSounds();                                             // stop and rewind every channel of every slot
double FreeSoundSlot();                                           // the highest free slot number; -1 (error 7) when none
