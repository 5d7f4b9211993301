// Form windows on Linux, drawn with SDL2.
//
// Implements: a borderless window whose persistent back image reaches the
// screen on refresh, only the part that changed since the last one: where
// there is no real graphics processor, through an X11 image as large as the
// scene (or SDL's window framebuffer off X11), else through an SDL renderer
// with vsync; labels drawn over it with the system's sans-serif font through
// SDL2_ttf, geometry in twips at 15 twips per pixel, the maximised
// state as the primary display's bounds, the window id for the X11 handle.
// On a large screen the image and the geometry are in logical pixels, each
// shown as a k x k block of the window's (runtime/scale.h), labels and the
// password prompt drawn at the window's own resolution.
#pragma once

#include <SDL.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics.h"
#include "platform/sdl/sdl_text.h"
#include "platform/x11/x11_image.h"
#include "runtime/compose.h"
#include "runtime/frame_pacer.h"
#include "runtime/scale.h"

struct _XDisplay;

namespace lumaris::x11 {

// How frames reach the screen, sending only the rectangle that changed: on
// X11 an image of our own as large as the scene (see x11_image.h); SDL's
// window framebuffer, as large as the window, elsewhere; or an SDL renderer
// on a real graphics processor.
enum class Presentation { Image, Framebuffer, Renderer };

class SdlFormWindow : public FormSurface {
public:
    // A top-level window at a scale of `scale`.
    SdlFormWindow(const std::string& name, int scale);
    // A window of another program's making (an X11 window id), drawn into
    // with the software renderer; its scale follows its size (the preview's
    // rule), unless `scaleChoice` fixes it.
    SdlFormWindow(const std::string& name, unsigned long foreignWindow, int scaleChoice);
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
    // Once per refresh of the monitor the window is on.
    bool FrameWanted() override { return pacer_.wanted(); }
    std::int64_t FramePeriodUs() override { return pacer_.periodUs(); }
    void AddLabel(const Label& label) override { labels_.push_back(&label); }
    int LabelHeight(const Label& label) override;
    void OnResize(std::function<void()> handler) override { onResize_ = std::move(handler); }
    // In the window's own pixels; the image takes the logical size.
    void ResizeTo(int width, int height) override;
    void SetInput(FormInput* input) override { input_ = input; }
    void KeepInput(bool keep) override;

    FormInput* input() const { return input_; }
    // The SDL window, for matching events to it.
    std::uint32_t windowId() const;
    // The X connection the window's events come on, or null.
    _XDisplay* displayConnection() const;
    // A picture drawn centred over everything (the password prompt), or none;
    // in the window's own pixels.
    void setOverlay(const Surface* overlay);
    // How many of the window's pixels a logical pixel is.
    int scale() const { return magnifier_.scale(); }
    // The scale to draw the password prompt at: the window's, or the
    // desktop's where that is larger.
    int promptScale() const;


private:
    void applyGeometry();
    // The scale and the window's size in its own pixels; the image takes
    // the logical size.
    void fitScale(int scale, int width, int height);
    int scaleChoice_ = 0;
    bool foreign_ = false;
    Magnifier magnifier_;
    void takeInputBack();
    bool keepInput_ = false;
    int sinceInputCheck_ = 0;
    void useOwnImage();
    void presentToImage();
    void presentToFramebuffer();
    static int watchScreen(void* self, SDL_Event* event);
    bool screenChanged_ = false;
    bool exposed_ = false;
    std::unique_ptr<X11Image> x11_;
    void presentWithRenderer();
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureWidth_ = 0, textureHeight_ = 0;
    Surface image_;
    SDL_Rect geometry_{0, 0, 0, 0};
    std::vector<const Label*> labels_;
    sdl::TextRenderer text_;
    Surface overlay_;
    bool hasOverlay_ = false;
    FormComposer composer_;
    SDL_Surface* shownOn_ = nullptr;
    int shownWidth_ = 0, shownHeight_ = 0;
    std::function<void()> onResize_;
    FormInput* input_ = nullptr;
    FramePacer pacer_;
};

}  // namespace lumaris::x11
