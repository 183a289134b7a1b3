// The simulated power: the portable exponential and normal tail, the draws
// of counts against their distributions (chi-square goodness of fit with
// probabilities from lgamma in long double), the tests' statistics against
// their closed forms, and whole simulations against the level at no effect
// and against the formulas where those hold. Every simulation is seeded.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <vector>

#include "disease/genotype_tests.h"
#include "numeric/MTH_normal_tail.h"
#include "numeric/count_draws.h"
#include "numeric/portable_exp.h"
#include "numeric/random.h"
#include "power/power_func.h"
#include "power/statistic.h"
#include "question/ask.h"
#include "question/study.h"
#include "simulation/count_statistics.h"
#include "simulation/simulate.h"
#include "status/status.h"

namespace {

using vantor::BinomialDraw;
using vantor::ClassDraw;
using vantor::Random;

// The seed of the tests' own random inputs (not the library's generator).
std::uint64_t input_seed() { return 20261208; }

// ---- The portable exponential and tail ---------------------------------------

// |a - b| in units of the last place of b.
double ulps(double a, long double b) {
    const double rounded = static_cast<double>(b);
    const double unit = std::nextafter(std::fabs(rounded), INFINITY) - std::fabs(rounded);
    return static_cast<double>(std::fabs(static_cast<long double>(a) - b) / unit);
}

TEST(PortableExp, WithinTwoUnitsInTheLastPlaceOfExpl) {
    std::mt19937_64 engine(input_seed());
    std::uniform_real_distribution<double> anywhere(-708.0, 709.7);
    std::uniform_real_distribution<double> near_zero(-1.0, 1.0);
    double worst = 0;
    for (int i = 0; i < 200000; ++i) {
        const double x = i % 2 == 0 ? anywhere(engine) : near_zero(engine);
        worst = std::max(worst, ulps(MTH_portable_exp(x), std::exp(static_cast<long double>(x))));
    }
    EXPECT_LE(worst, 2.0);
    EXPECT_EQ(MTH_portable_exp(0.0), 1.0);
    EXPECT_EQ(MTH_portable_exp(1000.0), INFINITY);
    EXPECT_EQ(MTH_portable_exp(-1000.0), 0.0);
    EXPECT_EQ(MTH_portable_exp(-INFINITY), 0.0);
    EXPECT_TRUE(std::isnan(MTH_portable_exp(NAN)));
}

TEST(PortableExp, TheTailWithItIsTheLibrarysTail) {
    for (double x = -8; x <= 37.5; x += 0.01) {
        const double library = MTH_normal_upper_tail(x);
        EXPECT_NEAR(MTH_portable_normal_upper_tail(x), library, 8 * DBL_EPSILON * library) << x;
    }
    EXPECT_EQ(MTH_portable_normal_upper_tail(50), 0.0);
    EXPECT_EQ(MTH_portable_normal_upper_tail(-50), 1.0);
}

// ---- Draws of counts -----------------------------------------------------------

long double binomial_probability(std::int64_t n, long double p, std::int64_t k) {
    const auto nn = static_cast<long double>(n);
    const auto kk = static_cast<long double>(k);
    return std::exp(std::lgamma(nn + 1) - std::lgamma(kk + 1) - std::lgamma(nn - kk + 1) +
                    kk * std::log(p) + (nn - kk) * std::log1p(-p));
}

// Pearson's chi-square of observed counts against expected ones, the cells
// merged from the left until each expects at least 20; and its degrees of
// freedom. `expected` and `observed` are by outcome.
struct Fit {
    double statistic = 0;
    int freedom = -1;
};

Fit fit_of(const std::vector<double> &expected, const std::vector<double> &observed) {
    Fit fit;
    double e = 0;
    double o = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        e += expected[i];
        o += observed[i];
        if (e >= 20 || i + 1 == expected.size()) {
            fit.statistic += (o - e) * (o - e) / e;
            ++fit.freedom;
            e = o = 0;
        }
    }
    return fit;
}

