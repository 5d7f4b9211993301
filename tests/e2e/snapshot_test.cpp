// The snapshot option of the real program: the scene off-screen, without a
// display, after a number of frames.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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

Picture snapshot(const std::string& config, int frames, const std::string& size = "1024x768",
                 const std::string& scale = "auto") {
    const std::string out = config + "/shot.png";
    const pid_t pid =
        start({"--snapshot", out, "--frames", std::to_string(frames), "--size", size, "--scale", scale}, config);
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

// FNV-1a over the red, green and blue bytes of every pixel, row by row.
std::uint64_t checksum(const Picture& p) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (std::uint32_t px : p.pixels) {
        for (int shift : {16, 8, 0}) {
            h ^= (px >> shift) & 0xFF;
            h *= 0x100000001b3ull;
        }
    }
    return h;
}

// The scene's pictures as the program drew them before its platform layer
// was reshaped: the same settings and frames must give the same pixels.
TEST(Snapshot, PicturesStayPixelForPixel) {
    const struct {
        std::vector<std::string> settings;
        int frames;
        const char* size;
        std::uint64_t sum;
        const char* scale = "auto";
    } cases[] = {
        {{}, 5, "1920x1080", 0x457184a9757ceeceull},
        {{}, 40, "1024x768", 0x65ed6915d73562d6ull},
        {{}, 40, "1920x1080", 0x84772a8ea70195d6ull},
        {{}, 40, "800x600", 0x11cb176bfc905744ull},
        {{"BALLOON=True", "CIVILIZATION=True"}, 1821, "1024x768", 0xe10487046d4ff2c0ull},
        {{}, 40, "3840x2160", 0x681e9ad1af07dc7bull, "1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(checksum(snapshot(settingsFolder(c.settings), c.frames, c.size, c.scale)), c.sum)
            << c.frames << " frames at " << c.size << ", scale " << c.scale;
    }
}

// A large size is the scene of a k-th of it with every pixel a k x k block;
// what is left over past k times that is black.
TEST(Snapshot, LargeSizesShowTheSmallerSceneInBlocks) {
    const std::string config = settingsFolder({"BALLOON=True"});
    const struct {
        const char* size;
        const char* small;
        int k;
    } cases[] = {{"3840x2160", "1920x1080", 2}, {"5120x2880", "1706x960", 3}};
    for (const auto& c : cases) {
        const Picture big = snapshot(config, 60, c.size), small = snapshot(config, 60, c.small);
        int mismatches = 0;
        for (int y = 0; y < big.height; ++y)
            for (int x = 0; x < big.width; ++x) {
                const bool inside = x < small.width * c.k && y < small.height * c.k;
                mismatches += big.at(x, y) != (inside ? small.at(x / c.k, y / c.k) : 0u);
            }
        EXPECT_EQ(mismatches, 0) << c.size << " against " << c.small << " times " << c.k;
    }
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

// Speeds no dialog would store: a message or the nearest sense, never a
// crash or a hang.
TEST(Snapshot, SpeedsOutsideTheRangeNeitherCrashNorHang) {
    for (const char* speed : {"-32768", "151", "152", "32767", "1e308", "nan", " 100 ", "x"}) {
        const std::string config = settingsFolder({std::string("SPEED=") + speed});
        const int status = waitExit(start({"--snapshot", config + "/s.png", "--frames", "3"}, config), 20);
        EXPECT_TRUE(status == 0 || status == 1) << speed << ": status " << status;
    }
}

// A disk that fills up mid-write (a file-size limit of 8 KB): a failure, and
// the picture that was there before stays whole.
TEST(Snapshot, AFailedWriteIsAFailureAndKeepsTheOldPicture) {
    const std::string config = settingsFolder({});
    const std::string out = config + "/full.png";
    std::ofstream(out) << "the old picture";
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit small = before;
    small.rlim_cur = 8192;
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the process
    setrlimit(RLIMIT_FSIZE, &small);
    const pid_t pid = start({"--snapshot", out, "--frames", "1"}, config);
    setrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(waitExit(pid, 60), 1);
    std::ifstream kept(out);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(kept)), {}), "the old picture");
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(config)) ++files;
    EXPECT_EQ(files, 2) << "the settings and the old picture, no temporary file";
}

}  // namespace
}  // namespace lumaris::e2e
