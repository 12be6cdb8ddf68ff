// Writes the starting corpus of the reader fuzz targets: every file of the shared table of good and
// broken images, into <dir>/bitmap and <dir>/tga.
#include "support/image_files.h"

#include <stdio.h>
#include <string>
#include <sys/stat.h>

// Writes each case as <dir>/<name><extension>; 0 when a file cannot be written.
static int writeCases(const std::string &dir, const std::vector<ImageCase> &cases, const char *extension)
{
    mkdir(dir.c_str(), 0755);
    for (const ImageCase &c : cases) {
        std::string path = dir + "/" + c.name + extension;
        FILE *file = fopen(path.c_str(), "wb");
        if (!file)
            return 0;
        size_t written = fwrite(c.bytes.data(), 1, c.bytes.size(), file);
        if (fclose(file) != 0 || written != c.bytes.size())
            return 0;
    }
    return 1;
}

// Usage: make_seeds DIR
int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    mkdir(dir.c_str(), 0755);
    if (!writeCases(dir + "/bitmap", bitmapCases(), ".bmp") || !writeCases(dir + "/tga", tgaCases(), ".tga")) {
        perror(argv[0]);
        return 1;
    }
    return 0;
}
