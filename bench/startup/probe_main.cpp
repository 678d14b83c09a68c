// The program as the start-up bench runs it: the same start, with the probe.
#include "bench/startup/StartupProbe.h"
#include "ui/qt/Program.h"

int main(int argc, char** argv) { return uiqt::RunProgram(argc, argv, uiqt::ArmStartupProbe); }
