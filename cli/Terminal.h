#pragma once
// The console all ports share. On a terminal each port has one live line (its
// bar, percentage and status) below the messages; otherwise plain lines at each
// phase. With JSON on, standard output carries only the records and the texts
// go to standard error.
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace cli {

class Terminal {
 public:
  Terminal(bool live, bool json);

  // A message of the program, each of its lines prefixed by the port (none
  // for the firmware file's own messages).
  void Message(const std::string& port, const std::string& text);
  // The port's line, before its procedure begins.
  void Starting(const std::string& port);
  // The port's status changed (a new phase): a plain line, or its live line.
  void Status(const std::string& port, const std::string& status);
  // The port's gauge moved: its live line only.
  void Progress(const std::string& port, int percent);
  // The port's procedure ended with this outcome; a complete write shows a
  // full bar (the window's gauge goes back to zero at the end).
  void Finished(const std::string& port, const std::string& outcome, bool complete);
  // A record: on standard output when JSON is on.
  void Record(const std::string& jsonLine);
  // The live lines stay as they are; what follows starts below them.
  void Finish();

 private:
  struct Line {
    std::string port;
    std::string status;
    int percent = 0;
  };
  Line& LineOf(const std::string& port);
  void Erase();
  void Draw();
  // A change of a port's line: redrawn live, or this plain line.
  void Show(const std::string& port, const std::string& plain);

  std::mutex mutex_;
  bool live_;
  bool json_;
  std::FILE* text_;
  std::vector<Line> lines_;
  std::size_t drawn_ = 0;  // live lines on the screen below the messages
};

// Whether standard output is a terminal (and, on Windows, made to take colours
// and UTF-8).
bool PrepareConsole();

}  // namespace cli
