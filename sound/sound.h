// The game's sounds through OpenAL: one device and context, buffers made at start-up, a pool of sources.
#pragma once

// The sounds of play, one buffer each.
enum SoundId { SOUND_STRIKE, SOUND_REBOUND, SOUND_USER_GOAL, SOUND_CPU_GOAL, SOUND_SERVE, SOUND_COUNT };

// Opens the default device and a context and makes the sounds; false, and silence from then on, when
// there is no device or context. A sound whose buffer cannot be made stays silent.
bool openSound();
// Frees the sources and buffers and closes the context and the device; nothing when none is open.
void closeSound();
// Puts the listener at the eye, looking at the table's centre with the world's up; gain 0 when muted.
void placeListener(float eyeX, float eyeY, float eyeZ, bool muted);
// Tells whether a sound may come soon. While none can, or while muted, the device is paused once the
// sounds playing have ended, and mixes nothing; it runs again when sounds can come and be heard, or
// for the next sound. A device that records to a file is never paused.
void expectSounds(bool soon);
// Starts the sound at the table point (x, z) on the pool's oldest source, without waiting for it;
// nothing while muted.
void playSound(SoundId id, float x, float z);
