#pragma once
// The durable record: whole lines appended to a file that other programs may
// append to at the same time.
#include <string>

#ifndef _WIN32
#include "os/UniqueFd.h"
#endif

namespace cli {

class LogFile {
 public:
  // Opens (creating) for appending; throws forms::EFOpenError when it cannot.
  explicit LogFile(const std::string& path);
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // The line and its end in one write under the file's lock, then flushed to
  // the disk: a crash loses at most this line, and no line is ever split by
  // another writer's.
  void Append(const std::string& line);

 private:
#ifdef _WIN32
  void* handle_;
#else
  os::UniqueFd fd_;
#endif
};

}  // namespace cli
