// What the start-up does with a loaded form: its caption, its visibility and
// its place on the desktop. Geometry is in twips, as single-precision values.
#pragma once

#include <cstdint>
#include <string>

#include "platform/user32.h"

namespace lumaris {

// Form geometry is in twips; the screen has this many per pixel at 96 dots
// per inch, the only density the program lays itself out for.
inline constexpr float kTwipsPerPixel = 15.0f;

inline constexpr std::int32_t kWindowStateNormal = 0;
inline constexpr std::int32_t kWindowStateMaximized = 2;

class FormWindow {
public:
    virtual ~FormWindow() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    // Shows the form modeless.
    virtual void Show() = 0;
    virtual void SetWindowState(std::int32_t state) = 0;
    virtual void SetTop(float twips) = 0;
    virtual void SetLeft(float twips) = 0;
    virtual void SetWidth(float twips) = 0;
    virtual void SetHeight(float twips) = 0;
    virtual Hwnd hWnd() = 0;
};

// The input a form's window receives, in the form's own terms: key codes
// (letters as their upper-case character), the shift state (1 Shift, 2 Ctrl,
// 4 Alt), buttons (1 left, 2 right, 4 middle) and client coordinates in
// pixels.
class FormInput {
public:
    virtual ~FormInput() = default;
    virtual void KeyDown(std::int16_t keyCode, std::int16_t shift) = 0;
    virtual void MouseDown(std::int16_t button, std::int16_t shift, float x, float y) = 0;
    // A button released: a click.
    virtual void MouseUp() = 0;
    virtual void MouseMove(std::int16_t buttons, std::int16_t shift, float x, float y) = 0;
    virtual void LostFocus() = 0;
    // Another program (the window manager, any client) asks the window to
    // close: an end request like any other input.
    virtual void CloseRequest() = 0;
    // The system ends the program (a signal from the user's own processes,
    // the session's end): the form unloads without asking.
    virtual void Terminate() = 0;
    // The monitors went dark (on: false) or lit again: while they are dark
    // nothing needs drawing or playing.
    virtual void DisplayPower(bool /*on*/) {}
};

// An input that hears only when the display goes dark and lights again;
// keys, the pointer and close requests are ignored.
class PowerInput : public FormInput {
public:
    void KeyDown(std::int16_t, std::int16_t) override {}
    void MouseDown(std::int16_t, std::int16_t, float, float) override {}
    void MouseUp() override {}
    void MouseMove(std::int16_t, std::int16_t, float, float) override {}
    void LostFocus() override {}
    void CloseRequest() override {}
    void Terminate() override {}
};

// Loads the program's forms. Loading runs the form's load handler to
// completion before it returns; a form is loaded at most once per run.
class Forms {
public:
    virtual ~Forms() = default;
    virtual FormWindow& LoadConfig() = 0;   // frmConfig, the settings dialog
    virtual FormWindow& LoadScene() = 0;    // frmTidemarMain, the full-screen scene
    virtual FormWindow& LoadPreview() = 0;  // frmPreview, the preview pane
};

}  // namespace lumaris
