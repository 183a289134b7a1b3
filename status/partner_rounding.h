// How the ratio solvers round a partner group: the count of partners of
// `units` searched units at `ratio` partners each, halves up, at least 1, and
// one past the largest count when it does not fit. Shared by the solvers and
// the check of a ratio, so both apply one rule.
#ifndef VANTOR_STATUS_PARTNER_ROUNDING_H
#define VANTOR_STATUS_PARTNER_ROUNDING_H

#include <cmath>
#include <cstdint>
#include <limits>

namespace vantor {

// The largest count of a group, in allele draws: the 32-bit range, as the
// status office's largest count (status.cpp holds the two equal).
constexpr std::int64_t kLargestPartnerCount = std::numeric_limits<std::int32_t>::max();

inline std::int64_t partner_units(double ratio, std::int64_t units) {
    constexpr std::int64_t kLargestCount = kLargestPartnerCount;
    const double rounded = std::floor(ratio * static_cast<double>(units) + 0.5);
    if (!(rounded <= static_cast<double>(kLargestCount))) {
        return kLargestCount + 1;
    }
    return rounded < 1 ? 1 : static_cast<std::int64_t>(rounded);
}

// The partners of `units` units fit the 32-bit allele range.
inline bool partner_fits(double ratio, std::int64_t units, std::int32_t unit) {
    return partner_units(ratio, units) * unit <= kLargestPartnerCount;
}

}  // namespace vantor

#endif
