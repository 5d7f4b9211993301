#include "platform/wayland/wayland_desktop.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/posix/pam_verifier.h"
#include "platform/posix/paths.h"
#include "runtime/failure.h"
#include "runtime/scale.h"
#include "startup/lumz_submain.h"

namespace lumaris::wayland {

namespace {

// A keyboard or pointer given back: released where the seat knows the
// request (version 3), else only forgotten.
void letGo(wl_keyboard* keyboard) {
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(keyboard)) >= WL_KEYBOARD_RELEASE_SINCE_VERSION) {
        wl_keyboard_release(keyboard);
    } else {
        wl_keyboard_destroy(keyboard);
    }
}
void letGo(wl_pointer* pointer) {
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(pointer)) >= WL_POINTER_RELEASE_SINCE_VERSION) {
        wl_pointer_release(pointer);
    } else {
        wl_pointer_destroy(pointer);
    }
}

// The first output is the primary one.
const Output* primary(const WaylandConnection& connection) {
    const auto all = connection.outputs();
    return all.empty() ? nullptr : all.front();
}

}  // namespace

int WaylandDesktop::scale() const {
    const Output* first = primary(connection_);
    if (first == nullptr) return 1;
    return chooseScale(scaleChoice_, first->width() * std::max(first->scale, 1),
                       first->height() * std::max(first->scale, 1),
                       kSceneDesignWidth, kSceneDesignHeight);
}

int WaylandDesktop::primaryBufferScale() const {
    const Output* first = primary(connection_);
    return first != nullptr ? std::max(first->scale, 1) : 1;
}

PixelRect WaylandDesktop::place(const Output& output) const {
    // Logical pixels of the compositor times the primary's buffer scale are
    // the primary's physical pixels; k of those make one of the scene's.
    const int s = primaryBufferScale(), k = scale();
    return PixelRect{floorDiv(output.x * s, k), floorDiv(output.y * s, k), ceilDiv((output.x + output.width()) * s, k),
                     ceilDiv((output.y + output.height()) * s, k)};
}

PixelRect WaylandDesktop::desktop() const {
    PixelRect all;
    bool first = true;
    for (const Output* output : connection_.outputs()) {
        const PixelRect r = place(*output);
        if (first) {
            all = r;
            first = false;
        } else {
            all.add(r);
        }
    }
    return all;
}

std::string WaylandDesktop::runningLockName() const {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    return std::string("scene-") + (display != nullptr && *display != '\0' ? display : "wayland-0") + ".lock";
}

std::int32_t WaylandDesktop::GetSystemMetrics(std::int32_t index) {
    const PixelRect all = desktop();
    switch (index) {
        case kSmCMonitors: return static_cast<std::int32_t>(connection_.outputs().size());
        case kSmXVirtualScreen: return all.left;
        case kSmYVirtualScreen: return all.top;
        case kSmCxVirtualScreen: return all.width();
        case kSmCyVirtualScreen: return all.height();
        default: return 0;
    }
}

Hwnd WaylandDesktop::FindWindowA(const char*, const char* windowName) {
    if (windowName == nullptr || std::strcmp(windowName, kRunningCaption) != 0) return 0;
    posix::PrivateLock probe(runningLockName());
    if (!probe.usable() || probe.tryTake()) return 0;
    return 1;
}

float WaylandDesktop::Width() {
    const Output* first = primary(connection_);
    return first == nullptr ? 0 : static_cast<float>(first->width() * primaryBufferScale() / scale()) * kTwipsPerPixel;
}

float WaylandDesktop::Height() {
    const Output* first = primary(connection_);
    return first == nullptr ? 0 : static_cast<float>(first->height() * primaryBufferScale() / scale()) * kTwipsPerPixel;
}

// ---------------------------------------------------------------------------

struct SeatInput::Events {
    static SeatInput* self(void* data) { return static_cast<SeatInput*>(data); }

