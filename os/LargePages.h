#pragma once
// A large buffer filled at once costs a page fault per 4 KB; large pages make
// that one per 2 MB. Only a hint: where it is refused nothing changes.
#include <cstddef>

namespace os {

void PreferLargePages(void* data, std::size_t size);

}  // namespace os
