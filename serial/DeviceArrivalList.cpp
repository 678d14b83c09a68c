#include <algorithm>

#include "serial/DeviceArrival.h"

namespace serial {

std::vector<std::string> DeviceArrival::Appeared() {
  std::vector<std::string> now;
  try {
    ListSerialPorts(now, sources_);
  } catch (const std::exception&) {
    return {};  // the list cannot be read at this moment: the next notification reads it again
  }
  std::vector<std::string> fresh;
  for (const auto& name : now)
    if (std::find(known_.begin(), known_.end(), name) == known_.end()) fresh.push_back(name);
  known_ = std::move(now);  // a port that went away is forgotten, so its return counts
  return fresh;
}

}  // namespace serial
