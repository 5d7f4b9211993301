#include "platform/sdl/sdl_pictures.h"

#include <SDL.h>
#include <SDL_image.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "runtime/failure.h"
#include "runtime/resources.h"

namespace lumaris::sdl {

Surface SdlPictures::Load(const std::string& name, std::uint32_t background) {
    const auto bytes = findResource(kPictureType, name);
    if (bytes.empty()) throw Failure(failures::kFileNotFound, "File not found: picture " + name);
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    const bool bitmap = bytes.size() > 2 && bytes[0] == 'B' && bytes[1] == 'M';
    using OwnedSurface = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;
    const OwnedSurface raw(bitmap ? SDL_LoadBMP_RW(rw, 1) : IMG_Load_RW(rw, 1), SDL_FreeSurface);
    if (raw == nullptr) throw Failure(481, "Invalid picture: " + name + " (" + SDL_GetError() + ")");
    Surface surface(name, raw->w, raw->h, background);
    // A picture with a palette (all of ours) is looked up straight into the
    // surface: no converted copy of it, which at start-up is most of what
    // loading costs.
    if (const SDL_Palette* palette = raw->format->palette; palette != nullptr && raw->format->BitsPerPixel == 8) {
        std::uint32_t colours[256] = {};
        for (int i = 0; i < std::min(palette->ncolors, 256); ++i) {
            const SDL_Color& c = palette->colors[i];
            colours[i] = rgb(c.r, c.g, c.b);
        }
        for (int y = 0; y < raw->h; ++y) {
            const auto* from = static_cast<const std::uint8_t*>(raw->pixels) + y * raw->pitch;
            std::uint32_t* to = surface.row(y);
            for (int x = 0; x < raw->w; ++x) to[x] = colours[from[x]];
        }
        return surface;
    }
    const OwnedSurface converted(SDL_ConvertSurfaceFormat(raw.get(), SDL_PIXELFORMAT_RGB888, 0), SDL_FreeSurface);
    if (converted == nullptr) throw Failure(failures::kOutOfMemory, "Out of memory");
    for (int y = 0; y < converted->h; ++y) {
        const auto* from = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(converted->pixels) +
                                                                  y * converted->pitch);
        std::uint32_t* to = surface.row(y);
        for (int x = 0; x < converted->w; ++x) to[x] = from[x] & 0x00FFFFFF;
    }
    return surface;
}

namespace {

// A stream onto a file descriptor that remembers any write that failed.
struct CheckedFile {
    int fd;
    bool failed;
};

size_t checkedWrite(SDL_RWops* rw, const void* data, size_t size, size_t count) {
    auto* file = static_cast<CheckedFile*>(rw->hidden.unknown.data1);
    const auto* bytes = static_cast<const char*>(data);
    std::size_t left = size * count;
    while (left > 0 && !file->failed) {
        const ssize_t n = ::write(file->fd, bytes, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            file->failed = true;
            break;
        }
        bytes += n;
        left -= static_cast<std::size_t>(n);
    }
    return file->failed ? 0 : count;
}

}  // namespace

bool SdlPictures::SavePng(const Surface& image, const std::string& path) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, image.width(), image.height(), 32, SDL_PIXELFORMAT_RGB888);
    if (s == nullptr) return false;
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(static_cast<std::uint8_t*>(s->pixels) + y * s->pitch, image.row(y),
                    sizeof(std::uint32_t) * static_cast<std::size_t>(image.width()));
    }
    // Written beside the target and renamed over it only once every write,
    // the flush and the close succeeded: a full disk leaves no cut picture.
    std::string temporary = path + ".XXXXXX";
    CheckedFile file{::mkstemp(temporary.data()), false};
    if (file.fd < 0) {
        SDL_FreeSurface(s);
        return false;
    }
    ::fchmod(file.fd, 0644);
    SDL_RWops* rw = SDL_AllocRW();
    bool ok = rw != nullptr;
    if (ok) {
        rw->type = SDL_RWOPS_UNKNOWN;
        rw->write = &checkedWrite;
        rw->close = [](SDL_RWops* self) {
            SDL_FreeRW(self);
            return 0;
        };
        rw->hidden.unknown.data1 = &file;
        ok = IMG_SavePNG_RW(s, rw, 1) == 0;
    }
    SDL_FreeSurface(s);
    ok = ok && !file.failed && ::fsync(file.fd) == 0;
    ok = ::close(file.fd) == 0 && ok;
    ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) std::remove(temporary.c_str());
    return ok;
}


}  // namespace lumaris::sdl
