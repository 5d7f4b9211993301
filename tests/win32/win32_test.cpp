// The Windows back end's own logic on the real system calls (under Wine):
// the command line, the file search, the settings in the registry, and
// GDI's copies and lines giving exactly what the shared raster code gives.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>

#include "app/forms.h"
#include "platform/win32/win32_graphics.h"
#include "platform/win32/win32_host.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_toolkit.h"
#include "runtime/failure.h"
#include "startup/lumz_submain.h"

namespace lumaris::win32_backend {
namespace {

TEST(CommandLine, TheProgramsPathIsLeftOut) {
    const std::pair<const char*, const char*> cases[] = {
        {"\"C:\\Program Files\\Lumaris.scr\" /s", "/s"},
        {"Lumaris.scr /p 1234", "/p 1234"},
        {"C:\\WINDOWS\\LUMARIS.SCR   /c:4567", "/c:4567"},
        {"\"Lumaris.scr\"", ""},
        {"Lumaris.scr", ""},
    };
    for (const auto& [line, arguments] : cases) EXPECT_EQ(argumentsOf(line), arguments) << line;
}

TEST(FileSearch, OnlyPlainFilesWhoseOwnNameMatches) {
    EXPECT_TRUE(matchesWildcard("*.mp3", "Song.MP3"));
    EXPECT_TRUE(matchesWildcard("a?c*", "abcdef"));
    EXPECT_FALSE(matchesWildcard("*.mp3", "song.mp3x"));
    EXPECT_FALSE(matchesWildcard("*.mp3", "mp3"));

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "lumaris-search-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    for (const char* name : {"a.mp3", "B.MP3", "c.mp3x", "hidden.mp3", "notes.txt"}) {
        const HANDLE file = CreateFileA((folder + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0,
                                        nullptr);
        CloseHandle(file);
    }
    SetFileAttributesA((folder + "\\hidden.mp3").c_str(), FILE_ATTRIBUTE_HIDDEN);
    CreateDirectoryA((folder + "\\d.mp3").c_str(), nullptr);

    Win32Files files;
    std::set<std::string> found;
    for (std::string name = files.Dir(folder + "\\*.mp3"); !name.empty(); name = files.DirNext()) found.insert(name);
    EXPECT_EQ(found, (std::set<std::string>{"a.mp3", "B.MP3"}));
    EXPECT_EQ(files.Dir(folder + "\\missing\\*.mp3"), "");

    for (const char* name : {"a.mp3", "B.MP3", "c.mp3x", "hidden.mp3", "notes.txt"}) {
        SetFileAttributesA((folder + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA((folder + "\\" + name).c_str());
    }
    RemoveDirectoryA((folder + "\\d.mp3").c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(RegistryStore, TextValuesWithKeysInAnyCase) {
    const std::string application = "Lumaris Test " + std::to_string(GetCurrentProcessId());
    RegistryStore store;
    EXPECT_EQ(store.GetSetting(application, "Settings", "SPEED", "100"), "100");
    store.SaveSetting(application, "Settings", "Speed", "120");
    store.SaveSetting(application, "Settings", "MUSICDIR", "");
    EXPECT_EQ(store.GetSetting(application, "Settings", "SPEED", "100"), "120");
    EXPECT_EQ(store.GetSetting(application, "Settings", "musicdir", "c:\\"), "");

    // A number stored by hand (a DWORD value) reads as its decimal text.
    HKEY key = nullptr;
    const std::string path = "Software\\" + application + "\\Settings";
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    const DWORD ninety = 90;
    RegSetValueExA(key, "SPEED", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&ninety), sizeof(ninety));
    RegCloseKey(key);
    EXPECT_EQ(store.GetSetting(application, "Settings", "SPEED", "100"), "90");
    RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\" + application).c_str());
}

// Two pictures in DIB sections with the same pixels as two plain ones.
struct Pair {
    DibImage image;
    Surface drawn;  // in the DIB section, drawn on by GDI
    Surface plain;  // in memory of its own, drawn on by the raster code
    Pair(int width, int height, std::uint32_t seed) : image(width, height), drawn("dib", width, height) {
        drawn.attach(image.bits(), true);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) drawn.setPixel(x, y, (seed * 2654435761u + x * 40503u + y * 9176u) & 0xFFFFFF);
        plain = drawn;
    }
};

TEST(Win32Gdi, CopiesAndLinesGiveWhatTheRasterCodeGives) {
    struct Copy {
        int x, y, w, h, sx, sy;
        std::uint32_t rop;
    };
    const Copy copies[] = {
        {10, 12, 30, 20, 5, 7, Rop::SrcCopy},    // inside both
        {-8, -4, 40, 30, 0, 0, Rop::SrcAnd},     // off the destination's top left
        {70, 50, 60, 40, 0, 0, Rop::SrcPaint},   // past the destination's edge
        {0, 0, 50, 50, 40, 30, Rop::SrcCopy},    // past the source's edge
        {5, 5, 20, 20, -10, -6, Rop::SrcCopy},   // before the source's start
        {3, 3, 0, 10, 0, 0, Rop::SrcCopy},       // nothing
        {3, 3, -5, 10, 0, 0, Rop::SrcCopy},      // nothing
    };
    Win32Gdi gdi;
    Pair destination(96, 64, 1), source(64, 48, 2);
    gdi.know(destination.drawn, destination.image);
    gdi.know(source.drawn, source.image);
    for (const Copy& c : copies) {
        gdi.BitBlt(destination.drawn, c.x, c.y, c.w, c.h, source.drawn, c.sx, c.sy, c.rop);
        blit(destination.plain, c.x, c.y, c.w, c.h, source.plain, c.sx, c.sy, c.rop);
    }
    // The stars of the night sky (two pixels on a diagonal), and straight
    // and diagonal lines; other slopes follow GDI's own rule for ties.
    const int lines[][4] = {{4, 4, 5, 5}, {90, 2, 91, 3}, {10, 60, 40, 60}, {50, 5, 50, 40}, {60, 10, 40, 30}};
    for (const auto& l : lines) {
        gdi.Line(destination.drawn, l[0], l[1], l[2], l[3], 0x808080);
        drawLine(destination.plain, l[0], l[1], l[2], l[3], 0x808080);
    }
    GdiFlush();
    int different = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 96; ++x) different += destination.drawn.pixel(x, y) != destination.plain.pixel(x, y);
    EXPECT_EQ(different, 0);
    EXPECT_EQ(gdi.BitBlt(destination.drawn, 0, 0, 1, 1, source.drawn, 0, 0, 0x00330008), 0) << "an unknown operation";
    gdi.forget(destination.image);
    gdi.forget(source.image);
    destination.drawn.detach();
    source.drawn.detach();
}

TEST(Win32Pictures, TheBuiltInBitmapsLoadAndAMissingOneIsAFailure) {
    Win32Gdi gdi;
    Win32Pictures pictures(gdi);
    const Surface splash = pictures.Load("splashpic", 0);
    EXPECT_GT(splash.width(), 0);
    EXPECT_GT(splash.height(), 0);
    // Not black all over: the colours came through.
    EXPECT_TRUE(std::any_of(splash.row(0), splash.row(0) + splash.width(), [](std::uint32_t p) { return p != 0; }));
    EXPECT_THROW(pictures.Load("nosuchpicture", 0), Failure);
}

// The process as a preview in a host window of this test sees it.
class PreviewApp : public Win32App {
public:
    explicit PreviewApp(HWND host) : command_("/p " + std::to_string(reinterpret_cast<INT_PTR>(host))) {}
    std::string Command() override { return command_; }
    bool PrevInstance() override { return false; }

private:
    std::string command_;
};

// In a host twice the picture's size or more, every pixel of the picture
// is a 2 x 2 block.
TEST(Preview, ThePictureSitsAtTheHostsTopLeftInWholeBlocks) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "LumarisPreviewTestHost";
    RegisterClassA(&windowClass);
    for (const auto& [width, height, k] : {std::tuple{240, 180, 1}, std::tuple{330, 250, 2}}) {
        SCOPED_TRACE(width);
        // Larger than the picture: what lies beyond it stays the form's own.
        const HWND host = CreateWindowExA(0, windowClass.lpszClassName, "host", WS_POPUP | WS_VISIBLE, 0, 0, width,
                                          height, nullptr, nullptr, windowClass.hInstance, nullptr);
        ASSERT_NE(host, nullptr);
        PreviewApp app(host);
        Win32Host services;
        Platform platform = services.platform(app);
        Win32Loop loop;
        Win32Toolkit toolkit(loop, services.gdi);
        LumzSubMain module;
        const Surface sunset = services.pictures.Load("preview", 0);
        {
            ProgramForms forms(module, platform, toolkit);
            Main(module, platform, forms);
            forms.afterMain();
            const HWND preview = GetWindow(host, GW_CHILD);
            ASSERT_NE(preview, nullptr);
            EXPECT_TRUE(IsChild(host, preview));
            for (const DWORD until = GetTickCount() + 600; GetTickCount() < until;) {
                MSG message;
                while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
                Sleep(10);
            }
            // What the host shows, read back from its window.
            DibImage shown(width, height);
            const HDC dc = GetDC(host);
            BitBlt(shown.dc(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
            ReleaseDC(host, dc);
            GdiFlush();
            // Every pixel of the picture but those under the scrolling credit.
            int same = 0;
            for (int y = 0; y < sunset.height() * k; ++y)
                for (int x = 0; x < sunset.width() * k; ++x) {
                    same += shown.bits()[y * width + x] == sunset.pixel(x / k, y / k);
                }
            EXPECT_GT(same, sunset.width() * sunset.height() * k * k * 8 / 10);
        }
        DestroyWindow(host);
    }
}

}  // namespace
}  // namespace lumaris::win32_backend
