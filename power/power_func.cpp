// Study design record and the power of the allelic test of one stage.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "power/power_func.h"
// clang-format on

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "numeric/MTH_newton_method.h"
#include "numeric/MTH_normal_distribution.h"
#include "numeric/MTH_normal_tail.h"
#include "numeric/MTH_numerical_integrate.h"
#include "power/allelic_tails.h"

namespace {

// Every quantile of the power model passes this unread second argument.
constexpr double kQuantileTolerance = 1e-6;

bool is_stage(std::int32_t stage) { return stage == 0 || stage == 1; }

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();

}  // namespace

extern "C" {

double get_population_rate_control_to_case(double control_rate, double odds_ratio) {
    const double numerator = odds_ratio * control_rate;
    const double denominator = numerator + (1 - control_rate);
    return numerator / denominator;
}

double get_general_population_rate(const double rates[2], const std::int32_t numbers[2]) {
    // The counts are summed in 64 bits: two large 32-bit counts must not wrap.
    const std::int64_t total = static_cast<std::int64_t>(numbers[0]) + numbers[1];
    return (rates[0] * numbers[0] + rates[1] * numbers[1]) / static_cast<double>(total);
}

double PWR_get_power_for_single_step(PWR_design *design, std::int32_t stage) {
    design->case_rate =
        get_population_rate_control_to_case(design->control_rate, design->odds_ratio);
    if (!is_stage(stage)) {
        return kNotANumber;
    }
    const double alpha = design->alpha[stage];
    const std::int32_t *counts = design->sample_size[stage];
    const double n_cases = counts[0];
    const double n_controls = counts[1];
    const double p1 = design->case_rate;
    const double p0 = design->control_rate;

    const double rates[2] = {p1, p0};
    const double pooled = get_general_population_rate(rates, counts);
    // Standard errors of the rate difference without and with association.
    const double sigma_null = std::sqrt((1 - pooled) * pooled * (1 / n_controls + 1 / n_cases));
    const double sigma_alt = std::sqrt((1 - p1) * p1 / n_cases + (1 - p0) * p0 / n_controls);

    const double z_hi = MTH_qnorm(1 - alpha / 2, kQuantileTolerance);
    const double z_lo = MTH_qnorm(alpha / 2, kQuantileTolerance);

    const double lower_tail = MTH_pnorm((sigma_null * z_lo - p1 + p0) / sigma_alt);
    const double upper_cut = MTH_pnorm((sigma_null * z_hi - p1 + p0) / sigma_alt);
    return (lower_tail + 1) - upper_cut;
}

}  // extern "C"

// ---------------------------------------------------------------------------
// Stage statistics and the functions of one variable that the two-stage power
// integrates and solves. Each reads its parameter vector by position.
// ---------------------------------------------------------------------------