// Far in the chi-square's upper tail for its freedom (about 6 SD), so a
// seeded fit fails only for a wrong distribution.
double far_bound(int freedom) { return freedom + 6 * std::sqrt(2.0 * freedom) + 10; }

TEST(CountDraws, BinomialDrawsFitTheBinomialDistribution) {
    struct Case {
        std::int64_t n;
        double p;
    };
    const Case cases[] = {{1, 0.5},       {10, 0.3},     {4000, 0.3},       {4000, 0.003},
                          {100000, 1e-5}, {31521, 0.08}, {2147483647, 0.5}, {50, 0.999}};
    constexpr int kDraws = 200000;
    for (const Case &c : cases) {
        const BinomialDraw draw(c.n, c.p);
        Random random(7);
        std::map<std::int64_t, double> observed;
        for (int i = 0; i < kDraws; ++i) {
            observed[draw.draw(random)] += 1;
        }
        // The outcomes within 12 SD of the mean, and every one drawn.
        const double sd = std::sqrt(static_cast<double>(c.n) * c.p * (1 - c.p));
        const double mean = static_cast<double>(c.n) * c.p;
        const auto low = std::max<std::int64_t>(0, static_cast<std::int64_t>(mean - 12 * sd - 2));
        const auto high =
            std::min<std::int64_t>(c.n, static_cast<std::int64_t>(mean + 12 * sd + 2));
        std::vector<double> e;
        std::vector<double> o;
        for (std::int64_t k = low; k <= high; ++k) {
            e.push_back(kDraws * static_cast<double>(binomial_probability(c.n, c.p, k)));
            o.push_back(observed.count(k) != 0 ? observed[k] : 0);
        }
        ASSERT_GE(observed.begin()->first, low) << c.n << " " << c.p;
        ASSERT_LE(observed.rbegin()->first, high) << c.n << " " << c.p;
        const Fit fit = fit_of(e, o);
        EXPECT_LT(fit.statistic, far_bound(fit.freedom)) << c.n << " " << c.p;
    }
}

TEST(CountDraws, CertainAndEmptyBinomialsGiveTheirOneCount) {
    Random random(1);
    EXPECT_EQ(BinomialDraw(100, 0).draw(random), 0);
    EXPECT_EQ(BinomialDraw(100, 1).draw(random), 100);
    EXPECT_EQ(BinomialDraw(0, 0.4).draw(random), 0);
    EXPECT_EQ(BinomialDraw(100, NAN).draw(random), 0);
}

long double multinomial_probability(std::int64_t n, const double p[3], const std::int64_t k[3]) {
    long double log_p = std::lgamma(static_cast<long double>(n) + 1);
    for (int g = 0; g < 3; ++g) {
        const auto kk = static_cast<long double>(k[g]);
        log_p -= std::lgamma(kk + 1);
        if (k[g] > 0) {
            log_p += kk * std::log(static_cast<long double>(p[g]));
        }
    }
    return std::exp(log_p);
}

TEST(CountDraws, ClassDrawsFitTheMultinomialDistribution) {
    // Small studies, every outcome a cell; the rarest class drawn first is
    // any of the three.
    const double frequencies[][3] = {
        {0.5, 0.3, 0.2}, {0.2, 0.5, 0.3}, {0.09, 0.42, 0.49}, {0.845, 0.149, 0.006}};
    constexpr std::int64_t kPeople = 9;
    constexpr int kDraws = 200000;
    for (const auto &p : frequencies) {
        ClassDraw draw(kPeople, p);
        Random random(11);
        std::map<std::pair<std::int64_t, std::int64_t>, double> observed;
        for (int i = 0; i < kDraws; ++i) {
            std::int64_t counts[3];
            draw.draw(random, counts);
            ASSERT_EQ(counts[0] + counts[1] + counts[2], kPeople);
            observed[{counts[0], counts[1]}] += 1;
        }
        std::vector<double> e;
        std::vector<double> o;
        for (std::int64_t a = 0; a <= kPeople; ++a) {
            for (std::int64_t b = 0; a + b <= kPeople; ++b) {
                const std::int64_t k[3] = {a, b, kPeople - a - b};
                e.push_back(kDraws * static_cast<double>(multinomial_probability(kPeople, p, k)));
                o.push_back(observed.count({a, b}) != 0 ? observed[{a, b}] : 0);
            }
        }
        const Fit fit = fit_of(e, o);
        EXPECT_LT(fit.statistic, far_bound(fit.freedom)) << p[0] << " " << p[1] << " " << p[2];
    }
}

