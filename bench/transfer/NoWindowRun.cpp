// Built without Qt: there is no window to write through.
#include "bench/transfer/WindowRun.h"

namespace bench {
WindowRun WriteThroughWindow(const std::string&) { return {}; }
}  // namespace bench