namespace {

double Phi(double x) { return MTH_pnorm(x); }
double phi(double x) { return MTH_dnorm(x); }

// MTH_pnorm carries an absolute error of about 1e-9 and is exactly 0 or 1
// beyond +-6, so a tail probability from it is worthless far out: its
// relative error is 1.2e-7 at 4, 7e-4 at 5 and 15 % at 6. From 4 outwards the
// two-stage integrands take the tail itself from MTH_normal_upper_tail
// (Cody's rational approximation, a few units in the last place from 0 to
// 38). MTH_pnorm_numerical would not do: it forms the tail as
// 1/2 - P(1/2, x^2/2)/2, one minus a value next to one, and is 2e-6 off at 7
// and all wrong beyond 8.5. At 4 the two sources agree to about 1e-7, below
// the integrator's tolerance, so the integrand has no step worth refining;
// inside (-4, 4) every value is MTH_pnorm's, to the bit.
constexpr double kFarTail = 4.0;
// Beyond this distance the normal tail underflows to 0.
constexpr double kTailUnderflow = 39.0;

bool in_far_tail(double x) { return x >= kFarTail || x <= -kFarTail; }

// P(Z > |x|) for |x| >= 4.
double far_tail(double x) {
    const double distance = std::fabs(x);
    return distance > kTailUnderflow ? 0.0 : MTH_normal_upper_tail(distance);
}

// P(Z <= x).
double lower_tail(double x) {
    if (!in_far_tail(x)) {
        return Phi(x);
    }
    return x < 0 ? far_tail(x) : 1 - far_tail(x);
}

// P(Z > x).
double upper_tail(double x) {
    if (!in_far_tail(x)) {
        return 1 - Phi(x);
    }
    return x > 0 ? far_tail(x) : 1 - far_tail(x);
}
double quantile(double p) { return MTH_qnorm(p, kQuantileTolerance); }
// x - mean: the value of a unit-variance statistic with that mean, standardised.
double centred(double x, double mean) {
    return MTH_translate_probability_to_standard(x, mean, 1.0);
}

constexpr double kIntegrationTolerance = 1e-6;

// A probability this small is 0 for every purpose of a power or a level. An
// integral that is 0 to all purposes (the normal functions underflow far out)
// ends at the third level on this absolute floor, where no relative test would
// ever accept two zeros.
constexpr double kNegligibleProbability = 1e-300;

// A piece of a power (or level) that is smaller than this share of the
// largest piece integrated so far need not be known to the relative
// tolerance: it cannot move the sum by more than this share of itself.
constexpr double kNegligibleShare = 1e-9;

// The level equation reads v[n] and v[2]: n must select one of v[0..2].
bool is_level_position(std::int32_t n) { return n >= 0 && n <= 2; }

// Probability that stage 1's statistic (mean v[1]) lies beyond the
// threshold its two-sided p-value must meet, given stage 0's one-sided tail
// u: P0 P1 <= v[2] with P0 = 2u means stage 1's own tail is at most
// v[2] / (4u).
double stage1_tail_bound(double u, const double *v) { return v[2] / (u * 4); }

// The normal quantile of 1 - r, from r itself where it lies beyond 4 (r below
// P(Z > 4)): 1 - r keeps only about 1e-16 of r, none of it when r < 1e-16
// (the quantile of 1 is infinite).
constexpr double kFarTailProbability = 3.1671241833119965e-05;

double upper_quantile(double r) { return r < kFarTailProbability ? -quantile(r) : quantile(1 - r); }

double upper_tail_beyond(double r, const double *v) {
    return upper_tail(centred(upper_quantile(r), v[1]));
}
double lower_tail_beyond(double r, const double *v) {
    return lower_tail(centred(quantile(r), v[1]));
}

// Value of stage 1's statistic at which the joint statistic
// sqrt(w) x + sqrt(1 - w) z1 equals the threshold t, w = v[3] being stage
// 0's weight and x stage 0's statistic.
double stage1_value_at_joint_threshold(double t, double x, double weight) {
    return (t - std::sqrt(weight) * x) / std::sqrt(1 - weight);
}

// The joint statistic's conditional tail, as a function of stage 0's
// statistic x, turns between 0 and 1 around one point over a width of
// sqrt((1 - w) / w). When stage 1 holds almost nobody that turn is a step,
// which the refinement resolves only at its last levels (millions of
// evaluations); the range is then cut around the turn so that each piece is
// smooth. A turn at least kNarrowTurn wide (w below about 0.99, stage 1
// holding a hundredth of the effective size or more) is integrated in one
// piece, as always; a narrower one in one piece came out up to 5e-5 off (at
// w = 0.9965, measured against an independent quadrature).
constexpr double kNarrowTurn = 1e-1;
constexpr double kTurnHalfWidths = 10;

struct Turn {
    double at;
    double width;
};

// The turn of the tail beyond the joint threshold t when stage 1's statistic
// has mean m: where sqrt(w) x + sqrt(1 - w) m = t.
Turn joint_turn(double t, double stage1_mean, double weight) {
    return {(t - std::sqrt(1 - weight) * stage1_mean) / std::sqrt(weight),
            std::sqrt((1 - weight) / weight)};
}

// The refinement first compares its estimates at 4 and 8 panels. Over the
// 20 turn widths around a turn those panels are 5 and 2.5 widths, far too
// coarse for the step, and the two estimates can agree to the tolerance by
// chance: at w = 0.99293 (stage 1 with 72 cases and 2e6 controls or more)
// they agreed to 1e-6 at a value 3e-3 too large, and the power came out
// 3.7e-4 off, against an independent quadrature. Over a piece of at most
// kResolvedTurnWidths widths the first compared panels resolve the step.
constexpr double kResolvedTurnWidths = 2;
// The pieces are refined further than the whole: they judge it, and their
// own two levels can agree by chance as well where the integrand has a
// kink (one came out 1.5e-5 off at the tolerance, within 1e-11 at this).
constexpr double kResolvedTolerance = 1e-9;

// The pieces a turn's range takes: about 2 kTurnHalfWidths /
// kResolvedTurnWidths. A width that underflows (or is not a number) would
// ask for more than an int holds: the range is then judged in one piece.
constexpr double kMostTurnPieces = 2 * kTurnHalfWidths / kResolvedTurnWidths + 2;

std::int32_t turn_pieces(double from, double to, double width) {
    const double pieces = std::ceil((to - from) / (kResolvedTurnWidths * width));
    return pieces >= 1 && pieces <= kMostTurnPieces ? static_cast<std::int32_t>(pieces) : 1;
}

// The integral over [from, to] in equal pieces of at most
// kResolvedTurnWidths turn widths, summed from below.
double integrate_turn_in_pieces(MTH_function f, double from, double to, MTH_parameters params,
                                double absolute, double width) {
    const std::int32_t count = turn_pieces(from, to, width);
    const double length = (to - from) / count;
    double sum = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        const double a = from + i * length;
        const double b = i + 1 < count ? from + (i + 1) * length : to;
        sum += MTH_num_integrate(f, a, b, params, kResolvedTolerance, absolute);
    }
    return sum;
}