    static void keymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
        if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
            self(data)->keymap(fd, size);
        }
        close(fd);
    }
    static void keyEnter(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {}
    static void keyLeave(void*, wl_keyboard*, std::uint32_t, wl_surface*) {}
    static void key(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key, std::uint32_t state) {
        SeatInput* s = self(data);
        if (state != WL_KEYBOARD_KEY_STATE_PRESSED) return;
        if (s->taker_) {
            char text[64] = {};
            xkb_keysym_t sym = XKB_KEY_NoSymbol;
            int length = 0;
            if (s->state_ != nullptr) {
                sym = xkb_state_key_get_one_sym(s->state_, key + 8);
                length = std::clamp(xkb_state_key_get_utf8(s->state_, key + 8, text, sizeof text), 0,
                                    static_cast<int>(sizeof text) - 1);
            }
            s->taker_(sym, text, static_cast<std::size_t>(length));
            explicit_bzero(text, sizeof text);
            return;
        }
        if (s->surface_ == nullptr || s->surface_->input() == nullptr) return;
        std::int16_t code = 0, shift = 0;
        if (s->state_ != nullptr) {
            const xkb_keysym_t sym = xkb_state_key_get_one_sym(s->state_, key + 8);
            if (sym >= XKB_KEY_a && sym <= XKB_KEY_z) code = static_cast<std::int16_t>(sym - XKB_KEY_a + 'A');
            else if (sym >= XKB_KEY_A && sym <= XKB_KEY_Z) code = static_cast<std::int16_t>(sym - XKB_KEY_A + 'A');
            else if (sym >= XKB_KEY_0 && sym <= XKB_KEY_9) code = static_cast<std::int16_t>(sym - XKB_KEY_0 + '0');
            else {
                switch (sym) {
                    case XKB_KEY_BackSpace: code = 8; break;
                    case XKB_KEY_Tab: code = 9; break;
                    case XKB_KEY_Return: code = 13; break;
                    case XKB_KEY_Shift_L: case XKB_KEY_Shift_R: code = 16; break;
                    case XKB_KEY_Control_L: case XKB_KEY_Control_R: code = 17; break;
                    case XKB_KEY_Alt_L: case XKB_KEY_Alt_R: code = 18; break;
                    case XKB_KEY_Escape: code = 27; break;
                    case XKB_KEY_space: code = 32; break;
                    case XKB_KEY_Left: code = 37; break;
                    case XKB_KEY_Up: code = 38; break;
                    case XKB_KEY_Right: code = 39; break;
                    case XKB_KEY_Down: code = 40; break;
                    default: break;
                }
            }
            if (xkb_state_mod_name_is_active(s->state_, XKB_MOD_NAME_SHIFT, XKB_STATE_MODS_EFFECTIVE) > 0) shift |= 1;
            if (xkb_state_mod_name_is_active(s->state_, XKB_MOD_NAME_CTRL, XKB_STATE_MODS_EFFECTIVE) > 0) shift |= 2;
            if (xkb_state_mod_name_is_active(s->state_, XKB_MOD_NAME_ALT, XKB_STATE_MODS_EFFECTIVE) > 0) shift |= 4;
        }
        s->surface_->input()->KeyDown(code, shift);
    }
    static void modifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
                          std::uint32_t locked, std::uint32_t group) {
        if (self(data)->state_ != nullptr) {
            xkb_state_update_mask(self(data)->state_, depressed, latched, locked, 0, 0, group);
        }
    }
    static void repeatInfo(void*, wl_keyboard*, std::int32_t, std::int32_t) {}

    static void pointerEnter(void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface, wl_fixed_t x,
                             wl_fixed_t y) {
        self(data)->enterSerial_ = serial;
        self(data)->hidePointer();
        self(data)->pointerAt(surface, wl_fixed_to_double(x), wl_fixed_to_double(y));
    }
    static void pointerLeave(void*, wl_pointer*, std::uint32_t, wl_surface*) {}
    static void motion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
        SeatInput* s = self(data);
        s->pointerAt(nullptr, wl_fixed_to_double(x), wl_fixed_to_double(y));
        if (s->surface_ != nullptr && s->surface_->input() != nullptr && !s->taker_) {
            s->surface_->input()->MouseMove(s->buttons_, 0, s->x_, s->y_);
        }
    }
    static void button(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button,
                       std::uint32_t state) {
        SeatInput* s = self(data);
        // Linux's button codes: left 0x110, right 0x111, middle 0x112.
        const std::int16_t which = button == 0x110 ? 1 : button == 0x111 ? 2 : button == 0x112 ? 4 : 0;
        if (state == WL_POINTER_BUTTON_STATE_PRESSED) {
            s->buttons_ = static_cast<std::int16_t>(s->buttons_ | which);
        } else {
            s->buttons_ = static_cast<std::int16_t>(s->buttons_ & ~which);
        }
        if (s->surface_ == nullptr || s->surface_->input() == nullptr || s->taker_) return;
        if (state == WL_POINTER_BUTTON_STATE_PRESSED) {
            s->surface_->input()->MouseDown(which, 0, s->x_, s->y_);
        } else {
            s->surface_->input()->MouseUp();
        }
    }
    static void axis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
    static void frame(void*, wl_pointer*) {}
    static void axisSource(void*, wl_pointer*, std::uint32_t) {}
    static void axisStop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}
    static void axisDiscrete(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
    static void axisValue120(void*, wl_pointer*, std::uint32_t, std::int32_t) {}

    static void capabilities(void* data, wl_seat* seat, std::uint32_t caps) {
        SeatInput* s = self(data);
        // A device that went is let go of: one that comes later is a new one.
        if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) == 0 && s->keyboard_ != nullptr) {
            letGo(s->keyboard_);
            s->keyboard_ = nullptr;
        }
        if ((caps & WL_SEAT_CAPABILITY_POINTER) == 0 && s->pointer_ != nullptr) {
            letGo(s->pointer_);
            s->pointer_ = nullptr;
        }
        if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && s->keyboard_ == nullptr) {
            s->keyboard_ = wl_seat_get_keyboard(seat);
            static const wl_keyboard_listener listener = {keymap, keyEnter, keyLeave, key, modifiers, repeatInfo};
            wl_keyboard_add_listener(s->keyboard_, &listener, s);
        }
        if ((caps & WL_SEAT_CAPABILITY_POINTER) != 0 && s->pointer_ == nullptr) {
            s->pointer_ = wl_seat_get_pointer(seat);
            static const wl_pointer_listener listener = {pointerEnter, pointerLeave, motion,     button,
                                                         axis,         frame,        axisSource, axisStop,
                                                         axisDiscrete, axisValue120};
            wl_pointer_add_listener(s->pointer_, &listener, s);
        }
    }
    static void seatName(void*, wl_seat*, const char*) {}
};

