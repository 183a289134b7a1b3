// The smallest size whose power reaches a target, for powers computed
// without a closed-form solver (the genotype tests'): doubling from 1 until
// the target is passed, then bisection. Shared by the single-stage size
// questions of the genotype tests and the one-stage comparison of their
// two-stage designs, so both give the same size. Internal to the library
// (C++); reentrant.
#ifndef VANTOR_SEARCH_SMALLEST_SIZE_H
#define VANTOR_SEARCH_SMALLEST_SIZE_H

#include <cstdint>
#include <functional>
#include <limits>

#include "status/status.h"

namespace vantor {

// The largest group of people: its alleles fit the 32-bit count.
constexpr std::int64_t kLargestPeople = VANTOR_LARGEST_COUNT / 2;

struct SizeSearch {
    bool reached = false;
    std::int64_t size = 0;
    double power = std::numeric_limits<double>::quiet_NaN();
    std::int32_t evaluations = 0;
};

// The smallest n in [1, top] with power(n) >= target while power(n - 1)
// falls short (the bisection's bracket: a power that is not monotone may
// have other such n). At most about 2 log2(top) evaluations.
SizeSearch smallest_reaching(const std::function<double(std::int64_t)> &power, std::int64_t top,
                             double target);

// The largest count of people in the searched group whose partners, at
// `ratio` partners each (rounded as status/partner_rounding.h), still fit
// the largest count.
std::int64_t largest_people_with_partners(double ratio);

}  // namespace vantor

#endif
