// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "simulation/simulate.h"
// clang-format on

#include <algorithm>
#include <cmath>
#include <limits>

#include "disease/genotype_tests.h"
#include "numeric/MTH_normal_distribution.h"
#include "numeric/MTH_normal_tail.h"
#include "numeric/count_draws.h"
#include "numeric/random.h"
#include "power/power_func.h"
#include "power/statistic.h"
#include "simulation/count_statistics.h"
#include "status/first_refusal.h"
#include "status/status.h"

namespace {

using vantor::BinomialDraw;
using vantor::ClassDraw;
using vantor::Random;

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();
// Progress is told after each block of replicates.
constexpr std::int64_t kBlock = 65536;

// One stage's counts as drawn: allele counts (a1 of n1 case alleles, a0 of
// n0 control alleles) or genotype counts.
struct Counts {
    std::int64_t a1 = 0;
    std::int64_t n1 = 0;
    std::int64_t a0 = 0;
    std::int64_t n0 = 0;
    std::int64_t cases[3] = {0, 0, 0};
    std::int64_t controls[3] = {0, 0, 0};
};

// The draws of one stage: cases and controls.
class StageDraw {
public:
    StageDraw(const SIM_groups &groups, std::int64_t cases, std::int64_t controls)
        : genotypes_(groups.draws == SIM_GENOTYPE_COUNTS),
          case_alleles_(genotypes_ ? 0 : cases, groups.case_rate),
          control_alleles_(genotypes_ ? 0 : controls, groups.control_rate),
          case_genotypes_(genotypes_ ? cases : 0, groups.cases),
          control_genotypes_(genotypes_ ? controls : 0, groups.controls) {
        counts_.n1 = cases;
        counts_.n0 = controls;
    }

    const Counts &draw(Random &random) {
        if (genotypes_) {
            case_genotypes_.draw(random, counts_.cases);
            control_genotypes_.draw(random, counts_.controls);
        } else {
            counts_.a1 = case_alleles_.draw(random);
            counts_.a0 = control_alleles_.draw(random);
        }
        return counts_;
    }

