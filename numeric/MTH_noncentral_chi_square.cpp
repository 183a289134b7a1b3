// placeholder until the numeric branch lands (two degrees of freedom only)
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "numeric/MTH_noncentral_chi_square.h"
// clang-format on
#include <cmath>
extern "C" double MTH_noncentral_chi_square_upper(double x, double degrees, double noncentrality) {
    (void)degrees;
    const double h = noncentrality / 2;
    const double y = x / 2;
    double sum = 0;
    for (int j = 0; j < 2000; ++j) {
        const double w = std::exp(-h + j * std::log(h > 0 ? h : 1e-300) - std::lgamma(j + 1.0));
        double q = 0;
        for (int i = 0; i <= j; ++i) {
            q += std::exp(-y + i * std::log(y) - std::lgamma(i + 1.0));
        }
        sum += (h > 0 || j == 0 ? w : 0) * q;
        if (h == 0) break;
    }
    return sum;
}
