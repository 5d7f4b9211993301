#include "dialog/frm_config.h"

#include <array>
#include <cstring>

#include "platform/platform.h"
#include "runtime/failure.h"
#include "runtime/product.h"
#include "settings/settings.h"
#include "startup/lumz_submain.h"

namespace lumaris {

// The check boxes, their settings, and whether OK takes the box's state (the
// mouse rule follows its box at each click).
const std::array<FrmConfig::CheckSetting, 6> FrmConfig::kChecks = {{
    {Check::chkMusic, &Settings::cfgMusic, setting::kMusic, true},
    {Check::chkSound, &Settings::cfgSound, setting::kSound, true},
    {Check::chkCivilization, &Settings::cfgCivilization, setting::kCivilization, true},
    {Check::chkNightMode, &Settings::cfgNightMode, setting::kNightMode, true},
    {Check::chkBalloon, &Settings::cfgBalloon, setting::kBalloon, true},
    {Check::chkMouseEvent, &Settings::cfgMouse, setting::kMouse, false},
}};

FrmConfig::FrmConfig(LumzSubMain& module, Platform& platform, ConfigView& view)
    : module_(module), platform_(platform), view_(view) {}

bool FrmConfig::folderHasMusic() {
    // The folder exactly as stored, then "\*.mp3", even after a trailing "\".
    return !platform_.files.Dir(module_.cfg.cfgMusicDir + "\\*.mp3").empty();
}

void FrmConfig::showMp3Check() { view_.SetVisible(Control::lblMp3Check, !folderHasMusic()); }

void FrmConfig::Form_Load() {
    trap(platform_.ui, "Error loading config form", [&] {
        Settings& cfg = module_.cfg;
        loadconfig(cfg, module_.AppTitle, platform_);
        view_.SetSpeedRange(kSpeedMin, kSpeedMax);
        // The bar takes no position outside its range: a stored speed out
        // of it fails the load, as an invalid property value, once the other
        // controls show their settings; the stored speed stays unless the
        // user moves the bar.
        const bool speedFits = cfg.cfgSpeed >= kSpeedMin && cfg.cfgSpeed <= kSpeedMax;
        if (speedFits) view_.SetSpeed(cfg.cfgSpeed);
        view_.SetChecked(Check::chkSound, cfg.cfgSound);
        view_.SetChecked(Check::chkMusic, cfg.cfgMusic);
        view_.SetChecked(Check::chkCivilization, cfg.cfgCivilization);
        view_.SetChecked(Check::chkMouseEvent, cfg.cfgMouse);
        view_.SetChecked(Check::chkNightMode, cfg.cfgNightMode);
        view_.SetChecked(Check::chkBalloon, cfg.cfgBalloon);
        if (!folderHasMusic() && cfg.cfgMusic) view_.SetVisible(Control::lblMp3Check, true);
        if (platform_.audio.waveOutGetNumDevs() < 1) {
            platform_.ui.MsgBox("Your system sound is not set up.", kMbIconInformation, "Sound Problem");
            view_.SetChecked(Check::chkMusic, false);
            view_.SetChecked(Check::chkSound, false);
            view_.SetVisible(Control::chkMusic, false);
            view_.SetVisible(Control::chkSound, false);
        }
        if (cfg.cfgMusic) {
            view_.SetPathCaption(cfg.cfgMusicDir);
            view_.SetVisible(Control::lblPathName, true);
        } else {
            view_.SetVisible(Control::lblPathName, false);
        }
        if (!speedFits) {
            cfg.unread |= setting::kSpeed;
            throw Failure(380, "Invalid property value");
        }
    });
    // What the controls show now: a setting that could not be read is saved
    // only once the user changes its control.
    try {
        shown_.speed = view_.Speed();
        for (std::size_t i = 0; i < kChecks.size(); ++i) shown_.checks[i] = view_.Checked(kChecks[i].box);
    } catch (const std::exception&) {
    }
}

void FrmConfig::chkMusic_Click() {
    Settings& cfg = module_.cfg;
    if (view_.Checked(Check::chkMusic)) {
        view_.SetPathCaption(cfg.cfgMusicDir);
        view_.SetVisible(Control::lblPathName, true);
        view_.SetVisible(Control::cmdDirPath, true);
        cfg.cfgMusic = true;
        showMp3Check();
    } else {
        cfg.cfgMusic = false;
        view_.SetVisible(Control::lblPathName, false);
        view_.SetVisible(Control::cmdDirPath, false);
        view_.SetVisible(Control::lblMp3Check, false);
    }
}

void FrmConfig::chkMouseEvent_Click() { module_.cfg.cfgMouse = view_.Checked(Check::chkMouseEvent); }

void FrmConfig::cmdDirPath_Click() {
    const std::string folder = browsefolder(0, platform_);
    if (folder.empty()) return;
    module_.cfg.cfgMusicDir = folder;
    module_.cfg.unread &= static_cast<std::uint8_t>(~setting::kMusicDir);
    view_.SetPathCaption(folder);
    showMp3Check();
}

void FrmConfig::cmdOk_Click() {
    // Every step is tried; one that fails is passed over, so the dialog
    // always tries to save and always closes.
    auto step = [](auto&& body) {
        try {
            body();
        } catch (const std::exception&) {
        }
    };
    Settings& cfg = module_.cfg;
    step([&] {
        if (!folderHasMusic()) view_.SetVisible(Control::lblMp3Check, true);
    });
    // A control the user changed makes its setting one to save.
    step([&] {
        cfg.cfgSpeed = view_.Speed();
        if (cfg.cfgSpeed != shown_.speed) cfg.unread &= static_cast<std::uint8_t>(~setting::kSpeed);
    });
    for (std::size_t i = 0; i < kChecks.size(); ++i) {
        step([&] {
            const bool now = view_.Checked(kChecks[i].box);
            if (kChecks[i].takenAtOk) cfg.*kChecks[i].value = now;
            if (now != shown_.checks[i]) cfg.unread &= static_cast<std::uint8_t>(~kChecks[i].bit);
        });
    }
    step([&] { saveconfig(cfg, module_.AppTitle, platform_); });
    step([&] { view_.Close(); });
}

void FrmConfig::cmdCancel_Click() { view_.Close(); }

void FrmConfig::Raise(ConfigEvent event) {
    switch (event) {
        case ConfigEvent::chkMusic_Click: chkMusic_Click(); break;
        case ConfigEvent::chkMouseEvent_Click: chkMouseEvent_Click(); break;
        case ConfigEvent::cmdDirPath_Click: cmdDirPath_Click(); break;
        case ConfigEvent::cmdOk_Click: cmdOk_Click(); break;
        case ConfigEvent::cmdCancel_Click: cmdCancel_Click(); break;
        case ConfigEvent::lblURL_Click: lblURL_Click(); break;
        case ConfigEvent::Command1_Click: Command1_Click(); break;
    }
}

void FrmConfig::lblURL_Click() {
    platform_.shell.ShellExecuteA(0, nullptr, kPublisherUrl, nullptr, nullptr, kSwShowNormal);
}

void FrmConfig::Command1_Click() {
    const std::string readme = platform_.app.Path() + "\\" + kReadmeName;
    platform_.shell.ShellExecuteA(0, nullptr, readme.c_str(), nullptr, nullptr, kSwShowNormal);
}

std::string browsefolder(Hwnd owner, Platform& platform) {
    BrowseInfo info;
    info.owner = owner;
    info.title = kBrowseTitle;
    info.flags = kBifReturnOnlyFsDirs;
    const ItemIdList item = platform.shell.SHBrowseForFolderA(info);
    std::array<char, 512> buffer{};
    std::string result;
    if (platform.shell.SHGetPathFromIDListA(item, buffer.data(), buffer.size()) != 0) {
        result.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
    }
    // A choice without a file-system path is freed too.
    if (item != nullptr) platform.shell.CoTaskMemFree(item);
    return result;
}

}  // namespace lumaris