    [[nodiscard]] bool genotypes() const { return genotypes_; }

private:
    bool genotypes_;
    BinomialDraw case_alleles_;
    BinomialDraw control_alleles_;
    ClassDraw case_genotypes_;
    ClassDraw control_genotypes_;
    Counts counts_;
};

double allelic_z(const Counts &counts, bool genotypes, bool pooled) {
    return genotypes
               ? vantor::allelic_statistic_of_genotypes(counts.cases, counts.controls, pooled)
               : vantor::allelic_statistic(counts.a1, counts.n1, counts.a0, counts.n0, pooled);
}

// The upper alpha/2 point of the standard normal: a two-sided 1-df test's
// critical value.
double critical_value(double alpha) { return -MTH_qnorm(alpha / 2, 0); }

// Runs the replicates, `rejects(random)` judging each, and tells progress.
template <class Rejects>
void run_replicates(const SIM_run &run, Rejects &&rejects, SIM_result *result) {
    Random random(run.seed);
    std::int64_t rejections = 0;
    std::int64_t done = 0;
    while (done < run.replicates) {
        const std::int64_t end = std::min(done + kBlock, run.replicates);
        for (; done < end; ++done) {
            rejections += rejects(random) ? 1 : 0;
        }
        if (run.progress != nullptr) {
            run.progress(run.context, done, run.replicates);
        }
    }
    const double n = static_cast<double>(run.replicates);
    const double power = static_cast<double>(rejections) / n;
    *result = {VANTOR_FOUND,   VANTOR_REASON_NONE,
               run.replicates, rejections,
               power,          std::sqrt(power * (1 - power) / n)};
}

void refuse(std::int32_t reason, SIM_result *result) {
    *result = {VANTOR_INVALID_INPUT, reason, 0, 0, kNotANumber, kNotANumber};
}

bool is_probability(double p) { return p >= 0 && p <= 1; }

bool is_level(double alpha) { return alpha > 0 && alpha < 1; }

std::int32_t check_groups(const SIM_groups &groups) {
    if (groups.draws == SIM_ALLELE_COUNTS) {
        return is_probability(groups.case_rate) && is_probability(groups.control_rate)
                   ? VANTOR_REASON_NONE
                   : VANTOR_REASON_BAD_CONTROL_RATE;
    }
    if (groups.draws != SIM_GENOTYPE_COUNTS) {
        return VANTOR_REASON_BAD_COUNT;
    }
    for (int g = 0; g < 3; ++g) {
        if (!is_probability(groups.cases[g]) || !is_probability(groups.controls[g])) {
            return VANTOR_REASON_BAD_FREQUENCY;
        }
    }
    return VANTOR_REASON_NONE;
}

// Counts of draws (alleles, or people) within the library's largest count.
std::int32_t check_counts(std::int64_t cases, std::int64_t controls) {
    return vantor::first_refusal({VANTOR_check_cases(cases, VANTOR_COUNT_ALLELES),
                                  VANTOR_check_controls(controls, VANTOR_COUNT_ALLELES)});
}

std::int32_t check_run(const SIM_run &run) {
    return run.replicates >= 1 && run.replicates <= SIM_MOST_REPLICATES
               ? VANTOR_REASON_NONE
               : VANTOR_REASON_BAD_REPLICATES;
}

std::int32_t check_test_of_draws(const SIM_groups &groups, std::int32_t test,
                                 std::int32_t variance) {
    if (test < GEN_ALLELIC || test > GEN_GENOTYPIC) {
        return VANTOR_REASON_BAD_TEST;
    }
    if (test != GEN_ALLELIC && groups.draws != SIM_GENOTYPE_COUNTS) {
        return VANTOR_REASON_TEST_NEEDS_MODEL;
    }
    return variance == PWR_VARIANCE_POOLED || variance == PWR_VARIANCE_UNPOOLED
               ? VANTOR_REASON_NONE
               : VANTOR_REASON_BAD_VARIANCE;
}

// ---- Two stages ---------------------------------------------------------------

// The second decision of each method, given both stages' statistics (stage
// 1's already passed).
struct SecondDecision {
    std::int32_t method;
    double critical;      // replication and joint: the two-sided critical value of alpha[1]
    double level;         // product: alpha[1]
    double stage1_share;  // joint: sqrt(w)
    double stage2_share;  // joint: sqrt(1 - w)

    [[nodiscard]] bool rejects(double z1, double z2) const {
        switch (method) {
            case PWR_METHOD_REPLICATION:
                return std::fabs(z2) > critical && (z2 > 0) == (z1 > 0);
            case PWR_METHOD_PRODUCT:
                return two_sided_p(z1) * two_sided_p(z2) <= level;
            default: {
                const double z = stage1_share * z1 + stage2_share * z2;
                return std::fabs(z) > critical && (z > 0) == (z1 > 0);
            }
        }
    }

    static double two_sided_p(double z) { return 2 * MTH_portable_normal_upper_tail(std::fabs(z)); }
};

std::int32_t check_two_stages(const SIM_two_stages &design) {
    if (design.method != PWR_METHOD_REPLICATION && design.method != PWR_METHOD_PRODUCT &&
        design.method != PWR_METHOD_JOINT) {
        return VANTOR_REASON_BAD_METHOD;
    }
    // A final level of 1 (replication at a stage 1 level of twice the
    // overall one) asks stage 2 for its side only.
    const bool final_level = design.alpha[1] > 0 && design.alpha[1] <= 1;
    if (!is_level(design.alpha[0]) || !final_level) {
        return VANTOR_REASON_BAD_STAGE1_ALPHA;
    }
    if (design.method == PWR_METHOD_JOINT &&
        !(design.stage1_weight > 0 && design.stage1_weight < 1)) {
        return VANTOR_REASON_BAD_STAGE1_SHARE;
    }
    return vantor::first_refusal({check_counts(design.cases[0], design.controls[0]),
                                  check_counts(design.cases[1], design.controls[1])});
}

}  // namespace

