#include "platform/x11/sdl_window.h"

#include <SDL_image.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/posix/process.h"
#include "platform/x11/x11_image.h"
#include "platform/x11/x11_windows.h"
#include "runtime/convert.h"
#include "runtime/failure.h"
#include "runtime/resources.h"

namespace lumaris::x11 {

namespace {

// LUMARIS_PRESENT=image, =framebuffer or =renderer forces a way to the
// screen.
const char* forcedPresentationName() {
    const char* forced = std::getenv("LUMARIS_PRESENT");
    return forced != nullptr && *forced != '\0' ? forced : nullptr;
}
bool forcedPresentation() { return forcedPresentationName() != nullptr; }

// A renderer is worth it only on a real graphics processor; without a
// render node there is none, and SDL's OpenGL would rasterise in software.
Presentation choosePresentation() {
    if (const char* forced = forcedPresentationName()) {
        if (std::strcmp(forced, "renderer") == 0) return Presentation::Renderer;
        if (std::strcmp(forced, "framebuffer") == 0) return Presentation::Framebuffer;
        return Presentation::Image;
    }
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error)) {
        if (entry.path().filename().string().rfind("renderD", 0) == 0) return Presentation::Renderer;
    }
    return Presentation::Image;
}

// An OpenGL renderer whose driver is a software rasteriser, or SDL's own
// software renderer.
bool softwareRasteriser(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0) return true;
    if ((info.flags & SDL_RENDERER_SOFTWARE) != 0) return true;
    if (std::strncmp(info.name, "opengl", 6) != 0) return false;
    using GetString = const unsigned char* (*)(unsigned int);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (getString == nullptr) return false;
    const unsigned char* name = getString(0x1F01);  // GL_RENDERER
    if (name == nullptr) return false;
    const std::string text = reinterpret_cast<const char*>(name);
    for (const char* soft : {"llvmpipe", "softpipe", "swrast", "Software"}) {
        if (text.find(soft) != std::string::npos) return true;
    }
    return false;
}

// A display's bounds in logical pixels at scale k.
SDL_Rect logical(const SDL_Rect& bounds, int k) {
    return SDL_Rect{floorDiv(bounds.x, k), floorDiv(bounds.y, k), bounds.w / k, bounds.h / k};
}
}  // namespace

SdlFormWindow::SdlFormWindow(const std::string& name, int scale) : image_(name, 0, 0) {
    // The window's framebuffer as SDL makes it natively (no renderer of its
    // own behind it).
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (!sdlVideoAvailable()) throw Failure(failures::kCannotCreate, std::string("No display: ") + SDL_GetError());
    SDL_Rect bounds{0, 0, 640, 480};
    SDL_GetDisplayBounds(0, &bounds);
    const int k = std::max(scale, 1);
    geometry_ = logical(bounds, k);
    window_ = SDL_CreateWindow("", bounds.x, bounds.y, bounds.w, bounds.h,
                               SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP);
    if (window_ == nullptr) throw Failure(failures::kCannotCreate, std::string("No window: ") + SDL_GetError());
    const Presentation way = choosePresentation();
    if (way == Presentation::Renderer) {
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
        // A renderer that draws on the processor costs more than an image of
        // our own: keep to that unless the renderer was asked for.
        if (renderer_ != nullptr && !forcedPresentation() && softwareRasteriser(renderer_)) {
            SDL_DestroyRenderer(renderer_);
            renderer_ = nullptr;
        }
    }
    if (renderer_ == nullptr && way != Presentation::Framebuffer) useOwnImage();
    fitScale(k, geometry_.w * k, geometry_.h * k);
    SDL_AddEventWatch(&SdlFormWindow::watchScreen, this);
}

namespace {
// The X11 connection and window of an SDL window; false off X11.
bool x11Of(SDL_Window* sdl, Display*& display, Window& window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(sdl, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return false;
    display = info.info.x11.display;
    window = info.info.x11.window;
    return true;
}
}  // namespace

void SdlFormWindow::useOwnImage() {
    Display* display = nullptr;
    Window window = 0;
    if (!x11Of(window_, display, window)) return;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0) return;
    if (!X11Image::suits(attributes.visual, attributes.depth)) {
        // Anything drawn would be one flat colour: say so instead.
        const std::string text = "The display's colours (" + X11Image::describe(attributes.visual, attributes.depth) +
                                 ") cannot show the scene: it needs true colour of 15 to 32 bits";
        std::fprintf(stderr, "lumaris: %s\n", text.c_str());
        throw Failure(failures::kCannotCreate, text);
    }
    x11_ = std::make_unique<X11Image>(display, window, attributes.visual, attributes.depth);
    image_.keepOnlyDrawn();
}

