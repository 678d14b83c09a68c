// The program users run.
#include "ui/qt/Program.h"

int main(int argc, char** argv) { return uiqt::RunProgram(argc, argv); }
