// Sizes and detectable odds ratios of the single-stage allelic test.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "search/solve.h"
// clang-format on

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <utility>

#include "numeric/MTH_normal_distribution.h"
#include "power/power_func.h"
#include "power/statistic.h"
#include "search/valley_search.h"
#include "status/first_refusal.h"
#include "status/partner_rounding.h"

namespace {

constexpr std::int32_t kLargestCount = VANTOR_LARGEST_COUNT;
constexpr std::int32_t kEvaluationBudget = 64;
constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();
// Passed to MTH_qnorm, which does not read it.
constexpr double kQuantileTolerance = 1e-6;

// ---------------------------------------------------------------------------
// The design's statistics at real-valued counts, for the slope of the power
// ---------------------------------------------------------------------------

struct Rates {
    double cases;     // p1
    double controls;  // p0
};

// The two standard errors (squared) of the rate difference: s0 without
// association (pooled rate), s1 with it. n1 cases, n0 controls. The
// unpooled statistic takes s1 for both.
struct Spread {
    double null_sq;
    double alternative_sq;
};

Spread spread_at(double n1, double n0, Rates p, bool pooled_null) {
    const double q1 = 1 - p.cases;
    const double q0 = 1 - p.controls;
    const double alternative_sq = p.cases * q1 / n1 + p.controls * q0 / n0;
    if (!pooled_null) {
        return {alternative_sq, alternative_sq};
    }
    const double pooled = (p.cases * n1 + p.controls * n0) / (n1 + n0);
    return {pooled * (1 - pooled) * (1 / n1 + 1 / n0), alternative_sq};
}

// The power's slope along a path has the sign of w' tanh(z w r) - z r' (see
// solve.h), w' and r' being the derivatives of w and r along the path; its
// size is irrelevant.
double slope_sign_value(double w, double r, double z, double w_slope, double r_slope) {
    return w_slope * std::tanh(z * w * r) - z * r_slope;
}

// Slope sign as x cases (real) grow with n0 controls fixed. Exchanging the
// groups' roles (rates and counts) gives the slope as the controls grow: w
// changes sign and w tanh(z w r) does not.
double slope_as_cases_grow(double x, double n0, Rates p, double z, bool pooled_null) {
    const double q1 = 1 - p.cases;
    const double q0 = 1 - p.controls;
    const double d = p.cases - p.controls;
    const Spread s = spread_at(x, n0, p, pooled_null);
    const double w = d / std::sqrt(s.alternative_sq);
    const double r = std::sqrt(s.null_sq / s.alternative_sq);
    // Derivatives of ln s1^2 and ln s0^2 in x, written without cancellation.
    const double l1 = -p.cases * q1 / (x * (p.cases * q1 + p.controls * q0 * x / n0));
    const double l0 = !pooled_null ? l1
                                   : -p.controls * n0 / (x * (p.cases * x + p.controls * n0)) -
                                         n0 * d / ((q1 * x + q0 * n0) * (x + n0));
    return slope_sign_value(w, r, z, -w * l1 / 2, r * (l0 - l1) / 2);
}

// Slope sign as the case rate p1 grows, counts fixed (the odds ratio grows
// with p1, so this is also the slope's sign in the odds ratio).
double slope_as_case_rate_grows(double n1, double n0, Rates p, double z, bool pooled_null) {
    const double d = p.cases - p.controls;
    const Spread s = spread_at(n1, n0, p, pooled_null);
    const double s1 = std::sqrt(s.alternative_sq);
    const double w = d / s1;
    const double r = std::sqrt(s.null_sq / s.alternative_sq);
    const double pooled = (p.cases * n1 + p.controls * n0) / (n1 + n0);
    const double ln_s1_slope = (1 - 2 * p.cases) / (2 * n1 * s.alternative_sq);
    const double ln_s0_slope = pooled_null ? (1 - 2 * pooled) / (2 * n0 * s.null_sq) : ln_s1_slope;
    const double w_slope = (1 - d * ln_s1_slope) / s1;
    return slope_sign_value(w, r, z, w_slope, r * (ln_s0_slope - ln_s1_slope));
}

using vantor::is_rising;

// ---------------------------------------------------------------------------
// Evaluating the power on a local design
// ---------------------------------------------------------------------------

class PowerProbe {
public:
    PowerProbe(double odds_ratio, double control_rate, double alpha, std::int32_t statistic)
        : statistic_(statistic) {
        std::memset(&design_, 0, sizeof design_);
        design_.odds_ratio = odds_ratio;
        design_.control_rate = control_rate;
        design_.alpha[0] = alpha;
    }

