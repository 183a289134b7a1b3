// The upper tail of w1 Y1^2 + w2 Y2^2, Y_i ~ N(m_i, 1) independent, by
// conditioning on Y1 and Gauss-Legendre quadrature along the ellipse
// w1 y1^2 + w2 y2^2 = c.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "numeric/quadratic_form.h"
// clang-format on

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "numeric/MTH_normal_tail.h"

namespace {

// Gauss-Legendre points per panel, and the largest change of y or z along
// the ellipse over one panel (phi and Q change on a scale of 1): the pair
// was chosen against Ruben's series on random forms, where 20 points over a
// reach of 5 leave the quadrature's error below the rounding (a reach of 7
// gives 1.7e-12, 16 points over 5 give 5.8e-12).
constexpr int kRulePoints = 20;
constexpr double kPanelReach = 5.0;
// P(Z > 39) is about 5e-333, below the smallest subnormal double: what lies
// more than kReach from a mean adds nothing a double can hold.
constexpr double kReach = 39.0;
// The work bound: beyond it (both y2's semi-axis and |m2| above about
// kMaxPanels * kPanelReach) the answer is not a number.
constexpr double kMaxPanels = 20000.0;
constexpr double kPi = 3.14159265358979323846;
constexpr double kInverseSqrtTwoPi = 0.39894228040143267794;

// --- Gauss-Legendre nodes and weights, computed by the compiler ---------

// cos x for 0 <= x <= pi by its Taylor series (the compiler's own cos is not
// usable in a constant expression); 40 terms are past the last bit there.
constexpr double series_cosine(double x) {
    double term = 1;
    double sum = 1;
    for (int k = 1; k < 40; ++k) {
        term *= -x * x / ((2 * k - 1) * (2 * k));
        sum += term;
    }
    return sum;
}

struct LegendreAt {
    double value;       // P_n(x)
    double derivative;  // P_n'(x)
};

// P_n(x) and P_n'(x), n = kRulePoints, by the three-term recurrence.
constexpr LegendreAt legendre_at(double x) {
    double previous = 1;
    double current = x;
    for (int k = 2; k <= kRulePoints; ++k) {
        const double next = ((2 * k - 1) * x * current - (k - 1) * previous) / k;
        previous = current;
        current = next;
    }
    return {current, kRulePoints * (x * current - previous) / (x * x - 1)};
}

// The positive half of the symmetric rule on [-1, 1].
struct GaussLegendreRule {
    std::array<double, kRulePoints / 2> node{};
    std::array<double, kRulePoints / 2> weight{};
};

// Newton's method on P_n from cos(pi (i + 3/4) / (n + 1/2)), as gauleg in
// W. H. Press et al., Numerical Recipes in C, 2nd ed., 1992, section 4.5;
// 100 steps is far past convergence (a handful suffices), so no exit test.
constexpr GaussLegendreRule gauss_legendre_rule() {
    GaussLegendreRule rule;
    for (int i = 0; i < kRulePoints / 2; ++i) {
        double x = series_cosine(kPi * (i + 0.75) / (kRulePoints + 0.5));
        for (int step = 0; step < 100; ++step) {
            const LegendreAt p = legendre_at(x);
            x -= p.value / p.derivative;
        }
        const double slope = legendre_at(x).derivative;
        rule.node[i] = x;
        rule.weight[i] = 2 / ((1 - x * x) * slope * slope);
    }
    return rule;
}

constexpr GaussLegendreRule kRule = gauss_legendre_rule();

// --- The integrand along the ellipse -------------------------------------

// The form with its outer term (y along the ellipse) and inner term (z):
// semi-axes a = sqrt(c / w) and the means' absolute values.
struct Ellipse {
    double a;
    double m1;
    double b;
    double m2;
};

// phi(y - m) + phi(y + m): the density of Y1 at y and -y folded together.
double folded_normal_density(double y, double m) {
    const double below = y - m;
    const double above = y + m;
    return kInverseSqrtTwoPi * (std::exp(-below * below / 2) + std::exp(-above * above / 2));
}

// P(|Y2| > z) = Q(z - m) + Q(z + m), Q the upper normal tail.
double two_sided_tail(double z, double m) {
    return MTH_normal_upper_tail(z - m) + MTH_normal_upper_tail(z + m);
}

// The arc is parametrised by t = tan(theta / 2), t in [0, 1] for theta in
// [0, pi/2]: sin theta = 2t / (1 + t^2), cos theta = (1 - t^2) / (1 + t^2),
// dtheta = 2 dt / (1 + t^2). Rational in t, so every point of the rule is
// formed by correctly rounded operations and square roots alone, and the
// answer's bits do not depend on a mathematical library's sine.
double sine_at(double t) { return 2 * t / (1 + t * t); }
double cosine_at(double t) { return (1 - t * t) / (1 + t * t); }

// The t of the point whose sine, or cosine, is given (in [0, 1]).
double t_of_sine(double sine) { return sine / (1 + std::sqrt((1 - sine) * (1 + sine))); }
double t_of_cosine(double cosine) { return std::sqrt((1 - cosine) * (1 + cosine)) / (1 + cosine); }

// At t the point (a sin theta, b cos theta) of the ellipse: Y1's folded
// density there times P(|Y2| beyond the ellipse) times dy / dt.
double ellipse_integrand(const Ellipse &e, double t) {
    const double cosine = cosine_at(t);
    return folded_normal_density(e.a * sine_at(t), e.m1) * two_sided_tail(e.b * cosine, e.m2) *
           e.a * cosine * (2 / (1 + t * t));
}

// The Gauss-Legendre rule on [lo, hi] (of t).
double rule_on_panel(const Ellipse &e, double lo, double hi) {
    const double middle = (lo + hi) / 2;
    const double half = (hi - lo) / 2;
    double sum = 0;
    for (int i = 0; i < kRulePoints / 2; ++i) {
        const double offset = half * kRule.node[i];
        sum += kRule.weight[i] *
               (ellipse_integrand(e, middle - offset) + ellipse_integrand(e, middle + offset));
    }
    return sum * half;
}

// Panels needed to keep each one's change of a coordinate within
// kPanelReach, at least one; the change is within the work bound.
int panels_for(double change) {
    return static_cast<int>(std::max(1.0, std::ceil(change / kPanelReach)));
}

// [lo, hi] in panels of equal steps of sin theta, where y = a sin theta
// moves faster than z: each panel moves both by at most kPanelReach.
double integrate_in_steps_of_y(const Ellipse &e, double lo, double hi) {
    const double s_lo = sine_at(lo);
    const double s_hi = sine_at(hi);
    const int panels = panels_for(e.a * (s_hi - s_lo));
    const double step = (s_hi - s_lo) / panels;
    double sum = 0;
    double start = lo;
    for (int k = 1; k <= panels; ++k) {
        const double end = k == panels ? hi : t_of_sine(s_lo + step * k);
        sum += rule_on_panel(e, start, end);
        start = end;
    }
    return sum;
}

// [lo, hi] in panels of equal steps of cos theta, where z = b cos theta
// moves faster than y.
double integrate_in_steps_of_z(const Ellipse &e, double lo, double hi) {
    const double c_lo = cosine_at(lo);
    const double c_hi = cosine_at(hi);
    const int panels = panels_for(e.b * (c_lo - c_hi));
    const double step = (c_lo - c_hi) / panels;
    double sum = 0;
    double start = lo;
    for (int k = 1; k <= panels; ++k) {
        const double end = k == panels ? hi : t_of_cosine(c_lo - step * k);
        sum += rule_on_panel(e, start, end);
        start = end;
    }
    return sum;
}

// The arc of t in [0, 1] outside which the integrand is below what a double
// holds: y within kReach of m1, and z within kReach above m2 (beyond,
// P(|Y2| > z) <= 2 Q(kReach)). Empty when lo >= hi.
struct Arc {
    double lo;
    double hi;
};

Arc arc_that_counts(const Ellipse &e) {
    const double s_lo = std::max(0.0, (e.m1 - kReach) / e.a);
    const double s_hi = std::min(1.0, (e.m1 + kReach) / e.a);
    const double c_hi = std::min(1.0, (e.m2 + kReach) / e.b);
    return {std::max(t_of_sine(std::min(s_lo, 1.0)), t_of_cosine(c_hi)), t_of_sine(s_hi)};
}

// Panels the arc would take; compared with kMaxPanels before any work.
double panels_over(const Ellipse &e, Arc arc, double switch_at) {
    const double y_end = std::min(arc.hi, switch_at);
    const double z_start = std::max(arc.lo, switch_at);
    const double y_change = arc.lo < y_end ? e.a * (sine_at(y_end) - sine_at(arc.lo)) : 0;
    const double z_change = z_start < arc.hi ? e.b * (cosine_at(z_start) - cosine_at(arc.hi)) : 0;
    return y_change / kPanelReach + z_change / kPanelReach + 2;
}

// int over |y| < a of phi(y - m1) P(w2 Y2^2 > c - w1 y^2) dy, with
// y = a sin theta, folded onto theta in [0, pi/2] (t in [0, 1]). Not a
// number when the work bound would be passed.
double inside_ellipse(const Ellipse &e) {
    const Arc arc = arc_that_counts(e);
    if (!(arc.lo < arc.hi)) {
        return 0;
    }
    // Below theta = atan(a / b), y moves faster than z; above, z does. Its t
    // is tan(theta / 2) = a / (b + sqrt(a^2 + b^2)).
    const double switch_at = e.a / (e.b + std::sqrt(e.a * e.a + e.b * e.b));
    if (panels_over(e, arc, switch_at) > kMaxPanels) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    double sum = 0;
    if (arc.lo < switch_at) {
        sum += integrate_in_steps_of_y(e, arc.lo, std::min(arc.hi, switch_at));
    }
    if (switch_at < arc.hi) {
        sum += integrate_in_steps_of_z(e, std::max(arc.lo, switch_at), arc.hi);
    }
    return sum;
}

// --- Arguments ------------------------------------------------------------

bool outside_form_domain(double c, double w1, double m1, double w2, double m2) {
    const bool weight_ok = w1 > 0 && w2 > 0 && std::isfinite(w1) && std::isfinite(w2);
    return !weight_ok || !(c >= 0) || std::isnan(m1) || std::isnan(m2) ||
           (std::isinf(c) && (std::isinf(m1) || std::isinf(m2)));
}

// The outer term is the one of smaller weight (the longer semi-axis), so that
// the inner one's semi-axis b, over which the panels in z run, is the
// shorter; equal weights order by |m|, so that swapping the terms gives the
// same bits.
Ellipse ellipse_of(double c, double w1, double m1, double w2, double m2) {
    const Ellipse first = {std::sqrt(c / w1), std::fabs(m1), std::sqrt(c / w2), std::fabs(m2)};
    const Ellipse second = {first.b, first.m2, first.a, first.m1};
    const bool first_outer = w1 < w2 || (w1 == w2 && first.m1 >= first.m2);
    return first_outer ? first : second;
}

// Far cases with an answer a double cannot tell from 0 or 1, or (for means
// beyond the ellipse by more than kReach) whose panels would be many.
bool settled_at_one(const Ellipse &e) { return e.m1 - e.a > kReach || e.m2 - e.b > kReach; }
bool settled_at_zero(const Ellipse &e) {
    return std::min(e.a, e.b) - std::sqrt(e.m1 * e.m1 + e.m2 * e.m2) > kReach;
}

}  // namespace

extern "C" double MTH_two_term_chi_square_upper(double c, double w1, double m1, double w2,
                                                double m2) {
    if (outside_form_domain(c, w1, m1, w2, m2)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (c == 0 || std::isinf(m1) || std::isinf(m2)) {
        return 1;
    }
    const Ellipse e = ellipse_of(c, w1, m1, w2, m2);
    if (settled_at_one(e)) {
        return 1;
    }
    if (settled_at_zero(e)) {
        return 0;
    }
    // c / w1 overflowed: w1 Y1^2 cannot reach c, only the inner term can.
    if (std::isinf(e.a)) {
        return two_sided_tail(e.b, e.m2);
    }
    const double beyond = MTH_normal_upper_tail(e.a - e.m1) + MTH_normal_upper_tail(e.a + e.m1);
    return std::min(1.0, beyond + inside_ellipse(e));
}
