// Each sound is a few tones: a sine gliding between two pitches, mixed with low-passed noise, under a
// quick rise and an exponential fall.
#include "sound/synth.h"

#include <math.h>

namespace {

struct Tone {
    float startSeconds, seconds;
    float startHz, endHz;  // the pitch glides exponentially from one to the other
    float attackSeconds, decaySeconds;
    float noise;  // the share of noise, 0..1
    float level;
};

struct Recipe {
    const Tone *tones;
    int count;
};

constexpr float TWO_PI = 6.2831853f;
constexpr float FADE_SECONDS = 0.004f;  // every tone's end, so none ends in a click
constexpr float NOISE_SMOOTHING = 0.35f;  // the one-pole low-pass that softens the noise
constexpr uint32_t NOISE_SEED = 22695477u;
constexpr float FULL_SCALE = 32767;

// A short knock whose pitch drops.
constexpr Tone strikeTones[] = {{0, 0.12f, 330, 110, 0.001f, 0.035f, 0.15f, 0.9f}};
// A higher, shorter click.
constexpr Tone reboundTones[] = {{0, 0.06f, 1900, 1300, 0.0005f, 0.012f, 0.3f, 0.6f}};
// C5, E5, G5 going up.
constexpr Tone userGoalTones[] = {{0, 0.13f, 523.25f, 523.25f, 0.005f, 0.08f, 0, 0.45f},
                                  {0.11f, 0.13f, 659.25f, 659.25f, 0.005f, 0.08f, 0, 0.45f},
                                  {0.22f, 0.17f, 783.99f, 783.99f, 0.005f, 0.1f, 0, 0.45f}};
// G4, E flat 4, C4 going down.
constexpr Tone cpuGoalTones[] = {{0, 0.13f, 392, 392, 0.005f, 0.08f, 0, 0.45f},
                                 {0.11f, 0.13f, 311.13f, 311.13f, 0.005f, 0.08f, 0, 0.45f},
                                 {0.22f, 0.17f, 261.63f, 261.63f, 0.005f, 0.1f, 0, 0.45f}};
// A soft swish of noise with a small rising blip inside it.
constexpr Tone serveTones[] = {{0, 0.25f, 400, 400, 0.08f, 0.07f, 1, 0.35f},
                               {0.05f, 0.1f, 880, 990, 0.005f, 0.03f, 0, 0.3f}};

constexpr Recipe recipes[SOUND_COUNT] = {
    {strikeTones, 1}, {reboundTones, 1}, {userGoalTones, 3}, {cpuGoalTones, 3}, {serveTones, 2}};

// Adds the tone into mix, which is long enough for it.
void addTone(std::vector<float> &mix, const Tone &tone)
{
    int first = (int)(tone.startSeconds * SOUND_SAMPLE_RATE);
    int count = (int)(tone.seconds * SOUND_SAMPLE_RATE);
    uint32_t noiseState = NOISE_SEED;
    float phase = 0, noise = 0;
    for (int i = 0; i < count; i++) {
        float t = (float)i / SOUND_SAMPLE_RATE;
        float hz = tone.startHz * powf(tone.endHz / tone.startHz, t / tone.seconds);
        phase += TWO_PI * hz / SOUND_SAMPLE_RATE;
        noiseState = noiseState * 1664525u + 1013904223u;
        float white = (float)(noiseState >> 8) / (float)(1u << 23) - 1;
        noise += NOISE_SMOOTHING * (white - noise);
        float envelope = fminf(1, t / tone.attackSeconds) * expf(-t / tone.decaySeconds) *
                         fminf(1, (tone.seconds - t) / FADE_SECONDS);
        mix[first + i] += tone.level * envelope * ((1 - tone.noise) * sinf(phase) + tone.noise * noise);
    }
}

}  // namespace

std::vector<int16_t> synthesise(SoundId id)
{
    const Recipe &recipe = recipes[id];
    float seconds = 0;
    for (int i = 0; i < recipe.count; i++)
        seconds = fmaxf(seconds, recipe.tones[i].startSeconds + recipe.tones[i].seconds);
    std::vector<float> mix((size_t)(seconds * SOUND_SAMPLE_RATE) + 1);
    for (int i = 0; i < recipe.count; i++)
        addTone(mix, recipe.tones[i]);
    std::vector<int16_t> samples(mix.size());
    for (size_t i = 0; i < mix.size(); i++)
        samples[i] = (int16_t)(fmaxf(-1, fminf(1, mix[i])) * FULL_SCALE);
    return samples;
}
