#include "e2e_support.h"

#include <SDL.h>
#include <SDL_image.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "platform/x11/x11_windows.h"
#include "runtime/resources.h"

extern char** environ;

namespace lumaris::e2e {

std::string binary() {
    const char* path = std::getenv("LUMARIS_BINARY");
    if (path == nullptr) throw std::runtime_error("LUMARIS_BINARY is not set");
    return path;
}

pid_t spawn(const std::vector<std::string>& words, const std::vector<std::string>& extra, int keepFd) {
    std::vector<std::string> w = words, env = extra;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e, key = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const auto& x : extra) replaced = replaced || x.rfind(key, 0) == 0;
        if (!replaced) env.push_back(entry);
    }
    std::vector<char*> argv, envp;
    for (auto& s : w) argv.push_back(s.data());
    for (auto& s : env) envp.push_back(s.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (keepFd >= 0) posix_spawn_file_actions_adddup2(&actions, keepFd, 3);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

pid_t start(const std::vector<std::string>& args, const std::string& configHome,
            const std::vector<std::string>& extra) {
    std::vector<std::string> words = {binary()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    // The program's settings, home and desktop options are the test's own;
    // the caller's environment wins for what it sets in `extra`.
    std::vector<std::string> env = extra;
    const std::vector<std::string> own = {"XDG_CONFIG_HOME=" + configHome, "HOME=" + configHome,
                                          "SDL_AUDIODRIVER=dummy", "GSETTINGS_BACKEND=memory"};
    auto isSet = [&](const std::string& entry) {
        const std::string key = entry.substr(0, entry.find('=') + 1);
        for (const auto& e : env) {
            if (e.rfind(key, 0) == 0) return true;
        }
        return false;
    };
    for (const auto& e : own) {
        if (!isSet(e)) env.push_back(e);
    }
    for (char** e = environ; *e != nullptr; ++e) {
        if (!isSet(*e)) env.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
    return pid;
}

int waitExit(pid_t pid, double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < until) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        sleepFor(0.02);
    }
    return -1;
}

void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

unsigned long waitForWindow(const std::string& title, double seconds) {
    x11::X11Windows windows;
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < until) {
        if (const Hwnd found = windows.FindWindowA(nullptr, title.c_str())) return static_cast<unsigned long>(found);
        sleepFor(0.02);
    }
    return 0;
}

Screenshot capture() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) throw std::runtime_error("no X display");
    const Window root = DefaultRootWindow(display);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, root, &attributes);
    XImage* image = XGetImage(display, root, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    Screenshot shot;
    shot.width = attributes.width;
    shot.height = attributes.height;
    shot.pixels.resize(static_cast<std::size_t>(shot.width) * shot.height);
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            shot.pixels[static_cast<std::size_t>(y) * shot.width + x] = XGetPixel(image, x, y) & 0xFFFFFF;
    XDestroyImage(image);
    XCloseDisplay(display);
    return shot;
}

int loopOffset(const Screenshot& shot, int x0, int y, int width, const Picture& p, int pictureRow) {
    for (int offset = 0; offset < p.width; ++offset) {
        bool match = true;
        for (int x = 0; x < width && match; ++x) {
            match = shot.at(x0 + x, y) == p.at((offset + x) % p.width, pictureRow);
        }
        if (match) return offset;
    }
    return -1;
}

Screenshot shrunk(const Screenshot& shot, int k) {
    Screenshot small;
    small.width = shot.width / k;
    small.height = shot.height / k;
    for (int y = 0; y < small.height; ++y)
        for (int x = 0; x < small.width; ++x) {
            const std::uint32_t p = shot.at(x * k, y * k);
            for (int i = 0; i < k * k; ++i) {
                if (shot.at(x * k + i % k, y * k + i / k) != p) return Screenshot{};
            }
            small.pixels.push_back(p);
        }
    return small;
}

bool showsStripRow(const Screenshot& shot, int x0, int y, int width, int lift) {
    static const Picture sky = picture("skypicsource"), sea = picture("waterpicsource");
    const int row = y + lift;
    return row < 410 ? loopOffset(shot, x0, y, width, sky, row) >= 0
                     : loopOffset(shot, x0, y, width, sea, row - 410) >= 0;
}

namespace {

// A decoded picture as 0x00RRGGBB pixels, row after row; frees `raw`.
std::vector<std::uint32_t> pixelsOf(SDL_Surface* raw, int& width, int& height) {
    SDL_Surface* s = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_RGB888, 0);
    SDL_FreeSurface(raw);
    if (s == nullptr) throw std::runtime_error("cannot convert a picture");
    width = s->w;
    height = s->h;
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(s->w) * s->h);
    for (int y = 0; y < s->h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(s->pixels) +
                                                                 y * s->pitch);
        for (int x = 0; x < s->w; ++x) pixels.push_back(row[x] & 0xFFFFFF);
    }
    SDL_FreeSurface(s);
    return pixels;
}

}  // namespace

Picture picture(const std::string& name) {
    const auto bytes = findResource(kPictureType, name);
    SDL_Surface* raw = IMG_Load_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1);
    if (raw == nullptr) throw std::runtime_error("cannot decode " + name);
    Picture p;
    p.pixels = pixelsOf(raw, p.width, p.height);
    return p;
}

Screenshot readPicture(const std::string& path) {
    SDL_Surface* raw = IMG_Load(path.c_str());
    if (raw == nullptr) throw std::runtime_error("cannot read " + path);
    Screenshot shot;
    shot.pixels = pixelsOf(raw, shot.width, shot.height);
    return shot;
}

std::string settingsFolder(const std::vector<std::string>& lines) {
    char pattern[] = "/tmp/lumaris-e2e-XXXXXX";
    const std::string folder = mkdtemp(pattern);
    std::ofstream file(folder + "/QN Vesmire Lumaris.ini");
    file << "[Settings]\n";
    for (const auto& line : lines) file << line << "\n";
    return folder;
}

void sleepFor(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

void save(const Screenshot& shot, const std::string& path) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, shot.width, shot.height, 32, SDL_PIXELFORMAT_RGB888);
    for (int y = 0; y < shot.height; ++y) {
        std::memcpy(static_cast<std::uint8_t*>(s->pixels) + y * s->pitch, &shot.pixels[static_cast<std::size_t>(y) * shot.width],
                    sizeof(std::uint32_t) * static_cast<std::size_t>(shot.width));
    }
    IMG_SavePNG(s, path.c_str());
    SDL_FreeSurface(s);
}

}  // namespace lumaris::e2e
