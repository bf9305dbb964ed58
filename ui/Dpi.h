// Display scaling: the window's DPI, design sizes (at 96 DPI) scaled to it, the
// system's message font and the image size for it.
#pragma once

#include <windows.h>

namespace sorvik {

inline constexpr UINT kDesignDpi = 96;

// The DPI of the window's monitor where the system tells it per window, the
// screen's otherwise.
UINT WindowDpi(HWND window);

// A design length (pixels at 96 DPI) at `dpi`.
inline int Scale(int design, UINT dpi) { return MulDiv(design, static_cast<int>(dpi), static_cast<int>(kDesignDpi)); }

// The system's message font at `dpi`. The caller owns it.
HFONT CreateMessageFont(UINT dpi);

// The size of toolbar and menu images at `dpi`: 16, 20, 24 or 32 pixels.
int ImageSizeForDpi(UINT dpi);

// The toolbar strip's resource for that size.
int ToolbarResourceForSize(int size);

}  // namespace sorvik
