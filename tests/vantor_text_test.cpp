// The numbers a table for people prints: six significant digits, rounded
// the way an answer used again needs; and the exact texts of the machine
// formats, which read back to the same double.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include "front/vantor/values.h"

namespace {

using vantor_cli::exact_text;
using vantor_cli::measured_text;
using vantor_cli::Rounding;

TEST(VantorText, SixDigitsRoundedAsAsked) {
    struct Case {
        double value;
        Rounding rounding;
        const char *text;
    };
    // clang-format off
    const Case cases[] = {
        {0.7273206840839109, Rounding::Nearest, "0.727321"},
        {0.7273206840839109, Rounding::AwayFromOne, "0.72732"},
        {1.3487587548944628, Rounding::AwayFromOne, "1.34876"},
        {1.3487537, Rounding::AwayFromOne, "1.34876"},
        {1.3487537, Rounding::Nearest, "1.34875"},
        {1.0, Rounding::AwayFromOne, "1"},
        {1.3000000000008254, Rounding::AwayFromOne, "1.30001"},  // no allowance for effects
        {9.9999912, Rounding::AwayFromOne, "10"},           // the sixth digit carries
        {0.09999996, Rounding::Down, "0.0999999"},          // and borrows
        {8.952755e-8, Rounding::Down, "8.95275e-8"},
        {9.9999999999999991e-5, Rounding::Down, "0.0001"},  // rounding noise
        {1234567.2, Rounding::AwayFromOne, "1234568"},      // printed in full
        {1234567.8, Rounding::Down, "1234567"},
        {0, Rounding::Down, "0"},
        {INFINITY, Rounding::Down, "inf"},
    };
    // clang-format on
    for (const Case &one : cases) {
        EXPECT_EQ(measured_text(one.value, one.rounding), one.text) << one.value;
    }
}

// For values across thirty decades, the directed text is on its side of the
// value (a level rounded down within rounding noise of it) and one unit of the sixth digit
// from it at most; the exact text reads back bit for bit.
void expect_directed_and_exact_texts(std::uint64_t seed) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> mantissa(1, 10);
    std::uniform_int_distribution<int> decade(-20, 5);
    for (int i = 0; i < 200000; ++i) {
        const double value = mantissa(random) * std::pow(10.0, decade(random));
        const double unit = std::pow(10.0, std::floor(std::log10(value)) - 5);
        const double down = std::strtod(measured_text(value, Rounding::Down).c_str(), nullptr);
        const double away =
            std::strtod(measured_text(value, Rounding::AwayFromOne).c_str(), nullptr);
        ASSERT_LE(down, value + 1e-12 * value) << value;
        ASSERT_GT(down, value - 1.0001 * unit) << value;
        if (value > 1) {
            ASSERT_GE(away, value) << value;
            ASSERT_LT(away, value + 1.0001 * (value >= 1e6 ? 1 : unit)) << value;
        } else {
            ASSERT_EQ(away, down) << value;
        }
        ASSERT_EQ(std::strtod(exact_text(value).c_str(), nullptr), value) << value;
    }
}

TEST(VantorText, DirectedTextsKeepTheirSideAndExactTextsReadBack) {
    expect_directed_and_exact_texts(20261208);
}

}  // namespace
