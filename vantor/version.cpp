// The library's version, as CMake wrote it into the generated header.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "vantor/version.h"
// clang-format on

extern "C" const char *vantor_version() { return VANTOR_VERSION; }
