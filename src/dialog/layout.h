// The settings dialog's controls: kind, caption, tooltip, place and size in
// twips, place in the focus order, initial state and look. Every toolkit
// builds the dialog from this one table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumaris {

inline constexpr const char* kConfigCaption = "Configuration";
inline constexpr int kConfigWidthTwips = 5115;
inline constexpr int kConfigHeightTwips = 5535;

enum class ControlKind { Label, PushButton, CheckBox, HScrollBar };
enum class ControlLook {
    Plain,  // black, the dialog's font
    Title,  // bold 12 pt, blue
    Bold,   // bold
    Link,   // blue, underlined, a hand pointer over it
};
// What a control stands for, so that a toolkit can connect it.
enum class ControlRole {
    Other, Title, Version, Credit, Url, ReadMe, SpeedCaption, SpeedLow, Speed, SpeedHigh,
    Balloon, Civilization, NightMode, Sound, MouseEvent, Music, DirPath, PathName, Mp3Check, Ok, Cancel,
};

struct DialogControl {
    const char* name;
    ControlRole role;
    ControlKind kind;
    // "&" marks a push button's access key.
    std::string caption;
    const char* tooltip;  // null: none
    int left, top, width, height;
    int tabIndex;  // labels hold places but never take the focus
    bool checked = false;
    bool visible = true;
    ControlLook look = ControlLook::Plain;
    bool centred = false;
    bool sizedToText = false;
    bool wraps = false;
};

// Every control, in the order of the table (not the focus order).
const std::vector<DialogControl>& dialogLayout();
const DialogControl& dialogControl(ControlRole role);

// The speed bar's steps: the arrows move it by the small step, a click
// beside the thumb by the large one.
inline constexpr int kSpeedSmallStep = 10;
inline constexpr int kSpeedLargeStep = 50;

// A push button's access key (0: none).
char accessKey(const std::string& caption);

}  // namespace lumaris
