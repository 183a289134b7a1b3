// The genotype tests' size questions and the detectable relative risk.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "question/disease_questions.h"
// clang-format on

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>

#include "disease/genotype_tests.h"
#include "power/power_func.h"
#include "power/statistic.h"
#include "search/smallest_size.h"
#include "status/partner_rounding.h"
#include "status/status.h"

namespace vantor {

namespace {

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();

double allelic_test_power(const STU_study &study, const AtMarker &marker, std::int64_t cases,
                          std::int64_t controls) {
    PWR_design design = PWR_DESIGN_INIT;
    design.odds_ratio = marker.odds_ratio;
    design.control_rate = marker.control_rate;
    design.alpha[0] = marker.alpha;
    design.sample_size[0][0] = static_cast<std::int32_t>(cases * study.count);
    design.sample_size[0][1] = static_cast<std::int32_t>(controls * study.count);
    return PWR_single_step_power(&design, 0, study.variance);
}

// Fewer than VANTOR_FEW_EXPECTED_ALLELES people expected, among `people`
// of genotype frequencies `p`, in a class the test tells apart: each
// genotype (genotypic test), two copies or fewer (recessive), no copy or
// some (dominant). The trend and allelic tests count copies: the alleles'
// warning speaks for them.
bool few_in_told_apart_class(std::int32_t test, const double p[3], double people) {
    const auto few = [&](double share) { return people * share < VANTOR_FEW_EXPECTED_ALLELES; };
    switch (test) {
        case GEN_GENOTYPIC:
            return few(p[0]) || few(p[1]) || few(p[2]);
        case GEN_RECESSIVE:
            return few(p[2]) || few(p[0] + p[1]);
        case GEN_DOMINANT:
            return few(p[0]) || few(p[1] + p[2]);
        default:
            return false;
    }
}

// ---- Sizes ------------------------------------------------------------------

void fill_size(const SizeSearch &s, std::int64_t cases, std::int64_t controls,
               std::int32_t not_reached, const STU_study &study, const AtMarker &marker,
               STU_size_result *result) {
    result->evaluations = s.evaluations;
    if (!s.reached) {
        result->status = VANTOR_NOT_REACHABLE;
        result->reason = not_reached;
        result->cases = 0;
        result->controls = 0;
        result->power = kNotANumber;
        return;
    }
    const std::int32_t reason = expected_people_warning(study, marker, cases, controls);
    result->status = VANTOR_status_of_reason(reason);
    result->reason = reason;
    result->cases = cases;
    result->controls = controls;
    result->power = s.power;
}

bool refuse_size_question(std::int32_t reason, STU_size_result *result) {
    if (reason == VANTOR_REASON_NONE) {
        return false;
    }
    result->status = VANTOR_status_of_reason(reason);
    result->reason = reason;
    result->cases = 0;
    result->controls = 0;
    result->power = kNotANumber;
    result->evaluations = 0;
    return true;
}

// ---- Relative risks ---------------------------------------------------------

constexpr double kFirstDistance = 0.125;
constexpr int kMostDoublings = 29;  // to a distance of 2^26
constexpr double kRelativeStep = 1e-9;
constexpr int kValidityHalvings = 200;

DIS_model with_risk(const DIS_model &model, double r) {
    DIS_model m = model;
    m.relative_risk = r;
    return m;
}

// A risk the model allows; 1 is allowed on the way (the search passes it,
// though a question never answers it: it is no effect).
bool valid_risk(const DIS_model &model, double r) {
    const DIS_model trial = with_risk(model, r);
    const std::int32_t reason = DIS_check_model(&trial);
    return r > 0 && std::isfinite(r) &&
           (reason == VANTOR_REASON_NONE || reason == VANTOR_REASON_NO_EFFECT);
}

// The valid r nearest `invalid` on the way from `valid` (to about 1e-15
// relative), by halving: no power is evaluated.
double end_of_valid(const DIS_model &model, double valid, double invalid) {
    for (int i = 0; i < kValidityHalvings; ++i) {
        const double middle = valid + (invalid - valid) / 2;
        if (middle == valid || middle == invalid) {
            break;
        }
        (valid_risk(model, middle) ? valid : invalid) = middle;
    }
    return valid;
}

struct RiskProbe {
    const STU_study &study;
    std::int64_t cases;
    std::int64_t controls;
    std::int32_t evaluations = 0;

