#pragma once
// Ctrl+C and SIGTERM (the console's control handler on Windows): the stop key
// of every running port. The press is remembered; each port acts on it when it
// can.
namespace cli {

void InstallStopKey();
bool StopPressed();

}  // namespace cli
