#pragma once

#include <filesystem>

// Walks the real window over the demo set and stops at every page and each dialog: it
// writes "<name>.ready" into `signalFolder`, holding the window's frame rectangle on the
// screen ("left top right bottom"), and keeps the window painted until a script outside
// Wine has taken the picture and removed the file. Returns 0 when every stop was taken.
int TakeScreenshots(const std::filesystem::path& signalFolder, const std::filesystem::path& work);
