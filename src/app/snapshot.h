// The snapshot option: the scene run off-screen with the stored settings for
// a number of frames, its picture written to a PNG file. No window, no sound.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "runtime/compose.h"

namespace lumaris {

struct SnapshotOptions {
    std::string file;
    long frames = -1;
    int width = 1024, height = 768;
    int scale = 0;  // 0: automatic for the size
};

inline constexpr const char* kSnapshotUsage = "--snapshot FILE.png --frames N [--size WxH] [--scale N|auto]";

// Reads "--snapshot FILE --frames N [--size WxH] [--scale N|auto]" (the
// program's own name not included); false when anything is missing or out
// of range.
bool parseSnapshot(const std::vector<std::string>& arguments, SnapshotOptions& options);

// Runs the scene, on the logical screen the scale leaves of the size, with the host's message boxes, clock, random generator,
// settings store, registry and pictures, and nothing else of the host's.
// Returns the exit status: 0 when the picture was written and no message
// had to be shown.
int runSnapshot(const SnapshotOptions& options, Platform& host, TextRasterizer* text);
// The same for the option's arguments; status 2, with the usage on
// standard error, when they are not a snapshot's.
int runSnapshot(const std::vector<std::string>& arguments, Platform& host, TextRasterizer* text);

}  // namespace lumaris
