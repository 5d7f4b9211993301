// The scene's start.
#include "audio/background_sound.h"
#include "platform/platform.h"
#include "runtime/convert.h"
#include "runtime/failure.h"
#include "scene/frm_tidemar_main.h"
#include "settings/registry_probe.h"
#include "settings/settings.h"
#include "startup/lumz_submain.h"

namespace lumaris {

FrmTidemarMain::FrmTidemarMain(LumzSubMain& module, Platform& platform, FormSurface& window, Timer& timer,
                               MediaControl& media)
    : skypicsource(platform.pictures.Load("skypicsource", rgb(0, 0, 0))),
      waterpicsource(platform.pictures.Load("waterpicsource", rgb(0, 0, 0))),
      picDarkWater(platform.pictures.Load("picDarkWater", rgb(0, 0, 0))),
      picMoon(platform.pictures.Load("picMoon", rgb(0, 0, 0))),
      piccivilsource(platform.pictures.Load("piccivilsource", rgb(0, 0, 0))),
      splashpic(platform.pictures.Load("splashpic", rgb(0, 0, 0))),
      picBalloon(platform.pictures.Load("picBalloon", rgb(0, 0, 0))),
      Label1{"Debug Label", rgb(255, 255, 255), 0, 0, false},
      Timer1(timer),
      MMControl1(media),
      module_(module),
      platform_(platform),
      window_(window) {
    Timer1.SetInterval(kSceneTimerStart);
    window_.AddLabel(Label1);
    MMControl1.OnDone([this](std::int32_t notifyCode) { MMControl1_Done(notifyCode); });
}

float FrmTidemarMain::screenWidthPixels() { return platform_.screen.Width() / platform_.screen.TwipsPerPixelX(); }
float FrmTidemarMain::screenHeightPixels() { return platform_.screen.Height() / platform_.screen.TwipsPerPixelY(); }

void FrmTidemarMain::drawSplash(float W, float H) {
    const double x = static_cast<double>(W) / 2 - 136;
    const double y = static_cast<double>(H) / 2 - 90 - static_cast<double>(state.sceneLift) / 2;
    blitOnForm(static_cast<std::int32_t>(nearest(x)), static_cast<std::int32_t>(nearest(y)), 272, 181, splashpic, 0, 0,
               Rop::SrcCopy);
}

void FrmTidemarMain::nightPreparation() {
    SceneState& s = state;
    platform_.gdi.ClearPicture(skypicsource);
    platform_.random.Randomize();
    for (int star = 0; star < 1000; ++star) {
        // Three draws in this order: grey, x, y.
        const auto g = static_cast<std::uint32_t>(static_cast<double>(platform_.random.Rnd()) * 255) + 1;
        const auto x = static_cast<std::int32_t>(static_cast<double>(platform_.random.Rnd()) * s.skyWidth) + 1;
        const auto y = static_cast<std::int32_t>(static_cast<double>(platform_.random.Rnd()) * s.skyHeight) + 1;
        platform_.gdi.Line(skypicsource, x, y, x + 1, y + 1, rgb(g, g, g));
    }
    platform_.gdi.BitBlt(skypicsource, s.sceneWidth - 200, 10, picMoon.width(), picMoon.height(), picMoon, 0, 0,
                         Rop::SrcCopy);
    s.layerSpeed[0] = 0.01f;
    platform_.gdi.RefreshPicture(skypicsource);
    platform_.gdi.BitBlt(waterpicsource, 0, 0, waterpicsource.width(), waterpicsource.height(), picDarkWater, 0, 0,
                         Rop::SrcCopy);
}

void FrmTidemarMain::layOut() {
    SceneState& s = state;
    const Settings& cfg = module_.cfg;
    s.skyHeight = toInt16(skypicsource.height());
    // Whole twips divided by whole twips per pixel, dropping the remainder.
    const std::int64_t twipsPerPixelX = nearest(platform_.screen.TwipsPerPixelX());
    if (twipsPerPixelX == 0) throw Failure(11, "Division by zero");
    s.sceneWidth = toInt16(static_cast<double>(nearest(platform_.screen.Width()) / twipsPerPixelX));
    s.skyWidth = toInt16(skypicsource.width());
    s.waterWidth = toInt16(waterpicsource.width());
    const float bandOffsets[11] = {0, 7, 12, 20, 40, 74, 113, 152, 204, 266, 350};
    for (int i = 1; i <= 11; ++i) s.bandTop[i] = static_cast<float>(s.skyHeight) + bandOffsets[i - 1];
    if (s.sceneWidth > 1024) s.sceneWidth = 1024;

    const float W = screenWidthPixels();
    const float H = screenHeightPixels();
    s.sceneLeft = toInt16(static_cast<double>(W) / 2 - static_cast<double>(s.sceneWidth) / 2);
    s.sceneLift = toInt16(H);
    if (s.sceneLift > 1020) s.sceneLift = toInt16(430 - static_cast<double>(H) / 2);
    if (s.sceneLift > 600) s.sceneLift = 0;
    if (s.sceneLift > 500) s.sceneLift = 50;
    if (s.sceneLift > 400) s.sceneLift = 100;

    if (cfg.cfgBalloon) {
        module_.balloon = Sprite{s.sceneLeft, -s.sceneLift, 86, 66, 0, 0};
    }
}

void FrmTidemarMain::Form_Resize() {
    trap(platform_.ui, "Error in form_resize", [&] {
        layOut();
        // The moon's place follows the scene's width.
        if (module_.cfg.cfgNightMode) nightPreparation();
        if (state.splashFrames < 30) drawSplash(screenWidthPixels(), screenHeightPixels());
    });
}

void FrmTidemarMain::Form_Load() {
    trap(platform_.ui, "Error in form_load", [&] {
        SceneState& s = state;
        Settings& cfg = module_.cfg;
        if (!module_.PreviewMode) {
            s.startTime = platform_.clock.Timer();
            s.usePassword = leadingNumber(getregstring(kHkeyCurrentUser, kDesktopKey, kScreenSaveUsePassword,
                                                       platform_)) != 0;
            std::int32_t zero = 0;
            platform_.user32.SystemParametersInfoA(kSpiSetScreenSaverRunning, 1, &zero, 0);
            platform_.user32.ShowCursor(false);
        }
        loadconfig(cfg, module_.AppTitle, platform_);
        if (platform_.audio.waveOutGetNumDevs() < 1) {
            cfg.cfgMusic = false;
            cfg.cfgSound = false;
        }
        if (cfg.cfgNightMode) cfg.cfgCivilization = false;
        Timer1.SetInterval(151 - cfg.cfgSpeed);
        s.townStage = 0;
        window_.SetWindowState(kWindowStateMaximized);
        s.layerSpeed = {1.0f, 1.0f, 1.2f, 1.8f, 2.9f, 4.0f, 6.5f, 11.0f, 17.0f, 25.0f, 33.0f};
        layOut();
        const float W = screenWidthPixels();
        const float H = screenHeightPixels();
        drawSplash(W, H);
        window_.Show();
        if (cfg.cfgNightMode) nightPreparation();
        window_.Refresh();
        if (cfg.cfgSound) PlayResWave("tidemar", module_, platform_);
        if (cfg.cfgMusic) mediaplay();
        drawSplash(W, H);
    });
}

}  // namespace lumaris
