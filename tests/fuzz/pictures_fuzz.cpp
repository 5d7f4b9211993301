// The decoder the program's pictures go through at start (SDL's BMP: every
// picture but the preview's) on any bytes, then the conversion to the
// program's pixel format. SDL_image's GIF decoder (the preview's one picture,
// compiled in) is left out: the installed version frees memory it never
// allocated on a crafted file (library-defects/), which no input of the
// program's users reaches.
#include <SDL.h>

#include <cstdint>
#include <cstdlib>

namespace {
// The size a header claims: the decoder allocates for it before reading a
// pixel, so claims beyond any picture of the program's are not decoded here
// (the program's own pictures are compiled in and far smaller).
bool claimsHugeSize(const std::uint8_t* d, std::size_t n) {
    auto s32 = [&](std::size_t at) {
        return at + 4 <= n ? static_cast<std::int32_t>(d[at] | d[at + 1] << 8 | d[at + 2] << 16 |
                                                       static_cast<std::uint32_t>(d[at + 3]) << 24)
                           : 0;
    };
    return std::llabs(s32(18)) * std::llabs(s32(22)) > 4096LL * 4096;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool bitmap = size > 2 && data[0] == 'B' && data[1] == 'M';
    if (!bitmap || claimsHugeSize(data, size)) return 0;
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
    SDL_Surface* raw = SDL_LoadBMP_RW(rw, 1);
    if (raw == nullptr) return 0;
    if (static_cast<long long>(raw->w) * raw->h <= 4096 * 4096) {
        SDL_Surface* converted = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_RGB888, 0);
        if (converted != nullptr) SDL_FreeSurface(converted);
    }
    SDL_FreeSurface(raw);
    return 0;
}
