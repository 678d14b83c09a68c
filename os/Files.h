#pragma once
// Files named in UTF-8, the core's encoding of every text.
#include <cstdio>
#include <string>

namespace os {

// std::fopen for a UTF-8 path. On Windows the C runtime reads narrow names in
// the ANSI code page, so a folder such as "Прошивка" is opened through the wide
// call instead.
std::FILE* OpenFile(const std::string& utf8Path, const char* mode);

}  // namespace os
