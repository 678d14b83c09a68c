#pragma once
// The runtime's error classes. Handlers catch none of them: they end the running
// operation and reach the application's error box (ErrorBoxText gives its text).
#include <stdexcept>
#include <string>

namespace forms {

// The framework's general exception: it carries only its message text.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// A text that is not a number: "'$1G' is not a valid integer value".
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A property value outside its range: "Value must be between 1 and 2147483647".
class ERangeError : public Exception {
 public:
  using Exception::Exception;
};

// A file that cannot be opened: "Cannot open file "<path>". <reason>".
class EFOpenError : public Exception {
 public:
  using Exception::Exception;
};

// Raised from a pumping point when the user closed the main window while a long
// operation was running: the operation unwinds and the program ends quietly.
class EApplicationClosing : public std::exception {
 public:
  const char* what() const noexcept override { return "application closing"; }
};

// The error box adds a full stop when the code of the text's last character is
// above that of the full stop (so "...!" and "...)" keep their ending).
std::string ErrorBoxText(const std::string& message);

// "'%s' is not a valid integer value" with %s = the text as given.
[[noreturn]] void ThrowConvertError(const std::string& text);

}  // namespace forms
