#pragma once
// How wide a line of text comes out on the screen.
#include <windows.h>

#include <string_view>

namespace uiwin32 {

// The width in pixels that `text` covers when drawn on one line in `font`: its
// advance, or the last pixel it inks when that lies further right. The two
// differ where the font engine places glyphs otherwise than it measures them
// (wine's stand-in for a bitmap face at small sizes inks 2-3 pixels beyond).
int DrawnWidth(std::wstring_view text, HFONT font);

}  // namespace uiwin32
