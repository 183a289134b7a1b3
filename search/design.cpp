// Two-stage designs: the power of given counts, the smallest total for a
// target power, the cheapest design and the most powerful within a budget.
//
// Search notes. The design questions search stage 0's share s and the
// logarithm of its level u = log10(alpha0) over a rectangle. A coarse grid
// of 5 shares by 6 levels finds the best start; a compass search then tries
// a step up and down in each coordinate from the best point so far, moves
// when that is better and halves both steps when nothing is, until the steps
// are below 0.005 in s and 0.01 in u (2 % in alpha0). Every point is
// memoised. The cheapest design compares points by an estimated smallest
// total (secants of the power's normal quantile against the square root of
// the total, a few powers each), then the whole smallest totals of the four
// best points by estimate, and takes the cheapest of those; the most
// powerful design evaluates the power at the largest affordable total of
// each point. Every power of the search is a quick one
// (power/two_stage_quadrature.h); the answer's is the library's, which
// confirms its total (confirmed_total). Against exhaustive grids (91 shares
// by 41 stage-0 levels for replication and product, 31 by 21 for the joint
// statistic; cost ratios 1, 5 and 20; overall levels 1e-6 and 5e-8) the
// cheapest design found cost at most 0.04 % more than the grid's least, and
// often less (tests/design_test.cpp checks 0.5 %).
//
// A plan (search/plan.h) narrows the rectangle: a panel lowers the largest
// level, a fixed share or level leaves its coordinate out, and the people
// available cap each point's totals. Where each stage's case fraction is
// searched too, the grid is run for the fractions 0.3, 0.5, 0.7 and the one
// that uses everyone available, both stages alike, and the compass search
// (steps in each fraction, and in both together, down to 0.01) starts from
// the best points of the two best fractions; where none of those reaches
// the target, the grid is run again for far-from-even fractions (few cases
// or few controls, as the limits suggest; nearly all cases in a stage whose
// controls are limited) and with the levels' ends. A stage's controls
// limited, the shares run from 0.01 to 0.99. Against dense grids of one
// fraction for both stages it does at least as well
// (tests/design_plan_test.cpp), and every design question with limits
// measured took at most 19 ms (docs/speed.md).
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "search/design.h"
// clang-format on

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "disease/genotype_tests.h"
#include "numeric/MTH_normal_distribution.h"
#include "power/power_func.h"
#include "power/statistic.h"
#include "power/two_stage_quadrature.h"
#include "search/smallest_size.h"
#include "search/solve.h"
#include "status/first_refusal.h"
#include "status/partner_rounding.h"
#include "status/status.h"

namespace {

using vantor::first_refusal;

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr std::int64_t kLargestCount = VANTOR_LARGEST_COUNT;
constexpr double kLowestAlpha = 1e-12;
// Passed to MTH_qnorm, which does not read it.
constexpr double kQuantileTolerance = 1e-6;

// ---------------------------------------------------------------------------
// Counts
// ---------------------------------------------------------------------------

// Rounds halves up, as the header says, saturating far beyond any count (a
// not-a-number gives the lower end).
std::int64_t rounded(double x) {
    constexpr std::int64_t kFar = std::int64_t{1} << 62;
    const double r = std::floor(x + 0.5);
    if (!(r > -static_cast<double>(kFar))) {
        return -kFar;
    }
    return r < static_cast<double>(kFar) ? static_cast<std::int64_t>(r) : kFar;
}

// The four counts of a design, in units.
struct Counts {
    std::int64_t cases[2];
    std::int64_t controls[2];
};

std::int64_t stage_total(const Counts &c, int stage) { return c.cases[stage] + c.controls[stage]; }

// A stage of n units split into cases and controls by the case fraction.
void split_stage(std::int64_t n, double case_fraction, std::int64_t *cases,
                 std::int64_t *controls) {
    *cases = rounded(case_fraction * static_cast<double>(n));
    *controls = n - *cases;
}

// How a total becomes four counts: stage 1's share of it and each stage's
// case fraction.
struct Layout {
    double share;
    double fraction[2];
};

Layout same_fractions(double share, double case_fraction) {
    return {share, {case_fraction, case_fraction}};
}

Counts split_total(std::int64_t total, const Layout &layout) {
    Counts c{};
    const std::int64_t n0 = std::min(total, rounded(layout.share * static_cast<double>(total)));
    split_stage(n0, layout.fraction[0], &c.cases[0], &c.controls[0]);
    split_stage(total - n0, layout.fraction[1], &c.cases[1], &c.controls[1]);
    return c;
}

// The people a plan makes available, in the study's unit (0: not limited).
// Indexed by the people limit (DSN_LIMIT_CASES ... DSN_LIMIT_STAGE2_CONTROLS).
struct Caps {
    std::array<std::int64_t, DSN_LIMIT_STAGE2_CONTROLS + 1> of{};

