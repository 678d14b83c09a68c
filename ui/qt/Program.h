#pragma once
// The program from start to end: the application, its Shell, the two windows,
// the event loop. main() is only its call.
#include <functional>

namespace ui {
class TMainForm;
}

namespace uiqt {

// `onRunning`, when given, runs once the window is shown, just before the event
// loop starts (a bench's build watches the start-up with it).
int RunProgram(int argc, char** argv, const std::function<void(ui::TMainForm&)>& onRunning = {});

}  // namespace uiqt
