// Message boxes.
#pragma once

#include <cstdint>
#include <string>

namespace lumaris {

class Ui {
public:
    virtual ~Ui() = default;
    // Shows a modal message box and returns the button pressed (IDOK for the
    // plain OK box). style holds the icon (MB_ICONERROR, MB_ICONEXCLAMATION,
    // MB_ICONINFORMATION, or 0 for none) and the buttons (MB_OK).
    virtual std::int32_t MsgBox(const std::string& text, std::int32_t style, const std::string& title) = 0;
};

}  // namespace lumaris
