// Quick two-stage powers by a fixed Gauss-Legendre rule (see the header).
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "power/two_stage_quadrature.h"
// clang-format on

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "numeric/MTH_normal_distribution.h"
#include "numeric/MTH_normal_tail.h"

namespace {

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.14159265358979323846;
constexpr double kInverseSqrt2Pi = 0.39894228040143267794;

// Beyond 12 standard deviations lies less than 2e-33 of a normal mass: no
// power or level (at least 1e-13 where it matters) can notice.
constexpr double kReach = 12;
// Panels are this many length scales of the integrand wide.
constexpr double kScalesPerPanel = 4;
// The product's scale, the rate at which stage 1's threshold moves, is a
// bound met only at the upper end of the range; its panels can be wider.
constexpr double kProductScalesPerPanel = 8;

double density(double x) { return kInverseSqrt2Pi * std::exp(-x * x / 2); }
double normal_tail_above(double x) { return MTH_normal_upper_tail(x); }
// The z with P(Z > z) = p, 0 < p <= 1/2.
double normal_point_above(double p) { return -MTH_qnorm(p, 0); }

// P(a < Z < b), from the tails on the side where they are small.
double normal_mass(double a, double b) {
    if (!(a < b)) {
        return 0;
    }
    if (a >= 0) {
        return normal_tail_above(a) - normal_tail_above(b);
    }
    if (b <= 0) {
        return normal_tail_above(-b) - normal_tail_above(-a);
    }
    return (1 - normal_tail_above(b)) - normal_tail_above(-a);
}

// The 20-point Gauss-Legendre rule on [-1, 1]: nodes by Newton's method on
// the Legendre polynomial from the usual cosine start.
struct Rule {
    static constexpr int kPoints = 20;
    std::array<double, kPoints> node{};
    std::array<double, kPoints> weight{};

