// The layout of PWR_design is part of the library's interface: bindings that
// cannot read C headers (ctypes, R's .C, a web page's memory view) lay the
// record out themselves from the table in power/power_func.h. A change of
// the record that moves a field stops the build here.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
// clang-format on

#include <cstddef>
#include <cstdint>

#include "power/power_func.h"

static_assert(sizeof(PWR_design) == 104, "PWR_design is 104 bytes");
static_assert(alignof(PWR_design) == 8, "PWR_design is aligned to 8 bytes");
static_assert(offsetof(PWR_design, method) == 0, "method at offset 0");
static_assert(offsetof(PWR_design, alpha) == 8, "alpha at offset 8");
static_assert(offsetof(PWR_design, sample_size) == 32, "sample_size at offset 32");
static_assert(offsetof(PWR_design, case_rate) == 48, "case_rate at offset 48");
static_assert(offsetof(PWR_design, control_rate) == 56, "control_rate at offset 56");
static_assert(offsetof(PWR_design, odds_ratio) == 64, "odds_ratio at offset 64");
static_assert(offsetof(PWR_design, count_table) == 72, "count_table at offset 72");

extern "C" std::int32_t PWR_design_size() { return static_cast<std::int32_t>(sizeof(PWR_design)); }
