#include "platform/wayland/wayland_surface.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>

#include "ext-session-lock-v1-client.h"
#include "fractional-scale-v1-client.h"
#include "platform/posix/process.h"
#include "runtime/failure.h"
#include "runtime/frame_pacer.h"
#include "viewporter-client.h"
#include "platform/wayland/layer_shell.h"
#include "xdg-shell-client.h"

namespace lumaris::wayland {

namespace {
constexpr std::size_t kMostBuffers = 4;
}  // namespace

struct OutputSurface::Events {
    static OutputSurface* self(void* data) { return static_cast<OutputSurface*>(data); }

    static void layerConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width,
                               std::uint32_t height) {
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        self(data)->configured(static_cast<int>(width), static_cast<int>(height));
    }
    // The compositor took the surface away (its output went): nothing more
    // is drawn on it.
    static void layerClosed(void* data, zwlr_layer_surface_v1*) {
        self(data)->configured_ = false;
        self(data)->dropBuffers();
    }

    static void lockConfigure(void* data, ext_session_lock_surface_v1* lock, std::uint32_t serial,
                              std::uint32_t width, std::uint32_t height) {
        ext_session_lock_surface_v1_ack_configure(lock, serial);
        self(data)->configured(static_cast<int>(width), static_cast<int>(height));
    }

    static void toplevelConfigure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*) {
        self(data)->pendingWidth_ = width;
        self(data)->pendingHeight_ = height;
    }
    static void toplevelClose(void*, xdg_toplevel*) {}
    static void toplevelBounds(void*, xdg_toplevel*, std::int32_t, std::int32_t) {}
    static void toplevelCapabilities(void*, xdg_toplevel*, wl_array*) {}
    static void surfaceConfigure(void* data, xdg_surface* surface, std::uint32_t serial) {
        xdg_surface_ack_configure(surface, serial);
        self(data)->configured(self(data)->pendingWidth_, self(data)->pendingHeight_);
    }

    static void preferredScale(void* data, wp_fractional_scale_v1*, std::uint32_t scale) {
        OutputSurface* s = self(data);
        if (static_cast<int>(scale) == s->scale120_) return;
        s->scale120_ = static_cast<int>(scale);
        // Before the first configure too: the form is laid out for the
        // output already, and a configure of the same size fits nothing.
        s->fit();
    }

    static void bufferRelease(void* data, wl_buffer*) { static_cast<Buffer*>(data)->busy = false; }

    static void frameDone(void* data, wl_callback* callback, std::uint32_t) {
        OutputSurface* s = self(data);
        wl_callback_destroy(callback);
        s->frame_ = nullptr;
        if (s->waiting_) s->present();
        if (s->dark_) {
            s->dark_ = false;
            if (s->power_) s->power_(true);
        }
    }
};

namespace {
const zwlr_layer_surface_v1_listener kLayerListener = {OutputSurface::Events::layerConfigure,
                                                       OutputSurface::Events::layerClosed};
const xdg_toplevel_listener kToplevelListener = {
    OutputSurface::Events::toplevelConfigure, OutputSurface::Events::toplevelClose,
    OutputSurface::Events::toplevelBounds, OutputSurface::Events::toplevelCapabilities};
const ext_session_lock_surface_v1_listener kLockSurfaceListener = {OutputSurface::Events::lockConfigure};
const xdg_surface_listener kXdgSurfaceListener = {OutputSurface::Events::surfaceConfigure};
const wp_fractional_scale_v1_listener kFractionalListener = {OutputSurface::Events::preferredScale};
const wl_buffer_listener kBufferListener = {OutputSurface::Events::bufferRelease};
const wl_callback_listener kFrameListener = {OutputSurface::Events::frameDone};
}  // namespace

