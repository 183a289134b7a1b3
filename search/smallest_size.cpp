// The smallest size whose power reaches a target (see the header).
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "search/smallest_size.h"
// clang-format on

#include "status/partner_rounding.h"

namespace vantor {

SizeSearch smallest_reaching(const std::function<double(std::int64_t)> &power, std::int64_t top,
                             double target) {
    SizeSearch s;
    const auto passes = [&](std::int64_t n, double &p) {
        p = power(n);
        ++s.evaluations;
        return p >= target;
    };
    double p = std::numeric_limits<double>::quiet_NaN();
    if (passes(1, p)) {
        s = {true, 1, p, s.evaluations};
        return s;
    }
    std::int64_t fails = 1;
    std::int64_t high = 2;
    double high_power = std::numeric_limits<double>::quiet_NaN();
    while (!passes(high, high_power)) {
        if (high >= top) {
            return s;
        }
        fails = high;
        high = high > top / 2 ? top : 2 * high;
    }
    while (high - fails > 1) {
        const std::int64_t middle = fails + (high - fails) / 2;
        if (passes(middle, p)) {
            high = middle;
            high_power = p;
        } else {
            fails = middle;
        }
    }
    s.reached = true;
    s.size = high;
    s.power = high_power;
    return s;
}

std::int64_t largest_people_with_partners(double ratio) {
    std::int64_t low = 1;
    std::int64_t high = kLargestPeople;
    if (partner_fits(ratio, high, VANTOR_COUNT_PEOPLE)) {
        return high;
    }
    while (high - low > 1) {
        const std::int64_t middle = low + (high - low) / 2;
        (partner_fits(ratio, middle, VANTOR_COUNT_PEOPLE) ? low : high) = middle;
    }
    return low;
}

}  // namespace vantor