// The turn's piece as the refinement of the whole gives it, unless the
// resolved pieces disagree with it by more than the tolerance: the whole's
// estimate was then accepted before its panels resolved the step. Every
// estimate that agrees stays as it was, to the bit.
double integrate_turn(MTH_function f, double from, double to, MTH_parameters params,
                      double absolute, double width) {
    const double whole = MTH_num_integrate(f, from, to, params, kIntegrationTolerance, absolute);
    // A piece below a share of the whole need not be known to the pieces'
    // tolerance (one of rounding noise would run every level).
    const double piece_absolute = std::max(absolute, kNegligibleShare * std::fabs(whole));
    const double resolved = integrate_turn_in_pieces(f, from, to, params, piece_absolute, width);
    const double allowed = std::max(kIntegrationTolerance * std::fabs(resolved), absolute);
    return std::fabs(whole - resolved) > allowed ? resolved : whole;
}

double integrate_across_turn(MTH_function f, double lower, double upper, MTH_parameters params,
                             double absolute, Turn turn) {
    const double from = std::max(lower, turn.at - kTurnHalfWidths * turn.width);
    const double to = std::min(upper, turn.at + kTurnHalfWidths * turn.width);
    if (!(turn.width < kNarrowTurn) || !(from < to)) {
        return MTH_num_integrate(f, lower, upper, params, kIntegrationTolerance, absolute);
    }
    // The turn first, then the side above it, then the side below; each side
    // need only be known to a share of the largest piece so far, since a side
    // far down the step is as steep as the step and negligible beside it.
    const double middle = integrate_turn(f, from, to, params, absolute, turn.width);
    const auto side = [&](double a, double b, double largest) {
        const double side_absolute = std::max(absolute, kNegligibleShare * largest);
        return a < b ? MTH_num_integrate(f, a, b, params, kIntegrationTolerance, side_absolute)
                     : 0.0;
    };
    const double above = side(to, upper, std::fabs(middle));
    const double below = side(lower, from, std::max(std::fabs(middle), std::fabs(above)));
    return (below + middle) + above;
}

// Half the overall level of the joint procedure at the levels and weight of
// the derivation vector [a0, a1, a2, w].
double half_joint_level(MTH_parameters params) {
    const double *v = params.v;
    const double threshold = -quantile(v[1] / 2);
    return integrate_across_turn(get_phai_function, -quantile(v[0] / 2), MTH_INFINITY, params,
                                 kNegligibleProbability, joint_turn(threshold, 0, v[3]));
}

}  // namespace

