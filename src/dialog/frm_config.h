// The settings dialog: its logic, free of any toolkit, over a view that
// holds the controls.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/form.h"

namespace lumaris {

struct LumzSubMain;
struct Platform;

// The dialog's check boxes.
enum class Check { chkSound, chkMusic, chkCivilization, chkMouseEvent, chkNightMode, chkBalloon };
// The controls whose visibility the logic changes.
enum class Control { chkSound, chkMusic, lblPathName, lblMp3Check, cmdDirPath };

// The controls of the dialog as the logic sees them. A toolkit view shows
// them; tests use a fake.
class ConfigView {
public:
    virtual ~ConfigView() = default;
    virtual void SetSpeedRange(std::int16_t min, std::int16_t max) = 0;
    // A position outside the range is a failure ("Invalid property value").
    virtual void SetSpeed(std::int16_t position) = 0;
    virtual std::int16_t Speed() = 0;
    // Changing a box runs its click operation, as a user's click does.
    virtual void SetChecked(Check box, bool checked) = 0;
    virtual bool Checked(Check box) = 0;
    virtual void SetVisible(Control control, bool visible) = 0;
    virtual void SetPathCaption(const std::string& caption) = 0;
    // Closes the dialog; nothing is saved by closing.
    virtual void Close() = 0;
};

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

private:
    // Whether the music folder holds any "*.mp3" file (the first match only).
    bool folderHasMusic();
    void showMp3Check();

    LumzSubMain& module_;
    Platform& platform_;
    ConfigView& view_;
};

// The chosen folder's file-system path, or the empty text.
std::string browsefolder(Hwnd owner, Platform& platform);

}  // namespace lumaris
