// The settings dialog: its logic, free of any toolkit, over a view that
// holds the controls.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/config_view.h"
#include "runtime/form.h"
#include "settings/settings.h"

namespace lumaris {

struct LumzSubMain;
struct Platform;

inline constexpr std::int16_t kSpeedMin = 80;
inline constexpr std::int16_t kSpeedMax = 150;
inline constexpr const char* kBrowseTitle = "Browse for folder";

class FrmConfig {
public:
    FrmConfig(LumzSubMain& module, Platform& platform, ConfigView& view);

    void Form_Load();
    void chkMusic_Click();
    void chkMouseEvent_Click();
    void cmdDirPath_Click();
    void cmdOk_Click();
    void cmdCancel_Click();
    void lblURL_Click();
    void Command1_Click();
    // Runs the handler of a control's event.
    void Raise(ConfigEvent event);

private:
    // Whether the music folder holds any "*.mp3" file (the first match only).
    bool folderHasMusic();
    void showMp3Check();

    struct CheckSetting {
        Check box;
        bool Settings::*value;
        std::uint8_t bit;
        bool takenAtOk;
    };
    static const std::array<CheckSetting, 6> kChecks;
    // The controls as the load left them.
    struct Shown {
        std::int16_t speed = 0;
        std::array<bool, 6> checks{};
    } shown_;

    LumzSubMain& module_;
    Platform& platform_;
    ConfigView& view_;
};

// The chosen folder's file-system path, or the empty text.
std::string browsefolder(Hwnd owner, Platform& platform);

}  // namespace lumaris