TEST(CountDraws, LargeClassDrawsHaveTheMultinomialMomentsAndCovariance) {
    // The recessive example's controls (a rare homozygote class), and ten
    // million people of even classes (the rest's split a sum of many
    // binomials).
    struct Case {
        std::int64_t people;
        double p[3];
    };
    const Case cases[] = {{15760, {0.845, 0.149, 0.006}}, {10000000, {0.25, 0.5, 0.25}}};
    constexpr int kDraws = 100000;
    for (const Case &c : cases) {
        const double *p = c.p;
        ClassDraw draw(c.people, p);
        Random random(13);
        double sum[3] = {};
        double square[3] = {};
        double cross = 0;  // classes 1 and 2
        for (int i = 0; i < kDraws; ++i) {
            std::int64_t counts[3];
            draw.draw(random, counts);
            for (int g = 0; g < 3; ++g) {
                sum[g] += static_cast<double>(counts[g]);
                square[g] += static_cast<double>(counts[g]) * static_cast<double>(counts[g]);
            }
            cross += static_cast<double>(counts[1]) * static_cast<double>(counts[2]);
        }
        const auto n = static_cast<double>(c.people);
        for (int g = 0; g < 3; ++g) {
            const double mean = sum[g] / kDraws;
            const double variance = square[g] / kDraws - mean * mean;
            const double expected_variance = n * p[g] * (1 - p[g]);
            EXPECT_NEAR(mean, n * p[g], 5 * std::sqrt(expected_variance / kDraws)) << g;
            // The sample variance's relative error is about sqrt(2 / draws).
            EXPECT_NEAR(variance / expected_variance, 1, 5 * std::sqrt(2.0 / kDraws)) << g;
        }
        const double covariance = cross / kDraws - (sum[1] / kDraws) * (sum[2] / kDraws);
        const double expected = -n * p[1] * p[2];
        // The sample covariance's standard error: sqrt(v1 v2 (1 + rho^2) / draws).
        const double v1 = n * p[1] * (1 - p[1]);
        const double v2 = n * p[2] * (1 - p[2]);
        const double rho = expected / std::sqrt(v1 * v2);
        EXPECT_NEAR(covariance, expected, 5 * std::sqrt(v1 * v2 * (1 + rho * rho) / kDraws))
            << c.people;
    }
}

// ---- The statistics ----------------------------------------------------------------

// Pearson's chi-square of a table, by sum O^2 / E - N over the non-empty
// columns: a form other than the statistics' own.
double pearson(const std::vector<std::vector<double>> &table) {
    double total = 0;
    std::vector<double> rows(table.size(), 0);
    std::vector<double> columns(table[0].size(), 0);
    for (std::size_t r = 0; r < table.size(); ++r) {
        for (std::size_t c = 0; c < table[r].size(); ++c) {
            rows[r] += table[r][c];
            columns[c] += table[r][c];
            total += table[r][c];
        }
    }
    double sum = 0;
    for (std::size_t r = 0; r < table.size(); ++r) {
        for (std::size_t c = 0; c < table[r].size(); ++c) {
            if (columns[c] > 0) {
                sum += table[r][c] * table[r][c] / (rows[r] * columns[c] / total);
            }
        }
    }
    return sum - total;
}

// The Cochran-Armitage statistic in its textbook form.
double armitage(const double x[3], const std::int64_t r[3], const std::int64_t s[3]) {
    double big_r = 0;
    double big_s = 0;
    double xr = 0;
    double xn = 0;
    double xxn = 0;
    for (int g = 0; g < 3; ++g) {
        const double n = static_cast<double>(r[g] + s[g]);
        big_r += static_cast<double>(r[g]);
        big_s += static_cast<double>(s[g]);
        xr += x[g] * static_cast<double>(r[g]);
        xn += x[g] * n;
        xxn += x[g] * x[g] * n;
    }
    const double big_n = big_r + big_s;
    const double top = big_n * xr - big_r * xn;
    return big_n * top * top / (big_r * big_s * (big_n * xxn - xn * xn));
}