    Rule() {
        for (int i = 0; i < kPoints; ++i) {
            double x = std::cos(kPi * (i + 0.75) / (kPoints + 0.5));
            double derivative = 0;
            for (int step = 0; step < 100; ++step) {
                double p = 1;
                double previous = 0;
                for (int j = 1; j <= kPoints; ++j) {
                    const double older = previous;
                    previous = p;
                    p = ((2 * j - 1) * x * previous - (j - 1) * older) / j;
                }
                derivative = kPoints * (x * p - previous) / (x * x - 1);
                const double change = p / derivative;
                x -= change;
                if (std::fabs(change) < 1e-16) {
                    break;
                }
            }
            node[i] = x;
            weight[i] = 2 / ((1 - x * x) * derivative * derivative);
        }
    }
};

const Rule &rule() {
    static const Rule kRule;
    return kRule;
}

// The integral of f over [a, b] on panels no wider than `panel`.
template <typename F>
double integrate(F f, double a, double b, double panel) {
    if (!(a < b)) {
        return 0;
    }
    const Rule &r = rule();
    const double count = std::max(1.0, std::ceil((b - a) / panel));
    const int panels = static_cast<int>(std::min(count, 1e4));
    const double h = (b - a) / panels;
    double sum = 0;
    for (int k = 0; k < panels; ++k) {
        const double middle = a + (k + 0.5) * h;
        double piece = 0;
        for (int i = 0; i < Rule::kPoints; ++i) {
            piece += r.weight[i] * f(middle + r.node[i] * h / 2);
        }
        sum += piece * h / 2;
    }
    return sum;
}

// A stage's statistic: normal with this mean and standard deviation.
using Statistic = PWR_stage_statistic;

// A stage's statistic under no association.
constexpr Statistic kNull{0, 1};

Statistic mirrored(Statistic z) { return {-z.mean, z.sd}; }

// P(X > c0 and sqrt(w) X + sqrt(1 - w) Y > c), X and Y the two stages'
// statistics. Given X = x the joint statistic passes with probability
// P(Y > (c - sqrt(w) x) / sqrt(1 - w)), a step in x of width
// sd1 sqrt((1 - w) / w) at `turn`. `rest` is 1 - w, formed by the caller.
double joint_upward(Statistic x, Statistic y, double c0, double c, double w, double rest) {
    const double width = y.sd * std::sqrt(rest / w);
    const double turn = (c - std::sqrt(rest) * y.mean) / std::sqrt(w);
    const double from = std::max(c0, x.mean - kReach * x.sd);
    const double to = x.mean + kReach * x.sd;
    if (!(from < to)) {
        // Stage 0 falls short of c0, or its sd is lost in its mean's
        // rounding (genotype frequencies all but separated): a point mass.
        return x.mean > c0 ? normal_tail_above((turn - x.mean) / width) : 0;
    }
    const double step_from = std::max(from, turn - kReach * width);
    const double step_to = std::min(to, turn + kReach * width);
    const double certain =
        normal_mass((std::max(from, step_to) - x.mean) / x.sd, (to - x.mean) / x.sd);
    const auto integrand = [=](double v) {
        return density((v - x.mean) / x.sd) / x.sd * normal_tail_above((turn - v) / width);
    };
    const double panel = kScalesPerPanel * std::min(width, x.sd);
    return certain + integrate(integrand, step_from, step_to, panel);
}

double quick_joint_power(Statistic z0, Statistic z1, double a0, double a1, double w) {
    const double c0 = normal_point_above(a0 / 2);
    const double c = normal_point_above(a1 / 2);
    const double rest = 1 - w;
    return joint_upward(z0, z1, c0, c, w, rest) +
           joint_upward(mirrored(z0), mirrored(z1), c0, c, w, rest);
}

// Stage 1 passes when its two-sided p-value is at most a1 / p0.
double product_stage1_passes(Statistic z1, double a1, double p0) {
    const double t = normal_point_above(a1 / (2 * p0));
    return normal_tail_above((t - z1.mean) / z1.sd) + normal_tail_above((t + z1.mean) / z1.sd);
}

double quick_product_power(Statistic z0, Statistic z1, double a0, double a1) {
    const double c0 = normal_point_above(a0 / 2);
    const double c1 = normal_point_above(std::min(a0, a1) / 2);
    const double reach = std::fabs(z0.mean);
    const double from = std::max(c0, reach - kReach * z0.sd);
    const double to = std::min(c1, reach + kReach * z0.sd);
    if (!(from < to) && reach > c0 && reach < c1) {
        // Stage 0's sd is lost in its mean's rounding: |Z0| is `reach`.
        return product_stage1_passes(z1, a1, 2 * normal_tail_above(reach));
    }
    const auto integrand = [=](double x) {
        return (density((x - z0.mean) / z0.sd) + density((x + z0.mean) / z0.sd)) / z0.sd *
               product_stage1_passes(z1, a1, 2 * normal_tail_above(x));
    };
    // Stage 1's passing probability moves at most 1.2534 (c1 + 1) / sd1 per
    // unit of x; the density's own scale is sd0.
    const double panel = kProductScalesPerPanel * std::min(z0.sd, z1.sd) / (1.2534 * (c1 + 1));
    return integrate(integrand, from, to, panel) + normal_tail_above((c1 - z0.mean) / z0.sd) +
           normal_tail_above((c1 + z0.mean) / z0.sd);
}

// Both stages significant in the same direction, each at its own level.
double quick_replication_power(Statistic z0, Statistic z1, double a0, double a1) {
    const double c0 = normal_point_above(a0 / 2);
    const double c1 = normal_point_above(a1 / 2);
    const auto above = [](Statistic z, double c) { return normal_tail_above((c - z.mean) / z.sd); };
    const auto below = [](Statistic z, double c) { return normal_tail_above((c + z.mean) / z.sd); };
    return above(z0, c0) * above(z1, c1) + below(z0, c0) * below(z1, c1);
}

// Each stage's statistic's mean, cases and controls counted separately.
double stage_mean(const PWR_design &d, int stage, double p1) {
    const double p0 = d.control_rate;
    const double cases = d.sample_size[stage][0];
    const double controls = d.sample_size[stage][1];
    return (p1 - p0) / std::sqrt((1 - p1) * p1 / cases + (1 - p0) * p0 / controls);
}

constexpr int kNewtonSteps = 60;
constexpr double kThresholdStep = 1e-13;

}  // namespace

