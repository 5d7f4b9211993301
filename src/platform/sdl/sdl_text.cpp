#include "platform/sdl/sdl_text.h"

#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <string>

namespace lumaris::sdl {

namespace {

std::string sansSerifFile() {
    std::string path;
    if (FcInit() == FcFalse) return path;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match != nullptr) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
            path = reinterpret_cast<const char*>(file);
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return path;
}

}  // namespace

TextRenderer::~TextRenderer() {
    for (const Font& f : fonts_) TTF_CloseFont(f.font);
}

TTF_Font* TextRenderer::font(int size, bool bold) {
    for (const Font& f : fonts_) {
        if (f.size == size && f.bold == bold) return f.font;
    }
    if (TTF_WasInit() == 0 && TTF_Init() != 0) return nullptr;
    static const std::string file = sansSerifFile();
    if (file.empty()) return nullptr;
    TTF_Font* opened = TTF_OpenFont(file.c_str(), size);
    if (opened == nullptr) return nullptr;
    if (bold) TTF_SetFontStyle(opened, TTF_STYLE_BOLD);
    fonts_.push_back({size, bold, opened});
    return opened;
}

const Surface* TextRenderer::Render(const std::string& text, std::uint32_t color, int size, bool bold, int wrapWidth,
                                    bool centred) {
    if (const Surface* kept = cache_.find(text, color, size, bold, wrapWidth, centred)) return kept;
    TTF_Font* f = font(size, bold);
    if (f == nullptr || text.empty()) return nullptr;
    std::string lines;
    for (char ch : text) {
        if (ch != '\r') lines += ch;
    }
    const SDL_Color sdlColor{static_cast<Uint8>(color >> 16), static_cast<Uint8>(color >> 8),
                             static_cast<Uint8>(color), 255};
    SDL_Surface* rendered = nullptr;
    if (wrapWidth > 0) {
        TTF_SetFontWrappedAlign(f, centred ? TTF_WRAPPED_ALIGN_CENTER : TTF_WRAPPED_ALIGN_LEFT);
        rendered = TTF_RenderUTF8_Blended_Wrapped(f, lines.c_str(), sdlColor, static_cast<Uint32>(wrapWidth));
    } else {
        rendered = TTF_RenderUTF8_Blended(f, lines.c_str(), sdlColor);
    }
    if (rendered == nullptr) return nullptr;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    if (argb == nullptr) return nullptr;
    // A wrapped label keeps its own width, its lines centred inside it.
    const int width = wrapWidth > 0 ? wrapWidth : argb->w;
    const int offset = wrapWidth > 0 ? (wrapWidth - argb->w) / 2 : 0;
    Surface pixels("text", width, argb->h);
    for (int y = 0; y < argb->h; ++y) {
        const auto* from = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(argb->pixels) +
                                                                  y * argb->pitch);
        for (int x = 0; x < argb->w; ++x) {
            if (x + offset >= 0 && x + offset < width) pixels.setPixel(x + offset, y, from[x]);
        }
    }
    SDL_FreeSurface(argb);
    return cache_.keep(TextCache::Key{text, color, size, bold, wrapWidth, centred}, std::move(pixels));
}

}  // namespace lumaris::sdl
