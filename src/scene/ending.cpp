// Ending the saver: input becomes an end request, which honours the grace
// period and the password; the unload gives the screen back.
#include <cmath>
#include <cstdlib>

#include "platform/platform.h"
#include "runtime/convert.h"
#include "runtime/failure.h"
#include "scene/frm_tidemar_main.h"
#include "startup/lumz_submain.h"

namespace lumaris {

namespace {
constexpr float kGracePeriod = 0.5f;
constexpr std::int16_t kKeyB = 66, kKeyM = 77, kKeyS = 83, kKeyT = 84;
}  // namespace

void FrmTidemarMain::endsaver() {
    // A request that arrives while the password is being asked for is not a
    // second request.
    if (verifying_) return;
    trap(platform_.ui, "Error", [&] {
        if (module_.PreviewMode) return;
        const float now = platform_.clock.Timer();
        if (now >= state.startTime && state.startTime + kGracePeriod > platform_.clock.Timer()) return;
        if (state.usePassword) {
            platform_.user32.ShowCursor(true);
            verifying_ = true;
            const std::int32_t answer = [&] {
                try {
                    return platform_.passwords.VerifyScreenSavePwd(hWnd());
                } catch (...) {
                    verifying_ = false;
                    throw;
                }
            }();
            verifying_ = false;
            if (static_cast<std::int16_t>(answer) != 0) Unload();
            platform_.user32.ShowCursor(false);
            state.startTime = platform_.clock.Timer();
        } else {
            Unload();
        }
    });
}

void FrmTidemarMain::Form_Click() { endsaver(); }

void FrmTidemarMain::Form_MouseDown(std::int16_t, std::int16_t, float, float) { endsaver(); }

void FrmTidemarMain::Form_LostFocus() { endsaver(); }

void FrmTidemarMain::Form_KeyDown(std::int16_t keyCode, std::int16_t /*shift*/) {
    const Settings& cfg = module_.cfg;
    switch (keyCode) {
        case kKeyB:
            if (!cfg.cfgCivilization || cfg.cfgNightMode) endsaver();
            civilize();
            break;
        case kKeyM:
        case kKeyT:
            Label1.visible = true;
            break;
        case kKeyS:
            if (cfg.cfgSound) platform_.audio.sndPlaySoundA(nullptr, kSndPurge);
            break;
        default:
            endsaver();
            break;
    }
}

void FrmTidemarMain::Form_MouseMove(std::int16_t, std::int16_t, float x, float y) {
    const Settings& cfg = module_.cfg;
    if (cfg.cfgMouse && !cfg.cfgBalloon) return;
    state.mouseX = toInt16(x);
    state.mouseY = toInt16(y);
    if (cfg.cfgBalloon) return;  // the balloon follows the mouse; moving never ends
    const bool moved = std::fabs(static_cast<float>(state.lastMouseX - x)) > 10.0f ||
                       std::fabs(static_cast<float>(state.lastMouseY - y)) > 10.0f;
    const bool known = state.lastMouseX != 0 || state.lastMouseY != 0;
    if (moved && known) {
        endsaver();
    } else {
        state.lastMouseX = x;
        state.lastMouseY = y;
    }
}

void FrmTidemarMain::Form_Unload(std::int16_t& /*cancel*/) {
    trap(platform_.ui, "Error in form_unload", [&] {
        if (!module_.PreviewMode) {
            platform_.user32.ShowCursor(true);
            std::int32_t zero = 0;
            platform_.user32.SystemParametersInfoA(kSpiSetScreenSaverRunning, 0, &zero, 0);
            platform_.audio.sndPlaySoundA(nullptr, kSndPurge);
            if (module_.cfg.cfgMusic) {
                MMControl1.SetWait(true);
                MMControl1.SetCommand("close");
            }
        }
        platform_.app.End();
    });
}

void FrmTidemarMain::Unload() {
    std::int16_t cancel = 0;
    Form_Unload(cancel);
    // The handler stopped early: the form closes all the same, and with it
    // the program, which has no other window.
    platform_.app.End();
    std::abort();  // End does not come back
}

}  // namespace lumaris