OutputSurface::OutputSurface(WaylandConnection& connection, Output& output, const std::string& name,
                             int scaleChoice, Keyboard keyboard, ext_session_lock_v1* lock)
    : connection_(connection), output_(output), scaleChoice_(scaleChoice), image_(name, 0, 0) {
    surface_ = wl_compositor_create_surface(connection_.compositor());
    if (surface_ == nullptr) throw Failure(failures::kCannotCreate, "No Wayland surface");
    if (connection_.fractionalScale() != nullptr && connection_.viewporter() != nullptr) {
        viewport_ = wp_viewporter_get_viewport(connection_.viewporter(), surface_);
        fractional_ = wp_fractional_scale_manager_v1_get_fractional_scale(connection_.fractionalScale(), surface_);
        wp_fractional_scale_v1_add_listener(fractional_, &kFractionalListener, this);
    }
    if (lock != nullptr) {
        lockSurface_ = ext_session_lock_v1_get_lock_surface(lock, surface_, output_.output);
        ext_session_lock_surface_v1_add_listener(lockSurface_, &kLockSurfaceListener, this);
    } else if (connection_.layerShell() != nullptr) {
        layer_ = zwlr_layer_shell_v1_get_layer_surface(connection_.layerShell(), surface_, output_.output,
                                                       ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "lumaris");
        zwlr_layer_surface_v1_add_listener(layer_, &kLayerListener, this);
        zwlr_layer_surface_v1_set_size(layer_, 0, 0);
        zwlr_layer_surface_v1_set_anchor(layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        // Over panels too, which keep their zones.
        zwlr_layer_surface_v1_set_exclusive_zone(layer_, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(
            layer_, keyboard == Keyboard::Exclusive ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE
                                                    : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    } else if (connection_.wmBase() != nullptr) {
        xdgSurface_ = xdg_wm_base_get_xdg_surface(connection_.wmBase(), surface_);
        xdg_surface_add_listener(xdgSurface_, &kXdgSurfaceListener, this);
        toplevel_ = xdg_surface_get_toplevel(xdgSurface_);
        xdg_toplevel_add_listener(toplevel_, &kToplevelListener, this);
        xdg_toplevel_set_title(toplevel_, "Lumaris");
        xdg_toplevel_set_app_id(toplevel_, "lumaris");
        xdg_toplevel_set_fullscreen(toplevel_, output_.output);
    } else {
        wl_surface_destroy(surface_);
        surface_ = nullptr;
        throw Failure(failures::kCannotCreate, "The Wayland display offers neither a layer shell nor an xdg shell");
    }
    // The first commit, without a buffer, asks for the first configure (a
    // lock surface is configured unasked, and must not be committed first).
    if (lockSurface_ == nullptr) wl_surface_commit(surface_);
    // Until then the form is laid out for the output as it is described.
    logicalWidth_ = output_.width();
    logicalHeight_ = output_.height();
    fit();
}

OutputSurface::~OutputSurface() {
    if (frame_ != nullptr) wl_callback_destroy(frame_);
    if (fractional_ != nullptr) wp_fractional_scale_v1_destroy(fractional_);
    if (viewport_ != nullptr) wp_viewport_destroy(viewport_);
    if (layer_ != nullptr) zwlr_layer_surface_v1_destroy(layer_);
    if (lockSurface_ != nullptr) ext_session_lock_surface_v1_destroy(lockSurface_);
    if (toplevel_ != nullptr) xdg_toplevel_destroy(toplevel_);
    if (xdgSurface_ != nullptr) xdg_surface_destroy(xdgSurface_);
    if (surface_ != nullptr) wl_surface_destroy(surface_);
    dropBuffers();
}

void OutputSurface::configured(int width, int height) {
    // A size of 0 leaves it to the client: the output's.
    const int w = width > 0 ? width : output_.width();
    const int h = height > 0 ? height : output_.height();
    const bool first = !configured_;
    configured_ = true;
    if (w != logicalWidth_ || h != logicalHeight_) {
        logicalWidth_ = w;
        logicalHeight_ = h;
        fit();
    }
    // The whole picture at once on the first configure: the compositor (or a
    // locker that waits for a saver's first frame) sees it without waiting
    // for the next frame of the scene.
    if (first) {
        composer_.invalidate();
        present();
    }
}

void OutputSurface::fit() {
    int bufferScale = 1, width = 0, height = 0;
    if (viewport_ != nullptr && scale120_ > 0) {
        // Rounded half away from zero, as the fractional scale asks.
        width = (logicalWidth_ * scale120_ + 60) / 120;
        height = (logicalHeight_ * scale120_ + 60) / 120;
    } else {
        bufferScale = std::max(output_.scale, 1);
        width = logicalWidth_ * bufferScale;
        height = logicalHeight_ * bufferScale;
    }
    if (viewport_ != nullptr) wp_viewport_set_destination(viewport_, logicalWidth_, logicalHeight_);
    wl_surface_set_buffer_scale(surface_, bufferScale);
    const int k = chooseScale(scaleChoice_, width, height, kSceneDesignWidth, kSceneDesignHeight);
    if (width == bufferWidth_ && height == bufferHeight_ && k == magnifier_.scale()) return;
    bufferWidth_ = width;
    bufferHeight_ = height;
    dropBuffers();
    shownOnce_ = false;
    direct_ = false;
    magnifier_.fit(k, width, height, true);
    composer_.setScale(k);
    image_.keepOnlyDrawn();
    image_.resize(magnifier_.imageWidth(), magnifier_.imageHeight());
    composer_.invalidate();
    if (onResize_) onResize_();
}

void OutputSurface::dropBuffers() {
    for (auto& buffer : buffers_) {
        // A buffer the compositor still holds is let go of when it says so;
        // destroying it now is allowed and frees it then.
        if (buffer->buffer != nullptr) wl_buffer_destroy(buffer->buffer);
        if (buffer->pixels != nullptr) munmap(buffer->pixels, buffer->bytes);
    }
    buffers_.clear();
}

OutputSurface::Buffer* OutputSurface::freeBuffer() {
    for (auto& buffer : buffers_) {
        if (!buffer->busy) return buffer.get();
    }
    if (buffers_.size() >= kMostBuffers || bufferWidth_ <= 0 || bufferHeight_ <= 0) return nullptr;
    auto buffer = std::make_unique<Buffer>();
    buffer->width = bufferWidth_;
    buffer->height = bufferHeight_;
    const int stride = bufferWidth_ * 4;
    buffer->bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(bufferHeight_);
    const int fd = memfd_create("lumaris-buffer", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    if (ftruncate(fd, static_cast<off_t>(buffer->bytes)) != 0) {
        close(fd);
        return nullptr;
    }
    void* memory = mmap(nullptr, buffer->bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    buffer->pixels = static_cast<std::uint32_t*>(memory);
    // The buffer as a picture, for enlarging into it.
    buffer->view.resize(bufferWidth_, bufferHeight_);
    buffer->view.attach(buffer->pixels, true);
    wl_shm_pool* pool = wl_shm_create_pool(connection_.shm(), fd, static_cast<std::int32_t>(buffer->bytes));
    buffer->buffer = wl_shm_pool_create_buffer(pool, 0, bufferWidth_, bufferHeight_, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_buffer_add_listener(buffer->buffer, &kBufferListener, buffer.get());
    // A new buffer holds nothing yet.
    buffer->owed = PixelRect{0, 0, bufferWidth_, bufferHeight_};
    buffers_.push_back(std::move(buffer));
    return buffers_.back().get();
}

void OutputSurface::Refresh() { present(); }

void OutputSurface::SetInput(FormInput* input) {
    if (input == nullptr) {
        power_ = nullptr;
    } else {
        power_ = [input](bool on) { input->DisplayPower(on); };
    }
}

bool OutputSurface::FrameWanted() {
    if (!configured_ || frame_ == nullptr) return true;
    if (!dark_ && FramePacer::nowUs() - frameAskedUs_ > 1'000'000) {
        dark_ = true;
        if (power_) power_(false);
    }
    return false;
}

int OutputSurface::promptScale() const {
    const int physical = logicalWidth_ > 0 ? (bufferWidth_ + logicalWidth_ / 2) / logicalWidth_ : 1;
    return std::max({1, magnifier_.scale(), physical});
}

bool OutputSurface::labelsShown() const {
    return std::any_of(labels_.begin(), labels_.end(),
                       [](const Label* label) { return label->visible && !label->caption.empty(); });
}

void OutputSurface::enlargeInto(Buffer& buffer, const Surface& source, const PixelRect& part, int k) {
    // The image's pixels that cover the part, and where the image stores
    // pixels among them: the rest shows the background.
    const PixelRect from = PixelRect{part.left / k, part.top / k, ceilDiv(part.right, k), ceilDiv(part.bottom, k)}
                               .clippedTo(source.width(), source.height());
    const PixelRect kept = source.stored().intersectedWith(from);
    const PixelRect drawn = PixelRect{kept.left * k, kept.top * k, kept.right * k, kept.bottom * k};
    const std::uint32_t background = source.background();
    for (int y = part.top; y < part.bottom; ++y) {
        std::uint32_t* row = buffer.pixels + static_cast<std::size_t>(y) * bufferWidth_;
        if (kept.empty() || y < drawn.top || y >= drawn.bottom) {
            std::fill(row + part.left, row + part.right, background);
            continue;
        }
        if (part.left < drawn.left) std::fill(row + part.left, row + std::min(drawn.left, part.right), background);
        if (part.right > drawn.right) std::fill(row + std::max(drawn.right, part.left), row + part.right, background);
    }
    if (!kept.empty()) magnify(source, kept, k, buffer.view);
}

void OutputSurface::present() {
    Surface& source = shows_ != nullptr ? *shows_ : image_;
    if (!configured_ || surface_ == nullptr || source.width() != image_.width() || source.height() != image_.height() ||
        image_.width() == 0 || image_.height() == 0) {
        return;
    }
    // No faster than the compositor shows frames.
    if (frame_ != nullptr) {
        waiting_ = true;
        return;
    }
    Buffer* buffer = freeBuffer();
    if (buffer == nullptr) {
        waiting_ = true;  // every buffer held: this frame's changes wait
        return;
    }
    waiting_ = false;
    // Enlarged straight into the buffer where no label is drawn over the
    // picture: one write of the enlarged pixels, no picture of its own.
    const int k = magnifier_.scale();
    const bool direct = k > 1 && !labelsShown() && overlay_ == nullptr;
    PixelRect changed;
    const Surface* picture = nullptr;
    if (direct) {
        if (!direct_) {
            for (auto& each : buffers_) each->owed = PixelRect{0, 0, bufferWidth_, bufferHeight_};
            direct_ = true;
        }
        const PixelRect d = source.takeDamage();
        changed = PixelRect{d.left * k, d.top * k, d.right >= source.width() ? bufferWidth_ : d.right * k,
                            d.bottom >= source.height() ? bufferHeight_ : d.bottom * k};
        if (d.empty()) changed = PixelRect{};
        if (!shownOnce_) changed = PixelRect{0, 0, bufferWidth_, bufferHeight_};
    } else {
        if (direct_) {
            // Back from enlarging into the buffers: the picture afresh.
            magnifier_.fit(1, 0, 0, true);
            magnifier_.fit(k, bufferWidth_, bufferHeight_, true);
            composer_.invalidate();
            direct_ = false;
        }
        Surface& shown = magnifier_.update(source);
        const auto frame = composer_.compose(shown, labels_, overlay_, &text_);
        changed = frame.changed;
        picture = frame.picture;
    }
    changed = changed.clippedTo(bufferWidth_, bufferHeight_);
    if (changed.empty() && shownOnce_) return;
    shownOnce_ = true;
    for (auto& other : buffers_) {
        if (other.get() != buffer) other->owed.add(changed);
    }
    PixelRect copy = buffer->owed;
    copy.add(changed);
    copy = copy.clippedTo(bufferWidth_, bufferHeight_);
    buffer->owed = PixelRect{};
    if (direct) {
        enlargeInto(*buffer, source, copy, k);
    } else {
        for (int y = copy.top; y < copy.bottom; ++y) {
            picture->readRow(y, copy.left, copy.width(),
                             buffer->pixels + static_cast<std::size_t>(y) * bufferWidth_ + copy.left);
        }
    }
    posix::countFramePresented();
    wl_surface_attach(surface_, buffer->buffer, 0, 0);
    buffer->busy = true;
    if (!changed.empty()) wl_surface_damage_buffer(surface_, changed.left, changed.top, changed.width(), changed.height());
    frame_ = wl_surface_frame(surface_);
    frameAskedUs_ = FramePacer::nowUs();
    wl_callback_add_listener(frame_, &kFrameListener, this);
    wl_surface_commit(surface_);
}

}  // namespace lumaris::wayland
