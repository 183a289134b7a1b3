// The disease model: penetrances from prevalence, frequency and relative
// risks, and the genotype frequencies a study sees at a marker.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "disease/disease_model.h"
// clang-format on

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>

#include "status/first_refusal.h"
#include "status/status.h"

namespace {

using vantor::first_refusal;

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();

using Three = std::array<double, 3>;

bool strictly_inside_unit(double x) { return x > 0 && x < 1; }

bool positive_finite(double x) { return std::isfinite(x) && x > 0; }

Three population_genotypes(double p) {
    const double q = 1 - p;
    return {q * q, 2 * p * q, p * p};
}

Three relative_risks_of(const DIS_model &m) {
    const double r = m.relative_risk;
    switch (m.model) {
        case DIS_MULTIPLICATIVE:
            return {1, r, r * r};
        case DIS_ADDITIVE:
            return {1, r, 2 * r - 1};
        case DIS_DOMINANT:
            return {1, r, r};
        case DIS_RECESSIVE:
            return {1, 1, r};
        case DIS_FREE:
            return {1, m.heterozygote_risk, m.homozygote_risk};
        default:
            return {kNotANumber, kNotANumber, kNotANumber};
    }
}

Three penetrances_of(const DIS_model &m) {
    const Three rr = relative_risks_of(m);
    const Three pg = population_genotypes(m.frequency);
    const double f0 = m.prevalence / (pg[0] * rr[0] + pg[1] * rr[1] + pg[2] * rr[2]);
    return {f0 * rr[0], f0 * rr[1], f0 * rr[2]};
}

std::int32_t check_risks(const DIS_model &m) {
    if (m.model == DIS_FREE) {
        return positive_finite(m.heterozygote_risk) && positive_finite(m.homozygote_risk)
                   ? VANTOR_REASON_NONE
                   : VANTOR_REASON_BAD_RELATIVE_RISK;
    }
    if (!positive_finite(m.relative_risk)) {
        return VANTOR_REASON_BAD_RELATIVE_RISK;
    }
    // Every genotype's relative risk is positive, as the one-parameter
    // models' r must be: the additive model's two copies carry 2r - 1.
    return m.model == DIS_ADDITIVE && !(m.relative_risk > 0.5) ? VANTOR_REASON_NEGATIVE_RISK
                                                               : VANTOR_REASON_NONE;
}

// Risks of 1 leave every genotype's risk that of none: no association to
// find, whatever the test. Checked last, so that a question solving for
// the relative risk can check the rest of the model with a risk of 1.
std::int32_t check_not_null_effect(const DIS_model &m) {
    const bool none = m.model == DIS_FREE ? m.heterozygote_risk == 1 && m.homozygote_risk == 1
                                          : m.relative_risk == 1;
    return none ? VANTOR_REASON_NO_EFFECT : VANTOR_REASON_NONE;
}

// A marker in no linkage disequilibrium with the risk allele is as common
// among cases as among controls.
std::int32_t check_marker_association(const DIS_model &m) {
    return m.ld_kind != DIS_MARKER_IS_CAUSAL && m.ld == 0 ? VANTOR_REASON_MARKER_WITHOUT_LD
                                                          : VANTOR_REASON_NONE;
}

std::int32_t check_penetrances(const DIS_model &m) {
    for (const double f : penetrances_of(m)) {
        if (!(f <= 1)) {
            return VANTOR_REASON_RISK_ABOVE_ONE;
        }
    }
    return VANTOR_REASON_NONE;
}

double marker_frequency_of(const DIS_model &m) {
    return std::isnan(m.marker_frequency) ? m.frequency : m.marker_frequency;
}

double largest_d(double p, double m) { return std::min(p * (1 - m), (1 - p) * m); }

double d_of(const DIS_model &model) {
    const double p = model.frequency;
    const double m = marker_frequency_of(model);
    if (model.ld_kind == DIS_LD_D_PRIME) {
        return model.ld * largest_d(p, m);
    }
    return std::sqrt(model.ld * p * (1 - p) * m * (1 - m));
}

std::int32_t check_marker(const DIS_model &model) {
    if (model.ld_kind == DIS_MARKER_IS_CAUSAL) {
        return VANTOR_REASON_NONE;
    }
    if (model.ld_kind != DIS_LD_D_PRIME && model.ld_kind != DIS_LD_R_SQUARED) {
        return VANTOR_REASON_BAD_LD_KIND;
    }
    const double m = marker_frequency_of(model);
    if (!strictly_inside_unit(m)) {
        return VANTOR_REASON_BAD_MARKER_FREQUENCY;
    }
    if (!(model.ld >= 0 && model.ld <= 1)) {
        return VANTOR_REASON_BAD_LD;
    }
    // r^2 is refused only beyond rounding: r^2 = 1 with m = p is allowed.
    const double room = largest_d(model.frequency, m);
    return d_of(model) <= room * (1 + 1e-12) ? VANTOR_REASON_NONE
                                             : VANTOR_REASON_LD_BEYOND_FREQUENCIES;
}

std::int32_t check(const DIS_model &m) {
    if (!strictly_inside_unit(m.frequency)) {
        return VANTOR_REASON_BAD_FREQUENCY;
    }
    if (!strictly_inside_unit(m.prevalence)) {
        return VANTOR_REASON_BAD_PREVALENCE;
    }
    if (m.model < DIS_MULTIPLICATIVE || m.model > DIS_FREE) {
        return VANTOR_REASON_BAD_MODEL;
    }
    if (m.controls_kind != DIS_UNAFFECTED_CONTROLS && m.controls_kind != DIS_POPULATION_CONTROLS) {
        return VANTOR_REASON_BAD_CONTROLS_KIND;
    }
    return first_refusal({check_risks(m), check_penetrances(m), check_marker(m),
                          check_marker_association(m), check_not_null_effect(m)});
}

// Genotype frequencies among cases and controls at the causal variant,
// normalised by their own sums (which are K and 1 - K to rounding).
void causal_groups(const DIS_model &m, Three &cases, Three &controls) {
    const Three pg = population_genotypes(m.frequency);
    const Three f = penetrances_of(m);
    double case_sum = 0;
    double control_sum = 0;
    for (std::size_t g = 0; g < 3; ++g) {
        cases[g] = pg[g] * f[g];
        controls[g] = m.controls_kind == DIS_POPULATION_CONTROLS ? pg[g] : pg[g] * (1 - f[g]);
        case_sum += cases[g];
        control_sum += controls[g];
    }
    for (std::size_t g = 0; g < 3; ++g) {
        cases[g] /= case_sum;
        controls[g] /= control_sum;
    }
}

// One haplotype: its frequency, whether it carries the risk allele and
// whether it carries the marker allele.
struct Haplotype {
    double frequency;
    int risk;
    int marker;
};

// Genotype frequencies at the marker: every ordered pair of haplotypes,
// weighted by the chance that a person with its causal genotype is a case
// (or a control), summed by the marker genotype it gives.
void marker_groups(const DIS_model &model, Three &cases, Three &controls) {
    const double p = model.frequency;
    const double m = marker_frequency_of(model);
    const double d = d_of(model);
    const Haplotype haplotypes[4] = {{p * m + d, 1, 1},
                                     {p * (1 - m) - d, 1, 0},
                                     {(1 - p) * m - d, 0, 1},
                                     {(1 - p) * (1 - m) + d, 0, 0}};
    const Three f = penetrances_of(model);
    cases = {0, 0, 0};
    controls = {0, 0, 0};
    double case_sum = 0;
    double control_sum = 0;
    for (const Haplotype &a : haplotypes) {
        for (const Haplotype &b : haplotypes) {
            const double pair = std::max(a.frequency, 0.0) * std::max(b.frequency, 0.0);
            const std::size_t g =
                static_cast<std::size_t>(a.risk) + static_cast<std::size_t>(b.risk);
            const std::size_t h =
                static_cast<std::size_t>(a.marker) + static_cast<std::size_t>(b.marker);
            const double as_case = pair * f[g];
            const double as_control =
                model.controls_kind == DIS_POPULATION_CONTROLS ? pair : pair * (1 - f[g]);
            cases[h] += as_case;
            controls[h] += as_control;
            case_sum += as_case;
            control_sum += as_control;
        }
    }
    for (std::size_t h = 0; h < 3; ++h) {
        cases[h] /= case_sum;
        controls[h] /= control_sum;
    }
}

double allele_rate(const Three &genotypes) { return genotypes[1] / 2 + genotypes[2]; }

void fill_unknown(DIS_marker *marker) {
    for (std::size_t g = 0; g < 3; ++g) {
        marker->cases[g] = kNotANumber;
        marker->controls[g] = kNotANumber;
    }
    marker->case_rate = kNotANumber;
    marker->control_rate = kNotANumber;
    marker->odds_ratio = kNotANumber;
}

}  // namespace