extern "C" {

std::int32_t SIM_single_stage_power(const SIM_groups *groups, std::int32_t test,
                                    std::int32_t variance, double alpha, std::int64_t cases,
                                    std::int64_t controls, const SIM_run *run, SIM_result *result) {
    const std::int32_t refused = vantor::first_refusal(
        {check_run(*run), check_groups(*groups), check_test_of_draws(*groups, test, variance),
         is_level(alpha) ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_ALPHA,
         check_counts(cases, controls)});
    if (refused != VANTOR_REASON_NONE) {
        refuse(refused, result);
        return result->status;
    }
    StageDraw stage(*groups, cases, controls);
    const bool pooled = variance == PWR_VARIANCE_POOLED;
    if (test == GEN_GENOTYPIC) {
        const double critical = -2 * std::log(alpha);
        run_replicates(
            *run,
            [&](Random &random) {
                const Counts &counts = stage.draw(random);
                return vantor::genotypic_statistic(counts.cases, counts.controls) > critical;
            },
            result);
    } else if (test == GEN_ALLELIC) {
        const double critical = critical_value(alpha);
        const bool genotypes = stage.genotypes();
        run_replicates(
            *run,
            [&](Random &random) {
                return std::fabs(allelic_z(stage.draw(random), genotypes, pooled)) > critical;
            },
            result);
    } else {
        const double critical = critical_value(alpha);
        run_replicates(
            *run,
            [&](Random &random) {
                const Counts &counts = stage.draw(random);
                return std::fabs(vantor::score_statistic(test, counts.cases, counts.controls,
                                                         pooled)) > critical;
            },
            result);
    }
    return result->status;
}

std::int32_t SIM_two_stage_power(const SIM_groups *groups, std::int32_t variance,
                                 const SIM_two_stages *design, const SIM_run *run,
                                 SIM_result *result) {
    return SIM_two_stage_test_power(groups, GEN_ALLELIC, variance, design, run, result);
}

std::int32_t SIM_two_stage_test_power(const SIM_groups *groups, std::int32_t test,
                                      std::int32_t variance, const SIM_two_stages *design,
                                      const SIM_run *run, SIM_result *result) {
    const std::int32_t refused =
        vantor::first_refusal({check_run(*run), check_groups(*groups),
                               test == GEN_GENOTYPIC ? VANTOR_REASON_GENOTYPIC_ONE_STAGE
                                                     : check_test_of_draws(*groups, test, variance),
                               check_two_stages(*design)});
    if (refused != VANTOR_REASON_NONE) {
        refuse(refused, result);
        return result->status;
    }
    StageDraw first(*groups, design->cases[0], design->controls[0]);
    StageDraw second(*groups, design->cases[1], design->controls[1]);
    const bool pooled = variance == PWR_VARIANCE_POOLED;
    const bool genotypes = first.genotypes();
    // Each stage's signed statistic.
    const auto z_of = [&](const Counts &counts) {
        return test == GEN_ALLELIC
                   ? allelic_z(counts, genotypes, pooled)
                   : vantor::score_statistic(test, counts.cases, counts.controls, pooled);
    };
    const double screen = critical_value(design->alpha[0]);
    const SecondDecision decision{design->method, critical_value(design->alpha[1]),
                                  design->alpha[1], std::sqrt(design->stage1_weight),
                                  std::sqrt(1 - design->stage1_weight)};
    run_replicates(
        *run,
        [&](Random &random) {
            const double z1 = z_of(first.draw(random));
            if (!(std::fabs(z1) > screen)) {
                return false;
            }
            const double z2 = z_of(second.draw(random));
            return decision.rejects(z1, z2);
        },
        result);
    return result->status;
}

}  // extern "C"