    double at(std::int32_t cases, std::int32_t controls) {
        design_.sample_size[0][0] = cases;
        design_.sample_size[0][1] = controls;
        return evaluate();
    }

    double at_odds_ratio(double odds_ratio) {
        design_.odds_ratio = odds_ratio;
        return evaluate();
    }

    void set_sizes(std::int32_t cases, std::int32_t controls) {
        design_.sample_size[0][0] = cases;
        design_.sample_size[0][1] = controls;
    }

    [[nodiscard]] std::int32_t evaluations() const { return evaluations_; }
    [[nodiscard]] bool has_budget() const { return evaluations_ < kEvaluationBudget; }
    // The power's limit as a group grows is a power evaluation too.
    void count_limit_evaluation() { ++evaluations_; }

private:
    double evaluate() {
        ++evaluations_;
        return PWR_single_step_power(&design_, 0, statistic_);
    }

    PWR_design design_{};
    std::int32_t statistic_;
    std::int32_t evaluations_ = 0;
};

using vantor::reaches;

double two_sided_critical_value(double alpha) {
    return MTH_qnorm(1 - alpha / 2, kQuantileTolerance);
}

double case_rate_of(double control_rate, double odds_ratio) {
    return get_population_rate_control_to_case(control_rate, odds_ratio);
}

// The library's power formula with given standard errors (the limit of a
// growing group has no finite count to evaluate at).
double power_with_spread(double null_sd, double alternative_sd, double d, double alpha) {
    const double z_hi = MTH_qnorm(1 - alpha / 2, kQuantileTolerance);
    const double z_lo = MTH_qnorm(alpha / 2, kQuantileTolerance);
    const double lower_tail = MTH_pnorm((null_sd * z_lo - d) / alternative_sd);
    const double upper_cut = MTH_pnorm((null_sd * z_hi - d) / alternative_sd);
    return (lower_tail + 1) - upper_cut;
}

// The library's warning for counts too small for the normal approximation.
bool approximation_doubtful(std::int32_t cases, std::int32_t controls, Rates p) {
    return VANTOR_check_expected_alleles(cases, controls, p.cases, p.controls) !=
           VANTOR_REASON_NONE;
}

// ---------------------------------------------------------------------------
// Size search: the line of whole sizes 1..top
// ---------------------------------------------------------------------------

// The power's slope along the searched index, as a function of the real
// index (see valleys_of).
using IndexSlope = std::function<double(double)>;

// Whole indices 1..top on a geometric grid, valleys narrowed to neighbours;
// a power rising at 1 starts a valley there.
class SizeLine {
public:
    using Point = std::int32_t;

    SizeLine(std::int32_t top, IndexSlope slope) : top_(top), slope_(std::move(slope)) {}

