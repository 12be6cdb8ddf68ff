// The asset generator's pieces: writing a file of the output folder, and the icon.
#pragma once

#include <string>
#include <vector>

// Writes the bytes to dir/name, making the folders name holds; 1 on success.
int writeFile(const std::string &dir, const char *name, const std::vector<unsigned char> &bytes);
// Writes the icon's SVG, its PNGs under icons/hicolor and the window icon's source; 1 on success.
int writeIcons(const std::string &dir);
