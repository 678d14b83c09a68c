#include "cli/LogFile.h"

#include <cerrno>
#include <cstring>
#include <mutex>

#include "forms/Errors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace cli {

namespace {
// The ports of this program append through one lock of their own; the file's
// lock keeps other programs out.
std::mutex appending;
}  // namespace

#ifdef _WIN32

LogFile::LogFile(const std::string& path) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), size);
  handle_ = CreateFileW(wide.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) throw forms::EFOpenError("Cannot open file \"" + path + "\"");
}

LogFile::~LogFile() { CloseHandle(handle_); }

void LogFile::Append(const std::string& line) {
  std::lock_guard lock(appending);
  const std::string whole = line + "\n";
  OVERLAPPED all{};
  LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &all);
  DWORD written = 0;
  WriteFile(handle_, whole.data(), static_cast<DWORD>(whole.size()), &written, nullptr);
  FlushFileBuffers(handle_);
  UnlockFileEx(handle_, 0, MAXDWORD, MAXDWORD, &all);
}

#else

LogFile::LogFile(const std::string& path) : fd_(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644)) {
  if (!fd_.Valid())
    throw forms::EFOpenError("Cannot open file \"" + path + "\". " + std::strerror(errno));
}

LogFile::~LogFile() = default;

void LogFile::Append(const std::string& line) {
  std::lock_guard lock(appending);
  const std::string whole = line + "\n";
  ::flock(fd_.Get(), LOCK_EX);
  std::size_t done = 0;
  while (done < whole.size()) {
    const ssize_t n = ::write(fd_.Get(), whole.data() + done, whole.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::fsync(fd_.Get());
  ::flock(fd_.Get(), LOCK_UN);
}

#endif

}  // namespace cli
