#include "platform/posix/password_prompt.h"

#include <string.h>
#include <sys/mman.h>

#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace lumaris::posix {

namespace {

constexpr int kPanelWidth = 460, kPanelHeight = 170;

// The prompt: a dark panel with a frame and three lines of text, drawn at
// `scale` times its size (text set k times as large, never enlarged).
Surface promptPicture(TextRasterizer& text, const std::string& user, std::size_t typed, const std::string& message,
                      int scale) {
    const int width = kPanelWidth * scale, height = kPanelHeight * scale;
    Surface panel("prompt", width, height, 0xF6101830);
    panel.clear();
    for (int edge = 0; edge < scale; ++edge) {
        for (int x = 0; x < width; ++x) {
            panel.setPixel(x, edge, 0xFFD6B460);
            panel.setPixel(x, height - 1 - edge, 0xFFD6B460);
        }
        for (int y = 0; y < height; ++y) {
            panel.setPixel(edge, y, 0xFFD6B460);
            panel.setPixel(width - 1 - edge, y, 0xFFD6B460);
        }
    }
    std::string mask;
    for (std::size_t i = 0; i < typed && i < 32; ++i) mask += "\xE2\x80\xA2";  // a bullet per character
    const struct {
        std::string line;
        std::uint32_t color;
        int top;
    } lines[] = {
        {"Enter the password to end the screensaver", 0xF0E8C0, 18},
        {"User: " + user, 0xFFFFFF, 56},
        {"Password: " + mask, 0xFFFFFF, 90},
        {message, 0xFF9080, 128},
    };
    for (const auto& l : lines) {
        if (l.line.empty()) continue;
        const Surface* pixels = text.Render(l.line, l.color, 18 * scale, false, 0, false);
        if (pixels != nullptr) blendArgb(panel, *pixels, 24 * scale, l.top * scale);
    }
    return panel;
}

std::size_t characters(const char* text, std::size_t length) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < length; ++i) count += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    return count;
}

}  // namespace

// The typed answer: locked into memory (never written to swap) and wiped
// when it goes, with room for any reasonable password.
class PasswordPrompt::Secret {
public:
    static constexpr std::size_t kCapacity = 4096;  // bytes, the closing NUL included
    Secret() {
        void* page = mmap(nullptr, kCapacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (page != MAP_FAILED) {
            data_ = static_cast<char*>(page);
            mlock(data_, kCapacity);  // best effort: a low memory-lock limit leaves it unlocked
        }
    }
    ~Secret() {
        if (data_ == nullptr) return;
        explicit_bzero(data_, kCapacity);
        munlock(data_, kCapacity);
        munmap(data_, kCapacity);
    }
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    // False when the text did not fit (nothing of it is taken).
    bool append(const char* text, std::size_t n) {
        if (data_ == nullptr || length_ + n >= kCapacity) return false;
        memcpy(data_ + length_, text, n);
        length_ += n;
        data_[length_] = '\0';
        return true;
    }
    // Removes the last character (all bytes of a multi-byte one).
    void backspace() {
        while (length_ > 0 && (static_cast<unsigned char>(data_[length_ - 1]) & 0xC0) == 0x80) data_[--length_] = 0;
        if (length_ > 0) data_[--length_] = 0;
    }
    void wipe() {
        if (data_ != nullptr) explicit_bzero(data_, kCapacity);
        length_ = 0;
    }
    const char* text() const { return data_ != nullptr ? data_ : ""; }
    std::size_t length() const { return length_; }

private:
    char* data_ = nullptr;
    std::size_t length_ = 0;
};

// A check on its thread. The thread keeps the check alive until it ends;
// the prompt may go first (Esc, an end signal), and then nothing wakes.
struct PasswordPrompt::Check {
    Secret answer;
    std::mutex mutex;
    EventLoop* wake = nullptr;  // cleared when the prompt goes
    std::optional<PamResult> result;
};

PasswordPrompt::PasswordPrompt(std::string user, Checker check, EventLoop& loop, std::function<void()> redraw,
                               std::uint64_t nowMs)
    : user_(std::move(user)), check_(std::move(check)), loop_(loop), redraw_(std::move(redraw)),
      typed_(std::make_unique<Secret>()), lastTyping_(nowMs) {}

PasswordPrompt::~PasswordPrompt() {
    if (!pending_) return;
    std::lock_guard<std::mutex> lock(pending_->mutex);
    pending_->wake = nullptr;
}

bool PasswordPrompt::checking() const { return pending_ != nullptr; }

void PasswordPrompt::collect() {
    if (!pending_) return;
    PamResult result;
    {
        std::lock_guard<std::mutex> lock(pending_->mutex);
        if (!pending_->result) return;
        result = *pending_->result;
    }
    pending_.reset();
    dirty_ = true;
    // Only a verified password opens the screen.
    if (result == PamResult::Verified) {
        answer_ = 1;
        done_ = true;
    } else if (result == PamResult::Refused) {
        message_ = "Wrong password";
    } else {
        message_ = "The password cannot be checked now";
    }
}

void PasswordPrompt::type(const char* text, std::size_t length, std::uint64_t nowMs) {
    if (checking()) return;
    if (!typed_->append(text, length)) cut_ = true;
    lastTyping_ = nowMs;
    dirty_ = true;
}

void PasswordPrompt::press(Key key, std::uint64_t nowMs) {
    lastTyping_ = nowMs;
    dirty_ = true;
    switch (key) {
        case Key::Other: break;
        case Key::Escape: done_ = true; break;
        case Key::Backspace:
            if (checking()) break;
            typed_->backspace();
            cut_ = false;
            break;
        case Key::Enter: {
            if (checking()) break;
            auto job = std::make_shared<Check>();
            if (!job->answer.append(typed_->text(), typed_->length())) {
                message_ = "The password cannot be checked now";
                break;
            }
            typed_->wipe();
            message_ = "Checking...";
            cut_ = false;
            job->wake = &loop_;
            pending_ = job;
            try {
                std::thread([job, check = check_, user = user_] {
                    const PamResult result = check(user, job->answer.text());
                    job->answer.wipe();
                    std::lock_guard<std::mutex> lock(job->mutex);
                    job->result = result;
                    if (job->wake != nullptr) job->wake->Post([] {});
                }).detach();
            } catch (const std::system_error&) {
                pending_.reset();
                message_ = "The password cannot be checked now";
            }
            break;
        }
    }
}

bool PasswordPrompt::done(std::uint64_t nowMs) const {
    return done_ || (!checking() && nowMs - lastTyping_ > static_cast<std::uint64_t>(kPromptIdleSeconds) * 1000u);
}

void PasswordPrompt::run(const std::function<std::uint64_t()>& clock, const std::function<bool()>& interrupted) {
    auto show = [this](std::uint64_t now) {
        if (redraw_) redraw_();
        lastShown_ = now;
    };
    show(clock());
    loop_.RunModal([&] {
        const std::uint64_t now = clock();
        collect();
        if (interrupted() || done(now)) return true;
        if (dirty_ && now - lastShown_ >= 50) show(now);
        return false;
    });
}

Surface PasswordPrompt::picture(TextRasterizer& text, int scale) {
    dirty_ = false;
    return promptPicture(text, user_, characters(typed_->text(), typed_->length()),
                         cut_ ? "Too long: the rest was not taken" : message_, scale);
}

}  // namespace lumaris::posix
