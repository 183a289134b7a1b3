// The disease model and the genotype tests against mathematics written here
// on its own: genotype frequencies by enumerating people as pairs of
// haplotypes in long double, the one-degree-of-freedom powers with erfc,
// the limits the model must reach, and a seeded simulation of the tests
// themselves on multinomial genotype counts.
#include "disease/disease_model.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "disease/genotype_tests.h"
#include "numeric/quadratic_form.h"
#include "power/statistic.h"
#include "question/records.h"
#include "question/study.h"
#include "status/status.h"

namespace {

using Three = std::array<long double, 3>;

struct Groups {
    Three cases;
    Three controls;
};

DIS_model model_of(int kind, double p, double k, double r) {
    DIS_model m;
    DIS_model_init(&m);
    m.model = kind;
    m.frequency = p;
    m.prevalence = k;
    m.relative_risk = r;
    return m;
}

// The risks of 0, 1, 2 copies, written from the models' definitions.
Three risks_of(int kind, long double r) {
    switch (kind) {
        case DIS_MULTIPLICATIVE:
            return {1, r, r * r};
        case DIS_ADDITIVE:
            return {1, r, 1 + 2 * (r - 1)};
        case DIS_DOMINANT:
            return {1, r, r};
        default:
            return {1, 1, r};
    }
}

// People as two haplotypes drawn independently, each haplotype one of four
// (risk allele or not, marker allele or not); cases weighted by the
// penetrance of their causal genotype.
Groups enumerate(const DIS_model &m, long double d_prime_or_none) {
    const long double p = m.frequency;
    const long double q = 1 - p;
    const long double mk = std::isnan(m.marker_frequency) ? p : m.marker_frequency;
    // With no marker of its own, the marker is the risk allele: D' = 1.
    const long double d_prime = d_prime_or_none >= 0 ? d_prime_or_none : 1.0L;
    const long double d = d_prime * std::min(p * (1 - mk), q * mk);
    const Three rr = risks_of(m.model, m.relative_risk);
    const long double mean_risk = q * q * rr[0] + 2 * p * q * rr[1] + p * p * rr[2];
    const long double f0 = m.prevalence / mean_risk;
    const long double hap[2][2] = {{q * (1 - mk) + d, q * mk - d}, {p * (1 - mk) - d, p * mk + d}};
    Groups g{};
    long double case_total = 0;
    long double control_total = 0;
    for (int a1 = 0; a1 < 2; ++a1) {
        for (int m1 = 0; m1 < 2; ++m1) {
            for (int a2 = 0; a2 < 2; ++a2) {
                for (int m2 = 0; m2 < 2; ++m2) {
                    const long double w = hap[a1][m1] * hap[a2][m2];
                    const long double f = f0 * rr[a1 + a2];
                    const long double control =
                        m.controls_kind == DIS_POPULATION_CONTROLS ? w : w * (1 - f);
                    g.cases[m1 + m2] += w * f;
                    g.controls[m1 + m2] += control;
                    case_total += w * f;
                    control_total += control;
                }
            }
        }
    }
    for (int i = 0; i < 3; ++i) {
        g.cases[i] /= case_total;
        g.controls[i] /= control_total;
    }
    return g;
}

long double normal_cdf(long double z) { return std::erfc(-z / std::sqrt(2.0L)) / 2; }

// The upper alpha/2 quantile of the normal distribution, by bisection on
// erfc.
long double upper_half_alpha_quantile(long double alpha) {
    long double lo = 0;
    long double hi = 40;
    for (int i = 0; i < 200; ++i) {
        const long double mid = (lo + hi) / 2;
        (normal_cdf(-mid) > alpha / 2 ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

// The one-degree-of-freedom power from its definition, in long double.
long double score_power(const Three &x, const double *cases, const double *controls, long double r,
                        long double s, long double alpha, bool pooled) {
    auto mean = [&](const auto &p) { return x[0] * p[0] + x[1] * p[1] + x[2] * p[2]; };
    auto var = [&](const auto &p) {
        const long double mu = mean(p);
        return (x[0] - mu) * (x[0] - mu) * p[0] + (x[1] - mu) * (x[1] - mu) * p[1] +
               (x[2] - mu) * (x[2] - mu) * p[2];
    };
    Three pooled_p{};
    for (int g = 0; g < 3; ++g) {
        pooled_p[g] = (r * cases[g] + s * controls[g]) / (r + s);
    }
    const long double delta = mean(cases) - mean(controls);
    const long double v1 = var(cases) / r + var(controls) / s;
    const long double v0 = pooled ? (1 / r + 1 / s) * var(pooled_p) : v1;
    const long double c = upper_half_alpha_quantile(alpha);
    return normal_cdf((delta - c * std::sqrt(v0)) / std::sqrt(v1)) +
           normal_cdf((-delta - c * std::sqrt(v0)) / std::sqrt(v1));
}

const Three kTrend = {0, 1, 2};
const Three kDominant = {0, 1, 1};
const Three kRecessive = {0, 0, 1};

STU_study disease_study(const DIS_model &m, int test, double alpha) {
    STU_study s;
    STU_study_init(&s);
    s.effect_kind = STU_EFFECT_DISEASE;
    s.effect.disease = m;
    s.test = test;
    s.alpha = alpha;
    return s;
}

const int kModels[] = {DIS_MULTIPLICATIVE, DIS_ADDITIVE, DIS_DOMINANT, DIS_RECESSIVE};

}  // namespace

TEST(DiseaseModel, GenotypeFrequenciesMatchAnEnumerationOfHaplotypePairs) {
    for (const int kind : kModels) {
        for (const double p : {0.05, 0.2, 0.5}) {
            for (const double k : {0.001, 0.1, 0.3}) {
                for (const double d_prime : {-1.0, 1.0, 0.7, 0.01}) {
                    for (const bool population : {false, true}) {
                        DIS_model m = model_of(kind, p, k, 1.4);
                        m.controls_kind =
                            population ? DIS_POPULATION_CONTROLS : DIS_UNAFFECTED_CONTROLS;
                        if (d_prime >= 0) {
                            m.ld_kind = DIS_LD_D_PRIME;
                            m.ld = d_prime;
                            m.marker_frequency = 0.3;
                        }
                        DIS_marker marker;
                        ASSERT_EQ(DIS_marker_of(&m, &marker), VANTOR_REASON_NONE);
                        const Groups g = enumerate(m, d_prime);
                        for (int i = 0; i < 3; ++i) {
                            EXPECT_NEAR(marker.cases[i], g.cases[i], 1e-14) << kind << " " << p;
                            EXPECT_NEAR(marker.controls[i], g.controls[i], 1e-14);
                        }
                        EXPECT_NEAR(marker.case_rate, g.cases[1] / 2 + g.cases[2], 1e-14);
                    }
                }
            }
        }
    }
}

TEST(DiseaseModel, ReductionsHold) {
    // D' = 1 with the marker's frequency that of the risk allele is the
    // causal variant.
    DIS_model m = model_of(DIS_ADDITIVE, 0.3, 0.05, 1.6);
    DIS_marker causal;
    DIS_marker_of(&m, &causal);
    m.ld_kind = DIS_LD_D_PRIME;
    m.ld = 1;
    m.marker_frequency = 0.3;
    DIS_marker tagged;
    DIS_marker_of(&m, &tagged);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(tagged.cases[i], causal.cases[i], 1e-15);
        EXPECT_NEAR(tagged.controls[i], causal.controls[i], 1e-15);
    }
    // As the prevalence vanishes, genotype odds ratios tend to the risks.
    for (const int kind : kModels) {
        DIS_model rare = model_of(kind, 0.25, 1e-9, 1.8);
        DIS_marker r;
        DIS_marker_of(&rare, &r);
        const Three rr = risks_of(kind, 1.8L);
        for (int g = 1; g < 3; ++g) {
            const double genotype_or = (r.cases[g] / r.cases[0]) / (r.controls[g] / r.controls[0]);
            EXPECT_NEAR(genotype_or, static_cast<double>(rr[g]), 1e-7 * static_cast<double>(rr[g]));
        }
    }
    // Population controls are the population.
    DIS_model pop = model_of(DIS_MULTIPLICATIVE, 0.2, 0.1, 1.5);
    pop.controls_kind = DIS_POPULATION_CONTROLS;
    DIS_marker pc;
    DIS_marker_of(&pop, &pc);
    EXPECT_NEAR(pc.controls[0], 0.64, 1e-15);
    EXPECT_NEAR(pc.controls[1], 0.32, 1e-15);
    EXPECT_NEAR(pc.controls[2], 0.04, 1e-15);
}

TEST(DiseaseModel, InvalidModelsAreRefusedWithTheirOwnReasons) {
    struct Case {
        DIS_model m;
        std::int32_t reason;
    };
    std::vector<Case> cases;
    cases.push_back({model_of(DIS_MULTIPLICATIVE, 0.2, 0.9, 3), VANTOR_REASON_RISK_ABOVE_ONE});
    cases.push_back({model_of(DIS_ADDITIVE, 0.2, 0.1, 0.4), VANTOR_REASON_NEGATIVE_RISK});
    cases.push_back({model_of(DIS_MULTIPLICATIVE, 0, 0.1, 1.5), VANTOR_REASON_BAD_FREQUENCY});
    cases.push_back({model_of(DIS_MULTIPLICATIVE, 1, 0.1, 1.5), VANTOR_REASON_BAD_FREQUENCY});
    cases.push_back({model_of(DIS_MULTIPLICATIVE, 0.2, 0, 1.5), VANTOR_REASON_BAD_PREVALENCE});
    cases.push_back({model_of(DIS_MULTIPLICATIVE, 0.2, 1, 1.5), VANTOR_REASON_BAD_PREVALENCE});
    cases.push_back({model_of(DIS_DOMINANT, 0.2, 0.1, -1.5), VANTOR_REASON_BAD_RELATIVE_RISK});
    cases.push_back({model_of(9, 0.2, 0.1, 1.5), VANTOR_REASON_BAD_MODEL});
    DIS_model r2 = model_of(DIS_MULTIPLICATIVE, 0.1, 0.1, 1.5);
    r2.ld_kind = DIS_LD_R_SQUARED;
    r2.marker_frequency = 0.5;  // r^2 at most 0.1 * 0.5 / (0.9 * 0.5) = 1/9
    r2.ld = 0.2;
    cases.push_back({r2, VANTOR_REASON_LD_BEYOND_FREQUENCIES});
    r2.ld = 0.11;
    cases.push_back({r2, VANTOR_REASON_NONE});
    r2.ld = 1.5;
    cases.push_back({r2, VANTOR_REASON_BAD_LD});
    // No effect: risks of 1 in every model, a marker in no LD (D' or r^2),
    // and which comes first when both hold.
    for (const int kind : kModels) {
        cases.push_back({model_of(kind, 0.3, 0.1, 1.0), VANTOR_REASON_NO_EFFECT});
        cases.push_back({model_of(kind, 0.3, 0.1, 0.0), VANTOR_REASON_BAD_RELATIVE_RISK});
        for (const int ld_kind : {DIS_LD_D_PRIME, DIS_LD_R_SQUARED}) {
            DIS_model unlinked = model_of(kind, 0.3, 0.1, 1.3);
            unlinked.ld_kind = ld_kind;
            unlinked.ld = 0;
            cases.push_back({unlinked, VANTOR_REASON_MARKER_WITHOUT_LD});
            unlinked.relative_risk = 1;
            cases.push_back({unlinked, VANTOR_REASON_MARKER_WITHOUT_LD});
        }
    }
    DIS_model free = model_of(DIS_FREE, 0.3, 0.1, 0);
    free.heterozygote_risk = 1;
    free.homozygote_risk = 1;
    cases.push_back({free, VANTOR_REASON_NO_EFFECT});
    free.homozygote_risk = 1.2;  // two copies raise the risk: an effect
    cases.push_back({free, VANTOR_REASON_NONE});
    free.homozygote_risk = 0;  // no genotype's relative risk may be zero
    cases.push_back({free, VANTOR_REASON_BAD_RELATIVE_RISK});
    // The additive model's two copies carry 2r - 1, which must be positive.
    cases.push_back({model_of(DIS_ADDITIVE, 0.2, 0.1, 0.5), VANTOR_REASON_NEGATIVE_RISK});
    cases.push_back({model_of(DIS_ADDITIVE, 0.2, 0.1, 0.51), VANTOR_REASON_NONE});
    for (const Case &c : cases) {
        EXPECT_EQ(DIS_check_model(&c.m), c.reason) << VANTOR_message(c.reason);
        STU_study s = disease_study(c.m, GEN_TREND, 5e-8);
        STU_power_result r;
        STU_power(&s, 1000, 1000, &r);
        EXPECT_EQ(r.reason, c.reason);
    }
}

TEST(GenotypeTests, OneDegreeOfFreedomPowersMatchTheirDefinition) {
    const Three *scores[] = {&kTrend, &kDominant, &kRecessive};
    const int tests[] = {GEN_TREND, GEN_DOMINANT, GEN_RECESSIVE};
    for (const int kind : kModels) {
        for (const double p : {0.1, 0.35}) {
            DIS_model m = model_of(kind, p, 0.05, 1.3);
            DIS_marker g;
            DIS_marker_of(&m, &g);
            for (int t = 0; t < 3; ++t) {
                for (const double alpha : {0.05, 1e-4, 5e-8, 1e-12}) {
                    for (const bool pooled : {true, false}) {
                        const double r = 1500;
                        const double s = 2500;
                        const double power = GEN_score_test_power(
                            tests[t], g.cases, g.controls, r, s, alpha,
                            pooled ? PWR_VARIANCE_POOLED : PWR_VARIANCE_UNPOOLED);
                        const long double expected =
                            score_power(*scores[t], g.cases, g.controls, r, s, alpha, pooled);
                        EXPECT_NEAR(power, static_cast<double>(expected),
                                    2e-9 + 1e-9 * static_cast<double>(expected))
                            << kind << " " << tests[t] << " " << alpha;
                    }
                }
            }
        }
    }
}

// The tests' formulas give the level when cases and controls have the same
// genotype frequencies (a study asks no such question: it is refused as no
// effect, every test alike).
TEST(GenotypeTests, NoEffectGivesTheLevelAtEveryLevel) {
    using Genotypes = std::array<double, 3>;
    for (const Genotypes &genotypes :
         {Genotypes{0.49, 0.42, 0.09}, Genotypes{0.81, 0.18, 0.01}, Genotypes{0.25, 0.5, 0.25}}) {
        for (const double alpha : {0.05, 1e-3, 5e-8, 1e-12}) {
            for (const int test : {GEN_TREND, GEN_DOMINANT, GEN_RECESSIVE}) {
                EXPECT_NEAR(GEN_score_test_power(test, genotypes.data(), genotypes.data(), 1200,
                                                 800, alpha, PWR_VARIANCE_POOLED),
                            alpha, 1e-6 * alpha)
                    << test;
            }
            EXPECT_NEAR(GEN_genotypic_power(genotypes.data(), genotypes.data(), 1200, 800, alpha),
                        alpha, 1e-6 * alpha);
        }
    }
    for (const int kind : kModels) {
        for (const int test :
             {GEN_ALLELIC, GEN_TREND, GEN_DOMINANT, GEN_RECESSIVE, GEN_GENOTYPIC}) {
            STU_study s = disease_study(model_of(kind, 0.3, 0.1, 1.0), test, 5e-8);
            STU_power_result r;
            EXPECT_EQ(STU_power(&s, 1200, 800, &r), VANTOR_INVALID_INPUT);
            EXPECT_EQ(r.reason, VANTOR_REASON_NO_EFFECT) << kind << " " << test;
        }
    }
}

TEST(GenotypeTests, TheClassicAllelicTestIsThePowerOfTheImpliedOddsRatioAndRate) {
    for (const int kind : kModels) {
        DIS_model m = model_of(kind, 0.2, 0.1, 1.5);
        m.ld_kind = DIS_LD_R_SQUARED;
        m.ld = 0.8;
        STU_study s = disease_study(m, GEN_ALLELIC, 5e-8);
        s.calculation = STU_CALCULATION_CLASSIC;
        STU_power_result r;
        ASSERT_EQ(STU_power(&s, 1000, 2000, &r), VANTOR_FOUND);
        STU_study plain;
        STU_study_init(&plain);
        plain.effect.allelic = {r.marker_odds_ratio, r.marker_control_rate};
        STU_power_result q;
        STU_power(&plain, 1000, 2000, &q);
        EXPECT_EQ(r.power, q.power);
        // The model's rates, not the relative risk typed as an odds ratio.
        EXPECT_NE(r.marker_odds_ratio, 1.5);
    }
}

TEST(Markers, DivideTheLevel) {
    DIS_model m = model_of(DIS_MULTIPLICATIVE, 0.2, 0.1, 1.5);
    STU_study s = disease_study(m, GEN_TREND, 0.05);
    s.markers = 1e6;
    STU_power_result many;
    STU_power(&s, 1000, 2000, &many);
    STU_study one = disease_study(m, GEN_TREND, 5e-8);
    STU_power_result single;
    STU_power(&one, 1000, 2000, &single);
    EXPECT_EQ(many.marker_alpha, 0.05 / 1e6);
    EXPECT_NEAR(many.power, single.power, 1e-12);
    s.markers = 0.5;
    STU_power(&s, 1000, 2000, &many);
    EXPECT_EQ(many.reason, VANTOR_REASON_BAD_MARKERS);
    s.markers = 1e12;
    STU_power(&s, 1000, 2000, &many);
    EXPECT_EQ(many.reason, VANTOR_REASON_BAD_MARKER_ALPHA);
    EXPECT_EQ(STU_default_alpha(1), 5e-8);
    EXPECT_EQ(STU_default_alpha(1e6), 0.05);
}

TEST(GenotypeTests, WhatEachTestNeedsIsChecked) {
    DIS_model m = model_of(DIS_MULTIPLICATIVE, 0.2, 0.1, 1.5);
    STU_study s = disease_study(m, GEN_GENOTYPIC, 5e-8);
    STU_power_result r;
    s.variance = PWR_VARIANCE_UNPOOLED;
    STU_power(&s, 1000, 1000, &r);
    EXPECT_EQ(r.reason, VANTOR_REASON_GENOTYPIC_ONE_STATISTIC);
    s.variance = PWR_VARIANCE_POOLED;
    s.count = VANTOR_COUNT_ALLELES;
    STU_power(&s, 1000, 1000, &r);
    EXPECT_EQ(r.reason, VANTOR_REASON_GENOTYPE_TEST_COUNTS_PEOPLE);
    s.test = 7;
    STU_power(&s, 1000, 1000, &r);
    EXPECT_EQ(r.reason, VANTOR_REASON_BAD_TEST);
    STU_study allelic;
    STU_study_init(&allelic);
    allelic.effect.allelic = {1.3, 0.3};
    allelic.test = GEN_TREND;
    STU_power(&allelic, 1000, 1000, &r);
    EXPECT_EQ(r.reason, VANTOR_REASON_TEST_NEEDS_MODEL);
    DSN_design_result d;
    const std::int64_t counts[2] = {500, 500};
    STU_study two = disease_study(m, GEN_TREND, 5e-8);
    two.method = 0;
    two.stage1_alpha = 1e-3;
    STU_two_stage_power(&two, counts, counts, 1.0, &d);
    EXPECT_EQ(d.status, VANTOR_FOUND);
    two.test = GEN_GENOTYPIC;
    STU_two_stage_power(&two, counts, counts, 1.0, &d);
    EXPECT_EQ(d.reason, VANTOR_REASON_GENOTYPIC_ONE_STAGE);
    // Two stages are classic: the genotypes calculation, or no calculation
    // at all, is refused rather than ignored.
    two.test = GEN_ALLELIC;
    for (const auto &[calculation, reason] :
         {std::pair<std::int32_t, std::int32_t>{STU_CALCULATION_GENOTYPES,
                                                VANTOR_REASON_TWO_STAGES_ARE_CLASSIC},
          std::pair<std::int32_t, std::int32_t>{7, VANTOR_REASON_BAD_CALCULATION},
          std::pair<std::int32_t, std::int32_t>{STU_CALCULATION_CLASSIC, VANTOR_REASON_NONE}}) {
        two.calculation = calculation;
        STU_two_stage_power(&two, counts, counts, 1.0, &d);
        EXPECT_EQ(d.reason, reason) << calculation;
    }
}

namespace {

bool same_design(const DSN_design_result &a, const DSN_design_result &b) {
    const auto same = [](double x, double y) { return x == y || (std::isnan(x) && std::isnan(y)); };
    return a.status == b.status && a.reason == b.reason && a.total == b.total &&
           a.cases[0] == b.cases[0] && a.cases[1] == b.cases[1] && a.controls[0] == b.controls[0] &&
           a.controls[1] == b.controls[1] && same(a.stage1_weight, b.stage1_weight) &&
           same(a.alpha[0], b.alpha[0]) && same(a.alpha[1], b.alpha[1]) &&
           same(a.alpha[2], b.alpha[2]) && same(a.power, b.power) && same(a.cost, b.cost) &&
           a.one_stage_total == b.one_stage_total && same(a.relative_cost, b.relative_cost);
}

}  // namespace

TEST(TwoStagesOfADiseaseModel, AnswerAsTheOddsRatioAndRateAtTheMarker) {
    int compared = 0;
    for (const int kind : kModels) {
        for (const double k : {0.001, 0.3}) {
            for (const double p : {0.05, 0.5}) {
                for (const double r : {1.1, 2.0}) {
                    for (const bool tagged : {false, true}) {
                        DIS_model m = model_of(kind, p, k, r);
                        if (tagged) {
                            m.ld_kind = DIS_LD_R_SQUARED;
                            m.ld = 0.5;
                        }
                        if (DIS_check_model(&m) != VANTOR_REASON_NONE) {
                            continue;
                        }
                        STU_study model = disease_study(m, GEN_ALLELIC, 0.05);
                        model.markers = 1e6;
                        model.method = PWR_METHOD_PRODUCT;
                        model.stage1_alpha = 1e-3;
                        DIS_marker marker;
                        DIS_marker_of(&m, &marker);
                        STU_study plain;
                        STU_study_init(&plain);
                        plain.effect.allelic = {marker.odds_ratio, marker.control_rate};
                        plain.alpha = 0.05 / 1e6;
                        plain.method = model.method;
                        plain.stage1_alpha = model.stage1_alpha;
                        DSN_design_result a;
                        DSN_design_result b;
                        const std::int64_t cases[2] = {800, 1500};
                        STU_two_stage_power(&model, cases, cases, 3.0, &a);
                        STU_two_stage_power(&plain, cases, cases, 3.0, &b);
                        EXPECT_TRUE(same_design(a, b)) << kind << " " << k << " " << p << " " << r;
                        EXPECT_EQ(a.alpha[2], 0.05 / 1e6);
                        STU_smallest_total(&model, 0.4, 0.8, &a);
                        STU_smallest_total(&plain, 0.4, 0.8, &b);
                        EXPECT_TRUE(same_design(a, b));
                        STU_cheapest_design(&model, 0.8, 2.0, &a);
                        STU_cheapest_design(&plain, 0.8, 2.0, &b);
                        EXPECT_TRUE(same_design(a, b));
                        STU_most_powerful_design(&model, 4000, 2.0, &a);
                        STU_most_powerful_design(&plain, 4000, 2.0, &b);
                        EXPECT_TRUE(same_design(a, b));
                        ++compared;
                    }
                }
            }
        }
    }
    EXPECT_GT(compared, 40);
}

TEST(GenotypeSolvers, SizesReachTheTargetAndOneFewerDoesNot) {
    for (const int kind : kModels) {
        for (const int test : {GEN_TREND, GEN_DOMINANT, GEN_RECESSIVE, GEN_GENOTYPIC}) {
            DIS_model m = model_of(kind, 0.3, 0.05, 1.4);
            STU_study s = disease_study(m, test, 5e-8);
            STU_size_result size;
            STU_power_result at;
            STU_cases_for_ratio(&s, 2.0, 0.8, &size);
            ASSERT_EQ(size.status, VANTOR_FOUND) << kind << " " << test;
            EXPECT_LE(size.evaluations, 64);
            STU_power(&s, size.cases, size.controls, &at);
            EXPECT_GE(at.power, 0.8);
            EXPECT_EQ(at.power, size.power);
            STU_power(&s, size.cases - 1,
                      static_cast<std::int64_t>(
                          std::floor(2.0 * static_cast<double>(size.cases - 1) + 0.5)),
                      &at);
            EXPECT_LT(at.power, 0.8);

            STU_cases_for_controls(&s, 5000, 0.8, &size);
            if (size.status == VANTOR_FOUND) {
                STU_power(&s, size.cases, 5000, &at);
                EXPECT_GE(at.power, 0.8);
                STU_power(&s, size.cases - 1, 5000, &at);
                EXPECT_LT(at.power, 0.8);
            } else {
                EXPECT_EQ(size.reason, VANTOR_REASON_LEVELS_OFF_WITH_GROUP_FIXED);
            }
        }
    }
}

TEST(GenotypeSolvers, DetectableRelativeRisksReachTheTargetAndNoNearerOne) {
    for (const int kind : kModels) {
        for (const int test : {GEN_ALLELIC, GEN_TREND, GEN_GENOTYPIC}) {
            for (const int direction : {STU_ABOVE_ONE, STU_BELOW_ONE}) {
                DIS_model m = model_of(kind, 0.3, 0.05, 1.0);
                STU_study s = disease_study(m, test, 5e-8);
                STU_risk_result risk;
                STU_relative_risk(&s, 3000, 3000, 0.8, direction, &risk);
                if (risk.status != VANTOR_FOUND) {
                    EXPECT_EQ(risk.reason, VANTOR_REASON_LEVELS_OFF_WITH_RISK);
                    continue;
                }
                EXPECT_LE(risk.evaluations, 64);
                STU_power_result at;
                s.effect.disease.relative_risk = risk.relative_risk;
                STU_power(&s, 3000, 3000, &at);
                EXPECT_GE(at.power, 0.8) << kind << " " << test << " " << direction;
                s.effect.disease.relative_risk = risk.relative_risk * (1 - direction * 1e-9);
                STU_power(&s, 3000, 3000, &at);
                EXPECT_LT(at.power, 0.8) << kind << " " << test << " " << direction;
            }
        }
    }
    DIS_model free = model_of(DIS_FREE, 0.3, 0.05, 1.0);
    STU_study s = disease_study(free, GEN_TREND, 5e-8);
    STU_risk_result risk;
    STU_relative_risk(&s, 3000, 3000, 0.8, STU_ABOVE_ONE, &risk);
    EXPECT_EQ(risk.reason, VANTOR_REASON_NO_SINGLE_RISK);
}

// ---- Simulation ----------------------------------------------------------------

namespace {

struct Counts {
    std::array<int, 3> cases;
    std::array<int, 3> controls;
};

// Fixed, so that a failure can be rerun.
std::uint64_t simulation_seed() { return 20261207; }

std::array<int, 3> draw_genotypes(std::mt19937_64 &rng, int n, const double *p) {
    std::binomial_distribution<int> zero(n, p[0]);
    const int n0 = zero(rng);
    const double rest = p[1] + p[2];
    std::binomial_distribution<int> one(n - n0, rest > 0 ? p[1] / rest : 0);
    const int n1 = one(rng);
    return {n0, n1, n - n0 - n1};
}

// The pooled score test's statistic on counts (Armitage's trend statistic
// with these scores).
double score_statistic(const Three &x, const Counts &c) {
    const double r = c.cases[0] + c.cases[1] + c.cases[2];
    const double s = c.controls[0] + c.controls[1] + c.controls[2];
    double mean_case = 0;
    double mean_control = 0;
    double pooled_mean = 0;
    double pooled_square = 0;
    for (int g = 0; g < 3; ++g) {
        const double xg = static_cast<double>(x[g]);
        mean_case += xg * c.cases[g] / r;
        mean_control += xg * c.controls[g] / s;
        pooled_mean += xg * (c.cases[g] + c.controls[g]) / (r + s);
        pooled_square += xg * xg * (c.cases[g] + c.controls[g]) / (r + s);
    }
    const double v = pooled_square - pooled_mean * pooled_mean;
    if (v <= 0) {
        return 0;
    }
    return (mean_case - mean_control) / std::sqrt((1 / r + 1 / s) * v);
}

}  // namespace

TEST(GenotypeTests, SimulatedTestsRejectAsOftenAsThePowerSays) {
    const Three *scores[] = {&kTrend, &kDominant, &kRecessive};
    const int tests[] = {GEN_TREND, GEN_DOMINANT, GEN_RECESSIVE};
    std::mt19937_64 rng(simulation_seed());
    constexpr int kReplicates = 100000;
    struct Design {
        int kind;
        double r;
        int cases;
        int controls;
    };
    const Design designs[] = {{DIS_MULTIPLICATIVE, 1.3, 500, 500},
                              {DIS_DOMINANT, 1.35, 200, 800},
                              {DIS_RECESSIVE, 1.8, 500, 500},
                              {DIS_ADDITIVE, 1.3, 200, 800}};
    for (const Design &d : designs) {
        DIS_model m = model_of(d.kind, 0.3, 0.1, d.r);
        DIS_marker g;
        DIS_marker_of(&m, &g);
        for (const double alpha : {0.05, 0.001}) {
            // The two-sided critical value by bisection on erfc.
            double lo = 0;
            double hi = 40;
            for (int i = 0; i < 200; ++i) {
                const double mid = (lo + hi) / 2;
                (std::erfc(mid / std::sqrt(2.0)) > alpha ? lo : hi) = mid;
            }
            const double critical = (lo + hi) / 2;
            std::array<int, 3> rejected{};
            for (int rep = 0; rep < kReplicates; ++rep) {
                const Counts c = {draw_genotypes(rng, d.cases, g.cases),
                                  draw_genotypes(rng, d.controls, g.controls)};
                for (int t = 0; t < 3; ++t) {
                    if (std::fabs(score_statistic(*scores[t], c)) > critical) {
                        ++rejected[t];
                    }
                }
            }
            for (int t = 0; t < 3; ++t) {
                const double power = GEN_score_test_power(tests[t], g.cases, g.controls, d.cases,
                                                          d.controls, alpha, PWR_VARIANCE_POOLED);
                const double simulated = static_cast<double>(rejected[t]) / kReplicates;
                const double se = std::sqrt(power * (1 - power) / kReplicates);
                EXPECT_NEAR(simulated, power, 4 * se + 0.005)
                    << "model " << d.kind << " test " << tests[t] << " alpha " << alpha;
            }
        }
    }
}

namespace {

// The allelic test on 2R and 2S alleles with the difference's variance under
// the alternative from the groups' genotypes: Var(X) / 4R + Var(X) / 4S, X
// a person's copies; the error under no association binomial, at the pooled
// rate or at the groups' own rates.
long double allelic_on_genotypes(const double *cases, const double *controls, long double r,
                                 long double s, long double alpha, bool pooled) {
    const auto rate = [](const double *g) { return g[1] / 2.0L + g[2]; };
    const auto copies_variance = [](const double *g) {
        const long double mean = g[1] + 2.0L * g[2];
        return g[1] + 4.0L * g[2] - mean * mean;
    };
    const long double p1 = rate(cases);
    const long double p0 = rate(controls);
    const long double p = (2 * r * p1 + 2 * s * p0) / (2 * r + 2 * s);
    const long double binomial = p1 * (1 - p1) / (2 * r) + p0 * (1 - p0) / (2 * s);
    const long double null = pooled ? p * (1 - p) * (1 / (2 * r) + 1 / (2 * s)) : binomial;
    const long double alternative =
        copies_variance(cases) / (4 * r) + copies_variance(controls) / (4 * s);
    const long double c = upper_half_alpha_quantile(alpha);
    const long double d = p1 - p0;
    return normal_cdf((d - c * std::sqrt(null)) / std::sqrt(alternative)) +
           normal_cdf((-d - c * std::sqrt(null)) / std::sqrt(alternative));
}

// The genotypic statistic's tail under the alternative by simulating its
// normal limit in all three classes: each group's frequencies deviate by
// sqrt(g) * Z - g (sqrt(g) . Z), Z standard normal in three dimensions,
// whose covariance is the multinomial's diag(g) - g g'; the statistic is
// RS/(R+S) sum (D_j^2 / pooled_j) of the difference D.
double simulated_quadratic_form(const double *cases, const double *controls, double r, double s,
                                double alpha, int replicates, std::mt19937_64 &rng) {
    std::normal_distribution<double> normal;
    const auto deviation = [&](const double *g, double n, double out[3]) {
        double z[3];
        double along = 0;
        for (int j = 0; j < 3; ++j) {
            z[j] = normal(rng);
            along += std::sqrt(g[j]) * z[j];
        }
        for (int j = 0; j < 3; ++j) {
            out[j] = (std::sqrt(g[j]) * z[j] - g[j] * along) / std::sqrt(n);
        }
    };
    const double k = r * s / (r + s);
    const double critical = -2 * std::log(alpha);
    int rejected = 0;
    for (int rep = 0; rep < replicates; ++rep) {
        double a[3];
        double b[3];
        deviation(cases, r, a);
        deviation(controls, s, b);
        double statistic = 0;
        for (int j = 0; j < 3; ++j) {
            const double pooled = (r * cases[j] + s * controls[j]) / (r + s);
            const double d = cases[j] - controls[j] + a[j] - b[j];
            statistic += k * d * d / pooled;
        }
        rejected += statistic > critical ? 1 : 0;
    }
    return static_cast<double>(rejected) / replicates;
}

// The genotypic statistic under the alternative as w1 Y1^2 + w2 Y2^2, in
// long double, on the classes of no copy and one copy (two copies are minus
// their sum): B = RS/(R+S) [[1/p0 + 1/p2, 1/p2], [1/p2, 1/p1 + 1/p2]] at the
// pooled frequencies, V the two multinomials' covariance, V = L L', and the
// eigenvalues of L' B L with the coordinates of L^-1 delta along their
// eigenvectors (from M - w2 I, whose columns lie along the first; the
// equal-weight case, where both columns vanish, is not among the designs).
struct Terms {
    long double w1, m1, w2, m2;
};

Terms terms_on_first_two_classes(const double *g1, const double *g0, long double r, long double s) {
    long double p[3];
    for (int j = 0; j < 3; ++j) {
        p[j] = (r * g1[j] + s * g0[j]) / (r + s);
    }
    const long double k = r * s / (r + s);
    const long double b00 = k * (1 / p[0] + 1 / p[2]);
    const long double b01 = k / p[2];
    const long double b11 = k * (1 / p[1] + 1 / p[2]);
    const auto cov = [&](int i, int j) {
        const long double same = i == j ? 1 : 0;
        return (g1[i] * same - static_cast<long double>(g1[i]) * g1[j]) / r +
               (g0[i] * same - static_cast<long double>(g0[i]) * g0[j]) / s;
    };
    const long double l00 = std::sqrt(cov(0, 0));
    const long double l10 = cov(0, 1) / l00;
    const long double l11 = std::sqrt(cov(1, 1) - l10 * l10);
    // M = L' B L.
    const long double m00 = l00 * (b00 * l00 + b01 * l10) + l10 * (b01 * l00 + b11 * l10);
    const long double m01 = l11 * (b01 * l00 + b11 * l10);
    const long double m11 = l11 * b11 * l11;
    const long double mean = (m00 + m11) / 2;
    const long double half = std::sqrt((m00 - m11) * (m00 - m11) / 4 + m01 * m01);
    const long double w1 = mean + half;
    const long double w2 = mean - half;
    // The longer column of M - w2 I, normalised: the eigenvector of w1.
    long double e0 = m00 - w2;
    long double e1 = m01;
    if (std::fabs(m11 - w2) + std::fabs(m01) > std::fabs(e0) + std::fabs(e1)) {
        e0 = m01;
        e1 = m11 - w2;
    }
    const long double norm = std::sqrt(e0 * e0 + e1 * e1);
    e0 /= norm;
    e1 /= norm;
    const long double u0 = (g1[0] - static_cast<long double>(g0[0])) / l00;
    const long double u1 = ((g1[1] - static_cast<long double>(g0[1])) - l10 * u0) / l11;
    return {w1, e0 * u0 + e1 * u1, w2, -e1 * u0 + e0 * u1};
}

}  // namespace

TEST(GenotypeTests, TheAllelicPowerFromGenotypesMatchesItsDefinition) {
    for (const int kind : kModels) {
        for (const double p : {0.05, 0.35}) {
            DIS_model m = model_of(kind, p, 0.05, 1.6);
            DIS_marker g;
            DIS_marker_of(&m, &g);
            for (const double alpha : {0.05, 1e-4, 5e-8, 1e-12}) {
                for (const bool pooled : {true, false}) {
                    for (const auto &[r, s] :
                         {std::pair{1500.0, 2500.0}, std::pair{800.0, 800.0}}) {
                        const double power =
                            GEN_allelic_power(g.cases, g.controls, r, s, alpha,
                                              pooled ? PWR_VARIANCE_POOLED : PWR_VARIANCE_UNPOOLED);
                        const long double expected =
                            allelic_on_genotypes(g.cases, g.controls, r, s, alpha, pooled);
                        EXPECT_NEAR(power, static_cast<double>(expected),
                                    2e-9 + 1e-9 * static_cast<double>(expected))
                            << kind << " " << p << " " << alpha << " " << pooled;
                    }
                }
            }
        }
    }
}

// With both groups in Hardy-Weinberg proportions (a multiplicative model,
// population controls) the genotypes' variance is the binomial one: both
// calculations agree, to the accuracy of the normal distribution function
// (absolute 1.02e-9; the two arrange the tails differently).
TEST(GenotypeTests, CalculationsAgreeWhereBothGroupsAreInHardyWeinbergProportions) {
    DIS_model m = model_of(DIS_MULTIPLICATIVE, 0.3, 0.1, 1.4);
    m.controls_kind = DIS_POPULATION_CONTROLS;
    for (const double alpha : {0.05, 5e-8}) {
        STU_study s = disease_study(m, GEN_ALLELIC, alpha);
        STU_power_result genotypes;
        STU_power_result classic;
        ASSERT_EQ(STU_calculation_of(&s), STU_CALCULATION_GENOTYPES);
        STU_power(&s, 1000, 3000, &genotypes);
        s.calculation = STU_CALCULATION_CLASSIC;
        STU_power(&s, 1000, 3000, &classic);
        EXPECT_NEAR(genotypes.power, classic.power, 2.1e-9) << alpha;
    }
}

TEST(GenotypeTests, TheGenotypicPowerUnderTheAlternativeIsItsQuadraticForms) {
    std::mt19937_64 rng(simulation_seed());
    constexpr int kReplicates = 400000;
    struct Design {
        int kind;
        double p;
        double r;
        double cases;
        double controls;
        double alpha;
    };
    const Design designs[] = {{DIS_RECESSIVE, 0.081, 2.597, 4053, 15760, 5e-8},
                              {DIS_RECESSIVE, 0.2, 1.8, 600, 1800, 1e-3},
                              {DIS_DOMINANT, 0.1, 1.5, 1000, 1000, 1e-4},
                              {DIS_ADDITIVE, 0.3, 1.4, 500, 2000, 0.05}};
    for (const Design &d : designs) {
        DIS_model m = model_of(d.kind, d.p, d.kind == DIS_RECESSIVE ? 0.0127 : 0.1, d.r);
        DIS_marker g;
        DIS_marker_of(&m, &g);
        const double power = GEN_genotypic_power_under_alternative(g.cases, g.controls, d.cases,
                                                                   d.controls, d.alpha);
        const double simulated = simulated_quadratic_form(g.cases, g.controls, d.cases, d.controls,
                                                          d.alpha, kReplicates, rng);
        const double se = std::sqrt(power * (1 - power) / kReplicates);
        EXPECT_NEAR(simulated, power, 4 * se) << d.kind << " " << d.p;
    }
}

// The library's reduction against one of its own in long double on other
// classes, both handed to the same tail; rare homozygotes included, where a
// reduction on the rare class in double precision loses its digits.
TEST(GenotypeTests, TheGenotypicFormsReductionIsAnyClassesReduction) {
    struct Design {
        int kind;
        double p;
        double k;
        double r;
        double cases;
        double controls;
        double alpha;
    };
    const Design designs[] = {
        {DIS_RECESSIVE, 0.081, 0.0127, 2.597, 4053, 15760, 5e-8},
        {DIS_RECESSIVE, 1e-3, 0.0127, 2.597, 4053, 15760, 5e-8},
        {DIS_DOMINANT, 0.6, 0.1, 1.5, 1000, 1000, 1e-4},
        {DIS_ADDITIVE, 0.3, 0.05, 1.4, 500, 2000, 0.05},
        {DIS_MULTIPLICATIVE, 0.02, 0.1, 1.6, 3000, 9000, 1e-12},
        {DIS_RECESSIVE, 0.9, 0.2, 1.3, 800, 800, 0.01},
    };
    for (const Design &d : designs) {
        DIS_model m = model_of(d.kind, d.p, d.k, d.r);
        DIS_marker g;
        DIS_marker_of(&m, &g);
        const Terms t = terms_on_first_two_classes(g.cases, g.controls, d.cases, d.controls);
        const double expected = MTH_two_term_chi_square_upper(
            -2 * std::log(d.alpha), static_cast<double>(t.w1), static_cast<double>(t.m1),
            static_cast<double>(t.w2), static_cast<double>(t.m2));
        const double power = GEN_genotypic_power_under_alternative(g.cases, g.controls, d.cases,
                                                                   d.controls, d.alpha);
        EXPECT_NEAR(power, expected, 1e-9 * expected) << d.kind << " " << d.p;
    }
}

// A rare recessive allele: two copies are expected in about one case in a
// thousand and fewer controls. An evaluation of the same form in 50-digit
// arithmetic (its own disease model, Cholesky factor, eigenvectors and tail
// integral) gives 1.6600965e-5 at frequency 1e-6 and below.
TEST(GenotypeTests, TheGenotypicFormKeepsItsDigitsForARareHomozygote) {
    for (const double p : {1e-6, 1e-8, 1e-10, 1e-12}) {
        DIS_model m = model_of(DIS_RECESSIVE, p, 0.0127, 2.597);
        DIS_marker g;
        DIS_marker_of(&m, &g);
        const double power =
            GEN_genotypic_power_under_alternative(g.cases, g.controls, 4053, 15760, 5e-8);
        EXPECT_NEAR(power, 1.6600965e-5, p == 1e-6 ? 1e-10 : 1e-12) << p;
    }
}

// Where the groups hardly differ, the alternative's covariance is that
// under no association, and the statistic the classic noncentral chi^2_2.
TEST(GenotypeTests, TheGenotypicPowerUnderTheAlternativeTendsToTheClassicOne) {
    for (const int kind : kModels) {
        DIS_model m = model_of(kind, 0.25, 0.1, 1 + 1e-7);
        DIS_marker g;
        DIS_marker_of(&m, &g);
        for (const double alpha : {0.05, 5e-8}) {
            const double classic = GEN_genotypic_power(g.cases, g.controls, 2000, 3000, alpha);
            const double alternative =
                GEN_genotypic_power_under_alternative(g.cases, g.controls, 2000, 3000, alpha);
            EXPECT_NEAR(alternative, classic, 1e-9 + 1e-6 * classic) << kind << " " << alpha;
        }
    }
}

// A recessive design the genotypic test's noncentral chi^2_2 overstates by
// 0.047 against a simulation of the test itself (0.7152, standard error
// 0.0005): the default calculation comes within 0.01 of it.
TEST(GenotypeTests, TheRecessiveGenotypicExampleIsNearItsSimulation) {
    DIS_model m = model_of(DIS_RECESSIVE, 0.081, 0.0127, 2.597);
    STU_study s = disease_study(m, GEN_GENOTYPIC, 5e-8);
    STU_power_result r;
    ASSERT_EQ(STU_power(&s, 4053, 15760, &r), VANTOR_FOUND);
    EXPECT_NEAR(r.power, 0.7152, 0.01);
    s.calculation = STU_CALCULATION_CLASSIC;
    STU_power_result classic;
    STU_power(&s, 4053, 15760, &classic);
    EXPECT_GT(classic.power, 0.76);
}
