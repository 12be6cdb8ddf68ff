// The game's sounds through OpenAL.
#include "sound/sound.h"

#include "sound/synth.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

namespace {

constexpr int SOURCE_COUNT = 8;
// About the camera's distance: the near end plays at full gain and the far end softer.
constexpr float REFERENCE_DISTANCE = 60;
// OpenAL Soft's recorder to a file: a pause rewinds it to the file's head, over what it recorded.
constexpr const char *WAVE_WRITER = "Wave File Writer";

struct SoundSystem {
    ALCdevice *device;
    ALCcontext *context;
    ALuint buffers[SOUND_COUNT];  // 0 for a sound that could not be made
    ALuint sources[SOURCE_COUNT];
    int sourceCount;
    int oldest;
    // Null where the device cannot be paused (ALC_SOFT_pause_device).
    LPALCDEVICEPAUSESOFT devicePause;
    LPALCDEVICERESUMESOFT deviceResume;
    bool muted, soundsSoon, devicePaused;
};

SoundSystem soundSystem;

// Makes the sound's buffer; 0 when it cannot be made.
ALuint makeBuffer(SoundId id)
{
    std::vector<int16_t> samples = synthesise(id);
    ALuint buffer = 0;
    alGetError();
    alGenBuffers(1, &buffer);
    if (alGetError() != AL_NO_ERROR)
        return 0;
    alBufferData(buffer, AL_FORMAT_MONO16, samples.data(), (ALsizei)(samples.size() * sizeof samples[0]),
                 SOUND_SAMPLE_RATE);
    if (alGetError() != AL_NO_ERROR) {
        alDeleteBuffers(1, &buffer);
        return 0;
    }
    return buffer;
}

// Opens the device and its context with standard error sent to /dev/null, where the audio libraries
// report a missing device.
void openDeviceQuietly(SoundSystem &s)
{
    fflush(stderr);
    int saved = dup(STDERR_FILENO), discard = open("/dev/null", O_WRONLY);
    bool quiet = saved >= 0 && discard >= 0 && dup2(discard, STDERR_FILENO) >= 0;
    s.device = alcOpenDevice(nullptr);
    s.context = s.device ? alcCreateContext(s.device, nullptr) : nullptr;
    if (quiet)
        dup2(saved, STDERR_FILENO);
    for (int fd : {saved, discard})
        if (fd >= 0)
            close(fd);
}

// Whether any source is still playing a sound.
bool anySourcePlaying(const SoundSystem &s)
{
    for (int i = 0; i < s.sourceCount; i++) {
        ALint state = AL_STOPPED;
        alGetSourcei(s.sources[i], AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING)
            return true;
    }
    return false;
}

// Runs a paused device again.
void resumeDevice(SoundSystem &s)
{
    if (s.devicePaused) {
        s.deviceResume(s.device);
        s.devicePaused = false;
    }
}

// Runs the device while a sound can come and be heard; otherwise pauses it, and with it the mixing,
// once the sounds playing have ended.
void followDemand(SoundSystem &s)
{
    if (!s.devicePause)
        return;
    if (s.soundsSoon && !s.muted) {
        resumeDevice(s);
    } else if (!s.devicePaused && !anySourcePlaying(s)) {
        s.devicePause(s.device);
        s.devicePaused = true;
    }
}

}  // namespace

bool openSound()
{
    SoundSystem &s = soundSystem;
    openDeviceQuietly(s);
    if (!s.context || !alcMakeContextCurrent(s.context)) {
        closeSound();
        return false;
    }
    for (int i = 0; i < SOUND_COUNT; i++)
        s.buffers[i] = makeBuffer((SoundId)i);
    for (int i = 0; i < SOURCE_COUNT; i++) {
        alGetError();
        alGenSources(1, &s.sources[s.sourceCount]);
        if (alGetError() != AL_NO_ERROR)
            break;
        alSourcef(s.sources[s.sourceCount], AL_REFERENCE_DISTANCE, REFERENCE_DISTANCE);
        s.sourceCount++;
    }
    // Until told otherwise, sounds may come at any time.
    s.soundsSoon = true;
    const char *name = alcGetString(s.device, ALC_ALL_DEVICES_SPECIFIER);
    bool recorder = name && strcmp(name, WAVE_WRITER) == 0;
    if (!recorder && alcIsExtensionPresent(s.device, "ALC_SOFT_pause_device")) {
        s.devicePause = (LPALCDEVICEPAUSESOFT)alcGetProcAddress(s.device, "alcDevicePauseSOFT");
        s.deviceResume = (LPALCDEVICERESUMESOFT)alcGetProcAddress(s.device, "alcDeviceResumeSOFT");
        if (!s.deviceResume)
            s.devicePause = nullptr;
    }
    return true;
}

void closeSound()
{
    SoundSystem &s = soundSystem;
    if (s.context) {
        alDeleteSources(s.sourceCount, s.sources);
        for (ALuint buffer : s.buffers)
            if (buffer)
                alDeleteBuffers(1, &buffer);
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(s.context);
    }
    if (s.device)
        alcCloseDevice(s.device);
    s = {};
}

void placeListener(float eyeX, float eyeY, float eyeZ, bool muted)
{
    SoundSystem &s = soundSystem;
    if (!s.context)
        return;
    const ALfloat orientation[] = {-eyeX, -eyeY, -eyeZ, 0, 1, 0};
    alListener3f(AL_POSITION, eyeX, eyeY, eyeZ);
    alListenerfv(AL_ORIENTATION, orientation);
    alListenerf(AL_GAIN, muted ? 0 : 1);
    s.muted = muted;
    followDemand(s);
}

void expectSounds(bool soon)
{
    SoundSystem &s = soundSystem;
    s.soundsSoon = soon;
    if (s.context)
        followDemand(s);
}

void playSound(SoundId id, float x, float z)
{
    SoundSystem &s = soundSystem;
    if (!s.context || s.sourceCount == 0 || !s.buffers[id] || s.muted)
        return;
    resumeDevice(s);
    ALuint source = s.sources[s.oldest];
    s.oldest = (s.oldest + 1) % s.sourceCount;
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, (ALint)s.buffers[id]);
    alSource3f(source, AL_POSITION, x, 0, z);
    alSourcePlay(source);
}
