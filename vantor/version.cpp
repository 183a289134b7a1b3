// The library's version, as CMake wrote it into the generated header.
#include "vantor/version.h"

extern "C" const char *vantor_version() { return VANTOR_VERSION; }
