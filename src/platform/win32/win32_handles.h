// The program's window handles (32-bit values, as the system guarantees for
// windows on 64-bit Windows too) and the system's HWND.
#pragma once

#include <windows.h>

#include "platform/user32.h"

namespace lumaris::win32_backend {

inline HWND toHwnd(Hwnd handle) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(handle)); }
inline Hwnd fromHwnd(HWND handle) { return static_cast<Hwnd>(reinterpret_cast<INT_PTR>(handle)); }

}  // namespace lumaris::win32_backend
