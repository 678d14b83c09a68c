// One write of the carried firmware through the main window's handler into the
// device on the named port, as the user starts it: prints the wall time of the
// Write click in ms and the attempts that failed (a reply not there in time or
// not the acknowledgement), which the transfer repeated. The same source runs on Linux and on Windows, so
// bench/write/compare.sh can set the two side by side against one simulator.
//
//   bench_write <port>
#include <chrono>
#include <cstdio>
#include <string>

#include "tests/support/ScriptedShell.h"
#include "ui/Main.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_write <port>\n");
    return 2;
  }
  const std::string port = argv[1];
  testing_support::ScriptedShell shell;
  ui::TFormHelp help(shell);
  ui::TMainForm form(shell, help);
  shell.Run([&] { form.FormCreate(); });
  const auto& items = form.cbPort.Items();
  int index = -1;
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i] == port) index = static_cast<int>(i);
  if (index < 0) {
    std::fprintf(stderr, "bench_write: %s is not in the port list\n", port.c_str());
    return 1;
  }
  form.cbPort.SetItemIndex(index);
  shell.messages.clear();
  const auto t0 = std::chrono::steady_clock::now();
  shell.Run([&] { form.ButtonWriteClick(); });
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  const bool written = shell.errors.empty() && shell.messages.size() == 1 &&
                       shell.messages[0].find("успішно завантажена") != std::string::npos;
  if (!written) {
    std::fprintf(stderr, "bench_write: the write did not complete\n");
    return 1;
  }
  std::printf("%.0f %d\n", ms, static_cast<int>(form.state.Procedure.FailedAttempts));
  return 0;
}