    [[nodiscard]] static Point first() { return 1; }
    [[nodiscard]] static bool first_may_be_valley() { return true; }
    [[nodiscard]] Point grid_point(int i) const {
        if (i == vantor::kGridIntervals) {
            return top_;
        }
        const double exponent = static_cast<double>(i) / vantor::kGridIntervals;
        return static_cast<std::int32_t>(
            std::lround(std::pow(static_cast<double>(top_), exponent)));
    }
    [[nodiscard]] static bool wider(Point a, Point b) { return b - a > 1; }
    [[nodiscard]] static vantor::Valley<Point> floor(Point a, Point b) { return {a, b}; }
    [[nodiscard]] double slope(Point index) const { return slope_(static_cast<double>(index)); }

private:
    std::int32_t top_;
    IndexSlope slope_;
};

// ---------------------------------------------------------------------------
// Size paths
// ---------------------------------------------------------------------------

// A path through the sizes: index j counts units of the searched group;
// the partner group is fixed or follows a ratio.
struct SizePath {
    bool cases_searched;   // else the controls
    std::int32_t partner;  // fixed partner allele count, when ratio is 0
    double ratio;          // partner units per searched unit, or 0
    std::int32_t count;
    bool pooled_null;  // the statistic's variance without association
};

// Largest index at which both groups fit the 32-bit range.
std::int32_t top_index(const SizePath &path) {
    std::int32_t top = kLargestCount / path.count;
    if (path.ratio == 0 || vantor::partner_fits(path.ratio, top, path.count)) {
        return top;
    }
    // The partner count grows with the index: bisect for its last fit
    // (index 1 fits, as VANTOR_check_ratio requires).
    std::int32_t fits = 1;
    while (top - fits > 1) {
        const std::int32_t middle = fits + (top - fits) / 2;
        (vantor::partner_fits(path.ratio, middle, path.count) ? fits : top) = middle;
    }
    return fits;
}

struct Sizes {
    std::int32_t cases;
    std::int32_t controls;
};

Sizes sizes_at(const SizePath &path, std::int32_t index) {
    const std::int32_t searched = index * path.count;
    const std::int32_t partner =
        path.ratio == 0
            ? path.partner
            : static_cast<std::int32_t>(vantor::partner_units(path.ratio, index) * path.count);
    return path.cases_searched ? Sizes{searched, partner} : Sizes{partner, searched};
}

// The power as the searched group grows without bound, the partner fixed.
double limit_as_group_grows(const SizePath &path, Rates p, double alpha) {
    const double partner = path.partner;
    const double d = p.cases - p.controls;
    const double var_cases = p.cases * (1 - p.cases) / partner;
    const double var_controls = p.controls * (1 - p.controls) / partner;
    // The pooled rate becomes the growing group's rate; the variance of the
    // rate difference becomes the fixed group's.
    // (The unpooled statistic's is the fixed group's for both.)
    const double fixed = std::sqrt(path.cases_searched ? var_controls : var_cases);
    const double growing = std::sqrt(path.cases_searched ? var_cases : var_controls);
    return power_with_spread(path.pooled_null ? growing : fixed, fixed, d, alpha);
}

struct Problem {
    double odds_ratio;
    double control_rate;
    double alpha;
    double target;
    std::int32_t variance;
};

void fill_size_failure(SLV_size_result *result, std::int32_t status, std::int32_t reason,
                       std::int32_t evaluations) {
    result->status = status;
    result->reason = reason;
    result->cases = 0;
    result->controls = 0;
    result->power = kNotANumber;
    result->evaluations = evaluations;
}

std::int32_t refuse_sizes(SLV_size_result *result, std::int32_t reason) {
    fill_size_failure(result, VANTOR_INVALID_INPUT, reason, 0);
    return VANTOR_INVALID_INPUT;
}

std::int32_t check_problem(const Problem &problem) {
    for (const std::int32_t reason :
         {VANTOR_check_odds_ratio(problem.odds_ratio),
          VANTOR_check_control_rate(problem.control_rate), VANTOR_check_alpha(problem.alpha),
          VANTOR_check_target_power(problem.target, problem.alpha),
          VANTOR_check_variance(problem.variance)}) {
        if (reason != VANTOR_REASON_NONE) {
            return reason;
        }
    }
    return VANTOR_REASON_NONE;
}

vantor::Valleys<std::int32_t> valleys_of(const SizePath &path, std::int32_t top, Rates p,
                                         double alpha) {
    if (path.ratio != 0) {
        // With a fixed ratio the power rises (w grows, r is constant): the
        // one valley is the left end.
        vantor::Valleys<std::int32_t> rising;
        rising.add({1, 1});
        return rising;
    }
    const double z = two_sided_critical_value(alpha);
    const double partner = path.partner;
    const double unit = path.count;
    const Rates swapped{p.controls, p.cases};
    return vantor::find_valleys(SizeLine(top, [&](double index) {
        return path.cases_searched
                   ? slope_as_cases_grow(index * unit, partner, p, z, path.pooled_null)
                   : slope_as_cases_grow(index * unit, partner, swapped, z, path.pooled_null);
    }));
}

// The power at an index of the size line, as the shared search asks for it.
class SizeProber {
public:
    SizeProber(PowerProbe &probe, const SizePath &path) : probe_(probe), path_(path) {}
    double operator()(std::int32_t index) {
        const Sizes sizes = sizes_at(path_, index);
        return probe_.at(sizes.cases, sizes.controls);
    }
    [[nodiscard]] bool has_budget() const { return probe_.has_budget(); }

private:
    PowerProbe &probe_;
    const SizePath &path_;
};

// Smallest index n such that every index from n to top reaches the target.
// Every valley reaching the target, the power falls towards it left of the
// first one, so every index does; index 1 is evaluated all the same (the
// answer's power is reported), and should rounding in degenerate designs
// break that shape, the bisection keeps the answer true to its definition
// on the stretch above it.
vantor::Crossing<std::int32_t> last_crossing(std::int32_t top,
                                             const vantor::Valleys<std::int32_t> &valleys,
                                             double target, SizeProber &prober) {
    double passing_power = prober(top);
    if (!vantor::reaches(passing_power, target)) {
        return {};
    }
    const SizeLine line(top, nullptr);
    std::int32_t passing = top;
    vantor::Crossing<std::int32_t> crossing;
    if (vantor::cross_valleys(line, valleys, target, prober, &passing, &passing_power, &crossing)) {
        return crossing;
    }
    if (passing > 1) {
        const double first_power = prober(1);
        if (!vantor::reaches(first_power, target)) {
            return vantor::bisect(line, 1, passing, passing_power, target, prober);
        }
        passing_power = first_power;
    }
    return {true, 1, passing_power};
}

// Why the top of the range falls short: with a group fixed, whether the
// power's limit as the other grows does too.
std::int32_t not_reached_reason(const SizePath &path, Rates p, double alpha, double target,
                                PowerProbe &probe) {
    if (path.ratio != 0) {
        return VANTOR_REASON_BEYOND_LARGEST_COUNT;
    }
    probe.count_limit_evaluation();
    const double limit = limit_as_group_grows(path, p, alpha);
    return reaches(limit, target) ? VANTOR_REASON_BEYOND_LARGEST_COUNT
                                  : VANTOR_REASON_LEVELS_OFF_WITH_GROUP_FIXED;
}

// Along the exact ratio (real counts), does adding cases or adding controls
// lower the power at index j? Each partial slope's sign changes at most once
// along the ray, from falling to rising (w grows with the index, r is
// constant), so the indices where one falls form an initial stretch.
bool a_group_lowers_power(const SizePath &path, Rates p, double z, double index) {
    const double searched = index * path.count;
    const double partner = searched * path.ratio;
    const double cases = path.cases_searched ? searched : partner;
    const double controls = path.cases_searched ? partner : searched;
    const Rates swapped{p.controls, p.cases};
    return !is_rising(slope_as_cases_grow(cases, controls, p, z, path.pooled_null)) ||
           !is_rising(slope_as_cases_grow(controls, cases, swapped, z, path.pooled_null));
}

// Whether rounding the partner count may make the power along a ratio path
// rise unevenly at and above `answer`: while the partner count is held at its
// minimum of 1, or within the stretch where a group's growth lowers the power
// (widened by a quarter and two units for the rounded counts' distance from
// the ray). That stretch is an initial one, so one look at the index the
// widened stretch would have to reach decides.
bool rounding_uneven_at(const SizePath &path, std::int32_t answer, Rates p, double alpha) {
    if (answer <= 0.5 / path.ratio + 1) {
        return true;
    }
    const double z = two_sided_critical_value(alpha);
    if (!a_group_lowers_power(path, p, z, 1)) {
        return false;
    }
    const double needed = std::ceil((answer - 2) / 1.25);
    return a_group_lowers_power(path, p, z, needed > 1 ? needed : 1);
}

std::int32_t solve_size_along_path(const SizePath &path, const Problem &problem,
                                   SLV_size_result *result) {
    const Rates p{case_rate_of(problem.control_rate, problem.odds_ratio), problem.control_rate};
    const std::int32_t top = top_index(path);
    const vantor::Valleys<std::int32_t> valleys = valleys_of(path, top, p, problem.alpha);
    PowerProbe probe(problem.odds_ratio, problem.control_rate, problem.alpha, problem.variance);
    if (valleys.too_many) {
        fill_size_failure(result, VANTOR_NOT_REACHABLE, VANTOR_REASON_POWER_TOO_IRREGULAR, 0);
        return VANTOR_NOT_REACHABLE;
    }
    SizeProber prober(probe, path);
    const vantor::Crossing<std::int32_t> crossing =
        last_crossing(top, valleys, problem.target, prober);
    if (!crossing.reached) {
        const std::int32_t reason =
            not_reached_reason(path, p, problem.alpha, problem.target, probe);
        fill_size_failure(result, VANTOR_NOT_REACHABLE, reason, probe.evaluations());
        return VANTOR_NOT_REACHABLE;
    }
    const Sizes sizes = sizes_at(path, crossing.at);
    std::int32_t reason = VANTOR_REASON_NONE;
    if (path.ratio != 0 && rounding_uneven_at(path, crossing.at, p, problem.alpha)) {
        reason = VANTOR_REASON_UNEVEN_ROUNDING;
    } else if (approximation_doubtful(sizes.cases, sizes.controls, p)) {
        reason = VANTOR_REASON_FEW_EXPECTED_ALLELES;
    }
    result->status = VANTOR_status_of_reason(reason);
    result->reason = reason;
    result->cases = sizes.cases;
    result->controls = sizes.controls;
    result->power = crossing.power;
    result->evaluations = probe.evaluations();
    return result->status;
}

bool pooled_null(const Problem &problem) { return problem.variance == PWR_VARIANCE_POOLED; }

std::int32_t solve_with_fixed_partner(bool cases_searched, std::int32_t partner,
                                      const Problem &problem, std::int32_t unit,
                                      SLV_size_result *result) {
    std::int32_t reason = VANTOR_check_count(unit);
    if (reason == VANTOR_REASON_NONE) {
        reason = cases_searched ? VANTOR_check_controls(partner, VANTOR_COUNT_ALLELES)
                                : VANTOR_check_cases(partner, VANTOR_COUNT_ALLELES);
    }
    if (reason == VANTOR_REASON_NONE) {
        reason = check_problem(problem);
    }
    if (reason != VANTOR_REASON_NONE) {
        return refuse_sizes(result, reason);
    }
    return solve_size_along_path({cases_searched, partner, 0, unit, pooled_null(problem)}, problem,
                                 result);
}

std::int32_t solve_with_ratio(bool cases_searched, double ratio, const Problem &problem,
                              std::int32_t unit, SLV_size_result *result) {
    std::int32_t reason = VANTOR_check_ratio(ratio, unit);
    if (reason == VANTOR_REASON_NONE) {
        reason = check_problem(problem);
    }
    if (reason != VANTOR_REASON_NONE) {
        return refuse_sizes(result, reason);
    }
    return solve_size_along_path({cases_searched, 0, ratio, unit, pooled_null(problem)}, problem,
                                 result);
}

// ---------------------------------------------------------------------------
// Odds-ratio search in b = |ln(odds ratio)|, away from 1
// ---------------------------------------------------------------------------

constexpr double kOddsSpan = 1e12;  // case odds at the range's end, over the control odds
constexpr double kLargestLogOdds = 690.7755278982137;  // ln(1e300)
constexpr double kSmallestGridLogOdds = 1e-9;
constexpr double kLogOddsTolerance = 1e-12;

struct EffectPath {
    bool above_one;
    std::int32_t cases;
    std::int32_t controls;
    double control_rate;
    double alpha;
    std::int32_t variance;
};

double odds_ratio_at(const EffectPath &path, double b) {
    return path.above_one ? std::exp(b) : std::exp(-b);
}

// End of the range: the case odds 1e12 times past the larger of the control
// odds and 1 (towards 1 for risk, towards 0 for protection).
double top_log_odds(const EffectPath &path) {
    const double control_log_odds = std::log(path.control_rate / (1 - path.control_rate));
    const double towards = path.above_one ? -control_log_odds : control_log_odds;
    const double top = std::log(kOddsSpan) + (towards > 0 ? towards : 0);
    return top < kLargestLogOdds ? top : kLargestLogOdds;
}

double effect_slope(const EffectPath &path, double z, double b) {
    const Rates p{case_rate_of(path.control_rate, odds_ratio_at(path, b)), path.control_rate};
    const bool pooled_null = path.variance == PWR_VARIANCE_POOLED;
    const double slope = slope_as_case_rate_grows(path.cases, path.controls, p, z, pooled_null);
    return path.above_one ? slope : -slope;
}

// Log-odds from 1e-9 to the range's end on a geometric grid, valleys
// narrowed to a point. The left end, b = 0, is where the power is the level
// itself: below every target, never a valley floor.
class EffectLine {
public:
    using Point = double;

