#include "ui/win32/Snap.h"

#include <cstdlib>

namespace uiwin32 {

POINT SnapToEdges(const RECT& frame, const RECT& work, int distance) {
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  POINT p{frame.left, frame.top};
  if (std::abs(frame.left - work.left) <= distance) p.x = work.left;
  else if (std::abs(frame.right - work.right) <= distance) p.x = work.right - width;
  if (std::abs(frame.top - work.top) <= distance) p.y = work.top;
  else if (std::abs(frame.bottom - work.bottom) <= distance) p.y = work.bottom - height;
  return p;
}

}  // namespace uiwin32
