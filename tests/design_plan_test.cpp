// Two-stage designs under a plan: the people available, the stage 2 panel,
// a fixed level or share, costs in money, each stage's case fraction. Every
// design is recounted from its counts (limits, costs, power by the power
// question) and compared with a dense grid over what it searches.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "question/study.h"
#include "search/design.h"
#include "search/plan.h"

namespace {

// The planning example: prevalence 0.01, risk-allele frequency 0.25,
// multiplicative relative risk 1.3, a million markers at 0.05 study-wide,
// the joint analysis.
STU_study planning_example() {
    STU_study study;
    STU_study_init(&study);
    study.effect_kind = STU_EFFECT_DISEASE;
    DIS_model_init(&study.effect.disease);
    study.effect.disease.frequency = 0.25;
    study.effect.disease.prevalence = 0.01;
    study.effect.disease.relative_risk = 1.3;
    study.markers = 1e6;
    study.alpha = 0.05;
    study.method = PWR_METHOD_JOINT;
    return study;
}

bool found(const DSN_design_result &r) { return r.status <= VANTOR_FOUND_WITH_WARNING; }

std::int64_t half_up(double x) { return static_cast<std::int64_t>(std::floor(x + 0.5)); }

// A total laid out as the header says: stage 1 round(share N), each stage
// round(f n) cases.
void lay_out(std::int64_t total, double share, const double fraction[2], std::int64_t cases[2],
             std::int64_t controls[2]) {
    const std::int64_t n[2] = {half_up(share * static_cast<double>(total)),
                               total - half_up(share * static_cast<double>(total))};
    for (int k = 0; k < 2; ++k) {
        cases[k] = half_up(fraction[k] * static_cast<double>(n[k]));
        controls[k] = n[k] - cases[k];
    }
}

// The power question's answer for the counts at the level: what a design
// found must have.
DSN_design_result power_of(STU_study study, const std::int64_t cases[2],
                           const std::int64_t controls[2], double alpha0, double cost_ratio) {
    study.stage1_alpha = alpha0;
    DSN_design_result r{};
    STU_two_stage_power(&study, cases, controls, cost_ratio, &r);
    return r;
}

// Stage 1 levels a grid tries: `count` levels, three significant digits,
// from `least` to `most` on a log scale.
std::vector<double> grid_levels(double least, double most, int count) {
    std::vector<double> levels;
    for (int i = 0; i < count; ++i) {
        const double u =
            std::log10(least) + (std::log10(most) - std::log10(least)) * i / (count - 1);
        char text[32];
        std::snprintf(text, sizeof text, "%.2e", std::pow(10.0, u));
        levels.push_back(std::fmin(most, std::fmax(least, std::strtod(text, nullptr))));
    }
    return levels;
}

// What the plan's costs make of a design, summed as a budget is written.
double money_of(const DSN_costs &k, double markers, const DSN_design_result &r) {
    const double n1 = static_cast<double>(r.cases[0]) + r.controls[0];
    const double n2 = static_cast<double>(r.cases[1]) + r.controls[1];
    return k.fixed[0] + k.fixed[1] + n1 * k.stage1_cost_per_person +
           n2 * (k.stage2_cost_per_person + k.stage2_cost_per_genotype * markers * r.alpha[0]);
}

// Checks a found design against its study and plan from its counts alone.
void expect_kept(const STU_study &study, const DSN_design_result &r, double cost_ratio) {
    ASSERT_TRUE(found(r)) << VANTOR_message(r.reason);
    const std::int64_t cases[2] = {r.cases[0], r.cases[1]};
    const std::int64_t controls[2] = {r.controls[0], r.controls[1]};
    if (study.cases_available > 0) {
        EXPECT_LE(cases[0] + cases[1], study.cases_available);
    }
    if (study.controls_available > 0) {
        EXPECT_LE(controls[0] + controls[1], study.controls_available);
    }
    for (int k = 0; k < 2; ++k) {
        if (study.stage_controls_available[k] > 0) {
            EXPECT_LE(controls[k], study.stage_controls_available[k]);
        }
        EXPECT_DOUBLE_EQ(r.case_fraction[k], static_cast<double>(cases[k]) /
                                                 static_cast<double>(cases[k] + controls[k]));
    }
    EXPECT_DOUBLE_EQ(r.stage2_markers, study.markers * r.alpha[0]);
    if (study.panel > 0) {
        EXPECT_LE(r.stage2_markers, study.panel);
    }
    const DSN_design_result again = power_of(study, cases, controls, r.alpha[0], cost_ratio);
    EXPECT_EQ(r.power, again.power);
    EXPECT_EQ(r.alpha[1], again.alpha[1]);
    EXPECT_DOUBLE_EQ(r.cost, again.cost);
    if (study.costs.money == 1) {
        EXPECT_NEAR(r.cost_in_money, money_of(study.costs, study.markers, r),
                    1e-12 * r.cost_in_money);
    } else {
        EXPECT_TRUE(std::isnan(r.cost_in_money));
    }
}

// The least cost of a dense grid of shares and levels, each answered by the
// smallest total within the study's people (fractions as the study's).
double grid_least_cost(STU_study study, double target, double cost_ratio, double most_level) {
    const double least = 2 * study.alpha / study.markers;
    double best = INFINITY;
    for (int j = 0; j <= 45; ++j) {
        const double share = 0.05 + 0.02 * j;
        for (const double alpha0 : grid_levels(least, most_level, 25)) {
            study.stage1_alpha = alpha0;
            DSN_design_result r{};
            if (STU_smallest_total_at_cost(&study, share, target, cost_ratio, &r) == VANTOR_FOUND) {
                best = std::fmin(best, study.costs.money == 1 ? r.cost_in_money : r.cost);
            }
        }
    }
    return best;
}

TEST(PlannedDesign, ThePanelBoundsTheCheapestDesignNearADenseGridsBest) {
    STU_study study = planning_example();
    DSN_design_result unlimited{};
    ASSERT_EQ(STU_cheapest_design(&study, 0.8, 3.0, &unlimited), VANTOR_FOUND);
    EXPECT_GT(unlimited.stage2_markers, 2000);  // 18,600 markers: more than a panel holds
    study.panel = 2000;
    DSN_design_result r{};
    ASSERT_EQ(STU_cheapest_design(&study, 0.8, 3.0, &r), VANTOR_FOUND);
    expect_kept(study, r, 3.0);
    EXPECT_EQ(r.binding_limit, DSN_LIMIT_PANEL);
    EXPECT_GE(r.power, 0.8);
    EXPECT_GT(r.cost, unlimited.cost);
    // Within 0.5 % of the least cost of 46 shares by 25 levels up to the panel's.
    EXPECT_LE(r.cost, 1.005 * grid_least_cost(study, 0.8, 3.0, 2000 / 1e6));
}

TEST(PlannedDesign, TheCheapestRecessiveTestDesignIsNearADenseGridsBest) {
    // A recessive effect tested by the recessive test: the search is the
    // allelic test's on another power.
    STU_study study = planning_example();
    study.effect.disease.model = DIS_RECESSIVE;
    study.effect.disease.frequency = 0.3;
    study.effect.disease.relative_risk = 1.5;
    study.test = GEN_RECESSIVE;
    study.panel = 5000;
    DSN_design_result r{};
    ASSERT_EQ(STU_cheapest_design(&study, 0.8, 3.0, &r), VANTOR_FOUND);
    expect_kept(study, r, 3.0);
    EXPECT_GE(r.power, 0.8);
    EXPECT_LE(r.cost, 1.005 * grid_least_cost(study, 0.8, 3.0, 5000 / 1e6));
    // Its one-stage comparison is the recessive test's own size question.
    STU_size_result one{};
    STU_cases_for_ratio(&study, 1.0, 0.8, &one);
    EXPECT_EQ(r.one_stage_total, one.cases + one.controls);
}

// The largest total of the layout whose counts keep the people available
// and whose cost fits the budget.
std::int64_t largest_affordable(const STU_study &study, double share, const double fraction[2],
                                double alpha0, double budget, double cost_ratio) {
    std::int64_t cases[2];
    std::int64_t controls[2];
    const auto fits = [&](std::int64_t total) {
        lay_out(total, share, fraction, cases, controls);
        const double cost = static_cast<double>(cases[0] + controls[0]) +
                            cost_ratio * alpha0 * static_cast<double>(cases[1] + controls[1]);
        return cost <= budget && cases[0] + cases[1] <= study.cases_available &&
               controls[0] + controls[1] <= study.controls_available;
    };
    std::int64_t total = 8;
    for (std::int64_t step = 4096; step >= 1; step /= 2) {
        while (fits(total + step)) {
            total += step;
        }
    }
    return fits(total) ? total : 0;
}

TEST(PlannedDesign, PerStageFractionsBeatTheBestCommonFractionWithinPeopleAndBudget) {
    // At most 3,000 cases and 6,000 controls, and the budget of the cheapest
    // design of 80 % power without them.
    STU_study study = planning_example();
    DSN_design_result cheapest{};
    ASSERT_EQ(STU_cheapest_design(&study, 0.8, 3.0, &cheapest), VANTOR_FOUND);
    study.cases_available = 3000;
    study.controls_available = 6000;
    study.per_stage_fractions = 1;
    DSN_design_result r{};
    ASSERT_EQ(STU_most_powerful_design(&study, cheapest.cost, 3.0, &r), VANTOR_FOUND);
    expect_kept(study, r, 3.0);
    EXPECT_LE(r.cost, cheapest.cost);
    // The best design of one case fraction for both stages: 19 shares by 11
    // levels by 9 fractions, each at its largest affordable total.
    double best = 0;
    const double least = 2 * study.alpha / study.markers;
    for (int j = 0; j <= 18; ++j) {
        const double share = 0.05 + 0.05 * j;
        for (const double alpha0 : grid_levels(least, 0.5, 11)) {
            for (int i = 0; i <= 8; ++i) {
                const double f = 0.2 + 0.05 * i;
                const double fraction[2] = {f, f};
                const std::int64_t total =
                    largest_affordable(study, share, fraction, alpha0, cheapest.cost, 3.0);
                std::int64_t cases[2];
                std::int64_t controls[2];
                lay_out(total, share, fraction, cases, controls);
                if (total > 0) {
                    best = std::fmax(best, power_of(study, cases, controls, alpha0, 3.0).power);
                }
            }
        }
    }
    EXPECT_GE(r.power, best - 1e-3) << "the grid's best " << best;
}

TEST(PlannedDesign, MoneyPerGenotypeIsTheCostRatioDesign) {
    // A stage 1 array of M genotypes at 1 each and stage 2 genotypes at the
    // cost ratio: money is M times the genotyping cost (M a power of two, so
    // exactly), and every design is the same.
    STU_study study = planning_example();
    study.markers = 1048576;
    for (const int method : {PWR_METHOD_REPLICATION, PWR_METHOD_PRODUCT, PWR_METHOD_JOINT}) {
        study.method = method;
        study.costs.money = 0;
        DSN_design_result by_ratio{};
        ASSERT_EQ(STU_cheapest_design(&study, 0.8, 3.0, &by_ratio), VANTOR_FOUND);
        DSN_design_result by_budget{};
        ASSERT_EQ(STU_most_powerful_design(&study, 2500, 3.0, &by_budget), VANTOR_FOUND);
        study.costs.money = 1;
        study.costs.stage1_cost_per_person = study.markers;
        study.costs.stage2_cost_per_genotype = 3.0;
        DSN_design_result in_money{};
        ASSERT_EQ(STU_cheapest_design(&study, 0.8, 1.0, &in_money), VANTOR_FOUND);
        EXPECT_EQ(in_money.total, by_ratio.total) << method;
        EXPECT_EQ(in_money.cases[0], by_ratio.cases[0]) << method;
        EXPECT_EQ(in_money.alpha[0], by_ratio.alpha[0]) << method;
        EXPECT_EQ(in_money.cost_in_money, study.markers * by_ratio.cost) << method;
        DSN_design_result budget_in_money{};
        ASSERT_EQ(STU_most_powerful_design(&study, 2500 * study.markers, 1.0, &budget_in_money),
                  VANTOR_FOUND);
        EXPECT_EQ(budget_in_money.total, by_budget.total) << method;
        EXPECT_EQ(budget_in_money.power, by_budget.power) << method;
        expect_kept(study, in_money, 1.0);
    }
}

// Questions under a plan that keep what is fixed, say what binds, or say
// why nothing can be reached.
struct PlanCase {
    const char *what;
    std::int64_t cases_available, controls_available, stage1_controls, stage2_controls;
    double panel, fixed_alpha, fixed_share;
    double stage1_cost;  // money: per person in stage 1, and 20 a stage 2 person, 0.05 an assay
    int question;        // 0 smallest total (share 0.4, level 1e-3), 1 cheapest, 2 most powerful
    int per_stage;
    std::int32_t status, reason, binding;
};

const PlanCase kPlanCases[] = {
    {"cases bind the cheapest", 3000, 0, 0, 0, 0, NAN, NAN, 0, 1, 1, VANTOR_FOUND, 0,
     DSN_LIMIT_CASES},
    {"too few cases", 1000, 0, 0, 0, 0, NAN, NAN, 0, 1, 1, VANTOR_NOT_REACHABLE,
     VANTOR_REASON_CASES_AVAILABLE_TOO_FEW, 0},
    {"too few controls", 0, 1500, 0, 0, 0, NAN, NAN, 0, 1, 0, VANTOR_NOT_REACHABLE,
     VANTOR_REASON_CONTROLS_AVAILABLE_TOO_FEW, 0},
    {"shared stage 1 controls", 0, 0, 400, 0, 0, NAN, NAN, 0, 1, 1, VANTOR_FOUND, 0,
     DSN_LIMIT_STAGE1_CONTROLS},
    {"a fixed level the panel cannot hold", 0, 0, 0, 0, 100, 1e-3, NAN, 0, 1, 0,
     VANTOR_NOT_REACHABLE, VANTOR_REASON_PANEL_TOO_SMALL, 0},
    {"a fixed level and share", 0, 0, 0, 0, 0, 1e-3, 0.35, 0, 1, 0, VANTOR_FOUND, 0,
     DSN_LIMIT_NONE},
    {"a fixed level beyond the panel", 0, 0, 0, 0, 500, 1e-3, NAN, 0, 2, 0, VANTOR_NOT_REACHABLE,
     VANTOR_REASON_PANEL_TOO_SMALL, 0},
    {"the smallest total within the cases", 2000, 0, 0, 0, 0, NAN, NAN, 0, 0, 0,
     VANTOR_NOT_REACHABLE, VANTOR_REASON_CASES_AVAILABLE_TOO_FEW, 0},
    {"the smallest total in money", 0, 0, 0, 0, 2000, NAN, NAN, 300, 0, 0, VANTOR_FOUND, 0,
     DSN_LIMIT_NONE},
    {"cases so few that only a small case fraction reaches", 1800, 0, 0, 0, 0, NAN, NAN, 0, 1, 1,
     VANTOR_FOUND, 0, DSN_LIMIT_CASES},
    {"a stage 1 of next to no controls, screened at the largest level", 0, 0, 100, 0, 0, NAN, NAN,
     0, 1, 1, VANTOR_FOUND, 0, DSN_LIMIT_STAGE1_CONTROLS},
    {"a stage 2 of few controls: stage 1 takes nearly everyone", 0, 0, 0, 200, 0, NAN, NAN, 0, 1, 1,
     VANTOR_FOUND, 0, DSN_LIMIT_STAGE2_CONTROLS},
    {"a fixed level above the searched ones", 0, 0, 0, 0, 0, 0.6, NAN, 0, 1, 0, VANTOR_FOUND, 0,
     DSN_LIMIT_NONE},
    {"the most powerful in money within people", 3000, 6000, 0, 0, 0, NAN, NAN, 300, 2, 1,
     VANTOR_FOUND, 0, DSN_LIMIT_CASES},
};

TEST(PlannedDesign, KeepsWhatIsFixedAndSaysWhatBindsOrWhyNothingIsReached) {
    for (const PlanCase &c : kPlanCases) {
        STU_study study = planning_example();
        study.cases_available = c.cases_available;
        study.controls_available = c.controls_available;
        study.stage_controls_available[0] = c.stage1_controls;
        study.stage_controls_available[1] = c.stage2_controls;
        study.panel = c.panel;
        study.fixed_stage1_alpha = c.fixed_alpha;
        study.fixed_stage1_share = c.fixed_share;
        study.per_stage_fractions = c.per_stage;
        double budget = 2500;
        if (c.stage1_cost > 0) {
            study.costs.money = 1;
            study.costs.stage1_cost_per_person = c.stage1_cost;
            study.costs.stage2_cost_per_person = 20;
            study.costs.stage2_cost_per_genotype = 0.05;
            study.costs.fixed[0] = 1e4;
            budget = 3e6;
        }
        DSN_design_result r{};
        if (c.question == 0) {
            study.stage1_alpha = 1e-3;
            STU_smallest_total_at_cost(&study, 0.4, 0.8, 1.0, &r);
        } else if (c.question == 1) {
            STU_cheapest_design(&study, 0.8, 1.0, &r);
        } else {
            STU_most_powerful_design(&study, budget, 1.0, &r);
        }
        ASSERT_EQ(r.status, c.status) << c.what << ": " << VANTOR_message(r.reason);
        if (!found(r)) {
            EXPECT_EQ(r.reason, c.reason) << c.what;
            continue;
        }
        study.stage1_alpha = NAN;
        expect_kept(study, r, 1.0);
        EXPECT_EQ(r.binding_limit, c.binding) << c.what;
        if (!std::isnan(c.fixed_alpha)) {
            EXPECT_EQ(r.alpha[0], c.fixed_alpha) << c.what;
        }
        if (!std::isnan(c.fixed_share)) {
            EXPECT_EQ(r.cases[0] + r.controls[0], half_up(c.fixed_share * r.total)) << c.what;
        }
        if (c.question != 2) {
            EXPECT_GE(r.power, 0.8) << c.what;
        }
        // Every found answer is compared with the one-stage study.
        EXPECT_GT(r.one_stage_total, 0) << c.what;
        if (study.costs.money == 1) {
            EXPECT_EQ(r.one_stage_cost_in_money,
                      1e4 + static_cast<double>(r.one_stage_total) * c.stage1_cost)
                << c.what;
        }
    }
}

TEST(PlannedDesign, PlanChecksNameWhatTheyRefuse) {
    const DSN_study study = {PWR_METHOD_JOINT,    1.3, 0.3, 5e-8, 0.5, VANTOR_COUNT_PEOPLE,
                             PWR_VARIANCE_POOLED, 0,   {0}, {0}};
    struct Refused {
        void (*spoil)(DSN_plan &);
        std::int32_t reason;
    };
    const Refused refused[] = {
        {[](DSN_plan &p) { p.markers = 0.5; }, VANTOR_REASON_BAD_MARKERS},
        {[](DSN_plan &p) { p.limits.cases_available = 1; }, VANTOR_REASON_BAD_AVAILABLE},
        {[](DSN_plan &p) { p.limits.stage_controls_available[1] = -3; },
         VANTOR_REASON_BAD_AVAILABLE},
        {[](DSN_plan &p) { p.limits.panel = INFINITY; }, VANTOR_REASON_BAD_PANEL},
        {[](DSN_plan &p) { p.limits.panel = 100; }, VANTOR_REASON_PLAN_NEEDS_MARKERS},
        {[](DSN_plan &p) { p.costs.money = 1; }, VANTOR_REASON_BAD_MONEY},
        {[](DSN_plan &p) {
             p.costs.money = 1;
             p.costs.stage1_cost_per_person = 1;
             p.costs.fixed[1] = NAN;
         },
         VANTOR_REASON_BAD_MONEY},
        {[](DSN_plan &p) { p.limits.stage1_alpha = 2e-8; }, VANTOR_REASON_BAD_STAGE1_ALPHA},
        {[](DSN_plan &p) { p.limits.stage1_share = 1; }, VANTOR_REASON_BAD_STAGE1_SHARE},
    };
    for (const Refused &r : refused) {
        DSN_plan plan;
        DSN_plan_init(&plan);
        r.spoil(plan);
        DSN_design_result result{};
        EXPECT_EQ(DSN_cheapest_design_planned(&study, &plan, 0.8, &result), VANTOR_INVALID_INPUT);
        EXPECT_EQ(result.reason, r.reason) << VANTOR_message(result.reason);
    }
}

}  // namespace