extern "C" double PWR_quick_joint_level(double alpha0, double alpha1, double weight) {
    return quick_joint_power(kNull, kNull, alpha0, alpha1, weight);
}

extern "C" double PWR_quick_joint_stage1_level(double alpha0, double alpha2, double weight) {
    if (PWR_quick_joint_level(alpha0, 1.0, weight) <= alpha2) {
        return 1.0;
    }
    const double c0 = normal_point_above(alpha0 / 2);
    const double rest = 1 - weight;
    const double log_target = std::log(alpha2);
    double c = normal_point_above(alpha2 / 2);
    for (int step = 0; step < kNewtonSteps; ++step) {
        const double level = 2 * joint_upward(kNull, kNull, c0, c, weight, rest);
        const double slope =
            -2 * density(c) * normal_tail_above((c0 - std::sqrt(weight) * c) / std::sqrt(rest));
        if (!(level > 0) || !(slope < 0)) {
            break;
        }
        // The Newton step of ln L(c) = ln a2, whose slope is L'(c) / L(c).
        const double change = (std::log(level) - log_target) * level / slope;
        c = std::max(0.0, c - change);
        if (std::fabs(change) <= kThresholdStep * std::max(1.0, c)) {
            break;
        }
    }
    return std::min(1.0, 2 * normal_tail_above(c));
}

extern "C" double PWR_quick_product_stage1_level(double alpha0, double alpha2) {
    // f(t) = e^t (1 + ln a0 - t) - a2 in t = ln a1, increasing for t < ln a0
    // and convex below ln a0 - 1: Newton from ln a2, where f > 0, approaches
    // the root from above.
    const double log_a0 = std::log(alpha0);
    double t = std::log(alpha2);
    for (int step = 0; step < kNewtonSteps; ++step) {
        const double level = std::exp(t) * (1 + log_a0 - t);
        const double slope = std::exp(t) * (log_a0 - t);
        if (!(slope > 0)) {
            break;
        }
        const double change = (alpha2 - level) / slope;
        t = std::min(log_a0, t + change);
        if (std::fabs(change) <= kThresholdStep) {
            break;
        }
    }
    return std::exp(t);
}

extern "C" double PWR_quick_two_stage_power(const PWR_design *design) {
    const double p1 = get_population_rate_control_to_case(design->control_rate, design->odds_ratio);
    const PWR_stage_statistic stages[2] = {{stage_mean(*design, 0, p1), 1},
                                           {stage_mean(*design, 1, p1), 1}};
    if (design->method != PWR_METHOD_PRODUCT && design->method != PWR_METHOD_JOINT) {
        return kNotANumber;
    }
    return PWR_quick_power_of_statistics(design->method, design->alpha[0], design->alpha[1],
                                         PWR_joint_weight(design), stages);
}

extern "C" double PWR_quick_power_of_statistics(int32_t method, double alpha0, double alpha1,
                                                double weight,
                                                const PWR_stage_statistic stages[2]) {
    const Statistic z0 = stages[0];
    const Statistic z1 = stages[1];
    if (!(z0.sd > 0) || !(z1.sd > 0)) {
        return kNotANumber;
    }
    switch (method) {
        case PWR_METHOD_REPLICATION:
            return quick_replication_power(z0, z1, alpha0, alpha1);
        case PWR_METHOD_PRODUCT:
            return quick_product_power(z0, z1, alpha0, alpha1);
        case PWR_METHOD_JOINT:
            return weight > 0 && weight < 1 ? quick_joint_power(z0, z1, alpha0, alpha1, weight)
                                            : kNotANumber;
        default:
            return kNotANumber;
    }
}