TEST(CountStatistics, PooledStatisticsAreTheirTablesClosedForms) {
    std::mt19937_64 engine(input_seed() + 17);
    std::uniform_int_distribution<std::int64_t> count(0, 3000);
    for (int i = 0; i < 2000; ++i) {
        std::int64_t r[3];
        std::int64_t s[3];
        for (int g = 0; g < 3; ++g) {
            r[g] = count(engine) + (g == 0 ? 1 : 0);
            s[g] = count(engine) + (g == 2 ? 1 : 0);
        }
        const double z = vantor::allelic_statistic_of_genotypes(r, s, true);
        const double a1 = static_cast<double>(r[1] + 2 * r[2]);
        const double a0 = static_cast<double>(s[1] + 2 * s[2]);
        const double n1 = 2.0 * static_cast<double>(r[0] + r[1] + r[2]);
        const double n0 = 2.0 * static_cast<double>(s[0] + s[1] + s[2]);
        EXPECT_NEAR(z * z, pearson({{a1, n1 - a1}, {a0, n0 - a0}}), 1e-9 * (1 + z * z));
        for (const std::int32_t test : {GEN_TREND, GEN_DOMINANT, GEN_RECESSIVE}) {
            double x[3];
            GEN_test_scores(test, x);
            const double t = vantor::score_statistic(test, r, s, true);
            EXPECT_NEAR(t * t, armitage(x, r, s), 1e-9 * (1 + t * t)) << test;
        }
        const std::vector<std::vector<double>> table = {
            {static_cast<double>(r[0]), static_cast<double>(r[1]), static_cast<double>(r[2])},
            {static_cast<double>(s[0]), static_cast<double>(s[1]), static_cast<double>(s[2])}};
        const double chi = vantor::genotypic_statistic(r, s);
        EXPECT_NEAR(chi, pearson(table), 1e-9 * (1 + chi));
    }
}

TEST(CountStatistics, UnpooledStatisticsAreTheWaldForms) {
    const std::int64_t r[3] = {500, 400, 100};
    const std::int64_t s[3] = {600, 350, 50};
    const double p1 = 600.0 / 2000;
    const double p0 = 450.0 / 2000;
    const double wald = (p1 - p0) / std::sqrt(p1 * (1 - p1) / 2000 + p0 * (1 - p0) / 2000);
    EXPECT_NEAR(vantor::allelic_statistic_of_genotypes(r, s, false), wald, 1e-12);
    // Trend scores: means 0.6 and 0.45, variances E[x^2] - mean^2.
    const double v1 = (400 + 4 * 100) / 1000.0 - 0.36;
    const double v0 = (350 + 4 * 50) / 1000.0 - 0.45 * 0.45;
    EXPECT_NEAR(vantor::score_statistic(GEN_TREND, r, s, false),
                0.15 / std::sqrt(v1 / 1000 + v0 / 1000), 1e-12);
}

TEST(CountStatistics, NothingVariesIsNoStatisticAndSeparationIsInfinite) {
    const std::int64_t all_zero[3] = {100, 0, 0};
    EXPECT_TRUE(std::isnan(vantor::allelic_statistic_of_genotypes(all_zero, all_zero, true)));
    EXPECT_TRUE(std::isnan(vantor::score_statistic(GEN_TREND, all_zero, all_zero, false)));
    EXPECT_EQ(vantor::genotypic_statistic(all_zero, all_zero), 0.0);
    EXPECT_EQ(vantor::allelic_statistic(10, 10, 0, 10, false), INFINITY);
    EXPECT_EQ(vantor::allelic_statistic(0, 10, 10, 10, false), -INFINITY);
    EXPECT_TRUE(std::isfinite(vantor::allelic_statistic(10, 10, 0, 10, true)));
}

// ---- Simulations ---------------------------------------------------------------------