SdlFormWindow::SdlFormWindow(const std::string& name, unsigned long foreignWindow, int scaleChoice)
    : image_(name, 0, 0) {
    foreign_ = true;
    scaleChoice_ = scaleChoice;
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (!sdlVideoAvailable()) throw Failure(failures::kCannotCreate, std::string("No display: ") + SDL_GetError());
    window_ = SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(foreignWindow)));
    if (window_ == nullptr) throw Failure(failures::kCannotCreate, std::string("No window: ") + SDL_GetError());
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    geometry_ = SDL_Rect{0, 0, w, h};
    if (choosePresentation() != Presentation::Framebuffer) useOwnImage();
    fitScale(chooseScale(scaleChoice_, w, h, kPreviewPictureWidth, kPreviewPictureHeight), w, h);
    SDL_AddEventWatch(&SdlFormWindow::watchScreen, this);
}

void SdlFormWindow::fitScale(int scale, int width, int height) {
    magnifier_.fit(scale, width, height, image_.keepsOnlyDrawn());
    composer_.setScale(scale);
    image_.resize(magnifier_.imageWidth(), magnifier_.imageHeight());
    SDL_DisplayMode mode{};
    const int display = SDL_GetWindowDisplayIndex(window_);
    if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0) pacer_.setRate(mode.refresh_rate);
}

int SdlFormWindow::promptScale() const {
    Display* display = nullptr;
    Window window = 0;
    return std::max(scale(), x11Of(window_, display, window) ? desktopScale(display) : 1);
}

void SdlFormWindow::ResizeTo(int width, int height) {
    // An embedded window's scale follows its host's size; a top-level
    // window keeps the screen's.
    const int k = foreign_ ? chooseScale(scaleChoice_, width, height, kPreviewPictureWidth, kPreviewPictureHeight)
                           : scale();
    if (k == scale() && width == magnifier_.width() && height == magnifier_.height()) return;
    SDL_SetWindowSize(window_, std::max(width, 1), std::max(height, 1));
    fitScale(k, width, height);
    // Whatever was drawn belongs to the old layout, at the old places.
    image_.discardDrawing();
    if (onResize_) onResize_();
}

int SdlFormWindow::LabelHeight(const Label& label) { return labelHeight(label, &text_); }

std::uint32_t SdlFormWindow::windowId() const { return SDL_GetWindowID(window_); }

_XDisplay* SdlFormWindow::displayConnection() const {
    Display* display = nullptr;
    Window window = 0;
    return x11Of(window_, display, window) ? display : nullptr;
}

SdlFormWindow::~SdlFormWindow() {
    // The image goes with the window; attached, it frees nothing of its own.
    SDL_DelEventWatch(&SdlFormWindow::watchScreen, this);
    x11_.reset();
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
}

void SdlFormWindow::SetCaption(const std::string& caption) {
    SDL_SetWindowTitle(window_, caption.c_str());
    // The title as every other program reads it, whatever locale a message
    // box left behind: WM_NAME as Latin-1 text (STRING), _NET_WM_NAME as
    // UTF-8.
    Display* display = nullptr;
    Window window = 0;
    if (!x11Of(window_, display, window)) return;
    std::string latin1;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        const auto c = static_cast<unsigned char>(caption[i]);
        if (c < 0x80) {
            latin1 += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < caption.size()) {
            latin1 += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(caption[++i]) & 0x3F));
        } else {
            latin1 += '?';
        }
    }
    XTextProperty name{};
    char* list[] = {latin1.data()};
    if (XStringListToTextProperty(list, 1, &name) != 0) {
        XSetWMName(display, window, &name);
        XFree(name.value);
    }
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(caption.data()), static_cast<int>(caption.size()));
    XFlush(display);
}

