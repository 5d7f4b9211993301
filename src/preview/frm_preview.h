// The preview pane: the sunset picture with the credit text scrolling up.
#pragma once

#include <string>

#include "platform/graphics.h"
#include "runtime/form.h"

namespace lumaris {

struct Platform;

inline constexpr std::int32_t kPreviewTimerInterval = 80;
inline constexpr int kPreviewDesignedWidth = 161;
inline constexpr int kPreviewDesignedHeight = 121;

// The credit text: six lines joined by carriage return and line feed.
std::string creditText();

class FrmPreview {
public:
    // window and timer belong to the platform; the timer's ticks must call
    // Timer1_Timer. The window starts at the designed inner size.
    FrmPreview(Platform& platform, FormSurface& window, Timer& timer);

    void Form_Load();
    void Timer1_Timer();
    // Paints the black background and the picture at its own size at the
    // top-left corner, never stretched.
    void Form_Paint();

    // The form's window, which the start-up places and shows.
    FormSurface& window() { return window_; }
    Hwnd hWnd() { return window_.hWnd(); }

    Label Label1;
    Timer& Timer1;

private:
    int scaleHeight() { return window_.Image().height(); }
    Platform& platform_;
    FormSurface& window_;
    Surface picture_;
};

}  // namespace lumaris