SIM_run run_of(std::int64_t replicates, std::uint64_t seed) {
    SIM_run run{};
    run.replicates = replicates;
    run.seed = seed;
    return run;
}

// Hardy-Weinberg genotypes of rate q in both groups: no association.
SIM_groups no_effect(std::int32_t draws, double q) {
    SIM_groups groups{};
    groups.draws = draws;
    groups.case_rate = groups.control_rate = q;
    const double hw[3] = {(1 - q) * (1 - q), 2 * q * (1 - q), q * q};
    for (int g = 0; g < 3; ++g) {
        groups.cases[g] = groups.controls[g] = hw[g];
    }
    return groups;
}

TEST(Simulation, AtNoEffectEachTestRejectsAtItsLevel) {
    struct Case {
        std::int32_t draws;
        std::int32_t test;
        std::int32_t variance;
    };
    const Case cases[] = {
        {SIM_ALLELE_COUNTS, GEN_ALLELIC, PWR_VARIANCE_POOLED},
        {SIM_ALLELE_COUNTS, GEN_ALLELIC, PWR_VARIANCE_UNPOOLED},
        {SIM_GENOTYPE_COUNTS, GEN_ALLELIC, PWR_VARIANCE_POOLED},
        {SIM_GENOTYPE_COUNTS, GEN_ALLELIC, PWR_VARIANCE_UNPOOLED},
        {SIM_GENOTYPE_COUNTS, GEN_TREND, PWR_VARIANCE_POOLED},
        {SIM_GENOTYPE_COUNTS, GEN_TREND, PWR_VARIANCE_UNPOOLED},
        {SIM_GENOTYPE_COUNTS, GEN_DOMINANT, PWR_VARIANCE_POOLED},
        {SIM_GENOTYPE_COUNTS, GEN_RECESSIVE, PWR_VARIANCE_POOLED},
        {SIM_GENOTYPE_COUNTS, GEN_GENOTYPIC, PWR_VARIANCE_POOLED},
    };
    // Large enough groups that the lattice of a test's values (a few
    // thousandths of level at 2,000 people a group for the dominant test)
    // is below the simulation's error.
    constexpr double kLevel = 0.05;
    constexpr std::int64_t kReplicates = 200000;
    for (const Case &c : cases) {
        const SIM_groups groups = no_effect(c.draws, 0.3);
        const std::int64_t people = 20000;
        const std::int64_t counts = c.draws == SIM_ALLELE_COUNTS ? 2 * people : people;
        const SIM_run run = run_of(kReplicates, 20261208);
        SIM_result result{};
        ASSERT_EQ(SIM_single_stage_power(&groups, c.test, c.variance, kLevel, counts, counts, &run,
                                         &result),
                  VANTOR_FOUND);
        const double se = std::sqrt(kLevel * (1 - kLevel) / kReplicates);
        EXPECT_NEAR(result.power, kLevel, 3 * se) << c.draws << " " << c.test << " " << c.variance;
        EXPECT_EQ(result.replicates, kReplicates);
        EXPECT_NEAR(result.standard_error, se, 0.1 * se);
    }
}

// A study of the library's, asked for its formula's power and simulated.
struct Asked {
    double power;
    double simulated;
    double error;
};

Asked ask(const std::map<std::string, double> &numbers,
          const std::map<std::string, const char *> &words) {
    ASK_request *request = ASK_request_new();
    for (const auto &[name, value] : numbers) {
        ASK_give(request, ASK_input_index(name.c_str()), value);
    }
    for (const auto &[name, word] : words) {
        ASK_give_word(request, ASK_input_index(name.c_str()), word);
    }
    ASK_answer answers[ASK_MOST_ANSWERS];
    ASK_answer_request(request, answers);
    EXPECT_LE(answers[0].status, VANTOR_FOUND_WITH_WARNING) << answers[0].reason;
    ASK_request_free(request);
    return {ASK_result_number(&answers[0], "power"), answers[0].simulated_power,
            answers[0].standard_error};
}