    EffectLine(const EffectPath &path, double top)
        : path_(path), top_(top), z_(two_sided_critical_value(path.alpha)) {}

    [[nodiscard]] static Point first() { return kSmallestGridLogOdds; }
    [[nodiscard]] static bool first_may_be_valley() { return false; }
    [[nodiscard]] Point grid_point(int i) const {
        return kSmallestGridLogOdds * std::pow(top_ / kSmallestGridLogOdds,
                                               static_cast<double>(i) / vantor::kGridIntervals);
    }
    [[nodiscard]] static bool wider(Point a, Point b) { return b - a > kLogOddsTolerance; }
    [[nodiscard]] static vantor::Valley<Point> floor(Point a, Point b) {
        const Point middle = vantor::middle_of(a, b);
        return {middle, middle};
    }
    [[nodiscard]] double slope(Point b) const { return effect_slope(path_, z_, b); }

private:
    EffectPath path_;
    double top_;
    double z_;
};

struct EffectCrossing {
    bool reached = false;
    double log_odds = kNotANumber;
    double power = kNotANumber;
    std::int32_t reason = VANTOR_REASON_LEVELS_OFF_WITH_EFFECT;  // when not reached
};

// The power at a log-odds b, as the shared search asks for it.
class EffectProber {
public:
    EffectProber(PowerProbe &probe, const EffectPath &path) : probe_(probe), path_(path) {}
    double operator()(double b) { return probe_.at_odds_ratio(odds_ratio_at(path_, b)); }
    [[nodiscard]] bool has_budget() const { return probe_.has_budget(); }

private:
    PowerProbe &probe_;
    const EffectPath &path_;
};

EffectCrossing last_effect_crossing(const EffectPath &path, double target, PowerProbe &probe) {
    const double top = top_log_odds(path);
    EffectProber prober(probe, path);
    double passing = top;
    double passing_power = prober(top);
    if (!vantor::reaches(passing_power, target)) {
        return {};
    }
    const EffectLine line(path, top);
    const vantor::Valleys<double> valleys = vantor::find_valleys(line);
    if (valleys.too_many) {
        return {false, kNotANumber, kNotANumber, VANTOR_REASON_POWER_TOO_IRREGULAR};
    }
    vantor::Crossing<double> crossing;
    if (!vantor::cross_valleys(line, valleys, target, prober, &passing, &passing_power,
                               &crossing)) {
        crossing = vantor::bisect(line, 0.0, passing, passing_power, target, prober);
    }
    return {true, crossing.at, crossing.power, VANTOR_REASON_NONE};
}

void fill_effect_failure(SLV_effect_result *result, std::int32_t status, std::int32_t reason,
                         std::int32_t evaluations) {
    result->status = status;
    result->reason = reason;
    result->odds_ratio = kNotANumber;
    result->power = kNotANumber;
    result->evaluations = evaluations;
}

// The odds-ratio search's inputs, in the order they are refused.
std::int32_t check_effect_search_inputs(const EffectPath &path, double target) {
    return vantor::first_refusal(
        {VANTOR_check_cases(path.cases, VANTOR_COUNT_ALLELES),
         VANTOR_check_controls(path.controls, VANTOR_COUNT_ALLELES),
         VANTOR_check_control_rate(path.control_rate), VANTOR_check_alpha(path.alpha),
         VANTOR_check_target_power(target, path.alpha), VANTOR_check_variance(path.variance)});
}

std::int32_t solve_effect(const EffectPath &path, double target, SLV_effect_result *result) {
    const std::int32_t refused = check_effect_search_inputs(path, target);
    if (refused != VANTOR_REASON_NONE) {
        fill_effect_failure(result, VANTOR_INVALID_INPUT, refused, 0);
        return VANTOR_INVALID_INPUT;
    }
    PowerProbe probe(1, path.control_rate, path.alpha, path.variance);
    probe.set_sizes(path.cases, path.controls);
    const EffectCrossing crossing = last_effect_crossing(path, target, probe);
    if (!crossing.reached) {
        fill_effect_failure(result, VANTOR_NOT_REACHABLE, crossing.reason, probe.evaluations());
        return VANTOR_NOT_REACHABLE;
    }
    const double odds_ratio = odds_ratio_at(path, crossing.log_odds);
    const Rates p{case_rate_of(path.control_rate, odds_ratio), path.control_rate};
    const bool doubtful = approximation_doubtful(path.cases, path.controls, p);
    result->status = doubtful ? VANTOR_FOUND_WITH_WARNING : VANTOR_FOUND;
    result->reason = doubtful ? VANTOR_REASON_FEW_EXPECTED_ALLELES : VANTOR_REASON_NONE;
    result->odds_ratio = odds_ratio;
    result->power = crossing.power;
    result->evaluations = probe.evaluations();
    return result->status;
}

}  // namespace