void SdlFormWindow::Show() {
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    SDL_SetWindowInputFocus(window_);
}

void SdlFormWindow::applyGeometry() {
    const int k = scale();
    SDL_SetWindowPosition(window_, geometry_.x * k, geometry_.y * k);
    SDL_SetWindowSize(window_, std::max(geometry_.w * k, 1), std::max(geometry_.h * k, 1));
    fitScale(k, geometry_.w * k, geometry_.h * k);
    if (onResize_) onResize_();
}

void SdlFormWindow::SetWindowState(std::int32_t state) {
    if (state == 2) {  // maximised: the primary display
        SDL_Rect bounds{};
        if (SDL_GetDisplayBounds(0, &bounds) != 0) return;
        geometry_ = logical(bounds, scale());
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
    Display* display = nullptr;
    Window window = 0;
    return x11Of(window_, display, window) ? static_cast<Hwnd>(window) : 0;
}

void SdlFormWindow::setOverlay(const Surface* overlay) {
    hasOverlay_ = overlay != nullptr;
    if (overlay != nullptr) overlay_ = *overlay;
    // Over several monitors the prompt goes in the middle of the primary one.
    Display* display = nullptr;
    Window window = 0;
    if (overlay != nullptr && x11Of(window_, display, window)) {
        const std::vector<Monitor> monitors = x11Monitors(display);
        if (!monitors.empty()) {
            const Monitor& m = monitors.front();
            const int left = m.x - geometry_.x * scale(), top = m.y - geometry_.y * scale();
            composer_.centreOverlayIn(PixelRect{left, top, left + m.width, top + m.height});
        }
    }
}

void SdlFormWindow::KeepInput(bool grab) {
    keepInput_ = grab;
    SDL_SetWindowGrab(window_, grab ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowKeyboardGrab(window_, grab ? SDL_TRUE : SDL_FALSE);
}

void SdlFormWindow::takeInputBack() {
    // About once a second: a window that takes input and has lost the
    // keyboard (another full-screen program had it, and ended) takes it
    // back, so that it never stops hearing its keys.
    if (input_ == nullptr || ++sinceInputCheck_ < 20) return;
    sinceInputCheck_ = 0;
    if (SDL_GetKeyboardFocus() == window_) return;
    SDL_RaiseWindow(window_);
    SDL_SetWindowInputFocus(window_);
    if (keepInput_) {
        SDL_SetWindowKeyboardGrab(window_, SDL_FALSE);
        SDL_SetWindowKeyboardGrab(window_, SDL_TRUE);
    }
}

void SdlFormWindow::Refresh() {
    if (image_.width() == 0 || image_.height() == 0) return;
    posix::countFramePresented();
    pacer_.shown();
    takeInputBack();
    if (x11_ != nullptr) {
        presentToImage();
    } else if (renderer_ != nullptr) {
        presentWithRenderer();
    } else {
        presentToFramebuffer();
    }
}

// Whether memory at `address` is a shared-memory segment (which the system
// hands out zeroed): the framebuffer of a local X display.
bool sharedMemoryAt(const void* address) {
    std::ifstream maps("/proc/self/maps");
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::string line;
    while (std::getline(maps, line)) {
        unsigned long from = 0, to = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx", &from, &to) != 2) continue;
        if (at >= from && at < to) return line.find("SYSV") != std::string::npos;
    }
    return false;
}

int SdlFormWindow::watchScreen(void* self, SDL_Event* event) {
    auto* window = static_cast<SdlFormWindow*>(self);
    if (event->type == SDL_WINDOWEVENT && event->window.windowID == SDL_GetWindowID(window->window_) &&
        (event->window.event == SDL_WINDOWEVENT_SIZE_CHANGED || event->window.event == SDL_WINDOWEVENT_RESIZED)) {
        window->screenChanged_ = true;
    }
    if (event->type == SDL_WINDOWEVENT && event->window.windowID == SDL_GetWindowID(window->window_) &&
        event->window.event == SDL_WINDOWEVENT_EXPOSED) {
        window->exposed_ = true;
    }
    return 0;
}

void SdlFormWindow::presentToImage() {
    // A new, resized or uncovered window shows nothing of the last frame.
    if (screenChanged_ || exposed_) composer_.invalidate();
    screenChanged_ = exposed_ = false;
    Surface& shown = magnifier_.update(image_);
    const auto frame = composer_.composeInPlace(shown, labels_, hasOverlay_ ? &overlay_ : nullptr, &text_);
    // Into shared memory again when the scene, a label or the prompt stored
    // more.
    x11_->follow(shown);
    x11_->put(shown, frame.changed);
    composer_.restore(shown);
}

void SdlFormWindow::presentToFramebuffer() {
    Surface& shown = magnifier_.update(image_);
    // A framebuffer that SDL is about to replace must not hold the image.
    if (screenChanged_ && shown.attached()) shown.detach();
    screenChanged_ = false;
    SDL_Surface* screen = SDL_GetWindowSurface(window_);
    if (screen == nullptr) return;
    // A new framebuffer (the window was made or resized) shows nothing yet.
    if (screen != shownOn_ || screen->w != shownWidth_ || screen->h != shownHeight_) {
        composer_.invalidate();
        shownOn_ = screen;
        shownWidth_ = screen->w;
        shownHeight_ = screen->h;
    }
    // Where the framebuffer is laid out like the image, the image lives in
    // it: the form draws straight onto the screen's memory, nothing is
    // copied, and the image costs no memory of its own.
    if (!shown.attached() && screen->format->format == SDL_PIXELFORMAT_RGB888 && !SDL_MUSTLOCK(screen) &&
        screen->pitch == screen->w * 4 && screen->w == shown.width() && screen->h == shown.height()) {
        shown.attach(static_cast<std::uint32_t*>(screen->pixels), sharedMemoryAt(screen->pixels));
    }
    const Surface* overlay = hasOverlay_ ? &overlay_ : nullptr;
    if (shown.attached()) {
        const auto frame = composer_.composeInPlace(shown, labels_, overlay, &text_);
        if (!frame.changed.empty()) {
            const SDL_Rect rect{frame.changed.left, frame.changed.top, frame.changed.width(), frame.changed.height()};
            SDL_UpdateWindowSurfaceRects(window_, &rect, 1);
        }
        composer_.restore(shown);
        return;
    }
    const auto frame = composer_.compose(shown, labels_, overlay, &text_);
    const PixelRect r = frame.changed.clippedTo(screen->w, screen->h);
    if (r.empty()) return;
    if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) != 0) return;
    const Surface& picture = *frame.picture;
    const std::uint32_t* from = picture.row(r.top) + r.left;
    const int fromPitch = picture.width() * static_cast<int>(sizeof(std::uint32_t));
    auto* to = static_cast<std::uint8_t*>(screen->pixels) + r.top * screen->pitch +
               r.left * screen->format->BytesPerPixel;
    SDL_ConvertPixels(r.width(), r.height(), SDL_PIXELFORMAT_RGB888, from, fromPitch, screen->format->format, to,
                      screen->pitch);
    if (SDL_MUSTLOCK(screen)) SDL_UnlockSurface(screen);
    const SDL_Rect rect{r.left, r.top, r.width(), r.height()};
    SDL_UpdateWindowSurfaceRects(window_, &rect, 1);
}

void SdlFormWindow::presentWithRenderer() {
    Surface& shown = magnifier_.update(image_);
    if (texture_ == nullptr || textureWidth_ != shown.width() || textureHeight_ != shown.height()) {
        if (texture_ != nullptr) SDL_DestroyTexture(texture_);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, shown.width(),
                                     shown.height());
        textureWidth_ = shown.width();
        textureHeight_ = shown.height();
        if (texture_ == nullptr) return;
        composer_.invalidate();
    }
    const auto frame = composer_.compose(shown, labels_, hasOverlay_ ? &overlay_ : nullptr, &text_);
    const PixelRect& r = frame.changed;
    if (!r.empty()) {
        const SDL_Rect rect{r.left, r.top, r.width(), r.height()};
        SDL_UpdateTexture(texture_, &rect, frame.picture->row(r.top) + r.left,
                          frame.picture->width() * static_cast<int>(sizeof(std::uint32_t)));
    }
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

}  // namespace lumaris::x11
