// The real program's full-screen scene under Xvfb: the window, the splash,
// the scrolling sky and sea bands exactly as the pictures hold them, the
// night, and the single-instance rule. Runs at the screen size Xvfb has.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "e2e_support.h"

namespace lumaris::e2e {
namespace {

struct Geometry {
    int left, top, splashX, splashY;
};

// The strip's place on the two screens these tests run on.
Geometry geometryFor(const Screenshot& shot) {
    if (shot.width == 1280 && shot.height == 1024) return {128, 82, 504, 463};
    return {0, 0, 376, 294};  // 1024 x 768
}

const int kBandTops[11] = {0, 7, 12, 20, 40, 74, 113, 152, 204, 266, 350};

// The offset at which every row of a sea band shows its rows of the sea
// picture, wrapping at 1024 columns; -1 when there is none.
int bandOffset(const Screenshot& shot, const Geometry& g, const Picture& sea, int band) {
    for (int offset = 0; offset < 1024; ++offset) {
        bool match = true;
        for (int row = kBandTops[band]; row < kBandTops[band + 1] && match; ++row) {
            for (int x = 0; x < 1024 && match; ++x) {
                match = shot.at(g.left + x, g.top + 410 + row) == sea.at((offset + x) % 1024, row);
            }
        }
        if (match) return offset;
    }
    return -1;
}

class SceneOnScreen : public ::testing::Test {
protected:
    void TearDown() override {
        stop(pid);
        if (HasFailure()) {
            const std::string path = "/tmp/lumaris-e2e-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".png";
            save(last, path);
            std::printf("screenshot saved as %s\n", path.c_str());
        }
    }
    Screenshot shoot() {
        last = capture();
        return last;
    }
    pid_t pid = -1;
    Screenshot last;
};

TEST_F(SceneOnScreen, DaySplashSkyAndSeaAsThePicturesHoldThem) {
    const auto started = std::chrono::steady_clock::now();
    pid = start({"/s"}, settingsFolder({}));
    ASSERT_NE(waitForWindow("QNVesmire Saver Running", 20), 0u) << "exit status " << waitExit(pid, 0);
    sleepFor(0.3);
    Screenshot shot = shoot();
    const Geometry g = geometryFor(shot);

    // The title splash, pixel for pixel.
    const Picture splash = picture("splashpic");
    int splashMismatches = 0;
    for (int y = 0; y < splash.height; ++y)
        for (int x = 0; x < splash.width; ++x) splashMismatches += shot.at(g.splashX + x, g.splashY + y) != splash.at(x, y);
    EXPECT_EQ(splashMismatches, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3)) << "splash seen late";

    // After the splash: every sky row at one offset, each band at its own.
    sleepFor(2.5);
    shot = shoot();
    const Picture sky = picture("skypicsource"), sea = picture("waterpicsource");
    const int skyOffset = loopOffset(shot, g.left, g.top + 200, 1024, sky, 200);
    ASSERT_GE(skyOffset, 2) << "the sky has moved";
    for (int y = 0; y < 410; ++y) {
        int mismatches = 0;
        for (int x = 0; x < 1024; ++x) mismatches += shot.at(g.left + x, g.top + y) != sky.at((skyOffset + x) % 1820, y);
        ASSERT_EQ(mismatches, 0) << "sky row " << y;
    }
    for (int band = 0; band < 10; ++band) {
        EXPECT_GE(bandOffset(shot, g, sea, band), 0) << "band " << band + 1 << " shows its rows of the sea";
    }
    // Black outside the strip.
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const bool inStrip = x >= g.left && x < g.left + 1024 && y >= g.top && y < g.top + 760;
            if (!inStrip) {
                ASSERT_EQ(shot.at(x, y), 0u) << "at " << x << "," << y;
            }
        }
    }

    // A second full-screen start ends at once while this one runs.
    const pid_t second = start({"/s"}, settingsFolder({}));
    EXPECT_EQ(waitExit(second, 5), 0);
}

TEST_F(SceneOnScreen, NightStarsMoonAndDarkSea) {
    pid = start({"/s"}, settingsFolder({"NIGHTMODE=True"}));
    ASSERT_NE(waitForWindow("QNVesmire Saver Running", 20), 0u) << "exit status " << waitExit(pid, 0);
    sleepFor(2.5);
    const Screenshot shot = shoot();
    const Geometry g = geometryFor(shot);

    // The moon, copied whole, at sky column 824, shown from column 1 on.
    const Picture moon = picture("picMoon");
    int moonMismatches = 0;
    for (int y = 0; y < moon.height; ++y)
        for (int x = 0; x < moon.width; ++x) moonMismatches += shot.at(g.left + 823 + x, g.top + 10 + y) != moon.at(x, y);
    EXPECT_EQ(moonMismatches, 0);

    // Elsewhere the sky is black with grey stars.
    int stars = 0;
    for (int y = 0; y < 410; ++y)
        for (int x = 0; x < 1024; ++x) {
            if (x >= 823 && x < 823 + 65 && y >= 10 && y < 76) continue;
            const std::uint32_t p = shot.at(g.left + x, g.top + y);
            const std::uint32_t r = p >> 16, gr = (p >> 8) & 255, b = p & 255;
            ASSERT_TRUE(r == gr && gr == b) << "a grey star or black at " << x << "," << y;
            stars += p != 0;
        }
    EXPECT_GT(stars, 600);

    const Picture dark = picture("picDarkWater");
    for (int band = 0; band < 10; ++band) {
        EXPECT_GE(bandOffset(shot, g, dark, band), 0) << "band " << band + 1 << " shows the dark sea";
    }
}

}  // namespace
}  // namespace lumaris::e2e
