#pragma once
// The main window snaps to the edges of the screen's work area when it is moved
// within a few pixels of them.
#include <windows.h>

namespace uiwin32 {

// Where a window of `frame` goes in `work`: an edge closer than `distance` to the
// work area's edge is moved onto it (left before right, top before bottom).
POINT SnapToEdges(const RECT& frame, const RECT& work, int distance);

}  // namespace uiwin32
