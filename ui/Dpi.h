// Display scaling: the window's DPI, design sizes (at 96 DPI) scaled to it, the
// system's message font and the image size for it.
#pragma once

#include <windows.h>

namespace sorvik {

inline constexpr UINT kDesignDpi = 96;

// The DPI of the window's monitor where the system tells it per window, the
// screen's otherwise.
UINT WindowDpi(HWND window);

// A length in pixels measured at one DPI, at another.
inline int Rescale(int pixels, UINT from, UINT to) {
  return MulDiv(pixels, static_cast<int>(to), static_cast<int>(from));
}

// A design length (pixels at 96 DPI) at `dpi`.
inline int Scale(int design, UINT dpi) { return Rescale(design, kDesignDpi, dpi); }

// The system's message font at `dpi`. The caller owns it.
HFONT CreateMessageFont(UINT dpi);

// The size of toolbar and menu images at `dpi`: 16, 20, 24 or 32 pixels.
int ImageSizeForDpi(UINT dpi);

// The toolbar strip's resource for that size.
int ToolbarResourceForSize(int size);

}  // namespace sorvik