TEST(Simulation, ABinaryTestRejectsAsOftenAsItsExactRejectionProbability) {
    // The dominant test at no effect, 500 + 500 people: its exact rejection
    // probability summed over both groups' carrier counts (binomial), the
    // statistic as Pearson's 2 x 2 chi-square. A wrong draw, statistic or
    // critical value moves the simulated rate away from this sum.
    constexpr std::int64_t kPeople = 500;
    const double q = 0.3;
    const double carriers = 1 - (1 - q) * (1 - q);
    const double critical = 3.841458820694124;  // chi-square(1) at 0.05
    long double exact = 0;
    for (std::int64_t x1 = 0; x1 <= kPeople; ++x1) {
        const long double p1 = binomial_probability(kPeople, carriers, x1);
        for (std::int64_t x0 = 0; x0 <= kPeople; ++x0) {
            const double a = static_cast<double>(x1);
            const double b = static_cast<double>(x0);
            const double n = kPeople;
            const double chi =
                x1 + x0 == 0 || x1 + x0 == 2 * kPeople ? 0 : pearson({{a, n - a}, {b, n - b}});
            if (chi > critical) {
                exact += p1 * binomial_probability(kPeople, carriers, x0);
            }
        }
    }
    const SIM_groups groups = no_effect(SIM_GENOTYPE_COUNTS, q);
    const SIM_run run = run_of(1000000, 5);
    SIM_result result{};
    SIM_single_stage_power(&groups, GEN_DOMINANT, PWR_VARIANCE_POOLED, 0.05, kPeople, kPeople, &run,
                           &result);
    EXPECT_NEAR(result.power, static_cast<double>(exact), 4 * result.standard_error);
}

TEST(Simulation, AgreesWithTheFormulasWhereTheyHold) {
    // Large studies, odds-ratio descriptions or a multiplicative model, levels
    // where the normal approximation serves: formula and simulation within 3
    // standard errors and the formula's own error of a few thousandths.
    constexpr double kFormulaGap = 0.003;
    const std::map<std::string, double> allelic = {{"cases", 2000},      {"controls", 2000},
                                                   {"odds_ratio", 1.15}, {"control_rate", 0.3},
                                                   {"alpha", 1e-3},      {"replicates", 100000}};
    const std::map<std::string, double> disease = {
        {"cases", 3000},        {"controls", 3000}, {"frequency", 0.3},    {"prevalence", 0.05},
        {"relative_risk", 1.2}, {"alpha", 1e-4},    {"replicates", 100000}};
    struct Case {
        const std::map<std::string, double> *numbers;
        std::map<std::string, const char *> words;
    };
    const Case cases[] = {
        {&allelic, {}},
        {&allelic, {{"variance", "unpooled"}}},
        {&disease, {{"test", "allelic"}}},
        {&disease, {{"test", "trend"}}},
        {&disease, {{"test", "dominant"}}},
        {&disease, {{"test", "genotypic"}}},
    };
    for (const Case &c : cases) {
        const Asked a = ask(*c.numbers, c.words);
        EXPECT_GT(a.power, 0.2);
        EXPECT_LT(a.power, 0.95);
        EXPECT_NEAR(a.simulated, a.power, 3 * a.error + kFormulaGap)
            << (c.words.empty() ? "" : c.words.begin()->second);
    }
}

