#include "cli/Record.h"

#include <ctime>
#include <nlohmann/json.hpp>

#include "cli/Clock.h"

namespace cli {

std::string IsoTime(std::chrono::system_clock::time_point t) {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(t.time_since_epoch()).count();
  const std::tm utc = CalendarTime(static_cast<std::time_t>(ms / 1000), true);
  char text[40];
  const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + n, sizeof text - n, ".%03dZ", static_cast<int>(ms % 1000));
  return text;
}

std::string RecordLine(const ProcedureRecord& r) {
  using nlohmann::ordered_json;
  ordered_json line;
  line["command"] = r.command;
  line["port"] = r.port;
  line["start"] = IsoTime(r.start);
  line["end"] = IsoTime(r.end);
  line["duration_ms"] = std::chrono::duration_cast<std::chrono::milliseconds>(r.end - r.start).count();
  ordered_json identification;
  identification["status"] = r.status;
  identification["bootloader_version"] = r.loaderVersion;
  identification["geometry"] = {{"writes_per_block", r.writesPerBlock}, {"bytes_per_write", r.bytesPerWrite},
                                {"block_count", r.blockCount}};
  identification["answer"] = r.description;
  line["identification"] = identification;
  line["version_before"] = r.versionBefore.empty() ? ordered_json(nullptr) : ordered_json(r.versionBefore);
  if (r.written) {
    ordered_json written;
    if (r.written->file.empty()) {
      written["carried"] = r.written->version;
    } else {
      written["file"] = r.written->file;
      written["sha256"] = r.written->sha256;
      written["version"] = r.written->version;
    }
    line["written"] = written;
  }
  line["outcome"] = OutcomeName(r.outcome);
  line["failed_attempts"] = r.failedAttempts;
  line["pauses"] = {{"erase", r.erasePause}, {"write", r.writePause}, {"program", r.programPause}};
  return line.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

}  // namespace cli
