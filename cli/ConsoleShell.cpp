#include "cli/ConsoleShell.h"

#include <chrono>
#include <ctime>
#include <thread>

#include "cli/Clock.h"
#include "forms/Synchronizer.h"

namespace cli {

void ConsoleShell::Sleep(unsigned ms) {
  if (ms == 0) std::this_thread::yield();
  else std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void ConsoleShell::ProcessMessages() {
  forms::Synchronizer::Current().CheckSynchronize();
  if (onPump) onPump();
}

std::string ConsoleShell::LongTimeOfDay() {
  const std::tm local = CalendarTime(std::time(nullptr), false);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

}  // namespace cli
