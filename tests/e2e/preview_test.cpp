// The preview of the real program inside a host window made by the test:
// the picture at the top-left, black elsewhere, the credit text moving up,
// and the end of the process with its host.
// gtest first: the X headers define macros (None, Status) that clash with it.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
// clang-format on

#include <string>

#include "e2e_support.h"

namespace lumaris::e2e {
namespace {

class Preview : public ::testing::Test {
protected:
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
    }
    void TearDown() override {
        stop(pid);
        XCloseDisplay(display);
    }
    // A host window at (x, y) of the given size, shown.
    void makeHost(int x, int y, int w, int h) {
        host = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, w, h, 0, 0, WhitePixel(display, 0));
        XMapWindow(display, host);
        XSync(display, False);
        hostX = x;
        hostY = y;
    }
    void startPreview() {
        pid = start({"/p", std::to_string(host)}, settingsFolder({}));
        ASSERT_GT(pid, 0);
        sleepFor(1.5);
    }
    // The topmost row of the host with yellow text in it, or -1.
    int topOfText(const Screenshot& shot, int height) {
        for (int y = 0; y < height; ++y)
            for (int x = 20; x < 139; ++x) {
                const std::uint32_t p = shot.at(hostX + x, hostY + y);
                if ((p >> 16) > 200 && ((p >> 8) & 255) > 200 && (p & 255) < 90) return y;
            }
        return -1;
    }
    Display* display = nullptr;
    Window host = 0;
    int hostX = 0, hostY = 0;
    pid_t pid = -1;
};

TEST_F(Preview, PictureAtTheTopLeftBlackAroundAndTextMovingUp) {
    makeHost(50, 60, 300, 200);
    startPreview();
    const Screenshot first = capture();
    const Picture sunset = picture("preview");
    const int text = topOfText(first, 200);
    ASSERT_GE(text, 0) << "the credit text is in view";
    int mismatches = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            const bool underText = x >= 20 && x < 139 && y >= text;
            if (!underText) mismatches += first.at(hostX + x, hostY + y) != sunset.at(x, y);
        }
    EXPECT_EQ(mismatches, 0) << "the picture, unstretched, at the top-left";
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            const bool pictureOrText = (x < 160 && y < 120) || (x >= 20 && x < 139);
            if (!pictureOrText) {
                ASSERT_EQ(first.at(hostX + x, hostY + y), 0u) << x << "," << y;
            }
        }
    sleepFor(1.0);
    const int later = topOfText(capture(), 200);
    EXPECT_LT(later, text) << "the text moves up";
    EXPECT_GE(text - later, 8) << "about one pixel per 80 ms";
}

TEST_F(Preview, ASmallerHostShowsTheTopLeftPart) {
    makeHost(10, 10, 100, 80);
    startPreview();
    const Screenshot shot = capture();
    const Picture sunset = picture("preview");
    int mismatches = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 20; ++x) mismatches += shot.at(hostX + x, hostY + y) != sunset.at(x, y);
    EXPECT_EQ(mismatches, 0);
}

// A host twice the picture's size shows it doubled, and the text with it.
TEST_F(Preview, AHostTwiceThePictureSizeShowsItDoubled) {
    makeHost(50, 60, 320, 240);
    startPreview();
    const Screenshot shot = capture();
    const Picture sunset = picture("preview");
    int text = -1;
    for (int y = 0; y < 240 && text < 0; ++y)
        for (int x = 40; x < 278 && text < 0; ++x) {
            const std::uint32_t p = shot.at(hostX + x, hostY + y);
            if ((p >> 16) > 200 && ((p >> 8) & 255) > 200 && (p & 255) < 90) text = y;
        }
    ASSERT_GE(text, 0) << "the credit text is in view";
    int mismatches = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            if (x >= 40 && x < 278 && y >= text) continue;
            mismatches += shot.at(hostX + x, hostY + y) != sunset.at(x / 2, y / 2);
        }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(Preview, EndsWithItsHost) {
    makeHost(10, 10, 160, 120);
    startPreview();
    EXPECT_EQ(waitExit(pid, 0), -1) << "runs while the host is there";
    XDestroyWindow(display, host);
    XSync(display, False);
    EXPECT_EQ(waitExit(pid, 1.0), 0);
    pid = -1;
}

TEST_F(Preview, NoSuchWindowEndsQuietly) {
    pid = start({"/p", "12345"}, settingsFolder({}));
    EXPECT_EQ(waitExit(pid, 5), 0);
    pid = -1;
    EXPECT_EQ(waitForWindow("Preview QNVesmire Saver", 0.2), 0u);
}

}  // namespace
}  // namespace lumaris::e2e
