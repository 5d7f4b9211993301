// The full-screen sea scene: its pictures, its state, its start, its frames
// and the growing town.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/audio.h"
#include "platform/graphics.h"
#include "runtime/form.h"
#include "runtime/surface.h"

namespace lumaris {

struct LumzSubMain;
struct Platform;

// The state of the scene form. Everything is zero when the form is created.
struct SceneState {
    // Set by the start.
    float startTime = 0;
    bool usePassword = false;
    std::array<float, 11> layerSpeed{};  // 0: the sky, 1..10: the sea bands
    std::array<float, 12> bandTop{};     // 1..11: strip row of each band's top edge
    std::int16_t skyHeight = 0;
    std::int16_t skyWidth = 0;
    std::int16_t waterWidth = 0;
    std::int16_t sceneWidth = 0;
    std::int16_t sceneLeft = 0;
    std::int16_t sceneLift = 0;
    std::int16_t mouseX = 0;
    std::int16_t mouseY = 0;
    std::uint8_t townStage = 0;
    // Kept by the frames and the mouse handler.
    std::array<float, 11> scrollX{};
    std::int16_t splashFrames = 0;
    float lastMouseX = 0;
    float lastMouseY = 0;
};

inline constexpr std::int32_t kSceneTimerStart = 90;
inline constexpr int kBalloonPictureWidth = 66;

class FrmTidemarMain {
public:
    // window, timer and media control belong to the platform; the timer's
    // ticks must call Timer1_Timer, which the constructor cannot arrange.
    FrmTidemarMain(LumzSubMain& module, Platform& platform, FormSurface& window, Timer& timer, MediaControl& media);

    // The start: reads the settings, claims the screen, fixes the geometry,
    // prepares the night, draws the splash and starts sound and music.
    void Form_Load();
    // The screen took another size (a window handed over by a screensaver
    // daemon was resized): the geometry again for the new size, the night's
    // sky for the new width, and the splash while it still shows.
    void Form_Resize();
    // One frame.
    void Timer1_Timer();
    // One step of the town.
    void civilize();
    // Starts a random music file from the music folder.
    void mediaplay();
    void MMControl1_Done(std::int32_t notifyCode);

    // Ending the saver.
    void endsaver();
    void Form_Click();
    void Form_MouseDown(std::int16_t button, std::int16_t shift, float x, float y);
    void Form_LostFocus();
    // keyCode: a letter key gives its upper-case letter's code.
    void Form_KeyDown(std::int16_t keyCode, std::int16_t shift);
    void Form_MouseMove(std::int16_t button, std::int16_t shift, float x, float y);
    void Form_Unload(std::int16_t& cancel);
    // While the display is dark the frames, the sea sound and the music
    // stop; when it lights again all three go on, the music where it was.
    void DisplayPower(bool on);
    // Unloads the form, whatever asks for it; the program ends.
    [[noreturn]] void Unload();

    // The form's window, which the start-up places and shows.
    FormSurface& window() { return window_; }
    Hwnd hWnd() { return window_.hWnd(); }

    SceneState state;
    // How many ticks of the same wake-up follow the one running: while any
    // do, its frame would never be seen (the last one's may be).
    int laterTicks = 0;
    Surface skypicsource;
    Surface waterpicsource;
    Surface picDarkWater;
    Surface picMoon;
    Surface piccivilsource;
    Surface splashpic;
    Surface picBalloon;
    Label Label1;
    Timer& Timer1;
    MediaControl& MMControl1;

private:
    // Where the title splash goes: centred, raised by half the lift.
    void drawSplash(float screenWidth, float screenHeight);
    float screenWidthPixels();
    float screenHeightPixels();
    void nightPreparation();
    // The scene's geometry (width, place, lift, bands) and the balloon's
    // start, from the screen's size.
    void layOut();
    // A copy into the form's image; in a frame nobody sees, only its part
    // in the band of columns that frame keeps.
    void blitOnForm(int x, int y, int w, int h, const Surface& src, int sx, int sy, std::uint32_t rop);

    LumzSubMain& module_;
    Platform& platform_;
    FormSurface& window_;
    bool verifying_ = false;
    bool dark_ = false;
    bool seen_ = true;  // the frame being drawn goes to the screen
    bool band_ = false;  // a frame not shown draws the band of columns it keeps
    int bandLeft_ = 0, bandRight_ = 0;
};

// The town pieces: source x, source y, width, height in the town sheet, for
// stages 1 to 17. Each lands in the sky picture at (x + 948, y + 283).
struct TownPiece {
    std::int16_t x, y, width, height;
};
const std::array<TownPiece, 17>& townPieces();
inline constexpr int kTownLeft = 948;
inline constexpr int kTownTop = 283;

}  // namespace lumaris