extern "C" {

std::int32_t SLV_cases_for_controls_with_statistic(std::int32_t controls, double odds_ratio,
                                                   double control_rate, double alpha,
                                                   double target_power, std::int32_t unit,
                                                   std::int32_t statistic,
                                                   SLV_size_result *result) {
    return solve_with_fixed_partner(
        true, controls, {odds_ratio, control_rate, alpha, target_power, statistic}, unit, result);
}

std::int32_t SLV_controls_for_cases_with_statistic(std::int32_t cases, double odds_ratio,
                                                   double control_rate, double alpha,
                                                   double target_power, std::int32_t unit,
                                                   std::int32_t statistic,
                                                   SLV_size_result *result) {
    return solve_with_fixed_partner(
        false, cases, {odds_ratio, control_rate, alpha, target_power, statistic}, unit, result);
}

std::int32_t SLV_cases_for_ratio_with_statistic(double controls_per_case, double odds_ratio,
                                                double control_rate, double alpha,
                                                double target_power, std::int32_t unit,
                                                std::int32_t statistic, SLV_size_result *result) {
    return solve_with_ratio(true, controls_per_case,
                            {odds_ratio, control_rate, alpha, target_power, statistic}, unit,
                            result);
}

std::int32_t SLV_controls_for_ratio_with_statistic(double cases_per_control, double odds_ratio,
                                                   double control_rate, double alpha,
                                                   double target_power, std::int32_t unit,
                                                   std::int32_t statistic,
                                                   SLV_size_result *result) {
    return solve_with_ratio(false, cases_per_control,
                            {odds_ratio, control_rate, alpha, target_power, statistic}, unit,
                            result);
}

std::int32_t SLV_odds_ratio_above_one_with_statistic(std::int32_t cases, std::int32_t controls,
                                                     double control_rate, double alpha,
                                                     double target_power, std::int32_t statistic,
                                                     SLV_effect_result *result) {
    return solve_effect({true, cases, controls, control_rate, alpha, statistic}, target_power,
                        result);
}

std::int32_t SLV_odds_ratio_below_one_with_statistic(std::int32_t cases, std::int32_t controls,
                                                     double control_rate, double alpha,
                                                     double target_power, std::int32_t statistic,
                                                     SLV_effect_result *result) {
    return solve_effect({false, cases, controls, control_rate, alpha, statistic}, target_power,
                        result);
}

std::int32_t SLV_cases_for_controls(std::int32_t controls, double odds_ratio, double control_rate,
                                    double alpha, double target_power, std::int32_t unit,
                                    SLV_size_result *result) {
    return solve_with_fixed_partner(
        true, controls, {odds_ratio, control_rate, alpha, target_power, PWR_VARIANCE_POOLED}, unit,
        result);
}

std::int32_t SLV_controls_for_cases(std::int32_t cases, double odds_ratio, double control_rate,
                                    double alpha, double target_power, std::int32_t unit,
                                    SLV_size_result *result) {
    return solve_with_fixed_partner(
        false, cases, {odds_ratio, control_rate, alpha, target_power, PWR_VARIANCE_POOLED}, unit,
        result);
}

std::int32_t SLV_cases_for_ratio(double controls_per_case, double odds_ratio, double control_rate,
                                 double alpha, double target_power, std::int32_t unit,
                                 SLV_size_result *result) {
    return solve_with_ratio(true, controls_per_case,
                            {odds_ratio, control_rate, alpha, target_power, PWR_VARIANCE_POOLED},
                            unit, result);
}

std::int32_t SLV_controls_for_ratio(double cases_per_control, double odds_ratio,
                                    double control_rate, double alpha, double target_power,
                                    std::int32_t unit, SLV_size_result *result) {
    return solve_with_ratio(false, cases_per_control,
                            {odds_ratio, control_rate, alpha, target_power, PWR_VARIANCE_POOLED},
                            unit, result);
}

std::int32_t SLV_odds_ratio_above_one(std::int32_t cases, std::int32_t controls,
                                      double control_rate, double alpha, double target_power,
                                      SLV_effect_result *result) {
    return solve_effect({true, cases, controls, control_rate, alpha, PWR_VARIANCE_POOLED},
                        target_power, result);
}

std::int32_t SLV_odds_ratio_below_one(std::int32_t cases, std::int32_t controls,
                                      double control_rate, double alpha, double target_power,
                                      SLV_effect_result *result) {
    return solve_effect({false, cases, controls, control_rate, alpha, PWR_VARIANCE_POOLED},
                        target_power, result);
}

}  // extern "C"
