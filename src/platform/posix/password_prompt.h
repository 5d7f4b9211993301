// What the password prompt of the full-screen scene knows and shows, the
// same on every Linux display system: the typed answer, the keys that act
// on it, the check and its message, and the picture of the panel.
//
// The typed answer lives in one fixed buffer, locked into memory where the
// system allows, wiped after each check and when the prompt goes, and
// never written anywhere else. Enter checks it through the checker, Esc
// cancels, and kPromptIdleSeconds without typing cancel as well.
//
// The check runs on a thread of its own (PAM waits seconds after a wrong
// answer): the loop goes on meanwhile, so the scene keeps moving and the
// display's connection is read. The answer is copied for the check and
// wiped in both places; keys typed while it runs are not part of any answer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/posix/pam_verifier.h"
#include "platform/toolkit.h"
#include "runtime/compose.h"
#include "runtime/surface.h"

namespace lumaris::posix {

inline constexpr int kPromptIdleSeconds = 30;

class PasswordPrompt {
public:
    using Checker = std::function<PamResult(const std::string& user, const char* password)>;
    // Other: a key that is no part of the answer, which still counts as typing.
    enum class Key { Escape, Backspace, Enter, Other };

    // `redraw` shows the panel at once; `loop` is woken when a check ends.
    PasswordPrompt(std::string user, Checker check, EventLoop& loop, std::function<void()> redraw,
                   std::uint64_t nowMs);
    ~PasswordPrompt();
    PasswordPrompt(const PasswordPrompt&) = delete;
    PasswordPrompt& operator=(const PasswordPrompt&) = delete;

    // Typed text (UTF-8); what does not fit is dropped and the panel says so.
    void type(const char* text, std::size_t length, std::uint64_t nowMs);
    void press(Key key, std::uint64_t nowMs);
    // Ended by the answer, Esc, or the idle time.
    bool done(std::uint64_t nowMs) const;
    // Non-zero when the password was verified.
    std::int32_t answer() const { return answer_; }
    // True while an answer is being checked.
    bool checking() const;
    // Shows the panel, then runs the loop until the prompt is done or
    // `interrupted` says so, showing it again when it changed, at most
    // every 50 ms however fast keys come. `clock` gives milliseconds.
    void run(const std::function<std::uint64_t()>& clock, const std::function<bool()>& interrupted);
    // The panel at `scale` times its size (its text set that large, never
    // enlarged).
    Surface picture(TextRasterizer& text, int scale);

private:
    class Secret;
    struct Check;
    // Takes the result of a check that has ended.
    void collect();
    std::string user_;
    Checker check_;
    EventLoop& loop_;
    std::shared_ptr<Check> pending_;
    std::function<void()> redraw_;
    std::unique_ptr<Secret> typed_;
    bool cut_ = false;
    bool done_ = false;
    bool dirty_ = true;
    std::string message_;
    std::int32_t answer_ = 0;
    std::uint64_t lastTyping_;
    std::uint64_t lastShown_ = 0;
};

}  // namespace lumaris::posix