    double power(double r, AtMarker &marker) {
        STU_study s = study;
        s.effect.disease.relative_risk = r;
        marker = at_marker(s);
        ++evaluations;
        return test_power(s, marker, cases, controls);
    }
};

void fill_risk(std::int32_t status, std::int32_t reason, double r, double power,
               const AtMarker &marker, std::int32_t evaluations, STU_risk_result *result) {
    result->status = status;
    result->reason = reason;
    result->relative_risk = r;
    result->power = power;
    result->evaluations = evaluations;
    result->marker_alpha = marker.alpha;
    result->marker_case_rate = marker.case_rate;
    result->marker_control_rate = marker.control_rate;
    result->marker_odds_ratio = marker.odds_ratio;
}

}  // namespace

AtMarker at_marker(const STU_study &study) {
    AtMarker m{};
    m.alpha = study.alpha / study.markers;
    if (study.effect_kind == STU_EFFECT_ALLELIC) {
        m.control_rate = study.effect.allelic.control_rate;
        m.odds_ratio = study.effect.allelic.odds_ratio;
        m.case_rate = get_population_rate_control_to_case(m.control_rate, m.odds_ratio);
        return m;
    }
    DIS_marker_of(&study.effect.disease, &m.genotypes);
    m.case_rate = m.genotypes.case_rate;
    m.control_rate = m.genotypes.control_rate;
    m.odds_ratio = m.genotypes.odds_ratio;
    return m;
}

std::int32_t calculation_of(const STU_study &study) {
    if (study.calculation != STU_CALCULATION_BY_STUDY) {
        return study.calculation;
    }
    return study.effect_kind == STU_EFFECT_DISEASE && study.count == VANTOR_COUNT_PEOPLE
               ? STU_CALCULATION_GENOTYPES
               : STU_CALCULATION_CLASSIC;
}

double test_power(const STU_study &study, const AtMarker &marker, std::int64_t cases,
                  std::int64_t controls) {
    const auto r = static_cast<double>(cases);
    const auto s = static_cast<double>(controls);
    const bool genotypes = calculation_of(study) == STU_CALCULATION_GENOTYPES;
    const double *in_cases = marker.genotypes.cases;
    const double *in_controls = marker.genotypes.controls;
    switch (study.test) {
        case GEN_ALLELIC:
            return genotypes ? GEN_allelic_power(in_cases, in_controls, r, s, marker.alpha,
                                                 study.variance)
                             : allelic_test_power(study, marker, cases, controls);
        case GEN_GENOTYPIC:
            return genotypes ? GEN_genotypic_power_under_alternative(in_cases, in_controls, r, s,
                                                                     marker.alpha)
                             : GEN_genotypic_power(in_cases, in_controls, r, s, marker.alpha);
        default:
            return GEN_score_test_power(study.test, in_cases, in_controls, r, s, marker.alpha,
                                        study.variance);
    }
}

std::int32_t expected_people_warning(const STU_study &study, const AtMarker &marker,
                                     std::int64_t cases, std::int64_t controls) {
    const std::int32_t alleles = VANTOR_check_expected_alleles(
        2 * cases, 2 * controls, marker.case_rate, marker.control_rate);
    if (study.effect_kind != STU_EFFECT_DISEASE || study.count != VANTOR_COUNT_PEOPLE) {
        return alleles;
    }
    const double people[2] = {static_cast<double>(cases), static_cast<double>(controls)};
    const double *frequencies[2] = {marker.genotypes.cases, marker.genotypes.controls};
    for (int group = 0; group < 2; ++group) {
        if (few_in_told_apart_class(study.test, frequencies[group], people[group])) {
            return VANTOR_REASON_FEW_EXPECTED_GENOTYPES;
        }
    }
    return alleles;
}

namespace {

struct Pair {
    std::int64_t cases;
    std::int64_t controls;
};

// One size question: its own known checked (`known`), then the target at
// the per-marker level, then the smallest n whose pair `pair_at(n)`
// (cases, controls) reaches the target, n up to `top`.
template <typename PairAt>
void genotype_size_question(const STU_study &study, std::int32_t known, double target,
                            std::int64_t top, PairAt pair_at, std::int32_t not_reached,
                            STU_size_result *result) {
    if (refuse_size_question(known, result)) {
        return;
    }
    const AtMarker marker = at_marker(study);
    if (refuse_size_question(VANTOR_check_target_power(target, marker.alpha), result)) {
        return;
    }
    const SizeSearch s = smallest_reaching(
        [&](std::int64_t n) {
            const Pair p = pair_at(n);
            return test_power(study, marker, p.cases, p.controls);
        },
        top, target);
    const Pair answer = pair_at(s.size);
    fill_size(s, answer.cases, answer.controls, not_reached, study, marker, result);
}

}  // namespace

void genotype_cases_for_controls(const STU_study &study, std::int64_t controls, double target,
                                 STU_size_result *result) {
    genotype_size_question(
        study, VANTOR_check_controls(controls, study.count), target, kLargestPeople,
        [&](std::int64_t n) {
            return Pair{n, controls};
        },
        VANTOR_REASON_LEVELS_OFF_WITH_GROUP_FIXED, result);
}

void genotype_controls_for_cases(const STU_study &study, std::int64_t cases, double target,
                                 STU_size_result *result) {
    genotype_size_question(
        study, VANTOR_check_cases(cases, study.count), target, kLargestPeople,
        [&](std::int64_t n) {
            return Pair{cases, n};
        },
        VANTOR_REASON_LEVELS_OFF_WITH_GROUP_FIXED, result);
}

void genotype_cases_for_ratio(const STU_study &study, double controls_per_case, double target,
                              STU_size_result *result) {
    genotype_size_question(
        study, VANTOR_check_ratio(controls_per_case, study.count), target,
        largest_people_with_partners(controls_per_case),
        [&](std::int64_t n) {
            return Pair{n, partner_units(controls_per_case, n)};
        },
        VANTOR_REASON_BEYOND_LARGEST_COUNT, result);
}

void genotype_controls_for_ratio(const STU_study &study, double cases_per_control, double target,
                                 STU_size_result *result) {
    genotype_size_question(
        study, VANTOR_check_ratio(cases_per_control, study.count), target,
        largest_people_with_partners(cases_per_control),
        [&](std::int64_t n) {
            return Pair{partner_units(cases_per_control, n), n};
        },
        VANTOR_REASON_BEYOND_LARGEST_COUNT, result);
}

void detectable_relative_risk(const STU_study &study, std::int64_t cases, std::int64_t controls,
                              double target, std::int32_t direction, STU_risk_result *result) {
    const DIS_model &model = study.effect.disease;
    const double side = direction == STU_ABOVE_ONE ? 1.0 : -1.0;
    RiskProbe probe{study, cases, controls};
    AtMarker marker{};
    // Bracket: r_in falls short, r_out passes.
    double r_in = 1;
    double r_out = kNotANumber;
    double out_power = kNotANumber;
    AtMarker out_marker{};
    for (int i = 0; i < kMostDoublings; ++i) {
        const double distance = std::ldexp(kFirstDistance, i);
        double r = 1 + side * distance;
        const bool at_end = !valid_risk(model, r);
        if (at_end) {
            r = end_of_valid(model, r_in, r);
            if (r == r_in) {
                break;
            }
        }
        const double p = probe.power(r, marker);
        if (p >= target) {
            r_out = r;
            out_power = p;
            out_marker = marker;
            break;
        }
        r_in = r;
        if (at_end) {
            break;
        }
    }
    if (std::isnan(r_out)) {
        fill_risk(VANTOR_NOT_REACHABLE, VANTOR_REASON_LEVELS_OFF_WITH_RISK, kNotANumber,
                  kNotANumber, marker, probe.evaluations, result);
        return;
    }
    while (std::fabs(r_out - r_in) > kRelativeStep / 2 * r_out) {
        const double middle = r_in + (r_out - r_in) / 2;
        const double p = probe.power(middle, marker);
        if (p >= target) {
            r_out = middle;
            out_power = p;
            out_marker = marker;
        } else {
            r_in = middle;
        }
    }
    // The answer's warning is that of its study: the model at the risk found.
    STU_study found = study;
    found.effect.disease.relative_risk = r_out;
    const std::int32_t reason = expected_people_warning(found, out_marker, cases, controls);
    fill_risk(VANTOR_status_of_reason(reason), reason, r_out, out_power, out_marker,
              probe.evaluations, result);
}

}  // namespace vantor