TEST(Simulation, TwoStagesAgreeWithTheFormulasWhereTheyHold) {
    // Equal stages; stages of unequal groups (the product and joint analyses'
    // formulas take each stage's Wald statistic, and so does their
    // simulation); replication at a stage 1 level of twice the overall
    // one, whose final level is 1; and the genotype tests of a recessive
    // model (each stage's test as asked, the pooled variance).
    struct Case {
        double counts[4];
        double stage1_alpha;
        double alpha;
        const char *test;  // of the recessive model; nullptr: allelic, of an odds ratio
    };
    const Case cases[] = {{{3000, 3000, 3000, 3000}, 1e-3, 5e-8, nullptr},
                          {{500, 3000, 2000, 2000}, 1e-2, 1e-3, nullptr},
                          {{3000, 3000, 3000, 3000}, 1e-7, 5e-8, nullptr},
                          {{1500, 1500, 2000, 2000}, 1e-2, 1e-4, "recessive"},
                          {{800, 2400, 3000, 2000}, 1e-2, 1e-4, "trend"}};
    for (const Case &c : cases) {
        for (const char *method : {"replication", "product", "joint"}) {
            std::map<std::string, double> numbers = {{"stages", 2},
                                                     {"stage1_cases", c.counts[0]},
                                                     {"stage1_controls", c.counts[1]},
                                                     {"stage2_cases", c.counts[2]},
                                                     {"stage2_controls", c.counts[3]},
                                                     {"odds_ratio", 1.2},
                                                     {"control_rate", 0.3},
                                                     {"alpha", c.alpha},
                                                     {"stage1_alpha", c.stage1_alpha},
                                                     {"replicates", 100000}};
            std::map<std::string, const char *> words = {{"method", method}};
            if (c.test != nullptr) {
                numbers.erase("odds_ratio");
                numbers.erase("control_rate");
                numbers.insert({{"frequency", 0.3}, {"prevalence", 0.05}, {"relative_risk", 1.5}});
                words.insert({{"model", "recessive"}, {"test", c.test}});
            }
            const Asked a = ask(numbers, words);
            EXPECT_GT(a.power, 0.1) << method << " " << c.counts[0];
            EXPECT_LT(a.power, 0.95) << method << " " << c.counts[0];
            EXPECT_NEAR(a.simulated, a.power, 3 * a.error + 0.003) << method << " " << c.counts[0];
        }
    }
}

TEST(Simulation, ASearchsAnswerIsSimulatedAtWhatItFound) {
    // The formulas' size and detectable odds ratio for 80 % power reach about
    // 80 % when simulated.
    const Asked size = ask({{"controls", 3000},
                            {"odds_ratio", 1.2},
                            {"control_rate", 0.3},
                            {"alpha", 1e-4},
                            {"target_power", 0.8},
                            {"replicates", 100000}},
                           {});
    EXPECT_NEAR(size.simulated, 0.8, 3 * size.error + 0.005);
    const Asked effect = ask({{"cases", 2000},
                              {"controls", 2000},
                              {"control_rate", 0.3},
                              {"alpha", 1e-4},
                              {"target_power", 0.8},
                              {"replicates", 100000}},
                             {{"direction", "above"}});
    EXPECT_NEAR(effect.simulated, 0.8, 3 * effect.error + 0.005);
}

TEST(Simulation, ASeedGivesOneAnswerAndProgressEndsAtTheTotal) {
    const SIM_groups groups = no_effect(SIM_GENOTYPE_COUNTS, 0.2);
    struct Told {
        std::vector<std::int64_t> done;
        std::int64_t total = 0;
    } told;
    SIM_run run = run_of(200000, 99);
    run.progress = [](void *context, std::int64_t done, std::int64_t total) {
        auto *t = static_cast<Told *>(context);
        t->done.push_back(done);
        t->total = total;
    };
    run.context = &told;
    SIM_result first{};
    SIM_result again{};
    SIM_result other{};
    SIM_single_stage_power(&groups, GEN_TREND, PWR_VARIANCE_POOLED, 0.2, 500, 500, &run, &first);
    run.progress = nullptr;
    SIM_single_stage_power(&groups, GEN_TREND, PWR_VARIANCE_POOLED, 0.2, 500, 500, &run, &again);
    run.seed = 100;
    SIM_single_stage_power(&groups, GEN_TREND, PWR_VARIANCE_POOLED, 0.2, 500, 500, &run, &other);
    EXPECT_EQ(first.rejections, again.rejections);
    EXPECT_NE(first.rejections, other.rejections);
    EXPECT_EQ(told.done, (std::vector<std::int64_t>{65536, 131072, 196608, 200000}));
    EXPECT_EQ(told.total, 200000);
}