    [[nodiscard]] bool any() const {
        return std::any_of(of.begin(), of.end(), [](std::int64_t cap) { return cap > 0; });
    }
};

Caps caps_of(const DSN_limits &limits) {
    Caps caps;
    caps.of[DSN_LIMIT_CASES] = limits.cases_available;
    caps.of[DSN_LIMIT_CONTROLS] = limits.controls_available;
    caps.of[DSN_LIMIT_STAGE1_CONTROLS] = limits.stage_controls_available[0];
    caps.of[DSN_LIMIT_STAGE2_CONTROLS] = limits.stage_controls_available[1];
    return caps;
}

// The people limit `limit` (DSN_LIMIT_CASES ... DSN_LIMIT_STAGE2_CONTROLS)
// counts.
std::int64_t people_used(const Counts &c, std::int32_t limit) {
    switch (limit) {
        case DSN_LIMIT_CASES:
            return c.cases[0] + c.cases[1];
        case DSN_LIMIT_CONTROLS:
            return c.controls[0] + c.controls[1];
        case DSN_LIMIT_STAGE1_CONTROLS:
            return c.controls[0];
        default:
            return c.controls[1];
    }
}

constexpr std::int32_t kPeopleLimits[] = {DSN_LIMIT_CASES, DSN_LIMIT_CONTROLS,
                                          DSN_LIMIT_STAGE1_CONTROLS, DSN_LIMIT_STAGE2_CONTROLS};

bool exceeds(const Counts &c, const Caps &caps, std::int32_t limit) {
    const std::int64_t cap = caps.of[static_cast<std::size_t>(limit)];
    return cap > 0 && people_used(c, limit) > cap;
}

// Every group holds at least one unit and fits the 32-bit allele range.
bool counts_usable(const Counts &c, std::int32_t unit) {
    for (int stage = 0; stage < 2; ++stage) {
        for (const std::int64_t n : {c.cases[stage], c.controls[stage]}) {
            if (n < 1 || n > kLargestCount / unit) {
                return false;
            }
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// The power of one design, with derived levels cached by weight
// ---------------------------------------------------------------------------

// The second decision's level depends on alpha0, alpha2 and w only. The
// joint method derives it by a root search that costs about a millisecond;
// a weight met again reuses it (the power is then computed with all three
// levels given, which leaves alpha1 and the power exactly as the derivation
// of alpha1 does).
class LevelCache {
public:
    bool find(double alpha0, double weight, double *alpha1) const {
        const auto *const match = std::find_if(
            entries_.begin(), entries_.end(),
            [&](const Entry &e) { return e.stage1_alpha == alpha0 && e.weight == weight; });
        if (match == entries_.end()) {
            return false;
        }
        *alpha1 = match->alpha1;
        return true;
    }
    void store(double alpha0, double weight, double alpha1) {
        entries_[next_] = {alpha0, weight, alpha1};
        next_ = (next_ + 1) % entries_.size();
    }

private:
    struct Entry {
        double stage1_alpha = kNotANumber;
        double weight = kNotANumber;
        double alpha1 = kNotANumber;
    };
    std::array<Entry, 32> entries_{};
    std::size_t next_ = 0;
};

// The effect of the allelic record whose levels a genotype test takes.
constexpr double kLevelsOnlyOddsRatio = 1.5;
constexpr double kLevelsOnlyRate = 0.5;

// What one evaluation gives.
struct Evaluation {
    double power;
    double alpha1;
    double weight;
};

// The searches compare candidates by the quick powers of
// power/two_stage_quadrature.h (a fixed quadrature, within 1e-9 of the exact
// power, about a hundredth of the library's cost); every design they
// report is evaluated again by the library's own two-stage power, which
// alone supplies the reported power and levels. The replication analysis
// has a closed form: its quick power is the library's.
class PowerOracle {
public:
    explicit PowerOracle(const DSN_study &study) : study_(study) {}

    // The library's power, as a power question about the design returns it.
    // A 1-df genotype test takes the levels the library derives for the
    // allelic test of the same counts (they do not depend on the effect)
    // and integrates its own stage statistics.
    Evaluation power(const Counts &c, double alpha0) {
        ++evaluations_;
        PWR_design design = design_of(c);
        const double weight = PWR_joint_weight(&design);
        double alpha1 = kNotANumber;
        const bool cached =
            study_.method == PWR_METHOD_JOINT && cache_.find(alpha0, weight, &alpha1);
        design.alpha[0] = alpha0;
        design.alpha[1] = cached ? alpha1 : 0.0;
        design.alpha[2] = study_.alpha;
        const double power = PWR_two_stage_power_of_statistic(
            &design, cached ? PWR_DERIVE_NO_LEVEL : 1, study_.variance);
        if (!cached && study_.method == PWR_METHOD_JOINT) {
            cache_.store(alpha0, weight, design.alpha[1]);
        }
        if (study_.test != GEN_ALLELIC) {
            return {genotype_test_power(c, alpha0, design.alpha[1], weight), design.alpha[1],
                    weight};
        }
        return {power, design.alpha[1], weight};
    }

    // The quick power, for comparing candidates.
    Evaluation quick(const Counts &c, double alpha0) {
        if (study_.method == PWR_METHOD_REPLICATION) {
            return power(c, alpha0);
        }
        ++evaluations_;
        PWR_design design = design_of(c);
        const double weight = PWR_joint_weight(&design);
        double alpha1 = kNotANumber;
        if (!quick_cache_.find(alpha0, weight, &alpha1)) {
            alpha1 = study_.method == PWR_METHOD_JOINT
                         ? PWR_quick_joint_stage1_level(alpha0, study_.alpha, weight)
                         : PWR_quick_product_stage1_level(alpha0, study_.alpha);
            quick_cache_.store(alpha0, weight, alpha1);
        }
        if (study_.test != GEN_ALLELIC) {
            return {genotype_test_power(c, alpha0, alpha1, weight), alpha1, weight};
        }
        design.alpha[0] = alpha0;
        design.alpha[1] = alpha1;
        return {PWR_quick_two_stage_power(&design), alpha1, weight};
    }

    [[nodiscard]] std::int32_t evaluations() const { return evaluations_; }

private:
    // The power of a 1-df genotype test's design at its levels: each
    // stage's statistic at that stage's people (the study counts people).
    [[nodiscard]] double genotype_test_power(const Counts &c, double alpha0, double alpha1,
                                             double weight) const {
        PWR_stage_statistic stages[2];
        for (int s = 0; s < 2; ++s) {
            GEN_normal_statistic z{};
            GEN_score_test_statistic(study_.test, study_.case_genotypes, study_.control_genotypes,
                                     static_cast<double>(c.cases[s]),
                                     static_cast<double>(c.controls[s]), study_.variance, &z);
            stages[s] = {z.mean, z.sd};
        }
        return PWR_quick_power_of_statistics(study_.method, alpha0, alpha1, weight, stages);
    }

    [[nodiscard]] PWR_design design_of(const Counts &c) const {
        PWR_design design = PWR_DESIGN_INIT;
        design.method = study_.method;
        // A genotype test reads only the levels of this record, which do
        // not depend on the effect: its odds ratio may be 1 or not finite.
        const bool allelic = study_.test == GEN_ALLELIC;
        design.odds_ratio = allelic ? study_.odds_ratio : kLevelsOnlyOddsRatio;
        design.control_rate = allelic ? study_.control_rate : kLevelsOnlyRate;
        for (int stage = 0; stage < 2; ++stage) {
            design.sample_size[stage][0] = static_cast<std::int32_t>(c.cases[stage] * study_.count);
            design.sample_size[stage][1] =
                static_cast<std::int32_t>(c.controls[stage] * study_.count);
        }
        return design;
    }

    DSN_study study_;
    LevelCache cache_;
    // The quick route's own levels: the library's derivation stops at its
    // tolerance (a relative 4e-6 of the overall level), the quick one at
    // the level's rounding, and the two are not mixed.
    LevelCache quick_cache_;
    std::int32_t evaluations_ = 0;
};

// ---------------------------------------------------------------------------
// Results
// ---------------------------------------------------------------------------

void clear(DSN_design_result *r, std::int32_t reason) {
    *r = DSN_design_result{};
    r->status = VANTOR_status_of_reason(reason);
    r->reason = reason;
    r->stage1_weight = kNotANumber;
    for (double &a : r->alpha) {
        a = kNotANumber;
    }
    r->power = kNotANumber;
    r->cost = kNotANumber;
    r->relative_cost = kNotANumber;
    r->case_fraction[0] = r->case_fraction[1] = kNotANumber;
    r->stage2_markers = kNotANumber;
    r->cost_in_money = kNotANumber;
    r->one_stage_cost_in_money = kNotANumber;
    r->binding_limit = DSN_LIMIT_NONE;
}

// ---- Costs (search/plan.h) ----------------------------------------------------

// The genotyping cost per marker.
double cost_of(const Counts &c, double alpha0, double cost_ratio) {
    return static_cast<double>(stage_total(c, 0)) +
           cost_ratio * alpha0 * static_cast<double>(stage_total(c, 1));
}

// What one person of stage 2 costs in money: the person, and an assay for
// each marker of the panel.
double stage2_money_each(double alpha0, const DSN_plan &plan) {
    const DSN_costs &k = plan.costs;
    return k.stage2_cost_per_person + k.stage2_cost_per_genotype * plan.markers * alpha0;
}

double fixed_money(const DSN_plan &plan) {
    return plan.costs.money == 1 ? plan.costs.fixed[0] + plan.costs.fixed[1] : 0.0;
}

double money_of(const Counts &c, double alpha0, const DSN_plan &plan) {
    return fixed_money(plan) +
           static_cast<double>(stage_total(c, 0)) * plan.costs.stage1_cost_per_person +
           static_cast<double>(stage_total(c, 1)) * stage2_money_each(alpha0, plan);
}

// What the searches minimise, or keep within a budget: money when the plan
// counts it, else genotypes per marker.
double objective_cost(const Counts &c, double alpha0, const DSN_plan &plan) {
    return plan.costs.money == 1 ? money_of(c, alpha0, plan)
                                 : cost_of(c, alpha0, plan.costs.cost_ratio);
}

// The objective's cost of one unit of a total split by `share`, beside the
// fixed costs: stage 1 typing every marker and stage 2 the share alpha0 of
// them.
double cost_per_unit(double share, double alpha0, const DSN_plan &plan) {
    if (plan.costs.money == 1) {
        return share * plan.costs.stage1_cost_per_person +
               (1 - share) * stage2_money_each(alpha0, plan);
    }
    return share + plan.costs.cost_ratio * alpha0 * (1 - share);
}

// The first limit the design reaches to within 1 % (search/plan.h).
std::int32_t binding_limit(const Counts &c, double alpha0, const DSN_plan &plan) {
    const Caps caps = caps_of(plan.limits);
    for (const std::int32_t limit : kPeopleLimits) {
        const std::int64_t cap = caps.of[static_cast<std::size_t>(limit)];
        if (cap > 0 &&
            static_cast<double>(people_used(c, limit)) >= 0.99 * static_cast<double>(cap)) {
            return limit;
        }
    }
    const double panel = plan.limits.panel;
    return panel > 0 && plan.markers * alpha0 >= 0.99 * panel ? DSN_LIMIT_PANEL : DSN_LIMIT_NONE;
}

void fill_found(const DSN_study &study, const DSN_plan &plan, const Counts &c, double alpha0,
                const Evaluation &e, DSN_design_result *r) {
    if (std::isnan(e.power)) {
        clear(r, VANTOR_REASON_POWER_NOT_COMPUTABLE);
        return;
    }
    clear(r, VANTOR_REASON_NONE);
    r->total = stage_total(c, 0) + stage_total(c, 1);
    for (int stage = 0; stage < 2; ++stage) {
        r->cases[stage] = static_cast<std::int32_t>(c.cases[stage]);
        r->controls[stage] = static_cast<std::int32_t>(c.controls[stage]);
    }
    r->stage1_weight = e.weight;
    r->alpha[0] = alpha0;
    r->alpha[1] = e.alpha1;
    r->alpha[2] = study.alpha;
    r->power = e.power;
    r->cost = cost_of(c, alpha0, plan.costs.cost_ratio);
    for (int stage = 0; stage < 2; ++stage) {
        r->case_fraction[stage] =
            static_cast<double>(c.cases[stage]) / static_cast<double>(stage_total(c, stage));
    }
    r->stage2_markers = plan.markers * alpha0;
    if (plan.costs.money == 1) {
        r->cost_in_money = money_of(c, alpha0, plan);
    }
    r->binding_limit = binding_limit(c, alpha0, plan);
}

// The smallest one-stage total of a 1-df genotype test, as its single-stage
// size question with a ratio of controls per case finds it; 0 if none.
std::int64_t genotype_test_one_stage_total(const DSN_study &study, double controls_per_case,
                                           double power) {
    const vantor::SizeSearch s = vantor::smallest_reaching(
        [&](std::int64_t cases) {
            const std::int64_t controls = vantor::partner_units(controls_per_case, cases);
            return GEN_score_test_power(study.test, study.case_genotypes, study.control_genotypes,
                                        static_cast<double>(cases), static_cast<double>(controls),
                                        study.alpha, study.variance);
        },
        vantor::largest_people_with_partners(controls_per_case), power);
    return s.reached ? s.size + vantor::partner_units(controls_per_case, s.size) : 0;
}

// The smallest one-stage total reaching `power` at the overall level, with
// the study's case fraction (controls per case (1 - f) / f); 0 if none.
std::int64_t one_stage_total(const DSN_study &study, double power) {
    const double controls_per_case = (1 - study.case_fraction) / study.case_fraction;
    if (study.test != GEN_ALLELIC) {
        return genotype_test_one_stage_total(study, controls_per_case, power);
    }
    SLV_size_result size{};
    SLV_cases_for_ratio_with_statistic(controls_per_case, study.odds_ratio, study.control_rate,
                                       study.alpha, power, study.count, study.variance, &size);
    if (size.status != VANTOR_FOUND && size.status != VANTOR_FOUND_WITH_WARNING) {
        return 0;
    }
    return (static_cast<std::int64_t>(size.cases) + size.controls) / study.count;
}

// The one-stage study of the same power: its total, the design's cost
// against it, and its cost in money (everyone typed on stage 1's array).
void compare_with_one_stage(const DSN_study &study, const DSN_plan &plan, double power,
                            DSN_design_result *r) {
    r->one_stage_total = power < 1 && power > study.alpha ? one_stage_total(study, power) : 0;
    r->relative_cost =
        r->one_stage_total > 0 ? r->cost / static_cast<double>(r->one_stage_total) : kNotANumber;
    if (plan.costs.money == 1 && r->one_stage_total > 0) {
        r->one_stage_cost_in_money = plan.costs.fixed[0] + static_cast<double>(r->one_stage_total) *
                                                               plan.costs.stage1_cost_per_person;
        // In money, the design's cost against the one-stage study's.
        r->relative_cost = r->cost_in_money / r->one_stage_cost_in_money;
    }
}

// ---------------------------------------------------------------------------
// The smallest total for one share and stage-0 level
// ---------------------------------------------------------------------------

struct TotalRange {
    std::int64_t lowest;   // the smallest usable total
    std::int64_t highest;  // the largest usable total
};

// The smallest share of a total one of the four groups gets (`pick` the
// lesser of two) or the largest (the greater).
template <typename Pick>
double extreme_group(const Layout &l, Pick pick) {
    const double f0 = pick(l.fraction[0], 1 - l.fraction[0]);
    const double f1 = pick(l.fraction[1], 1 - l.fraction[1]);
    if (f0 == f1) {
        return pick(l.share, 1 - l.share) * f0;
    }
    return pick(l.share * f0, (1 - l.share) * f1);
}

double thinnest_group(const Layout &l) {
    return extreme_group(l, [](double a, double b) { return std::min(a, b); });
}

double fattest_group(const Layout &l) {
    return extreme_group(l, [](double a, double b) { return std::max(a, b); });
}

// The share of a total the people of `limit` take, about.
double people_rate(const Layout &l, std::int32_t limit) {
    const double s0 = l.share;
    const double s1 = 1 - l.share;
    switch (limit) {
        case DSN_LIMIT_CASES:
            return s0 * l.fraction[0] + s1 * l.fraction[1];
        case DSN_LIMIT_CONTROLS:
            return s0 * (1 - l.fraction[0]) + s1 * (1 - l.fraction[1]);
        case DSN_LIMIT_STAGE1_CONTROLS:
            return s0 * (1 - l.fraction[0]);
        default:
            return s1 * (1 - l.fraction[1]);
    }
}

// The largest total up to `highest` within the cap of `limit`, from above
// down: counts grow with the total, never shrink, and the rounding of the
// stages and groups moves a group's count by less than 2 from rate x total,
// so the answer is at most (cap + 2) / rate.
std::int64_t largest_within(const Layout &layout, const Caps &caps, std::int32_t limit,
                            std::int64_t highest) {
    const double rate = people_rate(layout, limit);
    if (caps.of[static_cast<std::size_t>(limit)] <= 0 || !(rate > 0)) {
        return highest;
    }
    const double above = (static_cast<double>(caps.of[static_cast<std::size_t>(limit)]) + 2) / rate;
    std::int64_t total = std::min(highest, rounded(above) + 1);
    while (total > 0 && exceeds(split_total(total, layout), caps, limit)) {
        --total;
    }
    return total;
}

// The largest total whose counts keep every limit; the limit that sets it
// in *capped_by (DSN_LIMIT_NONE when `highest` stands).
std::int64_t capped_highest(const Layout &l, const Caps &caps, std::int64_t highest,
                            std::int32_t *capped_by) {
    *capped_by = DSN_LIMIT_NONE;
    if (!caps.any()) {
        return highest;
    }
    std::int64_t total = highest;
    for (const std::int32_t limit : kPeopleLimits) {
        const std::int64_t within = largest_within(l, caps, limit, total);
        if (within < total) {
            total = within;
            *capped_by = limit;
        }
    }
    return total;
}

// The smallest total whose four counts are usable: every group needs one
// unit, so a stage of share s needs about 1 / (s min(f, 1 - f)) units. The
// largest is the largest within the 32-bit allele range and the caps;
// *capped_by tells whether a cap set it.
bool usable_range(const Layout &layout, std::int32_t unit, const Caps &caps, TotalRange *range,
                  std::int32_t *capped_by) {
    const double thinnest = thinnest_group(layout);
    const double fattest = fattest_group(layout);
    const std::int64_t largest_units = kLargestCount / unit;  // whole units of a group
    const auto largest_group = static_cast<double>(largest_units);
    std::int64_t low = std::max<std::int64_t>(4, rounded(0.5 / thinnest) - 2);
    const std::int64_t low_limit = low + 64;
    while (low <= low_limit && !counts_usable(split_total(low, layout), unit)) {
        ++low;
    }
    std::int64_t high = static_cast<std::int64_t>(std::floor(largest_group / fattest)) + 2;
    const std::int64_t high_limit = high - 64;
    while (high >= high_limit && !counts_usable(split_total(high, layout), unit)) {
        --high;
    }
    *capped_by = DSN_LIMIT_NONE;
    if (low > low_limit || high < high_limit || high < low) {
        return false;
    }
    high = capped_highest(layout, caps, high, capped_by);
    if (high < low) {
        return false;
    }
    *range = {low, high};
    return true;
}

// The answer of one smallest-total search.
struct TotalAnswer {
    bool found;
    std::int64_t total;
    Evaluation at;
};

constexpr TotalAnswer kNoTotal = {false, 0, {}};

// The first step of the bracket, as a share of the predicted total.
constexpr std::int64_t kStepsPerTotal = 64;
// Estimated totals: how closely a secant must land by the last point, and
// how many powers one estimate may cost.
constexpr double kEstimateAgreement = 2e-3;
constexpr int kEstimatePowers = 6;
// Confirming a quick answer (see confirmed_total): the quick power is within
// 1e-9 of the exact one and the library's within a relative 1e-6 (4e-6 of
// the overall level for a derived joint level), so a total whose quick power
// falls short of the target by more than this fails by the library's too.
constexpr double kConfirmMargin = 1e-5;
constexpr int kConfirmSteps = 8;

// The powers of the totals of one share and stage-0 level, as the searches
// for the smallest total ask for them: the quick powers, or the library's
// once a confirmation has fallen back to them. The last total asked is
// remembered (a bisection ends on a total it has just tried), and a
// remembered power is not spent again.
class TotalPowers {
public:
    TotalPowers(PowerOracle &oracle, const DSN_study &study, const Caps &caps, const Layout &layout,
                double alpha0, double target)
        : oracle_(oracle),
          study_(study),
          caps_(caps),
          layout_(layout),
          alpha0_(alpha0),
          target_(target) {}

    // The searches' power at `total`: the quick one, or the library's after
    // use_library_powers.
    Evaluation at(std::int64_t total) {
        if (total == last_total_) {
            return last_;
        }
        last_total_ = total;
        const Counts counts = counts_of(total);
        last_ = library_ ? oracle_.power(counts, alpha0_) : oracle_.quick(counts, alpha0_);
        return last_;
    }

    bool reaches(std::int64_t total) { return at(total).power >= target_; }

    // The library's power at `total`, always evaluated: a confirmation's own.
    Evaluation library_at(std::int64_t total) { return oracle_.power(counts_of(total), alpha0_); }

    bool library_reaches(std::int64_t total) { return library_at(total).power >= target_; }

    // From now on `at` gives the library's powers.
    void use_library_powers() {
        library_ = true;
        last_total_ = -1;
    }

    // The totals whose four counts are usable and within the caps; false
    // when there are none. capped_by() then tells the cap that set the
    // largest.
    bool usable_totals(TotalRange *range) {
        return usable_range(layout_, study_.count, caps_, range, &capped_by_);
    }

    [[nodiscard]] std::int32_t capped_by() const { return capped_by_; }

    [[nodiscard]] double overall_alpha() const { return study_.alpha; }
    [[nodiscard]] double target() const { return target_; }

private:
    [[nodiscard]] Counts counts_of(std::int64_t total) const { return split_total(total, layout_); }

    PowerOracle &oracle_;
    DSN_study study_;
    Caps caps_;
    Layout layout_;
    std::int32_t capped_by_ = DSN_LIMIT_NONE;
    double alpha0_;
    double target_;
    std::int64_t last_total_ = -1;
    Evaluation last_{};
    bool library_ = false;
};

// ---- Predicting a total from one power ---------------------------------------

// The total the power at `total` predicts: the design's noncentrality grows
// as the square root of the total, so with z the normal quantile,
// sqrt(N / total) is about (z(target) + z_a) / (z(power) + z_a), z_a the
// overall level's. `total` itself when the power is 0, 1 or not a number,
// or the prediction is more than a factor 16 away. The power is checked
// before its quantile is taken: a candidate whose stage holds next to no
// cases (a tiny case fraction) has a power of exactly 0, whose quantile is
// the library's "MIN_FLAG" report.
std::int64_t predicted_total(const TotalPowers &powers, std::int64_t total, double power) {
    if (!(power > 0 && power < 1)) {
        return total;
    }
    const double z_level = -MTH_qnorm(powers.overall_alpha() / 2, kQuantileTolerance);
    const double ratio = (MTH_qnorm(powers.target(), kQuantileTolerance) + z_level) /
                         (MTH_qnorm(power, kQuantileTolerance) + z_level);
    if (!(ratio > 0.25 && ratio < 4)) {
        return total;
    }
    return rounded(static_cast<double>(total) * ratio * ratio);
}

// ---- Bracketing and bisecting on the searches' powers ------------------------

// Two totals around the answer: the power at `failing` misses the target,
// the power at `passing` reaches it.
struct Bracket {
    std::int64_t failing;
    std::int64_t passing;
};

// Evaluates the guess, clamped into `range`, and narrows the range by its
// outcome, so that every total tried above the answer reaches the target;
// `start`, where the bracket starts, is the total the guess's power
// predicts, clamped into the narrowed range. False when the guess is the
// range's largest total and misses the target: no total reaches it.
bool narrow_by_guess(TotalPowers &powers, std::int64_t guess, TotalRange *range,
                     std::int64_t *start) {
    const std::int64_t first = std::clamp(guess, range->lowest, range->highest);
    const Evaluation at_first = powers.at(first);
    if (at_first.power >= powers.target()) {
        range->highest = first;
    } else if (first == range->highest) {
        return false;
    } else {
        range->lowest = first + 1;
    }
    *start =
        std::clamp(predicted_total(powers, first, at_first.power), range->lowest, range->highest);
    return true;
}

// Brackets the answer from `start`, growing or shrinking by 1/kStepsPerTotal
// of it and doubling the step at every step; the failing end lies below the
// range's lowest total when even that reaches the target. False when no
// total of the range reaches it.
bool bracket_answer(TotalPowers &powers, std::int64_t start, const TotalRange &range,
                    Bracket *bracket) {
    std::int64_t step = std::max<std::int64_t>(1, start / kStepsPerTotal);
    const bool up = !powers.reaches(start);
    std::int64_t known = start;
    for (;;) {
        const std::int64_t next =
            up ? std::min(range.highest, known + step) : std::max(range.lowest, known - step);
        if (next == known) {
            // At an end of the range: nothing beyond it to try.
            if (up) {
                return false;
            }
            *bracket = {range.lowest - 1, known};
            return true;
        }
        if (powers.reaches(next) == up) {
            *bracket = up ? Bracket{known, next} : Bracket{next, known};
            return true;
        }
        known = next;
        step *= 2;
    }
}

// Halves the bracket until its ends are neighbours, `reaches(total)` telling
// which end a middle total replaces; the passing end.
template <typename Reaches>
std::int64_t bisect_to_neighbours(Bracket bracket, Reaches reaches) {
    while (bracket.passing - bracket.failing > 1) {
        const std::int64_t middle = bracket.failing + (bracket.passing - bracket.failing) / 2;
        (reaches(middle) ? bracket.passing : bracket.failing) = middle;
    }
    return bracket.passing;
}

// The smallest total reaching the target, searched from `guess` (any total;
// it is clamped into the usable range): the guess's power predicts the
// answer (predicted_total), the search brackets it from there and bisects.
// The guess's own outcome bounds the search, so that every total tried
// above the answer reaches the target. On the searches' powers.
TotalAnswer searched_total(TotalPowers &powers, std::int64_t guess) {
    TotalRange range{};
    std::int64_t start = 0;
    Bracket bracket{};
    if (!powers.usable_totals(&range) || !narrow_by_guess(powers, guess, &range, &start) ||
        !bracket_answer(powers, start, range, &bracket)) {
        return kNoTotal;
    }
    const std::int64_t total =
        bisect_to_neighbours(bracket, [&](std::int64_t n) { return powers.reaches(n); });
    return {true, total, powers.at(total)};
}

// ---- Estimating a total by secants -------------------------------------------

double probit(double power) {
    return power > 0 && power < 1 ? MTH_qnorm(power, kQuantileTolerance) : kNotANumber;
}

// Where the line through (sqrt(n1), z1) and (sqrt(n2), z2) meets the
// target's z, as a total; not a number if the points cannot tell.
double secant(double target, std::int64_t n1, double z1, std::int64_t n2, double z2) {
    const double root1 = std::sqrt(static_cast<double>(n1));
    const double root2 = std::sqrt(static_cast<double>(n2));
    const double z_target = MTH_qnorm(target, kQuantileTolerance);
    const double root = root2 + (z_target - z2) * (root2 - root1) / (z2 - z1);
    return n1 != n2 && std::isfinite(root) && root > 0 ? root * root : kNotANumber;
}

// The second point of an estimate: the total the first point's power
// predicts, or a step beyond the first when that predicts the first again.
std::int64_t second_estimate_point(const TotalPowers &powers, std::int64_t first,
                                   double first_power) {
    const std::int64_t predicted = predicted_total(powers, first, first_power);
    return predicted != first ? predicted
                              : first + std::max<std::int64_t>(1, first / kStepsPerTotal);
}

// What an estimate beyond the largest usable total means: no total reaches
// the target when the largest is the allele range's (the powers rise far
// below it); when a limit on people sets it, the secants may overshoot a
// total the limit allows, so the largest total's power decides, and where
// it reaches the target the search for the total does (not a number).
double beyond_the_largest(TotalPowers &powers, const TotalRange &range) {
    if (powers.capped_by() == DSN_LIMIT_NONE) {
        return kInfinity;
    }
    if (powers.reaches(range.highest)) {
        return kNotANumber;
    }
    return kInfinity;
}

// An estimate of the answer for comparing designs: the total the guess's
// power predicts, then secants through the last two points in
// (sqrt(N), z(power)) until a secant lands within kEstimateAgreement of the
// last point, at most kEstimatePowers powers in all. Infinite beyond the
// usable range, not a number where the powers cannot tell (0 or 1, or no
// agreement).
double estimated_total(TotalPowers &powers, std::int64_t guess) {
    TotalRange range{};
    if (!powers.usable_totals(&range)) {
        return kInfinity;
    }
    std::int64_t previous = std::clamp(guess, range.lowest, range.highest);
    const double first_power = powers.at(previous).power;
    double previous_z = probit(first_power);
    std::int64_t current = second_estimate_point(powers, previous, first_power);
    for (int spent = 1; spent < kEstimatePowers; ++spent) {
        if (current > range.highest) {
            return beyond_the_largest(powers, range);
        }
        current = std::max(current, range.lowest);
        const double z = probit(powers.at(current).power);
        const double next = secant(powers.target(), previous, previous_z, current, z);
        if (std::isnan(next)) {
            return kNotANumber;
        }
        if (std::fabs(next - static_cast<double>(current)) <=
            kEstimateAgreement * static_cast<double>(current)) {
            if (next > static_cast<double>(range.highest)) {
                return beyond_the_largest(powers, range);
            }
            return next;
        }
        previous = current;
        previous_z = z;
        current = rounded(std::min(next, 2.0 * static_cast<double>(range.highest)));
    }
    return kNotANumber;
}

// ---- Confirming a quick answer by the library's powers -----------------------

// How stepping up from a quick answer ended.
enum class StepUpEnd {
    reached,         // the library's power at `total` reaches the target
    out_of_range,    // the largest usable total misses it
    too_many_steps,  // more than kConfirmSteps totals miss it
};

struct StepUp {
    StepUpEnd end;
    std::int64_t total;  // the last total evaluated
    Evaluation at;       // the library's power there
    int steps;           // totals stepped up
};

// Steps up from `total` until the library's power reaches the target.
StepUp step_up_to_library(TotalPowers &powers, std::int64_t total, const TotalRange &range) {
    Evaluation at = powers.library_at(total);
    int steps = 0;
    while (!(at.power >= powers.target())) {
        if (total >= range.highest) {
            return {StepUpEnd::out_of_range, total, at, steps};
        }
        if (++steps > kConfirmSteps) {
            return {StepUpEnd::too_many_steps, total, at, steps};
        }
        ++total;
        at = powers.library_at(total);
    }
    return {StepUpEnd::reached, total, at, steps};
}

// The smallest total from `lowest` up to `passing` (whose library power
// reaches the target) whose library power reaches it: steps down by 1, 2,
// 4 ... until one fails, then bisects. Where the powers level off just
// above the target the passing totals run far down (stepping one at a
// time took 27,000 library powers, 20 s, for one design).
std::int64_t smallest_passing_below(TotalPowers &powers, std::int64_t passing,
                                    std::int64_t lowest) {
    std::int64_t failing = lowest - 1;
    for (std::int64_t step = 1; passing - step >= lowest; step *= 2) {
        const std::int64_t next = passing - step;
        if (!powers.library_reaches(next)) {
            failing = next;
            break;
        }
        passing = next;
    }
    return bisect_to_neighbours({failing, passing},
                                [&](std::int64_t n) { return powers.library_reaches(n); });
}

// A confirmed total the quick power one below could not tell from: when
// that power comes within kConfirmMargin of the target, the library decides
// the totals below too, and the smallest whose library power passes is the
// answer.
TotalAnswer settled_below(TotalPowers &powers, const TotalAnswer &confirmed, std::int64_t lowest) {
    const std::int64_t total = confirmed.total;
    if (total > lowest && powers.at(total - 1).power >= powers.target() - kConfirmMargin) {
        const std::int64_t smallest = smallest_passing_below(powers, total, lowest);
        if (smallest < total) {
            return {true, smallest, powers.library_at(smallest)};
        }
    }
    return confirmed;
}

// The answer found by the quick powers (searched_total), confirmed by the
// library's: where the library's power at it misses the target the total
// steps up until it meets it, and where it meets it at once the totals
// below that the quick powers could not tell are settled by the library
// (settled_below). So the answer's power is the library's and reaches the
// target, and the library's power one below does not whenever the quick one
// could not tell. Should the step up take more than kConfirmSteps totals
// (the two powers far apart), the whole search runs again on the library's
// powers from there.
TotalAnswer confirmed_total(TotalPowers &powers, std::int64_t guess) {
    const TotalAnswer quick = searched_total(powers, guess);
    TotalRange range{};
    if (!quick.found || !powers.usable_totals(&range)) {
        return quick;
    }
    const StepUp up = step_up_to_library(powers, quick.total, range);
    if (up.end == StepUpEnd::out_of_range) {
        return kNoTotal;
    }
    if (up.end == StepUpEnd::too_many_steps) {
        powers.use_library_powers();
        return searched_total(powers, up.total + 1);
    }
    const TotalAnswer confirmed = {true, up.total, up.at};
    return up.steps == 0 ? settled_below(powers, confirmed, range.lowest) : confirmed;
}

// ---------------------------------------------------------------------------
// Searching shares, stage-0 levels and case fractions
// ---------------------------------------------------------------------------

double smallest_stage0_alpha(std::int32_t method, double alpha2) {
    const double room = method == PWR_METHOD_PRODUCT ? alpha2 * (1 + 1e-6) : 2 * alpha2;
    return std::max(kLowestAlpha, room);
}

// The stage-0 level at u = log10(alpha0), to three significant digits (a
// level a person can type back in), and never below the method's least.
double stage0_alpha_at(double u, double least) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.2e", std::pow(10.0, u));
    return std::max(least, std::strtod(text.data(), nullptr));
}

// The stage-0 levels a search may take: from the method's least to the
// most (DSN_LARGEST_STAGE1_ALPHA, or less for a panel), or one fixed.
struct Levels {
    double least;
    double most;
    double fixed;       // not a number: searched
    double panel_most;  // the most a panel allows a fixed level (1 without one)

    [[nodiscard]] bool searched() const { return std::isnan(fixed); }
    [[nodiscard]] double low_u() const { return std::log10(searched() ? least : fixed); }
    [[nodiscard]] double high_u() const { return std::log10(searched() ? most : fixed); }
    // The level at u = log10(alpha0).
    [[nodiscard]] double at(double u) const {
        return searched() ? std::min(most, stage0_alpha_at(u, least)) : fixed;
    }
    // Whether any level keeps the panel.
    [[nodiscard]] bool any() const { return searched() ? least <= most : fixed <= panel_most; }
};

Levels levels_of(const DSN_study &study, const DSN_plan &plan) {
    const double panel_most = plan.limits.panel > 0 ? plan.limits.panel / plan.markers : 1.0;
    return {smallest_stage0_alpha(study.method, study.alpha),
            std::min(DSN_LARGEST_STAGE1_ALPHA, panel_most), plan.limits.stage1_alpha, panel_most};
}

// What a search chooses among: stage 0's share (or a fixed one), its level,
// and each stage's case fraction (or the study's for both).
struct Space {
    double fixed_share;  // not a number: searched
    Levels levels;
    bool per_stage_fractions;
    double case_fraction;       // both stages' when not searched
    double available_fraction;  // the cases' share of the people available; 0 if unknown
    bool stage_controls_limited[2];
    bool cases_limited;
    bool controls_limited;

    [[nodiscard]] bool share_searched() const { return std::isnan(fixed_share); }
    // A stage's controls limited, the other stage may need nearly everyone.
    [[nodiscard]] bool wide_shares() const {
        return stage_controls_limited[0] || stage_controls_limited[1];
    }
    [[nodiscard]] double smallest_share() const {
        return wide_shares() ? kWideShares[0] : DSN_SMALLEST_SHARE;
    }
    [[nodiscard]] double largest_share() const {
        return wide_shares() ? kWideShares[1] : DSN_LARGEST_SHARE;
    }
    static constexpr double kWideShares[2] = {0.01, 0.99};
};

// The cases' share of everyone available, where both are limited: the
// fraction that uses them all, a start of the searched fractions.
double available_fraction(const DSN_limits &limits) {
    const std::int64_t controls =
        limits.controls_available > 0
            ? limits.controls_available
            : limits.stage_controls_available[0] + limits.stage_controls_available[1];
    if (limits.cases_available <= 0 || controls <= 0) {
        return 0;
    }
    const double f = static_cast<double>(limits.cases_available) /
                     static_cast<double>(limits.cases_available + controls);
    return std::clamp(f, DSN_SMALLEST_FRACTION, DSN_LARGEST_FRACTION);
}

Space space_of(const DSN_study &study, const DSN_plan &plan) {
    const DSN_limits &l = plan.limits;
    return {l.stage1_share,
            levels_of(study, plan),
            l.per_stage_fractions == 1,
            study.case_fraction,
            available_fraction(l),
            {l.stage_controls_available[0] > 0, l.stage_controls_available[1] > 0},
            l.cases_available > 0,
            l.controls_available > 0};
}

// A point of the space and its objective value (smaller is better).
struct Point {
    double share;
    double log_alpha0;
    double fraction[2];
    double value;
};

Layout layout_of(const Point &p) { return {p.share, {p.fraction[0], p.fraction[1]}}; }

// The compass search of the notes at the top of this file, on a memoised
// objective, over the coordinates the space leaves free: the coarse grid
// first (the study's case fraction, or 0.3, 0.5 and 0.7 in both stages
// where fractions are searched), then steps in each free coordinate. The
// objective is a function and its context rather than a template: one
// search serves both questions (the page's module is the smaller for it).
using Objective = double (*)(void *context, const Point &point);

class DesignSearch {
public:
    DesignSearch(Objective objective, void *context, const Space &space)
        : objective_(objective),
          context_(context),
          space_(space),
          low_u_(space.levels.low_u()),
          high_u_(space.levels.high_u()) {}

    // The best point: the compass search from the coarse grid's best; where
    // the fractions are searched, from the best two of the grid's fractions'
    // best points (the people available make ridges a search from one start
    // does not follow; two keep every design question within 20 ms),
    // keeping the better end.
    Point best() {
        std::vector<Point> starts = grid_starts(grid_fractions());
        const bool none = std::none_of(starts.begin(), starts.end(),
                                       [](const Point &p) { return p.value < kInfinity; });
        if (none && space_.per_stage_fractions) {
            // Nothing reached with balanced starts: the people available
            // may want the fractions far from even, or uneven between stages.
            starts = grid_starts(extreme_fractions(), true);
        }
        Point best{0, 0, {0, 0}, kInfinity};
        for (std::size_t i = 0; i < kRefinedStarts; ++i) {
            const Point start = take_best(&starts);
            if (start.value < kInfinity) {
                const Point end = refined(start);
                best = end.value < best.value ? end : best;
            }
        }
        return best.value < kInfinity ? best : Point{0, 0, {0, 0}, kInfinity};
    }

    // Removes and gives the best of the points (the first of equals); an
    // infinite point when there are none.
    static Point take_best(std::vector<Point> *points) {
        if (points->empty()) {
            return {0, 0, {0, 0}, kInfinity};
        }
        auto best = points->begin();
        for (auto p = points->begin(); p != points->end(); ++p) {
            best = p->value < best->value ? p : best;
        }
        const Point taken = *best;
        points->erase(best);
        return taken;
    }

    // The `count` best points seen (fewer if fewer were), best first; ties
    // in the order they were seen.
    [[nodiscard]] std::vector<Point> leaders(std::size_t count) const {
        std::vector<Point> sorted = seen_;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const Point &a, const Point &b) { return a.value < b.value; });
        sorted.resize(std::min(count, sorted.size()));
        return sorted;
    }

private:
    static constexpr double kShareResolution = 0.005;
    static constexpr double kLevelResolution = 0.01;
    static constexpr double kFractionResolution = 0.01;
    static constexpr std::size_t kRefinedStarts = 2;

    struct Steps {
        double share;
        double u;
        double fraction;
    };

    // For each pair of stage fractions, the best point of the grid of
    // shares and levels.
    // With `edges` the levels' range's ends too (a tiny stage may be worth
    // screening only at the largest level).
    std::vector<Point> grid_starts(const std::vector<std::array<double, 2>> &fractions,
                                   bool edges = false) {
        std::vector<double> levels = grid_levels();
        if (edges && space_.levels.searched()) {
            levels.insert(levels.begin(), low_u_);
            levels.push_back(high_u_);
        }
        std::vector<Point> starts;
        for (const std::array<double, 2> &f : fractions) {
            Point start{0, 0, {f[0], f[1]}, kInfinity};
            for (const double share : grid_shares()) {
                for (const double u : levels) {
                    consider({share, u, {f[0], f[1]}, 0}, &start);
                }
            }
            starts.push_back(start);
        }
        return starts;
    }

    [[nodiscard]] std::vector<double> grid_shares() const {
        if (!space_.share_searched()) {
            return {space_.fixed_share};
        }
        if (space_.wide_shares()) {
            return {0.02, 0.1, 0.3, 0.5, 0.7, 0.9, 0.98};
        }
        return {0.1, 0.3, 0.5, 0.7, 0.9};
    }

    [[nodiscard]] std::vector<double> grid_levels() const {
        if (!space_.levels.searched()) {
            return {low_u_};
        }
        std::vector<double> us;
        us.reserve(6);
        for (int i = 0; i < 6; ++i) {
            us.push_back(low_u_ + (high_u_ - low_u_) * (i + 0.5) / 6);
        }
        return us;
    }

    [[nodiscard]] std::vector<std::array<double, 2>> grid_fractions() const {
        if (!space_.per_stage_fractions) {
            return {{space_.case_fraction, space_.case_fraction}};
        }
        std::vector<std::array<double, 2>> fractions = {{0.3, 0.3}, {0.5, 0.5}, {0.7, 0.7}};
        if (space_.available_fraction > 0) {
            fractions.push_back({space_.available_fraction, space_.available_fraction});
        }
        return fractions;
    }

    // Where the balanced fractions reach nothing: few cases when cases are
    // limited, few controls when controls are, nearly all cases in the stage
    // whose controls are limited.
    [[nodiscard]] std::vector<std::array<double, 2>> extreme_fractions() const {
        std::vector<std::array<double, 2>> fractions;
        if (space_.cases_limited) {
            fractions.push_back({0.1, 0.1});
        }
        if (space_.controls_limited) {
            fractions.push_back({0.9, 0.9});
        }
        if (space_.stage_controls_limited[0]) {
            fractions.push_back({0.9, 0.5});
        }
        if (space_.stage_controls_limited[1]) {
            fractions.push_back({0.5, 0.9});
        }
        return fractions;
    }

    // The compass search's end from `best`: steps in each free coordinate,
    // halved when none improves, down to the resolutions.
    Point refined(Point best) {
        Steps step{0.1, (high_u_ - low_u_) / 12, 0.1};
        while (refining(step)) {
            const Point before = best;
            try_steps(before, step, &best);
            if (best.value == before.value) {
                step.share /= 2;
                step.u /= 2;
                step.fraction /= 2;
            }
        }
        return best;
    }

    [[nodiscard]] bool refining(const Steps &step) const {
        return (space_.share_searched() && step.share >= kShareResolution) ||
               (space_.levels.searched() && step.u >= kLevelResolution) ||
               (space_.per_stage_fractions && step.fraction >= kFractionResolution);
    }

    // A step up and down in each free coordinate from `from`.
    void try_steps(const Point &from, const Steps &step, Point *best) {
        if (space_.share_searched()) {
            consider(moved(from, 0, step.share), best);
            consider(moved(from, 0, -step.share), best);
        }
        if (space_.levels.searched()) {
            consider(moved(from, 1, step.u), best);
            consider(moved(from, 1, -step.u), best);
        }
        if (space_.per_stage_fractions) {
            for (int coordinate = 2; coordinate < 4; ++coordinate) {
                consider(moved(from, coordinate, step.fraction), best);
                consider(moved(from, coordinate, -step.fraction), best);
            }
            // Both stages' fractions together: where the people available
            // bind, the best designs lie along a ridge no single move follows.
            consider(moved(moved(from, 2, step.fraction), 3, step.fraction), best);
            consider(moved(moved(from, 2, -step.fraction), 3, -step.fraction), best);
        }
    }

    // `from` with one coordinate (share, u, fraction 0, fraction 1) moved.
    static Point moved(Point from, int coordinate, double by) {
        switch (coordinate) {
            case 0:
                from.share += by;
                break;
            case 1:
                from.log_alpha0 += by;
                break;
            default:
                from.fraction[coordinate - 2] += by;
        }
        return from;
    }

    void consider(Point p, Point *best) {
        if (space_.share_searched()) {
            p.share = std::clamp(p.share, space_.smallest_share(), space_.largest_share());
        }
        p.log_alpha0 = std::clamp(p.log_alpha0, low_u_, high_u_);
        if (space_.per_stage_fractions) {
            for (double &f : p.fraction) {
                f = std::clamp(f, DSN_SMALLEST_FRACTION, DSN_LARGEST_FRACTION);
            }
        }
        p.value = evaluate(p);
        if (p.value < best->value) {
            *best = p;
        }
    }

    double evaluate(const Point &p) {
        for (const Point &q : seen_) {
            if (q.share == p.share && q.log_alpha0 == p.log_alpha0 &&
                q.fraction[0] == p.fraction[0] && q.fraction[1] == p.fraction[1]) {
                return q.value;
            }
        }
        const double value = objective_(context_, p);
        seen_.push_back({p.share, p.log_alpha0, {p.fraction[0], p.fraction[1]}, value});
        return value;
    }

    Objective objective_;
    void *context_;
    Space space_;
    double low_u_;
    double high_u_;
    std::vector<Point> seen_;
};

Point search_best(Objective objective, void *context, const Space &space) {
    return DesignSearch(objective, context, space).best();
}

// The search's `count` best points (fewer if it saw fewer), best first.
std::vector<Point> search_leaders(Objective objective, void *context, const Space &space,
                                  std::size_t count) {
    DesignSearch search(objective, context, space);
    search.best();
    return search.leaders(count);
}

// ---------------------------------------------------------------------------
// Refusals and limits
// ---------------------------------------------------------------------------

// Fills the result as unanswered when `reason` refuses the question; whether
// it did.
bool fill_if_refused(std::int32_t reason, DSN_design_result *result) {
    if (reason == VANTOR_REASON_NONE) {
        return false;
    }
    clear(result, reason);
    return true;
}

// A fixed stage-0 level must leave the method its room.
std::int32_t fixed_level_refusal(const DSN_study &study, const DSN_plan &plan) {
    const double fixed = plan.limits.stage1_alpha;
    return std::isnan(fixed) ? VANTOR_REASON_NONE
                             : DSN_check_stage1_alpha(study.method, fixed, study.alpha);
}

// A design search's refusal: the question's own checks (`own_refusal`)
// first, then the plan, then the room the searched stage-0 levels need,
// which reads the checked study.
std::int32_t design_search_refusal(const DSN_study &study, const DSN_plan &plan,
                                   std::int32_t own_refusal) {
    return first_refusal({own_refusal, DSN_check_plan(&plan, study.count),
                          fixed_level_refusal(study, plan),
                          DSN_check_design_alpha(study.method, study.alpha)});
}

// Why no design was found: the people cap that set the largest total where
// the target was missed, else the largest count.
std::int32_t unreached_reason(std::int32_t capped_by) {
    switch (capped_by) {
        case DSN_LIMIT_NONE:
            return VANTOR_REASON_BEYOND_LARGEST_COUNT;
        case DSN_LIMIT_CASES:
            return VANTOR_REASON_CASES_AVAILABLE_TOO_FEW;
        default:
            return VANTOR_REASON_CONTROLS_AVAILABLE_TOO_FEW;
    }
}

// How often each cap (DSN_LIMIT_*) stopped a point's totals short of the
// target, to tell why no design was found.
class CapTally {
public:
    void note(std::int32_t capped_by) {
        if (capped_by > DSN_LIMIT_NONE && capped_by <= DSN_LIMIT_STAGE2_CONTROLS) {
            ++counts_[capped_by];
        }
    }
    [[nodiscard]] std::int32_t most_often() const {
        std::int32_t best = DSN_LIMIT_NONE;
        for (std::int32_t limit = DSN_LIMIT_CASES; limit <= DSN_LIMIT_STAGE2_CONTROLS; ++limit) {
            if (counts_[limit] > counts_[best]) {
                best = limit;
            }
        }
        return best;
    }

private:
    std::array<int, DSN_LIMIT_STAGE2_CONTROLS + 1> counts_{};
};

// ---------------------------------------------------------------------------
// The cheapest design
// ---------------------------------------------------------------------------

// The one-stage total at the overall level: where the search for a
// two-stage total starts (a two-stage design needs somewhat more).
std::int64_t first_guess(const DSN_study &study, double target) {
    const std::int64_t one_stage = one_stage_total(study, target);
    return one_stage > 0 ? one_stage : 1000;
}

// What the cheapest design's search shares between the points it tries:
// the question, and the last point's total, where the next point's search
// starts (neighbouring points need similar totals).
struct CheapestSearch {
    PowerOracle &oracle;
    const DSN_study &study;
    const DSN_plan &plan;
    Caps caps;
    Levels levels;
    double target;
    std::int64_t guess;
    CapTally capped;
};

TotalPowers powers_at(CheapestSearch &search, const Point &p) {
    return {search.oracle, search.study, search.caps, layout_of(p), search.levels.at(p.log_alpha0),
            search.target};
}

// The estimated cost of the point, without fixed costs: its total by
// estimate (a few powers; see estimated_total), by the quick search only
// where the estimate cannot tell; infinite where no total reaches the
// target.
double estimated_cost(CheapestSearch &search, const Point &p) {
    const double alpha0 = search.levels.at(p.log_alpha0);
    TotalPowers powers = powers_at(search, p);
    double total = estimated_total(powers, search.guess);
    if (std::isnan(total)) {
        const TotalAnswer answer = searched_total(powers, search.guess);
        total = answer.found ? static_cast<double>(answer.total) : kInfinity;
    }
    if (!(total < kInfinity)) {
        search.capped.note(powers.capped_by());
        return kInfinity;
    }
    search.guess = rounded(total);
    return total * cost_per_unit(p.share, alpha0, search.plan);
}

// The estimated totals that rank designs are continuous, the answers whole:
// of the best few points by estimate, the one whose smallest whole total (by
// the quick powers) costs least; its value is that cost. The first point
// when none has a total.
constexpr std::size_t kCheapestFinalists = 4;

Point cheapest_in_whole_totals(const std::vector<Point> &leaders, CheapestSearch &search) {
    if (leaders.empty()) {
        return {0, 0, {0, 0}, kInfinity};
    }
    Point best = leaders.front();
    double best_cost = kInfinity;
    for (const Point &p : leaders) {
        if (!(p.value < kInfinity)) {
            break;
        }
        const double alpha0 = search.levels.at(p.log_alpha0);
        const double per_unit = cost_per_unit(p.share, alpha0, search.plan);
        TotalPowers powers = powers_at(search, p);
        const TotalAnswer answer = searched_total(powers, rounded(p.value / per_unit));
        if (!answer.found) {
            continue;
        }
        const double cost =
            objective_cost(split_total(answer.total, layout_of(p)), alpha0, search.plan);
        if (cost < best_cost) {
            best_cost = cost;
            best = p;
            best.value = static_cast<double>(answer.total) * per_unit;
        }
    }
    return best;
}

// Confirms the total of the cheapest point by the library's powers and
// fills the result with that design, compared with the one-stage design.
void fill_cheapest(CheapestSearch &search, const Point &best, DSN_design_result *result) {
    const double alpha0 = search.levels.at(best.log_alpha0);
    const double per_unit = cost_per_unit(best.share, alpha0, search.plan);
    TotalPowers powers = powers_at(search, best);
    const TotalAnswer winner =
        best.value < kInfinity ? confirmed_total(powers, rounded(best.value / per_unit)) : kNoTotal;
    if (!winner.found) {
        search.capped.note(powers.capped_by());
        clear(result, unreached_reason(search.capped.most_often()));
        return;
    }
    fill_found(search.study, search.plan, split_total(winner.total, layout_of(best)), alpha0,
               winner.at, result);
    compare_with_one_stage(search.study, search.plan, search.target, result);
}

// ---------------------------------------------------------------------------
// The most powerful design within a budget
// ---------------------------------------------------------------------------

// What the most powerful design's search shares between the points it
// tries.
struct BudgetSearch {
    PowerOracle &oracle;
    const DSN_study &study;
    const DSN_plan &plan;
    Caps caps;
    Levels levels;
    double budget;
};

// The largest total of the range whose cost fits the budget, or 0.
std::int64_t largest_total_within(const BudgetSearch &search, const Layout &layout, double alpha0,
                                  const TotalRange &range) {
    const double per_unit = cost_per_unit(layout.share, alpha0, search.plan);
    double estimate = std::floor((search.budget - fixed_money(search.plan)) / per_unit);
    if (std::isnan(estimate)) {
        return 0;  // costs beyond any budget (the checks keep them finite)
    }
    estimate = std::min(estimate, static_cast<double>(range.highest));
    std::int64_t total = static_cast<std::int64_t>(std::max(estimate, -1.0)) + 1;
    const auto cost_at = [&](std::int64_t n) {
        return objective_cost(split_total(n, layout), alpha0, search.plan);
    };
    while (total >= range.lowest && (total > range.highest || cost_at(total) > search.budget)) {
        --total;
    }
    return total >= range.lowest ? total : 0;
}

// The largest usable total within the budget and the caps at (layout,
// alpha0), or 0.
std::int64_t affordable_total(const BudgetSearch &search, const Layout &layout, double alpha0) {
    TotalRange range{};
    std::int32_t capped_by = DSN_LIMIT_NONE;
    if (!usable_range(layout, search.study.count, search.caps, &range, &capped_by)) {
        return 0;
    }
    return largest_total_within(search, layout, alpha0, range);
}

// The quick power at the point's largest affordable total, negated so that
// smaller is better; infinite where no total is affordable.
double budget_shortfall(const BudgetSearch &search, const Point &p) {
    const double alpha0 = search.levels.at(p.log_alpha0);
    const std::int64_t total = affordable_total(search, layout_of(p), alpha0);
    if (total == 0) {
        return kInfinity;
    }
    return -search.oracle.quick(split_total(total, layout_of(p)), alpha0).power;
}

// Evaluates the most powerful point's design by the library's power and
// fills the result with it, compared with the one-stage design of that
// power.
void fill_most_powerful(const BudgetSearch &search, const Point &best, DSN_design_result *result) {
    if (!(best.value < kInfinity)) {
        clear(result, VANTOR_REASON_BUDGET_TOO_SMALL);
        return;
    }
    const double alpha0 = search.levels.at(best.log_alpha0);
    const Counts counts =
        split_total(affordable_total(search, layout_of(best), alpha0), layout_of(best));
    const Evaluation e = search.oracle.power(counts, alpha0);
    fill_found(search.study, search.plan, counts, alpha0, e, result);
    compare_with_one_stage(search.study, search.plan, e.power, result);
}

// ---------------------------------------------------------------------------
// The questions, with a plan
// ---------------------------------------------------------------------------

DSN_plan plan_of_cost_ratio(double cost_ratio) {
    DSN_plan plan{};
    DSN_plan_init(&plan);
    plan.costs.cost_ratio = cost_ratio;
    return plan;
}

// The smallest total at (share, alpha0) within the plan's caps; the
// one-stage comparison when `compare`.
void smallest_total(const DSN_study &study, const DSN_plan &plan, double share, double alpha0,
                    double target_power, bool compare, DSN_design_result *result) {
    PowerOracle oracle(study);
    const Layout layout = same_fractions(share, study.case_fraction);
    TotalPowers powers(oracle, study, caps_of(plan.limits), layout, alpha0, target_power);
    const TotalAnswer answer = confirmed_total(powers, first_guess(study, target_power));
    if (!answer.found) {
        clear(result, unreached_reason(powers.capped_by()));
    } else {
        fill_found(study, plan, split_total(answer.total, layout), alpha0, answer.at, result);
        if (compare) {
            compare_with_one_stage(study, plan, target_power, result);
        }
    }
    result->evaluations = oracle.evaluations();
}

// Three frequencies of the genotypes, each in [0, 1], summing to 1 (to
// rounding).
bool usable_genotypes(const double p[3]) {
    double sum = 0;
    for (int g = 0; g < 3; ++g) {
        if (!(p[g] >= 0 && p[g] <= 1)) {
            return false;
        }
        sum += p[g];
    }
    return std::fabs(sum - 1) <= 1e-9;
}

// Whether the test's statistic has a variance, under no association and
// under the alternative: at one case and one control it has one exactly when
// it has one at any counts.
bool scores_vary(const DSN_study &study) {
    GEN_normal_statistic z{};
    return GEN_score_test_statistic(study.test, study.case_genotypes, study.control_genotypes, 1, 1,
                                    study.variance, &z) == 1;
}

// The test: the allelic one, or a 1-df genotype test counting people on
// usable genotype frequencies whose scores vary (in cases or in controls:
// else the statistic has no variance at any counts).
std::int32_t check_design_test(const DSN_study &study) {
    switch (study.test) {
        case GEN_ALLELIC:
            return VANTOR_REASON_NONE;
        case GEN_TREND:
        case GEN_DOMINANT:
        case GEN_RECESSIVE:
            if (study.count != VANTOR_COUNT_PEOPLE) {
                return VANTOR_REASON_GENOTYPE_TEST_COUNTS_PEOPLE;
            }
            return usable_genotypes(study.case_genotypes) &&
                           usable_genotypes(study.control_genotypes) && scores_vary(study)
                       ? VANTOR_REASON_NONE
                       : VANTOR_REASON_BAD_GENOTYPES;
        case GEN_GENOTYPIC:
            return VANTOR_REASON_GENOTYPIC_ONE_STAGE;
        default:
            return VANTOR_REASON_BAD_TEST;
    }
}

}  // namespace

