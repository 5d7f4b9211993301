#include "platform/linux/sdl_window.h"

#include <SDL_image.h>
#include <SDL_syswm.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/linux/x11_windows.h"
#include "runtime/convert.h"
#include "runtime/failure.h"
#include "runtime/resources.h"

namespace lumaris::linux_backend {

namespace {

constexpr float kTwipsPerPixel = 15.0f;

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

// Blends label pixels (alpha in the top byte) over 0x00RRGGBB rows.
void blendOver(std::uint32_t* row, int width, const Surface& label, int left, int y) {
    const std::uint32_t* from = label.row(y);
    for (int x = 0; x < label.width(); ++x) {
        const int dx = left + x;
        if (dx < 0 || dx >= width) continue;
        const std::uint32_t p = from[x];
        const std::uint32_t a = p >> 24;
        if (a == 0) continue;
        const std::uint32_t q = row[dx];
        auto channel = [&](int shift) {
            const std::uint32_t s = (p >> shift) & 0xFF, d = (q >> shift) & 0xFF;
            return ((s * a + d * (255 - a)) / 255) << shift;
        };
        row[dx] = channel(16) | channel(8) | channel(0);
    }
}

}  // namespace

LabelPainter::~LabelPainter() {
    if (font_ != nullptr) TTF_CloseFont(font_);
}

const Surface* LabelPainter::render(const Label& label) {
    for (Cached& c : cache_) {
        if (c.label == &label && c.caption == label.caption) return &c.pixels;
    }
    if (!tried_) {
        tried_ = true;
        if (TTF_WasInit() != 0 || TTF_Init() == 0) {
            const std::string file = sansSerifFile();
            if (!file.empty()) font_ = TTF_OpenFont(file.c_str(), 12);
        }
    }
    if (font_ == nullptr || label.caption.empty()) return nullptr;
    const SDL_Color color{static_cast<Uint8>(label.color >> 16), static_cast<Uint8>(label.color >> 8),
                          static_cast<Uint8>(label.color), 255};
    SDL_Surface* text = TTF_RenderUTF8_Blended(font_, label.caption.c_str(), color);
    if (text == nullptr) return nullptr;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(text, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(text);
    if (argb == nullptr) return nullptr;
    Surface pixels("label", argb->w, argb->h);
    for (int y = 0; y < argb->h; ++y) {
        std::memcpy(pixels.row(y), static_cast<const std::uint8_t*>(argb->pixels) + y * argb->pitch,
                    sizeof(std::uint32_t) * static_cast<std::size_t>(argb->w));
    }
    SDL_FreeSurface(argb);
    auto found = std::find_if(cache_.begin(), cache_.end(), [&](const Cached& c) { return c.label == &label; });
    if (found == cache_.end()) {
        cache_.push_back({&label, label.caption, std::move(pixels)});
        return &cache_.back().pixels;
    }
    found->caption = label.caption;
    found->pixels = std::move(pixels);
    return &found->pixels;
}

void paintLabels(Surface& image, const std::vector<const Label*>& labels, LabelPainter& painter) {
    for (const Label* label : labels) {
        if (!label->visible) continue;
        const Surface* pixels = painter.render(*label);
        if (pixels == nullptr) continue;
        for (int y = 0; y < pixels->height(); ++y) {
            const int dy = label->top + y;
            if (dy < 0 || dy >= image.height()) continue;
            blendOver(image.row(dy), image.width(), *pixels, label->left, y);
        }
    }
}

SdlFormWindow::SdlFormWindow(const std::string& name) : image_(name, 0, 0) {
    if (!sdlVideoAvailable()) throw Failure(failures::kCannotCreate, std::string("No display: ") + SDL_GetError());
    SDL_Rect bounds{0, 0, 640, 480};
    SDL_GetDisplayBounds(0, &bounds);
    geometry_ = bounds;
    window_ = SDL_CreateWindow("", bounds.x, bounds.y, bounds.w, bounds.h,
                               SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP);
    if (window_ == nullptr) throw Failure(failures::kCannotCreate, std::string("No window: ") + SDL_GetError());
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_ == nullptr) {
        SDL_DestroyWindow(window_);
        throw Failure(failures::kCannotCreate, std::string("No renderer: ") + SDL_GetError());
    }
    image_.resize(bounds.w, bounds.h);
}

SdlFormWindow::~SdlFormWindow() {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
}

void SdlFormWindow::SetCaption(const std::string& caption) { SDL_SetWindowTitle(window_, caption.c_str()); }

void SdlFormWindow::Show() {
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    SDL_SetWindowInputFocus(window_);
}

void SdlFormWindow::applyGeometry() {
    SDL_SetWindowPosition(window_, geometry_.x, geometry_.y);
    SDL_SetWindowSize(window_, std::max(geometry_.w, 1), std::max(geometry_.h, 1));
    image_.resize(geometry_.w, geometry_.h);
}

void SdlFormWindow::SetWindowState(std::int32_t state) {
    if (state == 2) {  // maximised: the primary display
        SDL_GetDisplayBounds(0, &geometry_);
        applyGeometry();
    }
}

void SdlFormWindow::SetTop(float twips) {
    geometry_.y = static_cast<int>(std::lround(twips / kTwipsPerPixel));
    applyGeometry();
}
void SdlFormWindow::SetLeft(float twips) {
    geometry_.x = static_cast<int>(std::lround(twips / kTwipsPerPixel));
    applyGeometry();
}
void SdlFormWindow::SetWidth(float twips) {
    geometry_.w = static_cast<int>(std::lround(twips / kTwipsPerPixel));
    applyGeometry();
}
void SdlFormWindow::SetHeight(float twips) {
    geometry_.h = static_cast<int>(std::lround(twips / kTwipsPerPixel));
    applyGeometry();
}

Hwnd SdlFormWindow::hWnd() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window_, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
        return static_cast<Hwnd>(info.info.x11.window);
    }
    return 0;
}

