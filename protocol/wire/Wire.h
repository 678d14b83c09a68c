#pragma once
// The bootloader's wire: command frames, the command builders, the replies'
// fields and the version decision. Pure functions of texts and numbers: no
// controls, no Shell, no port, so the handlers, the tests and the fuzz targets
// all judge the wire with the same code.
#include <cstdint>
#include <string>
#include <string_view>

#include "Version.h"

namespace protocol::wire {

// The fixed commands.
inline constexpr const char* kWakeUp = "rrrrr";
inline constexpr const char* kReset = "r0101;";
inline constexpr const char* kIdentify = "r0202;";
inline constexpr const char* kDescribe = "r0303;";
inline constexpr const char* kProgram = "r0606;";

// The acknowledgements' leading codes.
inline constexpr std::string_view kErased = "r84";
inline constexpr std::string_view kWritten = "r85";
inline constexpr std::string_view kProgrammed = "r86";

// What an identification reply must carry to go on.
inline constexpr std::string_view kIdentifiedStatus = "82";
inline constexpr std::string_view kKnownLoaderVersion = "02";

// The longest reads: identification, description, acknowledgement.
inline constexpr int kIdentifyReplyChars = 40;
inline constexpr int kDescribeReplyChars = 1000;
inline constexpr int kAckChars = 20;

// "r" + body + HexByteSum(body) + ";": the one framer of every built command.
std::string FrameCommand(std::string_view body);

// The erase command of the block at `address`.
std::string EraseCommand(std::int64_t address);
// Write number `writeIndex` (two digits on the wire) with the `bytesPerWrite`
// bytes of `image` at `address`: only the digits the image has, so a range past
// its end sends fewer, or none.
std::string WriteCommand(int writeIndex, std::string_view image, std::int64_t address, std::int32_t bytesPerWrite);

// An address as upper-case hexadecimal digits, at least six.
std::string HexAddress(std::int64_t address);

// The reply ends its frame (a read cut short by its time-out does not).
inline bool EndsFrame(std::string_view reply) { return !reply.empty() && reply.back() == ';'; }

// The acknowledgement begins with `expected` and ends with ";" (the middle is not read).
bool AckAccepted(std::string_view reply, std::string_view expected);

// Characters `position` (1-based) onwards, at most `length`, as far as the text reaches.
std::string Field(std::string_view reply, std::size_t position, std::size_t length);
// The hexadecimal field at 1-based `position`, `length` characters (either case);
// 0 when the reply ends inside it or it is not all hexadecimal digits.
std::int32_t ReplyHexField(std::string_view reply, std::size_t position, std::size_t length);

// The status of an identification or description reply: characters 2-3.
std::string ReplyStatus(std::string_view reply);

// An identification reply's fields, by character position.
struct Identity {
  std::string loaderVersion;       // 4-5, as text
  std::int32_t writesPerBlock = 0;  // 10-11
  std::int32_t bytesPerWrite = 0;   // 12-13
  std::int32_t blockCount = 0;      // 14-17
};
Identity ReadIdentity(std::string_view reply);

// A description reply cut to what follows the status up to the last but one
// character: the text and the two characters that are not shown.
std::string CutDescription(std::string_view reply);
// Of a cut description, what is shown: all but the last two characters
// (nothing when it has two or fewer).
std::string_view ShownDescription(std::string_view cut);

// The version of the firmware the program carries: six decimal digits, a larger
// number being a newer version, read from the firmware itself by the build.
inline constexpr std::string_view kCarriedVersion = UPLOADER_CARRIED_FIRMWARE;

enum class VersionVerdict {
  Unknown,         // not six characters
  AlreadyWritten,  // the carried version itself
  NotANumber,      // six characters that are no decimal integer
  Newer,           // a larger number than the carried version
  Older,           // the write goes on
};
// The version decision on the device's description (judged by characters: one
// UTF-8 sequence per description byte) against the carried version.
VersionVerdict JudgeVersion(std::string_view description, std::string_view carried = kCarriedVersion);

}  // namespace protocol::wire
