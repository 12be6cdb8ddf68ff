// Prints where each sound starts in a stereo 32-bit float WAV file, as the byte offset in the file
// of its first frame, one a line (tools/bench/recording.h says what counts as a start).
#include "tools/bench/recording.h"

#include <stdio.h>

int main(int argc, char **argv)
{
    Recording r{};
    if (argc != 2 || !readRecording(argv[1], &r)) {
        fprintf(stderr, "usage: sound_onsets WAVE_FILE (stereo, 32-bit float)\n");
        return 1;
    }
    for (const Onset &o : findOnsets(r))
        printf("%zu\n", r.dataOffset + o.frame * 2 * sizeof(float));
    return 0;
}