SeatInput::SeatInput(WaylandConnection& connection, WaylandDesktop& desktop)
    : connection_(connection), desktop_(desktop) {
    if (connection_.seat() == nullptr) return;
    xkb_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    static const wl_seat_listener listener = {Events::capabilities, Events::seatName};
    wl_seat_add_listener(connection_.seat(), &listener, this);
}

SeatInput::~SeatInput() {
    if (keyboard_ != nullptr) letGo(keyboard_);
    if (pointer_ != nullptr) letGo(pointer_);
    if (state_ != nullptr) xkb_state_unref(state_);
    if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
    if (xkb_ != nullptr) xkb_context_unref(xkb_);
}

void SeatInput::keymap(int fd, std::uint32_t size) {
    if (xkb_ == nullptr) return;
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (text == MAP_FAILED) return;
    xkb_keymap* map = xkb_keymap_new_from_string(xkb_, static_cast<const char*>(text), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                 XKB_KEYMAP_COMPILE_NO_FLAGS);
    munmap(text, size);
    if (map == nullptr) return;
    if (state_ != nullptr) xkb_state_unref(state_);
    if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
    keymap_ = map;
    state_ = xkb_state_new(keymap_);
}

void SeatInput::hidePointer() {
    if (pointer_ != nullptr && !desktop_.cursorShown()) wl_pointer_set_cursor(pointer_, enterSerial_, nullptr, 0, 0);
}

void SeatInput::pointerAt(wl_surface* surface, double x, double y) {
    if (surface != nullptr) over_ = surface;
    PixelRect place;
    if (surface_ == nullptr || !surface_->placeOf(over_, place)) return;
    // The surface's logical pixels to the scene's, through its place.
    x_ = static_cast<float>(place.left + std::floor(x * desktop_.primaryBufferScale() / desktop_.scale()));
    y_ = static_cast<float>(place.top + std::floor(y * desktop_.primaryBufferScale() / desktop_.scale()));
}

