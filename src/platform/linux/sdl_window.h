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

#include <functional>
#include <string>
#include <vector>

#include "platform/graphics.h"

typedef struct _TTF_Font TTF_Font;

namespace lumaris::linux_backend {

// Text in the system's sans-serif font (found through fontconfig), as
// pictures with the coverage in the top byte. Keeps what it rendered.
class TextRenderer {
public:
    ~TextRenderer();
    // One line, or with wrapWidth > 0 lines wrapped at that width, each
    // centred when asked; carriage returns are dropped.
    const Surface* render(const std::string& text, std::uint32_t color, int size, bool bold = false,
                          int wrapWidth = 0, bool centred = false);

private:
    struct Font {
        int size;
        bool bold;
        TTF_Font* font;
    };
    struct Cached {
        std::string text;
        std::uint32_t color;
        int size;
        bool bold;
        int wrapWidth;
        bool centred;
        Surface pixels;
    };
    TTF_Font* font(int size, bool bold);
    std::vector<Font> fonts_;
    std::vector<Cached> cache_;
};

// Blends a picture with coverage in its top byte over another picture; the
// destination's own top byte stays.
void blendArgb(Surface& dst, const Surface& src, int left, int top);

// Draws the visible labels over an image.
void paintLabels(Surface& image, const std::vector<const Label*>& labels, TextRenderer& text);
// A label's text as a picture, or null when there is nothing to draw.
const Surface* renderLabel(const Label& label, TextRenderer& text);
inline constexpr int kLabelFontSize = 11;

class SdlFormWindow : public FormSurface {
public:
    explicit SdlFormWindow(const std::string& name);
    // A window of another program's making (an X11 window id), drawn into
    // with the software renderer.
    SdlFormWindow(const std::string& name, unsigned long foreignWindow);
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
    int LabelHeight(const Label& label) override;
    void OnResize(std::function<void()> handler) override { onResize_ = std::move(handler); }

    // Takes on a size the window was given from outside.
    void resizeTo(int width, int height);
    // A picture drawn centred over everything (the password prompt), or none.
    void setOverlay(const Surface* overlay);
    // Keeps keyboard and pointer input to this window.
    void grabInput(bool grab);

private:
    void applyGeometry();
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureWidth_ = 0, textureHeight_ = 0;
    Surface image_;
    SDL_Rect geometry_{0, 0, 0, 0};
    std::vector<const Label*> labels_;
    TextRenderer text_;
    Surface overlay_;
    bool hasOverlay_ = false;
    Surface composed_;
    std::function<void()> onResize_;
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
    int LabelHeight(const Label& label) override;
    void OnResize(std::function<void()>) override {}
    // The image as it would look on screen, labels included.
    Surface composed();

private:
    int width_, height_;
    Surface image_;
    std::vector<const Label*> labels_;
    TextRenderer text_;
};

class SdlPictures : public Pictures {
public:
    Surface Load(const std::string& name, std::uint32_t background) override;
};

// Writes a surface as PNG; false on failure.
bool savePng(const Surface& image, const std::string& path);

}  // namespace lumaris::linux_backend
