// The window calls of the Linux back end against a real X server: embedding a
// window in a host, the host's size, finding a window by its exact title,
// and bad handles that must not end the program.
// gtest first: the X headers define macros (None, Status) that clash with it.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on

#include "platform/x11/x11_windows.h"

namespace lumaris {
namespace {

using x11::X11Windows;

class X11Test : public ::testing::Test {
protected:
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "needs an X server";
    }
    void TearDown() override {
        if (display != nullptr) XCloseDisplay(display);
    }
    Window makeWindow(Window parent, int width, int height, const char* title) {
        const Window w = XCreateSimpleWindow(display, parent, 10, 10, width, height, 0, 0, 0);
        if (title != nullptr) XStoreName(display, w, title);
        XSync(display, False);
        return w;
    }
    Window parentOf(Window w) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        XQueryTree(display, w, &root, &parent, &children, &count);
        if (children != nullptr) XFree(children);
        return parent;
    }
    Display* display = nullptr;
};

TEST_F(X11Test, EmbedsAWindowInAHostAndFillsItsClientArea) {
    const Window root = DefaultRootWindow(display);
    const Window host = makeWindow(root, 152, 112, "host");
    XMapWindow(display, host);
    const Window child = makeWindow(root, 300, 300, "Preview QNVesmire Saver");
    X11Windows windows;

    Rect rect;
    ASSERT_NE(windows.GetClientRect(static_cast<Hwnd>(host), rect), 0);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, 152);
    EXPECT_EQ(rect.bottom, 112);

    EXPECT_EQ(windows.SetParent(static_cast<Hwnd>(child), static_cast<Hwnd>(host)), static_cast<Hwnd>(root));
    EXPECT_NE(windows.SetWindowPos(static_cast<Hwnd>(child), 0, 0, 0, rect.right, rect.bottom,
                                   kSwpNoZOrder | kSwpNoActivate | kSwpShowWindow),
              0);
    XSync(display, False);
    EXPECT_EQ(parentOf(child), host);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, child, &attributes);
    EXPECT_EQ(attributes.x, 0);
    EXPECT_EQ(attributes.y, 0);
    EXPECT_EQ(attributes.width, 152);
    EXPECT_EQ(attributes.height, 112);
    EXPECT_EQ(attributes.map_state, IsViewable);
}

TEST_F(X11Test, StylesAreKeptPerWindow) {
    X11Windows windows;
    EXPECT_EQ(windows.SetWindowLongA(7, kGwlStyle, kWsChild), 0);
    EXPECT_EQ(windows.GetWindowLongA(7, kGwlStyle), kWsChild);
    EXPECT_EQ(windows.GetWindowLongA(8, kGwlStyle), 0);
}

TEST_F(X11Test, FindsTopLevelWindowsByTheirExactTitle) {
    const Window root = DefaultRootWindow(display);
    const Window running = makeWindow(root, 50, 50, "QNVesmire Saver Running");
    makeWindow(root, 50, 50, "QNVesmire Saver Running (old)");
    X11Windows windows;
    EXPECT_EQ(windows.FindWindowA(nullptr, "QNVesmire Saver Running"), static_cast<Hwnd>(running));
    EXPECT_EQ(windows.FindWindowA(nullptr, "QNVesmire Saver"), 0);
    XDestroyWindow(display, running);
    XSync(display, False);
    EXPECT_EQ(windows.FindWindowA(nullptr, "QNVesmire Saver Running"), 0);
}

TEST_F(X11Test, BadHandlesFailQuietly) {
    X11Windows windows;
    Rect rect{1, 2, 3, 4};
    EXPECT_EQ(windows.GetClientRect(12345, rect), 0);
    EXPECT_EQ(rect.right, 0);
    EXPECT_EQ(rect.bottom, 0);
    EXPECT_EQ(windows.SetParent(12345, 67890), 0);
    EXPECT_EQ(windows.SetWindowPos(12345, 0, 0, 0, 10, 10, kSwpShowWindow), 0);
    // Still usable afterwards.
    const Window host = makeWindow(DefaultRootWindow(display), 40, 30, nullptr);
    ASSERT_NE(windows.GetClientRect(static_cast<Hwnd>(host), rect), 0);
    EXPECT_EQ(rect.right, 40);
}

TEST_F(X11Test, MonitorsAndVirtualDesktopComeFromTheDisplays) {
    X11Windows windows;
    EXPECT_EQ(windows.GetSystemMetrics(kSmCMonitors), 1);
    EXPECT_EQ(windows.GetSystemMetrics(kSmXVirtualScreen), 0);
    EXPECT_EQ(windows.GetSystemMetrics(kSmYVirtualScreen), 0);
    EXPECT_EQ(windows.GetSystemMetrics(kSmCxVirtualScreen), 1024);
    EXPECT_EQ(windows.GetSystemMetrics(kSmCyVirtualScreen), 768);
    x11::SdlScreen screen(windows);
    EXPECT_EQ(screen.Width(), 1024.0f * 15.0f);
    EXPECT_EQ(screen.Height(), 768.0f * 15.0f);
}

}  // namespace
}  // namespace lumaris
