#pragma once
// The text of the port error a call throws, "" when it throws none: the
// component's messages are part of what the user reads.
#include <functional>
#include <string>

#include "serial/BCPort.h"

namespace serial_test {

inline std::string MessageOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const serial::EComPort& e) {
    return e.what();
  }
  return "";
}

}  // namespace serial_test
