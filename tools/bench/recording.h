// A stereo recording as OpenAL Soft's wave writer makes it, and where its sounds start: read by the
// sound benchmark and by the end-to-end test that listens to the game.
#pragma once

#include <fstream>
#include <math.h>
#include <stdint.h>
#include <string.h>
#include <string>
#include <vector>

// Frames at rate a second, each side's samples on their own, from dataOffset in the file.
struct Recording {
    int rate;
    size_t dataOffset;
    std::vector<float> left, right;
};

// A sound's start: its first frame, and the loudest sample of each side over its first 10 ms.
struct Onset {
    size_t frame;
    float left, right;
};

// Samples no louder than this are silence; a silent listener's mix is exactly 0.
constexpr float SILENCE = 1e-4f;

// The loudest sample of the side in frames [from, to).
inline float peak(const std::vector<float> &side, size_t from, size_t to)
{
    float loudest = 0;
    for (size_t i = from; i < to && i < side.size(); i++)
        loudest = fmaxf(loudest, fabsf(side[i]));
    return loudest;
}

// Reads the whole frames of a stereo 32-bit float WAV file, its sizes unset while the writer still
// runs (it fills them in when it closes); false when it is no such file. The "fmt " chunk comes
// first, at 12: channels at 22, rate at 24, bits at 34; the samples follow the "data" chunk's 8-byte head.
inline bool readRecording(const std::string &path, Recording *out)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t data = bytes.find("data");
    uint16_t channels = 0, bits = 0;
    if (bytes.compare(0, 4, "RIFF") != 0 || data == std::string::npos || data < 36 || data + 8 > bytes.size())
        return false;
    memcpy(&channels, &bytes[22], sizeof channels);
    memcpy(&out->rate, &bytes[24], sizeof out->rate);
    memcpy(&bits, &bytes[34], sizeof bits);
    out->dataOffset = data + 8;
    size_t frames = (bytes.size() - out->dataOffset) / (2 * sizeof(float));
    out->left.resize(frames);
    out->right.resize(frames);
    for (size_t i = 0; i < frames; i++) {
        memcpy(&out->left[i], &bytes[out->dataOffset + 2 * sizeof(float) * i], sizeof(float));
        memcpy(&out->right[i], &bytes[out->dataOffset + 2 * sizeof(float) * i + sizeof(float)], sizeof(float));
    }
    return channels == 2 && bits == 32;
}

// The starts of the sounds that follow at least 20 ms of silence, the recording's start counting as silence.
inline std::vector<Onset> findOnsets(const Recording &r)
{
    std::vector<Onset> onsets;
    size_t gap = (size_t)r.rate / 50, span = (size_t)r.rate / 100, quiet = gap;
    for (size_t i = 0; i < r.left.size(); i++) {
        if (fabsf(r.left[i]) <= SILENCE && fabsf(r.right[i]) <= SILENCE) {
            quiet++;
            continue;
        }
        if (quiet >= gap)
            onsets.push_back({i, peak(r.left, i, i + span), peak(r.right, i, i + span)});
        quiet = 0;
    }
    return onsets;
}