// ---------------------------------------------------------------------------

DesktopSurface::DesktopSurface(WaylandConnection& connection, WaylandDesktop& desktop, const std::string& name)
    : connection_(connection), desktop_(desktop), image_(name, 0, 0) {
    image_.keepOnlyDrawn();
    const PixelRect first = connection_.outputs().empty() ? PixelRect{} : desktop_.place(*connection_.outputs().front());
    geometry_ = first;
    image_.resize(geometry_.width(), geometry_.height());
}

DesktopSurface::~DesktopSurface() {
    if (!shown_) return;
    connection_.watchOutputs(nullptr, nullptr);
    for (Output* output : connection_.outputs()) output->changed = nullptr;
}

void DesktopSurface::SetCaption(const std::string& caption) {
    if (caption == kRunningCaption && !running_) {
        running_ = std::make_unique<posix::PrivateLock>(desktop_.runningLockName());
        running_->tryTake();
    }
}

int DesktopSurface::pixels(float twips) const { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

void DesktopSurface::SetWindowState(std::int32_t state) {
    if (state != 2 || connection_.outputs().empty()) return;
    geometry_ = desktop_.place(*connection_.outputs().front());
    applyGeometry();
}

void DesktopSurface::SetTop(float twips) {
    const int h = geometry_.height();
    geometry_.top = pixels(twips);
    geometry_.bottom = geometry_.top + h;
    applyGeometry();
}

void DesktopSurface::SetLeft(float twips) {
    const int w = geometry_.width();
    geometry_.left = pixels(twips);
    geometry_.right = geometry_.left + w;
    applyGeometry();
}

void DesktopSurface::SetWidth(float twips) {
    geometry_.right = geometry_.left + std::max(pixels(twips), 0);
    applyGeometry();
}

void DesktopSurface::SetHeight(float twips) {
    geometry_.bottom = geometry_.top + std::max(pixels(twips), 0);
    applyGeometry();
}

void DesktopSurface::applyGeometry() {
    if (geometry_.width() != image_.width() || geometry_.height() != image_.height()) {
        image_.resize(geometry_.width(), geometry_.height());
        image_.discardDrawing();
    }
    placeParts();
    if (onResize_) onResize_();
}

PixelRect DesktopSurface::placeOn(const Output& output) const {
    const PixelRect r = desktop_.place(output);
    return PixelRect{r.left - geometry_.left, r.top - geometry_.top, r.right - geometry_.left,
                     r.bottom - geometry_.top};
}

void DesktopSurface::placeParts() {
    for (Part& part : parts_) {
        for (Output* o : connection_.outputs()) {
            if (o->id == part.output) part.place = placeOn(*o);
        }
    }
    image_.markAllDamaged();
}

void DesktopSurface::addPart(Output& output) {
    const int s = desktop_.primaryBufferScale(), k = desktop_.scale();
    // The scene's pixels on this output, each m x m of its own.
    const int m = std::max(1, k * std::max(output.scale, 1) / s);
    Part part;
    part.output = output.id;
    part.place = placeOn(output);
    part.surface = std::make_unique<OutputSurface>(connection_, output, image_.name(), m, Keyboard::Exclusive,
                                                   guard_ ? guard_->lock() : nullptr);
    // A surface laid out again (its size from the compositor) shows its
    // part afresh.
    part.surface->OnResize([this] { image_.markAllDamaged(); });
    part.surface->followPower([this](bool) { followPower(); });
    // The labels go where the window's top-left corner is.
    if (!labelled_ && part.place.left <= 0 && part.place.top <= 0 && part.place.right > 0 && part.place.bottom > 0) {
        for (const Label* label : labels_) part.surface->AddLabel(*label);
        labelled_ = true;
    }
    parts_.push_back(std::move(part));
    // An output's place may come after the output itself (or change).
    output.changed = [this] { placeParts(); };
    image_.markAllDamaged();
    followPower();
}

void DesktopSurface::removePart(Output& output) {
    output.changed = nullptr;
    parts_.erase(std::remove_if(parts_.begin(), parts_.end(), [&](const Part& p) { return p.output == output.id; }),
                 parts_.end());
    // The prompt moves to the output that is now the first.
    setOverlay(overlay_);
    image_.markAllDamaged();
    followPower();
}

void DesktopSurface::rebuildParts() {
    if (!shown_) return;
    parts_.clear();
    labelled_ = false;
    for (Output* output : connection_.outputs()) addPart(*output);
    setOverlay(overlay_);
}

void DesktopSurface::KeepInput(bool keep) {
    if (!keep || guard_) return;
    guard_ = std::make_unique<SessionGuard>(connection_, [this] { rebuildParts(); });
    // Nothing of the scene has been shown yet: the overlays give way to the
    // lock's surfaces before their first frame.
    if (guard_->lock() != nullptr) rebuildParts();
}

void DesktopSurface::unlockSession() {
    if (guard_) guard_->unlock();
}

void DesktopSurface::Show() {
    if (shown_) return;
    shown_ = true;
    // Every output, those plugged in later included, is covered while the
    // scene runs: what it shows of the window, black beyond it.
    connection_.watchOutputs([this](Output& output) { addPart(output); },
                             [this](Output& output) { removePart(output); });
}

int DesktopSurface::LabelHeight(const Label& label) {
    return parts_.empty() ? 0 : parts_.front().surface->LabelHeight(label);
}

bool DesktopSurface::placeOf(wl_surface* surface, PixelRect& place) const {
    for (const Part& part : parts_) {
        if (part.surface->surface() == surface) {
            place = part.place;
            return true;
        }
    }
    return false;
}

void DesktopSurface::setOverlay(const Surface* overlay) {
    overlay_ = overlay;
    if (!parts_.empty()) parts_.front().surface->setOverlay(overlay);
}

int DesktopSurface::promptScale() const { return parts_.empty() ? 1 : parts_.front().surface->promptScale(); }

bool DesktopSurface::FrameWanted() {
    bool wanted = parts_.empty();
    // Every part is asked: each notices on its own when its output is off.
    for (Part& part : parts_) wanted = part.surface->FrameWanted() || wanted;
    return wanted;
}

std::int64_t DesktopSurface::FramePeriodUs() {
    std::int64_t period = 0;
    for (Part& part : parts_) {
        const std::int64_t p = part.surface->FramePeriodUs();
        if (period == 0 || p < period) period = p;
    }
    return period;
}

void DesktopSurface::followPower() {
    const bool lit = std::any_of(parts_.begin(), parts_.end(), [](const Part& p) { return !p.surface->dark(); });
    if (lit == lit_) return;
    lit_ = lit;
    if (input_ != nullptr) input_->DisplayPower(lit);
}

void DesktopSurface::Refresh() {
    // One output that is the whole window shows the window's image itself.
    if (parts_.size() == 1) {
        Part& only = parts_.front();
        const bool whole = only.place == PixelRect{0, 0, image_.width(), image_.height()} &&
                           only.surface->Image().width() == image_.width() &&
                           only.surface->Image().height() == image_.height();
        only.surface->show(whole ? &image_ : nullptr);
        if (whole) {
            only.surface->Refresh();
            return;
        }
    }
    const PixelRect changed = image_.takeDamage();
    for (Part& part : parts_) {
        Surface& target = part.surface->Image();
        // The part of the change on this output, in the output's image.
        const PixelRect mine = changed.intersectedWith(part.place);
        if (!mine.empty()) {
            const PixelRect to = PixelRect{mine.left - part.place.left, mine.top - part.place.top,
                                           mine.right - part.place.left, mine.bottom - part.place.top}
                                     .clippedTo(target.width(), target.height());
            if (!to.empty()) {
                target.reserve(to);
                for (int y = to.top; y < to.bottom; ++y) {
                    image_.readRow(y + part.place.top, to.left + part.place.left, to.width(), target.at(to.left, y));
                }
                target.markDamaged(to);
            }
        }
        part.surface->Refresh();
    }
}

// ---------------------------------------------------------------------------

namespace {
// The scene's window, which the toolkit's seat stops feeding when it goes.
class ToolkitDesktopSurface : public DesktopSurface {
public:
    ToolkitDesktopSurface(WaylandConnection& connection, WaylandDesktop& desktop, const std::string& name,
                          SeatInput& seat)
        : DesktopSurface(connection, desktop, name), seat_(seat) {
        seat_.attach(this);
    }
    ~ToolkitDesktopSurface() override { seat_.attach(nullptr); }

private:
    SeatInput& seat_;
};
}  // namespace

WaylandToolkit::WaylandToolkit(posix::PollLoop& loop, WaylandConnection& connection, WaylandDesktop& desktop,
                               sdl::SdlMixer& mixer)
    : Toolkit(loop), loop_(loop), connection_(connection), desktop_(desktop), mixer_(mixer),
      seat_(connection, desktop) {
    loop_.watch(connection_.fd(), [this] {
        if (!connection_.drain()) loop_.Quit();
    });
}

WaylandToolkit::~WaylandToolkit() = default;

std::unique_ptr<FormSurface> WaylandToolkit::CreateSurface(const std::string& name, SurfaceKind kind, int, int) {
    if (kind != SurfaceKind::TopLevel) {
        throw Failure(failures::kCannotCreate, "The preview needs an X11 display");
    }
    return std::make_unique<ToolkitDesktopSurface>(connection_, desktop_, name, seat_);
}

void WaylandToolkit::terminate() {
    if (prompting_) {
        endRequested_ = true;  // the prompt closes, then the request goes on
        return;
    }
    DesktopSurface* scene = seat_.surface();
    if (scene != nullptr && scene->input() != nullptr) {
        scene->input()->Terminate();
    } else {
        loop_.Quit();
    }
}

std::int32_t WaylandToolkit::askPassword(const posix::PasswordPrompt::Checker& check) {
    using posix::PasswordPrompt;
    using posix::PollLoop;
    DesktopSurface* scene = seat_.surface();
    if (scene == nullptr || prompting_) return 0;
    sdl::TextRenderer text;
    Surface picture;
    std::function<void()> draw;
    PasswordPrompt prompt(posix::currentUser(), check, loop_, [&draw] { draw(); }, PollLoop::nowMs());
    draw = [&] {
        picture = prompt.picture(text, scene->promptScale());
        scene->setOverlay(&picture);
        scene->Refresh();
    };
    prompting_ = true;
    endRequested_ = false;
    seat_.takeKeys([&prompt](std::uint32_t sym, const char* typed, std::size_t length) {
        const std::uint64_t now = PollLoop::nowMs();
        switch (sym) {
            case XKB_KEY_Escape: prompt.press(PasswordPrompt::Key::Escape, now); break;
            case XKB_KEY_BackSpace: prompt.press(PasswordPrompt::Key::Backspace, now); break;
            case XKB_KEY_Return:
            case XKB_KEY_KP_Enter: prompt.press(PasswordPrompt::Key::Enter, now); break;
            default:
                // Control characters (Tab, Delete, ...) are no part of a password.
                if (length > 0 && static_cast<unsigned char>(typed[0]) >= 0x20 && typed[0] != 0x7F) {
                    prompt.type(typed, length, now);
                } else {
                    prompt.press(PasswordPrompt::Key::Other, now);
                }
                break;
        }
    });
    prompt.run(PollLoop::nowMs, [this] { return endRequested_ || connection_.closed(); });
    seat_.takeKeys({});
    prompting_ = false;
    if (seat_.surface() == scene) {
        if (prompt.answer() != 0) scene->unlockSession();
        scene->setOverlay(nullptr);
        scene->Refresh();
    }
    if (endRequested_) loop_.Post([this] { terminate(); });
    return prompt.answer();
}

std::unique_ptr<MediaControl> WaylandToolkit::CreateMediaControl() {
    return std::make_unique<sdl::SdlMediaControl>(mixer_, posix::musicFolder());
}

std::unique_ptr<ConfigWindow> WaylandToolkit::CreateConfigWindow() {
    throw Failure(failures::kCannotCreate, "The settings dialog runs on its own");
}

}  // namespace lumaris::wayland