void SdlFormWindow::Refresh() {
    if (image_.width() == 0 || image_.height() == 0) return;
    if (texture_ == nullptr || textureWidth_ != image_.width() || textureHeight_ != image_.height()) {
        if (texture_ != nullptr) SDL_DestroyTexture(texture_);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, image_.width(),
                                     image_.height());
        textureWidth_ = image_.width();
        textureHeight_ = image_.height();
        if (texture_ == nullptr) return;
    }
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) != 0) return;
    for (int y = 0; y < image_.height(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(pixels) + y * pitch);
        std::memcpy(row, image_.row(y), sizeof(std::uint32_t) * static_cast<std::size_t>(image_.width()));
    }
    for (const Label* label : labels_) {
        if (!label->visible) continue;
        const Surface* text = painter_.render(*label);
        if (text == nullptr) continue;
        for (int y = 0; y < text->height(); ++y) {
            const int dy = label->top + y;
            if (dy < 0 || dy >= image_.height()) continue;
            blendOver(reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(pixels) + dy * pitch),
                      image_.width(), *text, label->left, y);
        }
    }
    SDL_UnlockTexture(texture_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

Surface OffscreenFormSurface::composed() {
    Surface copy = image_;
    paintLabels(copy, labels_, painter_);
    return copy;
}

Surface SdlPictures::Load(const std::string& name, std::uint32_t background) {
    const auto bytes = findResource(kPictureType, name);
    if (bytes.empty()) throw Failure(failures::kFileNotFound, "File not found: picture " + name);
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    const bool bitmap = bytes.size() > 2 && bytes[0] == 'B' && bytes[1] == 'M';
    SDL_Surface* raw = bitmap ? SDL_LoadBMP_RW(rw, 1) : IMG_Load_RW(rw, 1);
    if (raw == nullptr) throw Failure(481, "Invalid picture: " + name + " (" + SDL_GetError() + ")");
    SDL_Surface* converted = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_RGB888, 0);
    SDL_FreeSurface(raw);
    if (converted == nullptr) throw Failure(failures::kOutOfMemory, "Out of memory");
    Surface surface(name, converted->w, converted->h, background);
    for (int y = 0; y < converted->h; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(converted->pixels) + y * converted->pitch;
        auto* to = surface.row(y);
        std::memcpy(to, row, sizeof(std::uint32_t) * static_cast<std::size_t>(converted->w));
        for (int x = 0; x < converted->w; ++x) to[x] &= 0x00FFFFFF;
    }
    SDL_FreeSurface(converted);
    return surface;
}

bool savePng(const Surface& image, const std::string& path) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, image.width(), image.height(), 32, SDL_PIXELFORMAT_RGB888);
    if (s == nullptr) return false;
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(static_cast<std::uint8_t*>(s->pixels) + y * s->pitch, image.row(y),
                    sizeof(std::uint32_t) * static_cast<std::size_t>(image.width()));
    }
    const bool ok = IMG_SavePNG(s, path.c_str()) == 0;
    SDL_FreeSurface(s);
    return ok;
}

std::uint32_t SdlAudio::waveOutGetNumDevs() {
    static const std::uint32_t devices = [] {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0u;
        const int n = SDL_GetNumAudioDevices(0);
        if (n > 0) return static_cast<std::uint32_t>(n);
        // Some drivers list no devices but open a default one.
        SDL_AudioSpec want{};
        want.freq = 16000;
        want.format = AUDIO_S16SYS;
        want.channels = 1;
        want.samples = 1024;
        const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (id == 0) return 0u;
        SDL_CloseAudioDevice(id);
        return 1u;
    }();
    return devices;
}

}  // namespace lumaris::linux_backend
