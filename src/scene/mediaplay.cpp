// The scene's music: one random file after another on the media control.
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

}  // namespace lumaris
