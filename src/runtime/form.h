// What the start-up does with a loaded form: its caption, its visibility and
// its place on the desktop. Geometry is in twips, as single-precision values.
#pragma once

#include <cstdint>
#include <string>

#include "platform/user32.h"

namespace lumaris {

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