extern "C" {

void DSN_fill_unanswered(std::int32_t reason, DSN_design_result *result) { clear(result, reason); }

void DSN_counts_of_total(std::int64_t total, double share, double case_fraction,
                         std::int64_t cases[2], std::int64_t controls[2]) {
    const Counts c = split_total(total, same_fractions(share, case_fraction));
    for (int stage = 0; stage < 2; ++stage) {
        cases[stage] = c.cases[stage];
        controls[stage] = c.controls[stage];
    }
}

std::int32_t DSN_check_method(std::int32_t method) {
    const bool known = method == PWR_METHOD_REPLICATION || method == PWR_METHOD_PRODUCT ||
                       method == PWR_METHOD_JOINT;
    return known ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_METHOD;
}

std::int32_t DSN_check_study(const DSN_study *study) {
    const bool fraction_usable = study->case_fraction > 0 && study->case_fraction < 1;
    // A genotype test reads its genotype frequencies, not the allelic effect.
    const bool allelic = study->test == GEN_ALLELIC;
    return first_refusal(
        {DSN_check_method(study->method),
         allelic ? VANTOR_check_odds_ratio(study->odds_ratio) : VANTOR_REASON_NONE,
         allelic ? VANTOR_check_control_rate(study->control_rate) : VANTOR_REASON_NONE,
         VANTOR_check_alpha(study->alpha),
         fraction_usable ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_CASE_FRACTION,
         VANTOR_check_count(study->count), VANTOR_check_variance(study->variance),
         check_design_test(*study)});
}

std::int32_t DSN_check_stage1_share(double share) {
    return share > 0 && share < 1 ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_STAGE1_SHARE;
}

std::int32_t DSN_check_stage1_alpha(std::int32_t method, double alpha0, double alpha2) {
    if (VANTOR_check_alpha(alpha0) != VANTOR_REASON_NONE) {
        return VANTOR_REASON_BAD_STAGE1_ALPHA;
    }
    const bool room = method == PWR_METHOD_PRODUCT ? alpha0 > alpha2 : alpha0 >= 2 * alpha2;
    return room ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_STAGE1_ALPHA;
}

std::int32_t DSN_check_design_alpha(std::int32_t method, double alpha2) {
    return smallest_stage0_alpha(method, alpha2) <= DSN_LARGEST_STAGE1_ALPHA
               ? VANTOR_REASON_NONE
               : VANTOR_REASON_BAD_DESIGN_ALPHA;
}

std::int32_t DSN_check_cost_ratio(double cost_ratio) {
    return std::isfinite(cost_ratio) && cost_ratio > 0 ? VANTOR_REASON_NONE
                                                       : VANTOR_REASON_BAD_COST_RATIO;
}

std::int32_t DSN_check_budget(double budget) {
    return std::isfinite(budget) && budget > 0 ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_BUDGET;
}

std::int32_t DSN_two_stage_power_planned(const DSN_study *study, const DSN_plan *plan,
                                         const std::int32_t cases[2],
                                         const std::int32_t controls[2], double alpha0,
                                         DSN_design_result *result) {
    const std::int32_t refusal =
        first_refusal({DSN_check_study(study), VANTOR_check_cases(cases[0], study->count),
                       VANTOR_check_controls(controls[0], study->count),
                       VANTOR_check_cases(cases[1], study->count),
                       VANTOR_check_controls(controls[1], study->count),
                       DSN_check_stage1_alpha(study->method, alpha0, study->alpha),
                       DSN_check_plan(plan, study->count)});
    if (fill_if_refused(refusal, result)) {
        return result->status;
    }
    const Counts counts = {{cases[0], cases[1]}, {controls[0], controls[1]}};
    PowerOracle oracle(*study);
    const Evaluation e = oracle.power(counts, alpha0);
    fill_found(*study, *plan, counts, alpha0, e, result);
    // Counts given keep no limits: the design questions' alone.
    result->binding_limit = DSN_LIMIT_NONE;
    result->evaluations = oracle.evaluations();
    return result->status;
}

std::int32_t DSN_two_stage_power(const DSN_study *study, const std::int32_t cases[2],
                                 const std::int32_t controls[2], double alpha0,
                                 DSN_design_result *result) {
    const DSN_plan plan = plan_of_cost_ratio(1.0);
    return DSN_two_stage_power_planned(study, &plan, cases, controls, alpha0, result);
}

std::int32_t DSN_smallest_total_planned(const DSN_study *study, const DSN_plan *plan, double share,
                                        double alpha0, double target_power,
                                        DSN_design_result *result) {
    const std::int32_t refusal =
        first_refusal({DSN_check_study(study), DSN_check_stage1_share(share),
                       DSN_check_stage1_alpha(study->method, alpha0, study->alpha),
                       VANTOR_check_target_power(target_power, study->alpha),
                       DSN_check_plan(plan, study->count)});
    if (fill_if_refused(refusal, result)) {
        return result->status;
    }
    if (plan->limits.panel > 0 && plan->markers * alpha0 > plan->limits.panel) {
        clear(result, VANTOR_REASON_PANEL_TOO_SMALL);
        return result->status;
    }
    smallest_total(*study, *plan, share, alpha0, target_power, true, result);
    return result->status;
}

std::int32_t DSN_smallest_total(const DSN_study *study, double share, double alpha0,
                                double target_power, DSN_design_result *result) {
    const std::int32_t refusal =
        first_refusal({DSN_check_study(study), DSN_check_stage1_share(share),
                       DSN_check_stage1_alpha(study->method, alpha0, study->alpha),
                       VANTOR_check_target_power(target_power, study->alpha)});
    if (fill_if_refused(refusal, result)) {
        return result->status;
    }
    smallest_total(*study, plan_of_cost_ratio(1.0), share, alpha0, target_power, false, result);
    return result->status;
}

std::int32_t DSN_cheapest_design_planned(const DSN_study *study, const DSN_plan *plan,
                                         double target_power, DSN_design_result *result) {
    const std::int32_t refusal = design_search_refusal(
        *study, *plan,
        first_refusal(
            {DSN_check_study(study), VANTOR_check_target_power(target_power, study->alpha)}));
    if (fill_if_refused(refusal, result)) {
        return result->status;
    }
    const Space space = space_of(*study, *plan);
    if (!space.levels.any()) {
        clear(result, VANTOR_REASON_PANEL_TOO_SMALL);
        return result->status;
    }
    PowerOracle oracle(*study);
    CheapestSearch search{oracle,
                          *study,
                          *plan,
                          caps_of(plan->limits),
                          space.levels,
                          target_power,
                          first_guess(*study, target_power),
                          {}};
    // Designs are compared by estimated totals, the whole totals of the few
    // best decide, and the library's powers confirm the winner's.
    const Objective cost = [](void *context, const Point &p) {
        return estimated_cost(*static_cast<CheapestSearch *>(context), p);
    };
    const std::vector<Point> leaders = search_leaders(cost, &search, space, kCheapestFinalists);
    fill_cheapest(search, cheapest_in_whole_totals(leaders, search), result);
    result->evaluations = oracle.evaluations();
    return result->status;
}

std::int32_t DSN_cheapest_design(const DSN_study *study, double target_power, double cost_ratio,
                                 DSN_design_result *result) {
    // The plan's checks refuse a cost ratio where these questions always
    // have: after the study and the question's own input.
    const DSN_plan plan = plan_of_cost_ratio(cost_ratio);
    return DSN_cheapest_design_planned(study, &plan, target_power, result);
}

std::int32_t DSN_most_powerful_design_planned(const DSN_study *study, const DSN_plan *plan,
                                              double budget, DSN_design_result *result) {
    const std::int32_t refusal = design_search_refusal(
        *study, *plan, first_refusal({DSN_check_study(study), DSN_check_budget(budget)}));
    if (fill_if_refused(refusal, result)) {
        return result->status;
    }
    const Space space = space_of(*study, *plan);
    if (!space.levels.any()) {
        clear(result, VANTOR_REASON_PANEL_TOO_SMALL);
        return result->status;
    }
    PowerOracle oracle(*study);
    BudgetSearch search{oracle, *study, *plan, caps_of(plan->limits), space.levels, budget};
    const Objective shortfall = [](void *context, const Point &p) {
        return budget_shortfall(*static_cast<BudgetSearch *>(context), p);
    };
    const Point best = search_best(shortfall, &search, space);
    fill_most_powerful(search, best, result);
    result->evaluations = oracle.evaluations();
    return result->status;
}

std::int32_t DSN_most_powerful_design(const DSN_study *study, double budget, double cost_ratio,
                                      DSN_design_result *result) {
    // The plan's checks refuse a cost ratio where these questions always
    // have: after the study and the question's own input.
    const DSN_plan plan = plan_of_cost_ratio(cost_ratio);
    return DSN_most_powerful_design_planned(study, &plan, budget, result);
}

}  // extern "C"
