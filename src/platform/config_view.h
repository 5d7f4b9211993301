// The settings dialog's window as the dialog's logic sees it: the controls it
// reads and changes (ConfigView), the events the controls raise
// (ConfigEvent), and the window that holds both (ConfigWindow).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "runtime/form.h"

namespace lumaris {

// The dialog's check boxes.
enum class Check { chkSound, chkMusic, chkCivilization, chkMouseEvent, chkNightMode, chkBalloon };
// The controls whose visibility the logic changes.
enum class Control { chkSound, chkMusic, lblPathName, lblMp3Check, cmdDirPath };

class ConfigView {
public:
    virtual ~ConfigView() = default;
    virtual void SetSpeedRange(std::int16_t min, std::int16_t max) = 0;
    // A position inside the range set last.
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

// What the controls report, each on the user-interface thread.
enum class ConfigEvent { chkMusic_Click, chkMouseEvent_Click, cmdDirPath_Click, cmdOk_Click, cmdCancel_Click,
                         lblURL_Click, Command1_Click };
using ConfigEvents = std::function<void(ConfigEvent)>;

// The dialog's window: the controls and the form, reporting to `events`
// once connected. The event loop runs while it is open.
class ConfigWindow : public ConfigView, public FormWindow {
public:
    virtual void Connect(ConfigEvents events) = 0;
    virtual bool IsOpen() const = 0;
};

}  // namespace lumaris