extern "C" {

double get_average_of_normal_distribution(const PWR_design *design, std::int32_t stage) {
    if (!is_stage(stage)) {
        return kNotANumber;
    }
    const double p1 = design->case_rate;
    const double p0 = design->control_rate;
    const double n_cases = design->sample_size[stage][0];
    const double n_controls = design->sample_size[stage][1];
    return (p1 - p0) / std::sqrt((1 - p1) * p1 / n_cases + (1 - p0) * p0 / n_controls);
}

double get_joint_constant(const PWR_design *design, std::int32_t stage) {
    if (!is_stage(stage)) {
        return kNotANumber;
    }
    const double p1 = design->case_rate;
    const double p0 = design->control_rate;
    const double n_controls = design->sample_size[stage][1];
    return std::sqrt(n_controls) * (p1 - p0) / std::sqrt(p1 * (1 - p1) + (1 - p0) * p0);
}

double global_p_of_joint(double x, MTH_parameters params) {
    if (!is_level_position(params.n)) {
        return kNotANumber;
    }
    const double *v = params.v;
    return (std::log(v[params.n] / x) + 1) * x - v[2];
}

double global_p_of_joint_prime(double x, MTH_parameters params) {
    if (!is_level_position(params.n)) {
        return kNotANumber;
    }
    return std::log(params.v[params.n] / x);
}

double get_phai_function(double x, MTH_parameters params) {
    const double *v = params.v;
    const double weight = v[3];
    const double density = phi(x);
    const double threshold = -quantile(v[1] / 2);
    const double at = (threshold - std::sqrt(weight) * x) / std::sqrt(1 - weight);
    return upper_tail(at) * density;
}

double joint_p_function(double x, MTH_parameters params) {
    double *v = params.v;
    v[1] = x;
    const double stage0_passes = -quantile(v[0] / 2);
    const double half = MTH_simple_num_integrate(get_phai_function, stage0_passes, MTH_INFINITY,
                                                 params, kIntegrationTolerance);
    return (half + half) - v[2];
}

double joint_log_p_function(double t, MTH_parameters params) {
    double *v = params.v;
    // exp(t) above 1 is no level; 1 is the largest tried.
    v[1] = std::min(std::exp(t), 1.0);
    const double half = half_joint_level(params);
    return std::log((half + half) / v[2]);
}

double product_power_function(double x, MTH_parameters params) {
    const double *v = params.v;
    const double density = phi(centred(x, v[0]));
    const double r = stage1_tail_bound(upper_tail(x), v);
    return upper_tail_beyond(r, v) * density;
}

double product_power_function_plumin(double x, MTH_parameters params) {
    const double *v = params.v;
    const double density = phi(centred(x, v[0]));
    const double r = stage1_tail_bound(upper_tail(x), v);
    return lower_tail_beyond(r, v) * density;
}

double product_power_function_minplu(double x, MTH_parameters params) {
    const double *v = params.v;
    const double density = phi(centred(x, v[0]));
    const double r = stage1_tail_bound(lower_tail(x), v);
    return upper_tail_beyond(r, v) * density;
}

double product_power_function_minus(double x, MTH_parameters params) {
    const double *v = params.v;
    const double density = phi(centred(x, v[0]));
    const double r = stage1_tail_bound(lower_tail(x), v);
    return lower_tail_beyond(r, v) * density;
}

// Stage 0 significant upwards (x above its threshold): probability that the
// joint statistic exceeds its upper threshold -v[2].
double joint_power_function_plus(double x, MTH_parameters params) {
    const double *v = params.v;
    const double weight = v[3];
    const double density = phi(centred(x, v[0]));
    const double at = stage1_value_at_joint_threshold(-v[2], x, weight);
    return upper_tail(centred(at, v[1])) * density;
}

// Stage 0 significant downwards: probability that the joint statistic falls
// below its lower threshold v[2], the mirror image of the upward case.
double joint_power_function_minus(double x, MTH_parameters params) {
    const double *v = params.v;
    const double weight = v[3];
    const double density = phi(centred(x, v[0]));
    const double at = stage1_value_at_joint_threshold(v[2], x, weight);
    return lower_tail(centred(at, v[1])) * density;
}

}  // extern "C"

// ---------------------------------------------------------------------------
// Two-stage power.
// ---------------------------------------------------------------------------

