// The decoders the program's pictures go through at start (SDL's BMP and
// SDL_image's GIF) on any bytes, then the conversion to the program's pixel
// format.
#include <SDL.h>
#include <SDL_image.h>

#include <cstdint>
#include <cstdlib>

namespace {
// The size a header claims: the decoders allocate for it before reading a
// pixel, so claims beyond any picture of the program's are not decoded here
// (the program's own pictures are compiled in and far smaller).
bool claimsHugeSize(const std::uint8_t* d, std::size_t n, bool bitmap) {
    auto u16 = [&](std::size_t at) { return at + 2 <= n ? d[at] | d[at + 1] << 8 : 0; };
    auto s32 = [&](std::size_t at) {
        return at + 4 <= n ? static_cast<std::int32_t>(d[at] | d[at + 1] << 8 | d[at + 2] << 16 |
                                                       static_cast<std::uint32_t>(d[at + 3]) << 24)
                           : 0;
    };
    const long long limit = 4096LL * 4096;
    if (bitmap) return std::llabs(s32(18)) * std::llabs(s32(22)) > limit;
    if (static_cast<long long>(u16(6)) * u16(8) > limit) return true;
    // Every place that could start a GIF image block (',' then left, top,
    // width, height).
    for (std::size_t at = 13; at + 9 <= n; ++at) {
        if (d[at] == ',' && static_cast<long long>(u16(at + 5)) * u16(at + 7) > limit) return true;
    }
    return false;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool bitmap = size > 2 && data[0] == 'B' && data[1] == 'M';
    const bool gif = size > 3 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F';
    // The program's pictures are bitmaps and one GIF.
    if ((!bitmap && !gif) || claimsHugeSize(data, size, bitmap)) return 0;
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
    SDL_Surface* raw = bitmap ? SDL_LoadBMP_RW(rw, 1) : IMG_LoadGIF_RW(rw);
    if (!bitmap) SDL_RWclose(rw);
    if (raw == nullptr) return 0;
    if (static_cast<long long>(raw->w) * raw->h <= 4096 * 4096) {
        SDL_Surface* converted = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_RGB888, 0);
        if (converted != nullptr) SDL_FreeSurface(converted);
    }
    SDL_FreeSurface(raw);
    return 0;
}
