// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "numeric/portable_exp.h"
// clang-format on

#include <cmath>
#include <limits>

namespace {

constexpr double kLog2E = 1.4426950408889634;
// ln 2 = kLn2High + kLn2Low; kLn2High has 32 trailing zero bits, so k times
// it is exact for every k reached.
constexpr double kLn2High = 6.93147180369123816490e-01;
constexpr double kLn2Low = 1.90821492927058770002e-10;
constexpr double kLargestArgument = 709.782712893384;
constexpr double kSmallestArgument = -745.2;
// 1 / i! for i = 0 ... 13.
constexpr double kTaylor[] = {1.0,
                              1.0,
                              0.5,
                              0.16666666666666666,
                              0.041666666666666664,
                              0.008333333333333333,
                              0.001388888888888889,
                              0.0001984126984126984,
                              2.48015873015873e-05,
                              2.7557319223985893e-06,
                              2.755731922398589e-07,
                              2.505210838544172e-08,
                              2.08767569878681e-09,
                              1.6059043836821613e-10};
constexpr int kDegree = 13;

}  // namespace

extern "C" double MTH_portable_exp(double x) {
    if (std::isnan(x)) {
        return x;
    }
    if (x > kLargestArgument) {
        return std::numeric_limits<double>::infinity();
    }
    if (x < kSmallestArgument) {
        return 0;
    }
    const double k = std::floor(x * kLog2E + 0.5);
    const double r = (x - k * kLn2High) - k * kLn2Low;
    double sum = kTaylor[kDegree];
    for (int i = kDegree - 1; i >= 0; --i) {
        sum = sum * r + kTaylor[i];
    }
    return std::ldexp(sum, static_cast<int>(k));
}