namespace {

constexpr double kOpenLevel = PWR_DERIVE_LEVEL;  // a level the call is to derive
constexpr double kDefaultStage0Level = 0.05;

// Method 1 solves its level equation to a step of this length for overall
// levels from 1e-3 up, and to a proportionally shorter one below, so that the
// derived level is exact to a relative 1e-9 at any level.
constexpr double kProductStepTolerance = 1e-11;
constexpr double kProductToleranceLevel = 1e-3;

// Which level the most recent method-2 derivation produced: 0 for alpha[1],
// 1 for alpha[2]. A method-2 call given all three levels derives that one
// again. Each thread has its own.
thread_local std::int32_t significance_method = 0;

bool is_open(double level) { return level == kOpenLevel; }

// Methods 1 and 2 need each given level to be a probability and at most one
// level open: with anything else there is no procedure whose power to
// compute, and their level equations and integrals would run to their
// budgets on meaningless numbers.
bool levels_usable(const double *alpha) {
    int open = 0;
    for (int i = 0; i < 3; ++i) {
        if (is_open(alpha[i])) {
            ++open;
        } else if (!(alpha[i] >= 0 && alpha[i] <= 1)) {
            return false;
        }
    }
    return open <= 1;
}

// A derived level above 1 is no probability: it becomes exactly 1.
double clamped(double level) { return level > 1 ? 1.0 : level; }

// A power summed from integrals (each to a relative 1e-6) and closed-form
// tails (each to the normal function's 1e-9) can pass 1 by their errors
// when it is 1 to all purposes, or 0 likewise: it is reported within [0, 1].
// Not a number stays.
double as_probability(double sum) {
    if (sum > 1) {
        return 1.0;
    }
    return sum < 0 ? 0.0 : sum;
}

// The pieces a power adds up, integrated with the relative tolerance and an
// absolute one that grows with the largest piece seen so far.
// A normal density beyond this distance from its mean is below 1e-330 of
// its peak, and so is all the mass beyond it.
constexpr double kMeanReach = 39.0;

// The turn width of an integrand with no step.
constexpr double kNoTurn = std::numeric_limits<double>::infinity();

class PowerPieces {
public:
    explicit PowerPieces(double *v) : v_(v) {}

    // `turn` is where the integrand steps, if anywhere (see integrate_across_turn).
    double integrate(MTH_function f, double lower, double upper, Turn turn = {0, kNoTurn}) {
        // The integral over an empty range is 0; the integrator would run all
        // its levels to say so.
        if (lower == upper) {
            return 0.0;
        }
        const MTH_parameters params = {3, v_};
        const double absolute = std::max(kNegligibleShare * largest_, kNegligibleProbability);
        double piece = integrate_across_turn(f, lower, upper, params, absolute, turn);
        if (mass_missed(f, lower, upper, piece)) {
            piece = integrate_near_mean(f, lower, upper, absolute, turn);
        }
        largest_ = std::max(largest_, std::fabs(piece));
        return piece;
    }

private:
    // Every integrand is phi(x - m) g(x) with 0 <= g <= 1, m = v[0] stage 0's
    // mean. When m lies far out (a strong design), the refinement's points
    // over an infinite range (or a wide one) may all fall where the density
    // has underflowed, and the integral comes out as 0 although the integrand
    // near m is not: the mass was missed, not absent.
    bool mass_missed(MTH_function f, double lower, double upper, double piece) const {
        if (!(piece < kNegligibleProbability) || !(lower < upper)) {
            return false;
        }
        const double nearest = std::clamp(v_[0], lower, upper);
        return f(nearest, {3, v_}) > kNegligibleProbability;
    }

    // The integral over the part of [lower, upper] within kMeanReach of the
    // mean, where all but 1e-330 of the density lies, split at the mean.
    double integrate_near_mean(MTH_function f, double lower, double upper, double absolute,
                               Turn turn) const {
        const double mean = v_[0];
        const double from = std::max(lower, mean - kMeanReach);
        const double to = std::min(upper, mean + kMeanReach);
        if (!(from < to)) {
            return 0.0;
        }
        const MTH_parameters params = {3, v_};
        if (!(from < mean && mean < to)) {
            return integrate_across_turn(f, from, to, params, absolute, turn);
        }
        const double below = integrate_across_turn(f, from, mean, params, absolute, turn);
        const double above = integrate_across_turn(f, mean, to, params, absolute, turn);
        return below + above;
    }

