# cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -P EmbedFile.cmake
# Turns the carried firmware text into a byte array and the function that returns
# it. Plain CMake, so it runs on the build machine of any target, cross-builds too.
file(READ "${INPUT}" content HEX)
string(LENGTH "${content}" digits)
math(EXPR size "${digits} / 2")
# Sixteen bytes to a source line.
string(REPEAT "[0-9a-f]" 32 sixteen)
string(REGEX REPLACE "(${sixteen})" "\\1\n" content "${content}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," content "${content}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT} at build time. Do not edit.
#include \"firmware/Firmware.h\"

namespace firmware {
namespace {
const unsigned char kCarried[${size} + 1] = {
${content}0x00};
}  // namespace

std::string_view CarriedFirmwareText() { return {reinterpret_cast<const char*>(kCarried), ${size}}; }

}  // namespace firmware
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
