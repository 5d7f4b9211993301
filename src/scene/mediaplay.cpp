// The scene's music: one random file after another on the media control.
#include "audio/background_sound.h"
#include "audio/playlist.h"
#include "platform/platform.h"
#include "runtime/failure.h"
#include "scene/frm_tidemar_main.h"
#include "startup/lumz_submain.h"

namespace lumaris {

void FrmTidemarMain::mediaplay() {
    trap(platform_.ui, "Error in mediaplay", [&] {
        MMControl1.SetNotify(false);
        MMControl1.SetWait(true);
        MMControl1.SetShareable(false);
        MMControl1.SetDeviceType("MPEGVideo");
        const std::string& folder = module_.cfg.cfgMusicDir;
        // The separator is always added, also after "c:\" and before an empty name.
        const std::string file = folder + "\\" + getrndfile(folder, "mp3", module_, platform_);
        MMControl1.SetFileName(file);
        MMControl1.SetWait(true);
        MMControl1.SetCommand("Open");
        MMControl1.SetWait(false);
        MMControl1.SetCommand("play");
        Label1.caption = file;
    });
}

void FrmTidemarMain::MMControl1_Done(std::int32_t /*notifyCode*/) { mediaplay(); }

void FrmTidemarMain::DisplayPower(bool on) {
    if (dark_ == !on) return;
    dark_ = !on;
    const Settings& cfg = module_.cfg;
    Timer1.SetEnabled(on);
    if (cfg.cfgSound) {
        if (on) {
            PlayResWave("tidemar", module_, platform_);
        } else {
            platform_.audio.sndPlaySoundA(nullptr, kSndAsync);
        }
    }
    if (cfg.cfgMusic) MMControl1.SetCommand(on ? "resume" : "pause");
}

}  // namespace lumaris