TEST(Simulation, RefusesWhatItCannotRun) {
    const SIM_groups genotypes = no_effect(SIM_GENOTYPE_COUNTS, 0.3);
    const SIM_groups alleles = no_effect(SIM_ALLELE_COUNTS, 0.3);
    SIM_groups bad_rate = alleles;
    bad_rate.case_rate = NAN;
    SIM_groups bad_frequency = genotypes;
    bad_frequency.controls[1] = -0.1;
    SIM_groups bad_draws = alleles;
    bad_draws.draws = 7;
    struct Case {
        const SIM_groups *groups;
        std::int32_t test;
        std::int32_t variance;
        double alpha;
        std::int64_t cases;
        std::int64_t replicates;
        std::int32_t reason;
    };
    const Case cases[] = {
        {&alleles, GEN_ALLELIC, 0, 0.05, 100, 0, VANTOR_REASON_BAD_REPLICATES},
        {&alleles, GEN_ALLELIC, 0, 0.05, 100, SIM_MOST_REPLICATES + 1LL,
         VANTOR_REASON_BAD_REPLICATES},
        {&bad_rate, GEN_ALLELIC, 0, 0.05, 100, 10, VANTOR_REASON_BAD_CONTROL_RATE},
        {&bad_frequency, GEN_TREND, 0, 0.05, 100, 10, VANTOR_REASON_BAD_FREQUENCY},
        {&bad_draws, GEN_ALLELIC, 0, 0.05, 100, 10, VANTOR_REASON_BAD_COUNT},
        {&alleles, GEN_TREND, 0, 0.05, 100, 10, VANTOR_REASON_TEST_NEEDS_MODEL},
        {&genotypes, 5, 0, 0.05, 100, 10, VANTOR_REASON_BAD_TEST},
        {&genotypes, GEN_TREND, 2, 0.05, 100, 10, VANTOR_REASON_BAD_VARIANCE},
        {&genotypes, GEN_TREND, 0, 0, 100, 10, VANTOR_REASON_BAD_ALPHA},
        {&genotypes, GEN_TREND, 0, NAN, 100, 10, VANTOR_REASON_BAD_ALPHA},
        {&genotypes, GEN_TREND, 0, 0.05, 0, 10, VANTOR_REASON_BAD_CASES},
        {&genotypes, GEN_TREND, 0, 0.05, 2147483648LL, 10, VANTOR_REASON_BAD_CASES},
    };
    for (const Case &c : cases) {
        const SIM_run run = run_of(c.replicates, 1);
        SIM_result result{};
        EXPECT_EQ(SIM_single_stage_power(c.groups, c.test, c.variance, c.alpha, c.cases, 100, &run,
                                         &result),
                  VANTOR_INVALID_INPUT);
        EXPECT_EQ(result.reason, c.reason) << c.reason;
        EXPECT_TRUE(std::isnan(result.power));
    }
    SIM_two_stages design{PWR_METHOD_JOINT, {1e-3, 1e-5, 5e-8}, 0.5, {100, 100}, {100, 100}};
    const SIM_run run = run_of(10, 1);
    SIM_result result{};
    design.stage1_weight = 1;
    EXPECT_EQ(SIM_two_stage_power(&alleles, 0, &design, &run, &result), VANTOR_INVALID_INPUT);
    design.stage1_weight = 0.5;
    design.method = 3;
    EXPECT_EQ(SIM_two_stage_power(&alleles, 0, &design, &run, &result), VANTOR_INVALID_INPUT);
    design.method = PWR_METHOD_PRODUCT;
    EXPECT_EQ(SIM_two_stage_test_power(&alleles, GEN_TREND, 0, &design, &run, &result),
              VANTOR_INVALID_INPUT);
    EXPECT_EQ(SIM_two_stage_test_power(&alleles, GEN_GENOTYPIC, 0, &design, &run, &result),
              VANTOR_INVALID_INPUT);
    EXPECT_EQ(result.reason, VANTOR_REASON_GENOTYPIC_ONE_STAGE);
    design.controls[1] = 0;
    EXPECT_EQ(SIM_two_stage_power(&alleles, 0, &design, &run, &result), VANTOR_INVALID_INPUT);
    EXPECT_EQ(result.reason, VANTOR_REASON_BAD_CONTROLS);
}

}  // namespace