extern "C" {

void DIS_model_init(DIS_model *model) {
    *model = DIS_model{};
    model->frequency = kNotANumber;
    model->prevalence = kNotANumber;
    model->model = DIS_MULTIPLICATIVE;
    model->controls_kind = DIS_UNAFFECTED_CONTROLS;
    model->relative_risk = kNotANumber;
    model->heterozygote_risk = kNotANumber;
    model->homozygote_risk = kNotANumber;
    model->ld_kind = DIS_MARKER_IS_CAUSAL;
    model->marker_frequency = kNotANumber;
    model->ld = kNotANumber;
}

std::int32_t DIS_check_model(const DIS_model *model) { return check(*model); }

void DIS_relative_risks(const DIS_model *model, double relative_risks[3]) {
    const Three rr = relative_risks_of(*model);
    std::copy(rr.begin(), rr.end(), relative_risks);
}

void DIS_penetrances(const DIS_model *model, double penetrances[3]) {
    const Three f = penetrances_of(*model);
    std::copy(f.begin(), f.end(), penetrances);
}

std::int32_t DIS_marker_of(const DIS_model *model, DIS_marker *marker) {
    const std::int32_t reason = check(*model);
    if (reason != VANTOR_REASON_NONE) {
        fill_unknown(marker);
        return reason;
    }
    Three cases{};
    Three controls{};
    if (model->ld_kind == DIS_MARKER_IS_CAUSAL) {
        causal_groups(*model, cases, controls);
    } else {
        marker_groups(*model, cases, controls);
    }
    std::copy(cases.begin(), cases.end(), marker->cases);
    std::copy(controls.begin(), controls.end(), marker->controls);
    marker->case_rate = allele_rate(cases);
    marker->control_rate = allele_rate(controls);
    marker->odds_ratio = marker->case_rate * (1 - marker->control_rate) /
                         (marker->control_rate * (1 - marker->case_rate));
    return VANTOR_REASON_NONE;
}

}  // extern "C"
