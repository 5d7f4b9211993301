#include "dialog/layout.h"

#include <cctype>

#include "runtime/product.h"

namespace lumaris {

const std::vector<DialogControl>& dialogLayout() {
    using K = ControlKind;
    using L = ControlLook;
    using R = ControlRole;
    static const std::vector<DialogControl> table = {
        {"Label1", R::Title, K::Label, "Lumaris Screensaver", nullptr, 195, 45, 3225, 300, 7, false, true, L::Title,
         true, true},
        {"Label6", R::Version, K::Label, "v2.1", nullptr, 3480, 120, 315, 195, 9, false, true, L::Plain, false, true},
        {"Label5", R::Credit, K::Label, std::string("by ") + kAuthorName + " - Distribute Freely!", nullptr, 720, 360,
         3075, 315, 8, false, true, L::Plain, true, false, true},
        {"lblURL", R::Url, K::Label, kPublisherHost, nullptr, 1440, 600, 1425, 195, 17, false, true, L::Link, false,
         true},
        {"Command1", R::ReadMe, K::PushButton, "ReadMe", nullptr, 3240, 600, 855, 375, 18},
        {"Label2", R::SpeedCaption, K::Label, "Speed", nullptr, 1680, 1320, 555, 195, 5, false, true, L::Bold, false,
         true},
        {"Label3(0)", R::SpeedLow, K::Label, "Vacation", nullptr, 510, 1575, 900, 300, 10},
        {"scrSpeed", R::Speed, K::HScrollBar, "", nullptr, 1215, 1575, 1575, 255, 1},
        {"Label3(1)", R::SpeedHigh, K::Label, "Shore Leave", nullptr, 2880, 1575, 1005, 300, 11},
        {"chkBalloon", R::Balloon, K::CheckBox, "Balloon (Mouse)", nullptr, 480, 1920, 1695, 375, 19, false},
        {"chkCivilization", R::Civilization, K::CheckBox, "Civilization", "Building up paradise", 480, 2400, 1215,
         255, 4, true},
        {"chkNightMode", R::NightMode, K::CheckBox, "Night Mode", nullptr, 2280, 2400, 1575, 255, 15, true},
        {"chkSound", R::Sound, K::CheckBox, "Sound", "Background sound", 480, 2760, 1215, 255, 2, true},
        {"chkMouseEvent", R::MouseEvent, K::CheckBox, "Disable mouseovers", "Moving mouse doesn't stop saver", 2280,
         2760, 1815, 255, 14, true},
        {"chkMusic", R::Music, K::CheckBox, "Music", "Play mp3's", 480, 3120, 855, 195, 3, true},
        {"cmdDirPath", R::DirPath, K::PushButton, "Directory", nullptr, 1320, 3120, 855, 255, 12},
        {"lblPathName", R::PathName, K::Label, "Current Directory", nullptr, 480, 3480, 3735, 255, 13},
        {"lblMp3Check", R::Mp3Check, K::Label, "(No mp3's in this directory)", nullptr, 480, 3720, 2175, 255, 16,
         false, false},
        {"cmdOk", R::Ok, K::PushButton, "&Ok", nullptr, 1080, 4200, 975, 495, 0},
        {"cmdCancel", R::Cancel, K::PushButton, "&Cancel", nullptr, 2520, 4200, 975, 495, 6},
    };
    return table;
}

const DialogControl& dialogControl(ControlRole role) {
    for (const DialogControl& c : dialogLayout()) {
        if (c.role == role) return c;
    }
    return dialogLayout().front();
}

char accessKey(const std::string& caption) {
    const std::size_t at = caption.find('&');
    if (at == std::string::npos || at + 1 >= caption.size()) return 0;
    return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[at + 1])));
}

}  // namespace lumaris
