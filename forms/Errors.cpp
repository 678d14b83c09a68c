#include "forms/Errors.h"

namespace forms {

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
    return message + ".";
  return message;
}

void ThrowConvertError(const std::string& text) {
  throw EConvertError("'" + text + "' is not a valid integer value");
}

}  // namespace forms
