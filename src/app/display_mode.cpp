#include "app/display_mode.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

#include "app/scene_ticks.h"
#include "runtime/convert.h"
#include "runtime/failure.h"
#include "runtime/scale.h"
#include "runtime/stats.h"
#include "settings/settings.h"

namespace lumaris {

namespace {

// An option's name with one leading dash, whichever way it was written.
std::string optionName(const std::string& arg) {
    if (arg.size() > 2 && arg[0] == '-' && arg[1] == '-') return arg.substr(1);
    return arg;
}

struct Switch {
    const char* on;
    const char* off;
    const char* key;
};

constexpr Switch kSwitches[] = {
    {"-sound", "-no-sound", "SOUND"},     {"-music", "-no-music", "MUSIC"},
    {"-town", "-no-town", "CIVILIZATION"}, {"-night", "-day", "NIGHTMODE"},
    {"-balloon", "-no-balloon", "balloon"},
};

}  // namespace

bool parseWindowId(const std::string& text, std::uint64_t& id) {
    if (text.empty() || text.size() > 20) return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    for (std::size_t i = hex ? 2 : 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool digit = c >= '0' && c <= '9';
        const bool hexDigit = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!digit && !(hex && hexDigit)) return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    // X11 resource ids have 29 bits.
    if (errno != 0 || *end != '\0' || value == 0 || value > 0x1FFFFFFFull) return false;
    id = value;
    return true;
}

DisplayParse parseDisplayMode(const std::vector<std::string>& arguments, DisplayOptions& options,
                              std::string& error) {
    bool displayMode = false;
    for (const std::string& arg : arguments) {
        const std::string name = optionName(arg);
        if (name == "-root" || name == "-window-id") displayMode = true;
    }
    if (!displayMode) return DisplayParse::NotDisplayMode;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string name = optionName(arguments[i]);
        const bool hasValue = i + 1 < arguments.size();
        auto missing = [&] {
            error = "option " + arguments[i] + " needs a value";
            return DisplayParse::Bad;
        };
        if (name == "-root") continue;
        if (name == "-window-id") {
            if (!hasValue) return missing();
            if (!parseWindowId(arguments[++i], options.window)) {
                error = "not a window id: " + arguments[i];
                return DisplayParse::Bad;
            }
            continue;
        }
        if (name == "-speed") {
            if (!hasValue) return missing();
            const std::string& given = arguments[++i];
            // Blanks around the number are taken alike at either end; other
            // white space is not.
            const std::string text = trimBlanks(given);
            char* end = nullptr;
            const long speed = std::strtol(text.c_str(), &end, 10);
            if (text.empty() || text.find_first_of(" \t\n\v\f\r") != std::string::npos || *end != '\0' ||
                speed < 80 || speed > 150) {
                error = "the speed must be a whole number from 80 to 150, not " + given;
                return DisplayParse::Bad;
            }
            options.settings.emplace_back("SPEED", std::to_string(speed));
            continue;
        }
        if (name == "-scale") {
            if (!hasValue) return missing();
            if (!parseScale(arguments[++i], options.scale)) {
                error = "the scale must be auto or a whole number from 1 to 8, not " + arguments[i];
                return DisplayParse::Bad;
            }
            continue;
        }
        if (name == "-music-dir") {
            if (!hasValue) return missing();
            options.settings.emplace_back("MUSICDIR", arguments[++i]);
            continue;
        }
        bool known = false;
        for (const Switch& s : kSwitches) {
            if (name == s.on || name == s.off) {
                options.settings.emplace_back(s.key, name == s.on ? "True" : "False");
                known = true;
            }
        }
        if (!known) {
            error = "unknown option " + arguments[i] + " (see lumaris --help)";
            return DisplayParse::Bad;
        }
    }
    return DisplayParse::Ok;
}

std::string OverrideStore::GetSetting(const std::string& application, const std::string& section,
                                      const std::string& key, const std::string& defaultText) {
    // The last word on a key holds.
    for (auto it = overrides_.rbegin(); it != overrides_.rend(); ++it) {
        if (strcasecmp(it->first.c_str(), key.c_str()) == 0) return it->second;
    }
    return store_.GetSetting(application, section, key, defaultText);
}

