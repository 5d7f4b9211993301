// Helpers for end-to-end tests: start the real program, find its windows,
// read the screen, and decode the built-in pictures to compare against.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lumaris::e2e {

struct Screenshot {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Another program, with extra environment entries ("NAME=value") before the
// test's own; keepFd, where given, becomes its descriptor 3.
pid_t spawn(const std::vector<std::string>& words, const std::vector<std::string>& extra = {}, int keepFd = -1);
// The program under test: $LUMARIS_BINARY.
std::string binary();
// Starts the program with arguments, its settings and home in configHome,
// sound through SDL's dummy driver and no desktop settings service; extra
// environment entries ("NAME=value") come first.
pid_t start(const std::vector<std::string>& args, const std::string& configHome,
            const std::vector<std::string>& extra = {});
// Waits up to `seconds` for the process to end; its exit status, or -1.
int waitExit(pid_t pid, double seconds);
void stop(pid_t pid);
// Waits up to `seconds` for a top-level window with this exact title.
unsigned long waitForWindow(const std::string& title, double seconds);
Screenshot capture();
// The offset at which row y of the screen (from x0, `width` columns) shows
// row `pictureRow` of a looping picture, or -1.
int loopOffset(const Screenshot& shot, int x0, int y, int width, const Picture& p, int pictureRow);
// Whether row y of the screen (from x0, `width` columns) shows row y + lift
// of the scene's strip: the sky picture above row 410, the sea below.
bool showsStripRow(const Screenshot& shot, int x0, int y, int width, int lift);
Picture picture(const std::string& name);
// Every k x k block of the screen one colour: the screen as k times a
// picture of a k-th of its size, which is returned; empty if not.
Screenshot shrunk(const Screenshot& shot, int k);
// A picture file SDL_image reads (PNG); throws when it cannot.
Screenshot readPicture(const std::string& path);
// A fresh folder for settings, with the given lines under [Settings].
std::string settingsFolder(const std::vector<std::string>& lines);
void sleepFor(double seconds);
// Writes a screenshot as PNG for a person to look at after a failure.
void save(const Screenshot& shot, const std::string& path);

}  // namespace lumaris::e2e
