#pragma once
// The main window's placement rules, in both faces: its height as the model
// holds it, the snap to the screen's edges and the first place, centred.
// Rectangles are left, top, width, height in the face's pixels.
#include <cstdlib>

#include "ui/Layout.h"

namespace ui {

// The compact height is the client area's; any other (Ctrl+Shift+E's) is the
// outer height, frame included.
constexpr bool HeightIsClient(int modelHeight) { return modelHeight == layout::kMainForm.clientHeight; }
constexpr int ClientHeightFor(int modelHeight, int frameHeight) {
  return HeightIsClient(modelHeight) ? modelHeight : modelHeight - frameHeight;
}

// Where a window moved to `frame` goes: onto an edge of the work area that it
// came within `distance` of, else where it was put.
inline Point SnapToEdges(const Rect& frame, const Rect& work, int distance) {
  Point p{frame.left, frame.top};
  const int right = frame.left + frame.width;
  const int bottom = frame.top + frame.height;
  if (std::abs(frame.left - work.left) <= distance) p.x = work.left;
  else if (std::abs(right - (work.left + work.width)) <= distance) p.x = work.left + work.width - frame.width;
  if (std::abs(frame.top - work.top) <= distance) p.y = work.top;
  else if (std::abs(bottom - (work.top + work.height)) <= distance) p.y = work.top + work.height - frame.height;
  return p;
}

constexpr Point CentredIn(const Rect& area, int width, int height) {
  return {area.left + (area.width - width) / 2, area.top + (area.height - height) / 2};
}

}  // namespace ui
