// The snapshot option of the real program: the scene off-screen, without a
// display, after a number of frames.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "e2e_support.h"

namespace lumaris::e2e {
namespace {

Picture loadPng(const std::string& path) {
    SDL_Surface* raw = IMG_Load(path.c_str());
    EXPECT_NE(raw, nullptr) << path;
    Picture p;
    if (raw == nullptr) return p;
    SDL_Surface* s = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_RGB888, 0);
    SDL_FreeSurface(raw);
    p.width = s->w;
    p.height = s->h;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            p.pixels.push_back(reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(s->pixels) +
                                                                      y * s->pitch)[x] & 0xFFFFFF);
    SDL_FreeSurface(s);
    return p;
}

Picture snapshot(const std::string& config, int frames, const std::string& size = "1024x768") {
    const std::string out = config + "/shot.png";
    const pid_t pid = start({"--snapshot", out, "--frames", std::to_string(frames), "--size", size}, config);
    EXPECT_EQ(waitExit(pid, 60), 0);
    return loadPng(out);
}

// Does the screen rectangle show the town sheet's rectangle?
bool shows(const Picture& shot, int x, int y, const Picture& town, int sx, int sy, int w, int h) {
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            if (shot.at(x + c, y + r) != town.at(sx + c, sy + r)) return false;
    return true;
}

TEST(Snapshot, TheFirstTownPieceAppearsAfterOneLoopOfTheSky) {
    const std::string config = settingsFolder({});
    const Picture town = picture("piccivilsource");
    // In the frame of the loop point the whole sky comes from column 0.
    const Picture before = snapshot(config, 1820);
    // One frame earlier sky column 948 stood at screen column 949.
    EXPECT_FALSE(shows(before, 949, 402, town, 0, 119, 75, 8)) << "no town yet";
    const Picture after = snapshot(config, 1821);
    ASSERT_EQ(after.width, 1024);
    ASSERT_EQ(after.height, 768);
    EXPECT_TRUE(shows(after, 948, 402, town, 0, 119, 76, 8)) << "the quay on the shore";
}

TEST(Snapshot, SizesAndBadArguments) {
    const std::string config = settingsFolder({});
    const Picture small = snapshot(config, 3, "640x480");
    EXPECT_EQ(small.width, 640);
    EXPECT_EQ(small.height, 480);
    EXPECT_NE(waitExit(start({"--snapshot", config + "/x.png"}, config), 10), 0) << "frames are required";
    EXPECT_NE(waitExit(start({"--snapshot", config + "/x.png", "--frames", "2", "--size", "0x5"}, config), 10), 0);
    EXPECT_NE(waitExit(start({"--snapshot", "/nonexistent/folder/x.png", "--frames", "1"}, config), 10), 0);
}

}  // namespace
}  // namespace lumaris::e2e
