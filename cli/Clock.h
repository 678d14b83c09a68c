#pragma once
// The calendar time of a moment, in UTC or the local zone, on either system.
#include <ctime>

namespace cli {

inline std::tm CalendarTime(std::time_t moment, bool utc) {
  std::tm out{};
#ifdef _WIN32
  if (utc) gmtime_s(&out, &moment);
  else localtime_s(&out, &moment);
#else
  if (utc) gmtime_r(&moment, &out);
  else localtime_r(&moment, &out);
#endif
  return out;
}

}  // namespace cli