    double *v_;
    double largest_ = 0.0;
};

// Stage 0's share of all individuals of the study.
double stage0_share(const PWR_design *design) {
    const double cases0 = design->sample_size[0][0];
    const double cases1 = design->sample_size[1][0];
    const double controls0 = design->sample_size[0][1];
    const double controls1 = design->sample_size[1][1];
    return (cases0 + controls0) / (cases0 + cases1 + controls0 + controls1);
}

// The effective size 1 / (1/cases + 1/controls) of a stage: the variance of
// its rate difference under no association is p (1 - p) over it.
double effective_size(const PWR_design *design, std::int32_t stage) {
    const double cases = design->sample_size[stage][0];
    const double controls = design->sample_size[stage][1];
    return 1 / (1 / cases + 1 / controls);
}

// Both stages have the same case:control ratio (compared exactly, in 64
// bits): the effective sizes are then in the ratio of the stages' people.
bool same_case_control_ratio(const PWR_design *design) {
    const std::int64_t cases0 = design->sample_size[0][0];
    const std::int64_t controls0 = design->sample_size[0][1];
    const std::int64_t cases1 = design->sample_size[1][0];
    const std::int64_t controls1 = design->sample_size[1][1];
    return cases0 * controls1 == cases1 * controls0;
}

// The mean of stage s's statistic in the joint analysis: from both groups'
// counts; a stage with as many cases as controls takes the form written
// with the control count, which is the same number.
double joint_stage_mean(const PWR_design *design, std::int32_t stage) {
    const bool balanced = design->sample_size[stage][0] == design->sample_size[stage][1];
    return balanced ? get_joint_constant(design, stage)
                    : get_average_of_normal_distribution(design, stage);
}

// Method 0: each stage tested by itself; overall level a0 a1 / 2.
void derive_replication_level(double *alpha) {
    if (is_open(alpha[1])) {
        alpha[1] = clamped(2 * alpha[2] / alpha[0]);
    } else if (is_open(alpha[2])) {
        alpha[2] = clamped(alpha[1] * alpha[0] / 2);
    } else if (is_open(alpha[0])) {
        alpha[0] = clamped(2 * alpha[2] / alpha[1]);
    }
}

// Both stages significant in the same direction: a stage 2 result against
// stage 1's does not replicate it, and the overall level a0 a1 / 2 counts
// only agreeing directions.
double replication_power(PWR_design *design) {
    derive_replication_level(design->alpha);
    design->case_rate =
        get_population_rate_control_to_case(design->control_rate, design->odds_ratio);
    const double rates[2] = {design->case_rate, design->control_rate};
    vantor::RejectionTails tails[2];
    for (std::int32_t stage = 0; stage < 2; ++stage) {
        const std::int32_t *counts = design->sample_size[stage];
        const vantor::StageTest test = {static_cast<double>(counts[0]),
                                        static_cast<double>(counts[1]),
                                        design->case_rate,
                                        design->control_rate,
                                        get_general_population_rate(rates, counts),
                                        design->alpha[stage]};
        tails[stage] = vantor::rejection_tails(test, false);
    }
    return vantor::same_direction_power(tails[0], tails[1]);
}

double product_step_tolerance(double overall_level) {
    return kProductStepTolerance * std::min(1.0, overall_level / kProductToleranceLevel);
}

// Method 1: the overall level of "P0 <= a0 and P0 P1 <= a1" is
// a1 (1 + ln(a0 / a1)); one relation, used in both directions.
void derive_product_level(double *alpha) {
    if (is_open(alpha[1])) {
        const MTH_parameters levels = {0, alpha};
        alpha[1] = clamped(MTH_newton_method(global_p_of_joint, levels, global_p_of_joint_prime,
                                             levels, 1e-29, 100, product_step_tolerance(alpha[2])));
    } else if (is_open(alpha[2])) {
        // Once stage 0 passes at a0 < a1 the product always does: the level
        // is then a0's.
        const double limit = std::min(alpha[0], alpha[1]);
        alpha[2] = clamped((std::log(alpha[0] / limit) + 1) * limit);
    } else if (is_open(alpha[0])) {
        alpha[0] = kDefaultStage0Level;
    }
}

// The four sign pairs of method 1, each an integral over stage-0 statistics
// whose p-value lies between a1 and a0; see product_power.
struct ProductRange {
    double positive_from;  // z0: stage 0 passes upwards from here
    double positive_to;    // z1: above it the product always passes
    double negative_from;
    double negative_to;
};

// Integrates the four sign pairs, first the one in the direction of stage 0's
// mean (the large one) with the relative tolerance alone, then the others
// against it; returns them in the order product, plumin, minplu, minus.
std::array<double, 4> product_integrals(const ProductRange &r, bool risk, double *v) {
    PowerPieces pieces(v);
    std::array<double, 4> integral{};
    if (risk) {
        integral[0] = pieces.integrate(product_power_function, r.positive_from, r.positive_to);
        integral[1] =
            pieces.integrate(product_power_function_plumin, r.positive_from, r.positive_to);
        integral[2] =
            pieces.integrate(product_power_function_minplu, r.negative_to, r.negative_from);
        integral[3] =
            pieces.integrate(product_power_function_minus, r.negative_to, r.negative_from);
    } else {
        integral[3] =
            pieces.integrate(product_power_function_minus, r.negative_to, r.negative_from);
        integral[2] =
            pieces.integrate(product_power_function_minplu, r.negative_to, r.negative_from);
        integral[1] =
            pieces.integrate(product_power_function_plumin, r.positive_from, r.positive_to);
        integral[0] = pieces.integrate(product_power_function, r.positive_from, r.positive_to);
    }
    return integral;
}

// Probability that stage 0 passes at a0 and P0 P1 <= a1, summed over the
// four sign pairs of the two statistics. Each sign pair is the integral over
// stage-0 statistics whose p-value lies between a1 and a0, plus the tail
// where P0 < a1 and only stage 1's sign matters. Once stage 0 passes at
// a0 < a1 the product always passes, so the limits use min(a1, a0).
double product_power(PWR_design *design) {
    if (!levels_usable(design->alpha)) {
        return kNotANumber;
    }
    derive_product_level(design->alpha);
    const double *alpha = design->alpha;
    const double a1_limit = alpha[0] < alpha[1] ? alpha[0] : alpha[1];
    const double mean0 = get_average_of_normal_distribution(design, 0);
    const double mean1 = get_average_of_normal_distribution(design, 1);
    const ProductRange range = {upper_quantile(alpha[0] / 2), upper_quantile(a1_limit / 2),
                                quantile(alpha[0] / 2), quantile(a1_limit / 2)};
    double v[4] = {mean0, mean1, alpha[1], 0};
    const std::array<double, 4> integral = product_integrals(range, !(mean0 < 0), v);

    const double stage1_positive = 1 - Phi(centred(0, mean1));
    const double stage1_negative = Phi(centred(0, mean1));
    const double upper_tail0 = Phi(-centred(range.positive_to, mean0));
    const double lower_tail0 = Phi(centred(range.negative_to, mean0));

    double result = integral[0] + stage1_positive * upper_tail0;
    result = (integral[1] + stage1_negative * upper_tail0) + result;
    result = (integral[2] + stage1_positive * lower_tail0) + result;
    result = (integral[3] + stage1_negative * lower_tail0) + result;
    return as_probability(result);
}

// Overall level of the joint procedure with no association: twice the
// probability that stage 0 and the joint statistic both pass upwards.
double joint_overall_level(double *w) {
    const double upper = half_joint_level({2, w});
    return upper + upper;
}

// Solves for the joint level that gives overall level a2 (derivation vector
// [a0, a1, a2, w]) on the log scale, ln L(exp t) = ln a2: the difference
// step of the root finder is then a relative step in the level, and no level
// at or below 0 is ever tried. If no level up to 1 gives a2, the answer is 1.
double solve_joint_level(double *w) {
    w[1] = 1.0;
    if (joint_overall_level(w) <= w[2]) {
        return 1.0;
    }
    const MTH_parameters params = {1, w};
    const double t =
        MTH_modified_newton_method(joint_log_p_function, params, std::log(w[2]), 100, 1e-6);
    // The procedure passes only where the joint statistic does, so its level
    // a2 is below a1: a root within the solver's accuracy of a2 is a2.
    return std::max(std::exp(t), w[2]);
}

// The overall level of the joint procedure at levels a0 and a1 (vector
// [a0, a1, a2, w]): it passes only where stage 1 and the joint statistic
// both do, so its level is at most either: a quadrature within its
// accuracy above them is their smaller.
double derived_overall_level(double *w) {
    return std::min(joint_overall_level(w), std::min(w[0], w[1]));
}

// Whether a method-2 call keeps the thread's carry-over: the specified
// entry point does (it re-derives a level when all three are given, and
// remembers which it derived); the pure one neither reads nor writes it.
enum class CarryOver { kKept, kIgnored };

// Derives the open level of the joint procedure (with the carry-over kept,
// re-deriving one when all three are given).
void derive_joint_level(PWR_design *design, double weight, CarryOver carry_over) {
    double *alpha = design->alpha;
    const bool all_given = !is_open(alpha[0]) && !is_open(alpha[1]) && !is_open(alpha[2]);
    if (all_given && carry_over == CarryOver::kKept) {
        alpha[significance_method == 0 ? 1 : 2] = kOpenLevel;
    }
    const bool derive_joint = is_open(alpha[1]);
    if (!derive_joint && !is_open(alpha[2])) {
        if (is_open(alpha[0])) {
            alpha[0] = kDefaultStage0Level;
        }
        return;
    }
    if (carry_over == CarryOver::kKept) {
        significance_method = derive_joint ? 0 : 1;
    }
    double w[4] = {alpha[0], alpha[1], alpha[2], weight};
    const double derived = derive_joint ? solve_joint_level(w) : derived_overall_level(w);
    alpha[derive_joint ? 1 : 2] = clamped(derived);
}

// Method 2: stage 0 passes at a0 and the joint statistic passes at a1 in the
// same direction. The direction of stage 0's mean is integrated first.
double joint_power(PWR_design *design, CarryOver carry_over) {
    const double weight = PWR_joint_weight(design);
    // The joint statistic weighs both stages: each must hold individuals.
    if (!levels_usable(design->alpha) || !(weight > 0 && weight < 1)) {
        return kNotANumber;
    }
    derive_joint_level(design, weight, carry_over);
    const double *alpha = design->alpha;
    const double mean0 = joint_stage_mean(design, 0);
    const double z0 = quantile(alpha[0] / 2);
    const double mean1 = joint_stage_mean(design, 1);
    const double z1 = quantile(alpha[1] / 2);
    double v[4] = {mean0, mean1, z1, weight};
    PowerPieces pieces(v);
    double upwards = 0;
    double downwards = 0;
    const Turn up_turn = joint_turn(-z1, mean1, weight);
    const Turn down_turn = joint_turn(z1, mean1, weight);
    if (mean0 < 0) {
        downwards = pieces.integrate(joint_power_function_minus, -MTH_INFINITY, z0, down_turn);
        upwards = pieces.integrate(joint_power_function_plus, -z0, MTH_INFINITY, up_turn);
    } else {
        upwards = pieces.integrate(joint_power_function_plus, -z0, MTH_INFINITY, up_turn);
        downwards = pieces.integrate(joint_power_function_minus, -MTH_INFINITY, z0, down_turn);
    }
    return as_probability(downwards + upwards);
}

}  // namespace

