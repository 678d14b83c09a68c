#include <cstdio>
#include <cstdlib>

#include "fuzz/QuietShell.h"

namespace fuzzing {

void Fail(const char* what) {
  std::fprintf(stderr, "finding: %s\n", what);
  std::abort();
}

}  // namespace fuzzing