std::int32_t HandOverAudio::sndPlaySoundA(const void* sound, std::uint32_t flags) {
    if (live_) return host_.sndPlaySoundA(sound, flags);
    // Only a looping sound outlasts the call: the one to start when live.
    if (sound == nullptr || (flags & kSndLoop) != 0) {
        loop_ = sound;
        loopFlags_ = flags;
    }
    return 1;
}

std::int32_t HandOverAudio::mciSendStringA(const char* command, char* reply, std::uint32_t replyLength,
                                           Hwnd callback) {
    if (live_) return host_.mciSendStringA(command, reply, replyLength, callback);
    if (reply != nullptr && replyLength > 0) reply[0] = '\0';
    return 0;
}

void HandOverAudio::goLive() {
    if (live_) return;
    live_ = true;
    if (loop_ != nullptr) host_.sndPlaySoundA(loop_, loopFlags_);
}

void HandOverMedia::OnDone(std::function<void(std::int32_t)> handler) {
    done_ = std::move(handler);
    target_->OnDone(done_);
}

void HandOverMedia::goLive(std::unique_ptr<MediaControl> host) {
    target_->SetCommand("close");
    host_ = std::move(host);
    target_ = host_.get();
    target_->OnDone(done_);
}

DisplayMode::DisplayMode(Platform& host, Toolkit& toolkit, const DisplayOptions& options,
                         std::function<bool()> claimSound)
    : toolkit_(toolkit),
      claimSound_(std::move(claimSound)),
      audio_(host.audio),
      store_(host.store, options.settings),
      platform_{ui_,    host.app,   host.clock, host.random,   user32_, screen_,   store_,
                registry_, passwords_, host.gdi,   host.pictures, audio_,  host.files, shell_} {
    module_.AppTitle = kAppTitle;
}

// The scene goes before its window, timer and media control.
DisplayMode::~DisplayMode() { scene_.reset(); }

void DisplayMode::start() {
    window_ = toolkit_.CreateSurface("form", SurfaceKind::Given, 0, 0);
    screen_.window = window_.get();
    timer_ = std::make_unique<SceneTicks>(toolkit_.Loop(), *window_, [this](int later) {
        countSceneTick();
        if (!scene_) return;
        scene_->laterTicks = later;
        scene_->Timer1_Timer();
    });
    const bool plays = claimSound_();
    if (plays) {
        audio_.goLive();
        media_.goLive(toolkit_.CreateMediaControl());
    }
    scene_ = std::make_unique<FrmTidemarMain>(module_, platform_, *window_, *timer_, media_);
    window_->OnResize([this] { scene_->Form_Resize(); });
    platform_.random.Randomize();
    scene_->Form_Load();
    window_->SetInput(this);
    if (!plays) {
        soundClaim_ = toolkit_.Loop().CreateTimer([this] {
            if (claimSound_()) takeSoundOver();
        });
        soundClaim_->SetInterval(2000);
    }
}

// The process that played the display's sound has ended: this one plays it
// from now on, the sea sound and a new song as at a start.
void DisplayMode::takeSoundOver() {
    soundClaim_->SetEnabled(false);
    audio_.goLive();
    media_.goLive(toolkit_.CreateMediaControl());
    if (module_.cfg.cfgMusic) scene_->mediaplay();
}

void DisplayMode::stop() {
    if (!scene_) return;
    window_->SetInput(nullptr);
    timer_->SetEnabled(false);
    platform_.audio.sndPlaySoundA(nullptr, kSndPurge);
    if (soundClaim_) soundClaim_->SetEnabled(false);
    if (module_.cfg.cfgMusic) {
        media_.SetWait(true);
        media_.SetCommand("close");
    }
}

int runDisplayMode(Platform& host, Toolkit& toolkit, const DisplayOptions& options,
                   std::function<bool()> claimSound) {
    try {
        DisplayMode mode(host, toolkit, options, std::move(claimSound));
        mode.start();
        toolkit.Loop().Run();
        mode.stop();
    } catch (const Failure& failure) {
        std::fprintf(stderr, "lumaris: %s\n", failure.message().c_str());
        return 1;
    }
    return 0;
}

}  // namespace lumaris
