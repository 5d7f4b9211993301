// Form windows on Linux, drawn with SDL2.
//
// Implements: a borderless window whose persistent back image is uploaded
// to a streaming texture and presented (with vsync where the driver offers
// it) on refresh, labels drawn over it with the system's sans-serif font
// through SDL2_ttf, geometry in twips at 15 twips per pixel, the maximised
// state as the primary display's bounds, the window id for the X11 handle.
// Also the off-screen window used for snapshots, and the built-in pictures
// decoded by SDL (BMP) and SDL2_image (GIF).
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/graphics.h"

typedef struct _TTF_Font TTF_Font;

namespace lumaris::linux_backend {

// Draws labels with the system's sans-serif font; caches each label's text.
class LabelPainter {
public:
    ~LabelPainter();
    // The label's pixels, rendered anew only when its caption changes.
    const Surface* render(const Label& label);

private:
    TTF_Font* font_ = nullptr;
    bool tried_ = false;
    struct Cached {
        const Label* label;
        std::string caption;
        Surface pixels;
    };
    std::vector<Cached> cache_;
};

// Draws the visible labels into a copy of the image (for snapshots).
void paintLabels(Surface& image, const std::vector<const Label*>& labels, LabelPainter& painter);

class SdlFormWindow : public FormSurface {
public:
    explicit SdlFormWindow(const std::string& name);
    ~SdlFormWindow() override;
    SdlFormWindow(const SdlFormWindow&) = delete;
    SdlFormWindow& operator=(const SdlFormWindow&) = delete;

    void SetCaption(const std::string& caption) override;
    void Show() override;
    void SetWindowState(std::int32_t state) override;
    void SetTop(float twips) override;
    void SetLeft(float twips) override;
    void SetWidth(float twips) override;
    void SetHeight(float twips) override;
    Hwnd hWnd() override;
    Surface& Image() override { return image_; }
    void Refresh() override;
    void AddLabel(const Label& label) override { labels_.push_back(&label); }

    std::uint32_t windowId() const { return SDL_GetWindowID(window_); }

private:
    void applyGeometry();
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureWidth_ = 0, textureHeight_ = 0;
    Surface image_;
    SDL_Rect geometry_{0, 0, 0, 0};
    std::vector<const Label*> labels_;
    LabelPainter painter_;
};

// A window that is never shown: its image is the whole result.
class OffscreenFormSurface : public FormSurface {
public:
    OffscreenFormSurface(int width, int height) : width_(width), height_(height), image_("form", width, height) {}
    void SetCaption(const std::string&) override {}
    void Show() override {}
    void SetWindowState(std::int32_t) override { image_.resize(width_, height_); }
    void SetTop(float) override {}
    void SetLeft(float) override {}
    void SetWidth(float twips) override { image_.resize(static_cast<int>(twips / 15), image_.height()); }
    void SetHeight(float twips) override { image_.resize(image_.width(), static_cast<int>(twips / 15)); }
    Hwnd hWnd() override { return 0; }
    Surface& Image() override { return image_; }
    void Refresh() override {}
    void AddLabel(const Label& label) override { labels_.push_back(&label); }
    // The image as it would look on screen, labels included.
    Surface composed();

private:
    int width_, height_;
    Surface image_;
    std::vector<const Label*> labels_;
    LabelPainter painter_;
};

class SdlPictures : public Pictures {
public:
    Surface Load(const std::string& name, std::uint32_t background) override;
};

// Writes a surface as PNG; false on failure.
bool savePng(const Surface& image, const std::string& path);

class SdlAudio : public Audio {
public:
    std::uint32_t waveOutGetNumDevs() override;
};

// An audio back end with no devices, for runs that must stay silent.
class SilentAudio : public Audio {
public:
    std::uint32_t waveOutGetNumDevs() override { return 0; }
};

}  // namespace lumaris::linux_backend
