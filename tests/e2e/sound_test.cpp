// Listening to the real program through OpenAL Soft's wave writer, which records its mix in real
// time: a sound follows what made it, a wall's rebound sounds on its side, and "m" mutes and unmutes.
#include <gtest/gtest.h>

#include "support/game_session.h"
#include "tools/bench/recording.h"

TEST(Sound, TheServeFollowsDownReboundsSoundOnTheirSideAndMSilencesTheGameUntilPressedAgain)
{
    Session s;
    ASSERT_TRUE(openSession(s, 640, 480));
    fs::path dir = scratchDir(), wave = dir / "out.wav";
    std::ofstream(dir / "alsoft.conf") << "[general]\nchannels = stereo\nsample-type = float32\nfrequency = 22050\n"
                                       << "period_size = 256\n[wave]\nfile = " << wave.string() << "\n";
    Window w = startGame(s, {}, {}, {"ALSOFT_DRIVERS=wave", "ALSOFT_CONF=" + (dir / "alsoft.conf").string()});
    ASSERT_NE(w, 0u);
    Shot before = capture(s.display, w);
    Recording r{};
    // Reads the recording until it holds the frames asked for.
    auto record = [&](size_t frames) { return waitFor([&] { return readRecording(wave, &r) && r.left.size() >= frames; }); };
    // Reads it until a sound accepted starts in it: that sound's first frame, SIZE_MAX when none came.
    auto first = [&](const std::function<bool(const Onset &)> &accept) {
        size_t frame = SIZE_MAX;
        waitFor([&] {
            for (const Onset &o : readRecording(wave, &r) ? findOnsets(r) : std::vector<Onset>())
                if (accept(o))
                    return (frame = o.frame) != SIZE_MAX;
            return false;
        });
        return frame;
    };

    // The serve is the same at every start (the seed is fixed): the puck's first sounds off the
    // centre line come from the left wall, later ones from the right, each louder on its own side.
    size_t right = first([](const Onset &o) { return o.right > 1.15f * o.left; });
    EXPECT_LT(first([](const Onset &o) { return o.left > 1.15f * o.right; }), right);

    // From a quarter of a second after "m" (the next tick silences the listener) to the next "m"
    // nothing is heard, though the puck rebounds and the computer scores.
    size_t muted = r.left.size();
    pressKey(s.display, XK_m);
    ASSERT_TRUE(captureUntil(s.display, w, [&](const Shot &shot) {
        return scoreCell(shot, 9) != scoreCell(before, 9);
    }, nullptr, 30000));
    // Its sound, unheard, has ended half a second after the goal.
    ASSERT_TRUE(record(0));
    ASSERT_TRUE(record(r.left.size() + r.rate / 2));
    size_t unmuted = r.left.size();
    pressKey(s.display, XK_m);
    EXPECT_LE(std::max(peak(r.left, muted + r.rate / 4, unmuted), peak(r.right, muted + r.rate / 4, unmuted)), SILENCE);

    // Then the serve that Down makes is heard within a fifth of a second of the press, before the
    // puck's first rebound: the tick, the mixer's update and the file's writes take far less.
    pressKey(s.display, XK_Down);
    EXPECT_LT(first([&](const Onset &o) { return o.frame >= unmuted; }) - unmuted, r.rate / 5u);
    pressKey(s.display, XK_q);
    EXPECT_EQ(exitCode(s.game), 0) << errorsOf(s.game);
}
