// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "numeric/count_draws.h"
// clang-format on

#include <algorithm>
#include <cmath>

namespace vantor {

namespace {

// Terms below this share of the mode's are cut (see the header).
constexpr double kSmallestTerm = 8.673617379884035e-19;  // 2^-60

// The binomial's terms from the mode outward, the mode's 1: below it in
// `below` (the mode's neighbour first), above it in `above`.
void terms_from_mode(std::int64_t n, double p, std::int64_t mode, std::vector<double> &below,
                     std::vector<double> &above) {
    const double q = 1 - p;
    double term = 1;
    for (std::int64_t k = mode; k > 0; --k) {
        // P(k - 1) / P(k) = k q / ((n - k + 1) p)
        term = term * (static_cast<double>(k) * q) / (static_cast<double>(n - k + 1) * p);
        if (term < kSmallestTerm) {
            break;
        }
        below.push_back(term);
    }
    term = 1;
    for (std::int64_t k = mode; k < n; ++k) {
        // P(k + 1) / P(k) = (n - k) p / ((k + 1) q)
        term = term * (static_cast<double>(n - k) * p) / (static_cast<double>(k + 1) * q);
        if (term < kSmallestTerm) {
            break;
        }
        above.push_back(term);
    }
}

}  // namespace

BinomialDraw::BinomialDraw(std::int64_t trials, double probability) {
    const std::int64_t n = std::max<std::int64_t>(trials, 0);
    const double p = probability >= 0 && probability <= 1 ? probability : 0;
    if (p == 0 || p == 1 || n == 0) {
        first_ = p == 1 ? n : 0;
        cumulative_.assign(1, 1.0);
        guide_.assign(1, 0);
        return;
    }
    const auto mode = std::min<std::int64_t>(
        static_cast<std::int64_t>(std::floor(static_cast<double>(n + 1) * p)), n);
    std::vector<double> below;
    std::vector<double> above;
    terms_from_mode(n, p, mode, below, above);
    first_ = mode - static_cast<std::int64_t>(below.size());
    cumulative_.reserve(below.size() + 1 + above.size());
    double sum = 0;
    for (auto term = below.rbegin(); term != below.rend(); ++term) {
        sum += *term;
        cumulative_.push_back(sum);
    }
    sum += 1;
    cumulative_.push_back(sum);
    for (const double term : above) {
        sum += term;
        cumulative_.push_back(sum);
    }
    for (double &c : cumulative_) {
        c /= sum;  // the last is sum / sum, exactly 1
    }
    const std::size_t size = cumulative_.size();
    guide_.resize(size);
    std::size_t i = 0;
    for (std::size_t slot = 0; slot < size; ++slot) {
        const double start = static_cast<double>(slot) / static_cast<double>(size);
        while (cumulative_[i] <= start) {
            ++i;
        }
        guide_[slot] = static_cast<std::uint32_t>(i);
    }
}

namespace {

// The classes in increasing probability, ties by index.
void order_classes(const double p[3], int order[3]) {
    order[0] = 0;
    order[1] = 1;
    order[2] = 2;
    std::stable_sort(order, order + 3, [p](int a, int b) { return p[a] < p[b]; });
}

double share(double part, double whole) { return whole > 0 ? part / whole : 0; }

}  // namespace

ClassDraw::ClassDraw(std::int64_t trials, const double probabilities[3])
    : trials_(std::max<std::int64_t>(trials, 0)), rarest_draw_(0, 0), smallest_rest_draw_(0, 0) {
    double p[3];
    for (int g = 0; g < 3; ++g) {
        p[g] = probabilities[g] > 0 ? probabilities[g] : 0;
    }
    int order[3];
    order_classes(p, order);
    rarest_ = order[0];
    second_ = order[1];
    third_ = order[2];
    const double whole = p[0] + p[1] + p[2];
    rarest_draw_ = BinomialDraw(trials_, share(p[rarest_], whole));
    second_share_ = share(p[second_], p[second_] + p[third_]);
    smallest_rest_ = trials_ - rarest_draw_.last();
    smallest_rest_draw_ = BinomialDraw(smallest_rest_, second_share_);
    for (std::int64_t size = 1; size <= rarest_draw_.last() - rarest_draw_.first(); size *= 2) {
        powers_.emplace_back(size, second_share_);
    }
}

std::int64_t ClassDraw::second_of(std::int64_t rest, Random &random) {
    std::int64_t second = smallest_rest_draw_.draw(random);
    std::uint64_t beyond = static_cast<std::uint64_t>(rest - smallest_rest_);
    for (const BinomialDraw &power : powers_) {
        if ((beyond & 1U) != 0) {
            second += power.draw(random);
        }
        beyond >>= 1U;
    }
    return second;
}

void ClassDraw::draw(Random &random, std::int64_t counts[3]) {
    const std::int64_t rarest = rarest_draw_.draw(random);
    const std::int64_t rest = trials_ - rarest;
    const std::int64_t second = second_of(rest, random);
    counts[rarest_] = rarest;
    counts[second_] = second;
    counts[third_] = rest - second;
}

}  // namespace vantor