extern "C" double PWR_joint_weight(const PWR_design *design) {
    if (same_case_control_ratio(design)) {
        return stage0_share(design);
    }
    const double effective0 = effective_size(design, 0);
    return effective0 / (effective0 + effective_size(design, 1));
}

namespace {

double two_stage_power(PWR_design *design, CarryOver carry_over) {
    design->case_rate =
        get_population_rate_control_to_case(design->control_rate, design->odds_ratio);
    switch (design->method) {
        case PWR_METHOD_REPLICATION:
            return replication_power(design);
        case PWR_METHOD_PRODUCT:
            return product_power(design);
        case PWR_METHOD_JOINT:
            return joint_power(design, carry_over);
        default:
            return -1;
    }
}

bool is_level_index(std::int32_t derived) {
    return derived == PWR_DERIVE_NO_LEVEL || (derived >= 0 && derived <= 2);
}

}  // namespace

extern "C" double PWR_get_power_for_two_stage_method(PWR_design *design, std::int32_t /*stage*/) {
    return two_stage_power(design, CarryOver::kKept);
}

extern "C" double PWR_two_stage_power_deriving(PWR_design *design, std::int32_t derived) {
    // The caller names the level to derive: no other may be open.
    bool usable = is_level_index(derived);
    for (std::int32_t i = 0; i < 3 && usable; ++i) {
        usable = i == derived || !is_open(design->alpha[i]);
    }
    if (!usable) {
        design->case_rate =
            get_population_rate_control_to_case(design->control_rate, design->odds_ratio);
        return kNotANumber;
    }
    if (derived != PWR_DERIVE_NO_LEVEL) {
        design->alpha[derived] = kOpenLevel;
    }
    return two_stage_power(design, CarryOver::kIgnored);
}
