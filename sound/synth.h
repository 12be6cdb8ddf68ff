// The sounds' samples, made by code at start-up.
#pragma once

#include "sound/sound.h"

#include <stdint.h>
#include <vector>

constexpr int SOUND_SAMPLE_RATE = 22050;

// The 16-bit mono samples of the sound at SOUND_SAMPLE_RATE.
std::vector<int16_t> synthesise(SoundId id);
