// A request of named inputs: which question it asks, its defaults, its
// checks (each refusal naming its input), and its answer through the
// questions of the study record.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "question/ask.h"
// clang-format on

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <new>
#include <string>

#include "disease/disease_model.h"
#include "disease/genotype_tests.h"
#include "question/checked_questions.h"
#include "question/records.h"
#include "question/simulated_answers.h"
#include "status/partner_rounding.h"

namespace {

// The inputs, in the order of kInputs.
enum Input : std::int32_t {
    kCases,
    kControls,
    kControlsPerCase,
    kCasesPerControl,
    kOddsRatio,
    kDirection,
    kControlRate,
    kFrequency,
    kPrevalence,
    kModel,
    kRelativeRisk,
    kHeterozygoteRisk,
    kHomozygoteRisk,
    kControlsKind,
    kMarkerFrequency,
    kDPrime,
    kRSquared,
    kTest,
    kMarkers,
    kAlpha,
    kTargetPower,
    kVariance,
    kMethod,
    kTotal,
    kStage1Share,
    kStage1Cases,
    kStage1Controls,
    kStage2Cases,
    kStage2Controls,
    kCaseFraction,
    kStage1Alpha,
    kBudget,
    kCostRatio,
    kCount,
    kStages,
    kSolve,
    kCalculation,
    kReplicates,
    kSeed,
    kCasesAvailable,
    kControlsAvailable,
    kStage1ControlsAvailable,
    kStage2ControlsAvailable,
    kPanel,
    kStage1CostPerPerson,
    kStage2CostPerPerson,
    kStage2CostPerGenotype,
    kStage1FixedCost,
    kStage2FixedCost,
    kInputCount
};

constexpr std::int32_t kNone = -1;
constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();

// An input as the library knows it: its description, and the glossary
// inputs whose refusals it answers for besides its own (a stage's cases
// answer for "cases").
struct Known {
    ASK_input about;
    const char *answers_for[2];
};

constexpr const char *kPeople = "people";

// clang-format off
constexpr Known kInputs[] = {
    {{"cases", ASK_COUNT, "", VANTOR_REASON_BAD_CASES, "", "number of cases", 0}, {}},
    {{"controls", ASK_COUNT, "", VANTOR_REASON_BAD_CONTROLS, "", "number of controls", 0}, {}},
    {{"controls_per_case", ASK_NUMBER, "", VANTOR_REASON_BAD_RATIO, "",
      "controls per case, instead of the controls", 0}, {"controls"}},
    {{"cases_per_control", ASK_NUMBER, "", VANTOR_REASON_BAD_RATIO, "",
      "cases per control: the cases and controls are solved together", 0}, {"controls_per_case"}},
    {{"odds_ratio", ASK_NUMBER, "", VANTOR_REASON_BAD_ODDS_RATIO, "",
      "allelic odds ratio of the risk allele", STU_EFFECT_ALLELIC}, {}},
    {{"direction", ASK_WORD, "direction", VANTOR_REASON_BAD_DIRECTION, "above,below",
      "the side of 1 of the odds ratio (or relative risk) found: above or below", 0}, {}},
    {{"control_rate", ASK_NUMBER, "", VANTOR_REASON_BAD_CONTROL_RATE, "",
      "risk-allele rate among controls, in (0, 1)", STU_EFFECT_ALLELIC}, {}},
    {{"frequency", ASK_NUMBER, "", VANTOR_REASON_BAD_FREQUENCY, "",
      "risk-allele frequency in the population, in (0, 1)", STU_EFFECT_DISEASE}, {}},
    {{"prevalence", ASK_NUMBER, "", VANTOR_REASON_BAD_PREVALENCE, "",
      "the disease's prevalence, in (0, 1)", STU_EFFECT_DISEASE}, {}},
    {{"model", ASK_WORD, "model", VANTOR_REASON_BAD_MODEL, "multiplicative",
      "genetic model: multiplicative, additive, dominant, recessive or free", STU_EFFECT_DISEASE}, {}},
    {{"relative_risk", ASK_NUMBER, "", VANTOR_REASON_BAD_RELATIVE_RISK, "",
      "genotype relative risk r of one copy (the model sets two copies')", STU_EFFECT_DISEASE}, {}},
    {{"heterozygote_risk", ASK_NUMBER, "", VANTOR_REASON_BAD_RELATIVE_RISK, "",
      "the free model's relative risk of one copy", STU_EFFECT_DISEASE}, {"relative_risk"}},
    {{"homozygote_risk", ASK_NUMBER, "", VANTOR_REASON_BAD_RELATIVE_RISK, "",
      "the free model's relative risk of two copies", STU_EFFECT_DISEASE}, {"relative_risk"}},
    {{"controls_kind", ASK_WORD, "controls_kind", VANTOR_REASON_BAD_CONTROLS_KIND, "unaffected",
      "who the controls are: unaffected or population (unscreened)", STU_EFFECT_DISEASE}, {}},
    {{"marker_frequency", ASK_NUMBER, "", VANTOR_REASON_BAD_MARKER_FREQUENCY, "",
      "the marker allele's frequency, in (0, 1) (default the risk allele's)", STU_EFFECT_DISEASE}, {}},
    {{"d_prime", ASK_NUMBER, "", VANTOR_REASON_BAD_LD, "",
      "the marker's D' with the risk allele, in [0, 1] (default: the marker is the causal "
      "variant)", STU_EFFECT_DISEASE}, {"ld"}},
    {{"r_squared", ASK_NUMBER, "", VANTOR_REASON_BAD_LD, "",
      "the marker's r^2 with the risk allele, in [0, 1] (default: the marker is the causal "
      "variant)", STU_EFFECT_DISEASE}, {"ld"}},
    {{"test", ASK_WORD, "test", VANTOR_REASON_BAD_TEST, "allelic",
      "association test: allelic, or with a disease model trend, dominant, recessive or "
      "genotypic (one stage)", 0}, {}},
    {{"markers", ASK_NUMBER, "", VANTOR_REASON_BAD_MARKERS, "1",
      "number of markers tested, or the effective number of independent tests (a real number "
      "from 1): the test runs at alpha divided by it, the per-marker level (Bonferroni)", 0}, {}},
    {{"alpha", ASK_NUMBER, "", VANTOR_REASON_BAD_ALPHA, "5e-8; with markers above 1, 0.05",
      "two-sided significance level (study-wide; for two stages the overall level), in "
      "[1e-12, 1)", 0}, {}},
    {{"target_power", ASK_NUMBER, "", VANTOR_REASON_BAD_TARGET_POWER, "",
      "target power, above the level and below 1", 0}, {}},
    {{"variance", ASK_WORD, "variance", VANTOR_REASON_BAD_VARIANCE, "pooled",
      "the test's variance under no association: pooled (from the pooled rate, as the allelic "
      "chi-square test does) or unpooled (each group's own rate, as the Wald test does)", 0}, {}},
    {{"method", ASK_WORD, "method", VANTOR_REASON_BAD_METHOD, "joint",
      "analysis: replication, product (of p-values) or joint", 0}, {}},
    {{"total", ASK_COUNT, "", VANTOR_REASON_BAD_CASES, "",
      "cases and controls of both stages together", 0}, {"cases", "controls"}},
    {{"stage1_share", ASK_NUMBER, "", VANTOR_REASON_BAD_STAGE1_SHARE, "",
      "stage 1's share of the total, in (0, 1); a design search keeps one given", 0}, {}},
    {{"stage1_cases", ASK_COUNT, "", VANTOR_REASON_BAD_CASES, "", "stage 1's cases", 0}, {"cases"}},
    {{"stage1_controls", ASK_COUNT, "", VANTOR_REASON_BAD_CONTROLS, "", "stage 1's controls", 0},
     {"controls"}},
    {{"stage2_cases", ASK_COUNT, "", VANTOR_REASON_BAD_CASES, "", "stage 2's cases", 0}, {"cases"}},
    {{"stage2_controls", ASK_COUNT, "", VANTOR_REASON_BAD_CONTROLS, "", "stage 2's controls", 0},
     {"controls"}},
    {{"case_fraction", ASK_NUMBER, "", VANTOR_REASON_BAD_CASE_FRACTION,
      "0.5; with cases or controls available, a design search chooses each stage's",
      "cases' share of each stage, in (0, 1)", 0}, {}},
    {{"stage1_alpha", ASK_NUMBER, "", VANTOR_REASON_BAD_STAGE1_ALPHA, "",
      "the stage 1 level (at least twice alpha; above it for product); a design search keeps "
      "one given", 0}, {}},
    {{"budget", ASK_NUMBER, "", VANTOR_REASON_BAD_BUDGET, "",
      "budget: genotypes per marker in the counting unit, or money with costs in money", 0}, {}},
    {{"cost_ratio", ASK_NUMBER, "", VANTOR_REASON_BAD_COST_RATIO, "1",
      "cost of a stage 2 genotype relative to a stage 1 one", 0}, {}},
    {{"count", ASK_WORD, "count", VANTOR_REASON_BAD_COUNT, kPeople,
      "what every count counts: people (two alleles each) or alleles", 0}, {}},
    {{"stages", ASK_NUMBER, "", VANTOR_REASON_BAD_STAGES, "1", "the study's stages: 1 or 2", 0}, {}},
    {{"solve", ASK_WORD, "solve", VANTOR_REASON_BAD_SOLVE, "",
      "what is solved: power, size or effect (one stage), power, size or design (two stages); "
      "by default what the inputs given leave open", 0}, {}},
    {{"calculation", ASK_WORD, "calculation", VANTOR_REASON_BAD_CALCULATION,
      "genotypes with a disease model counting people, else classic",
      "how the power is calculated: genotypes (each group's variance from its genotype "
      "distribution) or classic (the published tools' formulas)", 0}, {}},
    {{"replicates", ASK_NUMBER, "", VANTOR_REASON_BAD_REPLICATES, "",
      "simulate the power of the study answered: the number of studies simulated, from 1 to "
      "1e9 (what is solved stays the formulas')", 0}, {}},
    {{"seed", ASK_NUMBER, "", VANTOR_REASON_BAD_SEED, "1",
      "the seed of the simulation's random numbers, a whole number from 0 to 2^53 - 1: the same "
      "seed gives the same simulated power everywhere", 0}, {}},
    {{"cases_available", ASK_COUNT, "", VANTOR_REASON_BAD_AVAILABLE, "not limited",
      "the cases there are for both stages together (a design question keeps within them)", 0}, {}},
    {{"controls_available", ASK_COUNT, "", VANTOR_REASON_BAD_AVAILABLE, "not limited",
      "the controls there are for both stages together", 0}, {"cases_available"}},
    {{"stage1_controls_available", ASK_COUNT, "", VANTOR_REASON_BAD_AVAILABLE, "not limited",
      "the controls there are for stage 1 (shared controls, say)", 0}, {"cases_available"}},
    {{"stage2_controls_available", ASK_COUNT, "", VANTOR_REASON_BAD_AVAILABLE, "not limited",
      "the controls there are for stage 2", 0}, {"cases_available"}},
    {{"panel", ASK_NUMBER, "", VANTOR_REASON_BAD_PANEL, "not limited",
      "the most markers stage 2 can type: markers x stage 1 level, the markers without effect "
      "expected to pass stage 1, stays within it (needs markers)", 0}, {}},
    {{"stage1_cost_per_person", ASK_NUMBER, "", VANTOR_REASON_BAD_MONEY, "",
      "the cost of a person in stage 1 (the array), in your unit of money: costs in money", 0}, {}},
    {{"stage2_cost_per_person", ASK_NUMBER, "", VANTOR_REASON_BAD_MONEY, "0",
      "the cost of a person in stage 2 beside the assays (samples, DNA, handling)", 0},
     {"stage1_cost_per_person"}},
    {{"stage2_cost_per_genotype", ASK_NUMBER, "", VANTOR_REASON_BAD_MONEY, "0",
      "the cost of a stage 2 assay, per person and marker (needs markers)", 0},
     {"stage1_cost_per_person"}},
    {{"stage1_fixed_cost", ASK_NUMBER, "", VANTOR_REASON_BAD_MONEY, "0",
      "stage 1's fixed cost, in money", 0}, {"stage1_cost_per_person"}},
    {{"stage2_fixed_cost", ASK_NUMBER, "", VANTOR_REASON_BAD_MONEY, "0",
      "stage 2's fixed cost, in money", 0}, {"stage1_cost_per_person"}},
};
// clang-format on

static_assert(std::size(kInputs) == kInputCount, "one description per input");

// The inputs each kind of study reads, in the order refusals are looked for.
// clang-format off
constexpr Input kSingleStageInputs[] = {
    kCases,          kControls,     kControlsPerCase, kCasesPerControl,
    kOddsRatio,      kDirection,    kControlRate,     kFrequency,
    kPrevalence,     kModel,        kRelativeRisk,    kHeterozygoteRisk,
    kHomozygoteRisk, kControlsKind, kMarkerFrequency, kDPrime,
    kRSquared,       kTest,         kMarkers,         kAlpha,
    kTargetPower,    kVariance,     kCalculation,     kReplicates,
    kSeed};
// clang-format on

// clang-format off
constexpr Input kTwoStageInputs[] = {
    kMethod,           kTotal,          kStage1Share,       kStage1Cases,
    kStage1Controls,   kStage2Cases,    kStage2Controls,    kCaseFraction,
    kOddsRatio,        kControlRate,    kFrequency,         kPrevalence,
    kModel,            kRelativeRisk,   kHeterozygoteRisk,  kHomozygoteRisk,
    kControlsKind,     kMarkerFrequency, kDPrime,           kRSquared,
    kTest,             kMarkers,        kAlpha,             kStage1Alpha,
    kTargetPower,      kCostRatio,      kStage1CostPerPerson, kStage2CostPerPerson,
    kStage2CostPerGenotype, kStage1FixedCost, kStage2FixedCost, kCasesAvailable,
    kControlsAvailable, kStage1ControlsAvailable, kStage2ControlsAvailable, kPanel,
    kVariance,         kReplicates,     kSeed};

// A design search's: the stages' counts (and the level and share, unless
// fixed) are what it searches.
constexpr Input kDesignInputs[] = {
    kMethod,           kTargetPower,    kBudget,            kCostRatio,
    kStage1CostPerPerson, kStage2CostPerPerson, kStage2CostPerGenotype, kStage1FixedCost,
    kStage2FixedCost,  kCasesAvailable, kControlsAvailable, kStage1ControlsAvailable,
    kStage2ControlsAvailable, kPanel,   kStage1Alpha,       kStage1Share,
    kCaseFraction,     kOddsRatio,      kControlRate,       kFrequency,
    kPrevalence,       kModel,          kRelativeRisk,      kHeterozygoteRisk,
    kHomozygoteRisk,   kControlsKind,   kMarkerFrequency,   kDPrime,
    kRSquared,         kTest,           kMarkers,           kAlpha,
    kVariance,         kReplicates,     kSeed};

// The limits of a design question, and the costs in money.
constexpr Input kLimitInputs[] = {kCasesAvailable, kControlsAvailable, kStage1ControlsAvailable,
                                  kStage2ControlsAvailable, kPanel};
constexpr Input kPeopleLimitInputs[] = {kCasesAvailable, kControlsAvailable,
                                        kStage1ControlsAvailable, kStage2ControlsAvailable};
constexpr Input kMoneyInputs[] = {kStage1CostPerPerson, kStage2CostPerPerson,
                                  kStage2CostPerGenotype, kStage1FixedCost, kStage2FixedCost};
// clang-format on

// A disease model's inputs: any of them given describes the effect by one.
constexpr Input kDiseaseInputs[] = {
    kFrequency,      kPrevalence,   kModel,           kRelativeRisk, kHeterozygoteRisk,
    kHomozygoteRisk, kControlsKind, kMarkerFrequency, kDPrime,       kRSquared};
constexpr Input kAllelicInputs[] = {kOddsRatio, kControlRate};
constexpr Input kStageCounts[] = {kStage1Cases, kStage1Controls, kStage2Cases, kStage2Controls};

constexpr std::int32_t kNoCode = -1000;  // below every choice code
// 2^53 - 1: every whole number up to it is a double, so a seed typed above
// it cannot round down into the range.
constexpr double kLargestSeed = 9007199254740991.0;
constexpr double kDefaultSeed = 1;
constexpr double kDefaultCostRatio = 1;
constexpr std::size_t kWordLength = 32;

}  // namespace

struct ASK_request {
    double value[kInputCount];
    std::uint64_t given;                  // bit i: input i is given
    char word[kInputCount][kWordLength];  // a word or text as given, for the messages
    bool typed[kInputCount];              // given as a word or a text: `word` shows it
    std::uint64_t other_kind;             // bit i: input i's value is of another kind
    // The study of the last answer whose study part was accepted, and the
    // inputs given anew since: while only a question's own inputs change
    // (the counts, the ratio, the target power ...), the study, what is
    // given and what is solved need no second look.
    mutable STU_study remembered_study;
    mutable std::uint64_t remembered_given;
    mutable bool remembered;
    mutable std::uint64_t changed;
    // Told the progress of a simulation (ASK_set_progress).
    SIM_progress progress;
    void *progress_context;
};

namespace {

// A refusal: the reason, and the inputs it names.
struct Refusal {
    std::int32_t reason = VANTOR_REASON_NONE;
    std::int32_t input = kNone;
    std::int32_t other = kNone;
    [[nodiscard]] bool refused() const { return reason != VANTOR_REASON_NONE; }
};

Refusal make_refusal(std::int32_t reason, std::int32_t input = kNone, std::int32_t other = kNone) {
    return {reason, input, other};
}

// The request as the checks and questions read it: its values with the
// defaults that depend on nothing asked filled in.
struct Asked {
    const ASK_request &request;
    std::uint64_t given = 0;        // bit i: input i is given, or taken as the question's default
    bool target_defaulted = false;  // the target power is the default "solve" implies
    std::int32_t count_code = VANTOR_COUNT_PEOPLE;
    std::int32_t solve = 0;  // ASK_SOLVE_* as given, or 0
    bool two_stages = false;

    [[nodiscard]] bool has(Input input) const { return ((given >> input) & 1U) != 0; }
    [[nodiscard]] double operator[](Input input) const {
        return input == kTargetPower && target_defaulted ? ASK_DEFAULT_TARGET_POWER
                                                         : request.value[input];
    }
    [[nodiscard]] std::int64_t count(Input input) const {
        return static_cast<std::int64_t>((*this)[input]);
    }
    [[nodiscard]] std::int32_t code(Input input) const {
        return static_cast<std::int32_t>((*this)[input]);
    }
    // Copies a given input's value into a field of the study (a count or a
    // code is whole: the kinds' check has passed when anything is given).
    template <typename Field>
    void copy_if_given(Input input, Field &field) const {
        if (has(input)) {
            field = static_cast<Field>((*this)[input]);
        }
    }
};

constexpr std::uint64_t bit(std::int32_t input) { return std::uint64_t{1} << input; }

// The lowest input of a set of bits; kNone for none.
std::int32_t lowest(std::uint64_t bits) {
    return bits == 0 ? kNone : static_cast<std::int32_t>(__builtin_ctzll(bits));
}

template <std::size_t N>
constexpr std::uint64_t bits_of(const Input (&inputs)[N]) {
    std::uint64_t bits = 0;
    for (const Input input : inputs) {
        bits |= bit(input);
    }
    return bits;
}

static_assert(kInputCount <= 64, "the inputs given are bits of one word");

bool named(const char *a, const char *b) {
    return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

// ---- What the request describes ---------------------------------------------

// The first of the inputs given (each list is in increasing order).
template <std::size_t N>
std::int32_t first_given(const Asked &asked, const Input (&among)[N]) {
    return lowest(asked.given & bits_of(among));
}

bool describes_disease(const Asked &asked) { return first_given(asked, kDiseaseInputs) != kNone; }

bool free_model(const Asked &asked) { return asked.has(kModel) && asked.code(kModel) == DIS_FREE; }

// Whether the request gives its effect in full.
bool effect_known(const Asked &asked) {
    if (!describes_disease(asked)) {
        return asked.has(kOddsRatio);
    }
    if (free_model(asked)) {
        return asked.has(kHeterozygoteRisk) && asked.has(kHomozygoteRisk);
    }
    return asked.has(kRelativeRisk);
}

double marker_alpha(const STU_study &study) { return study.alpha / study.markers; }

void set_disease(const Asked &asked, DIS_model &model) {
    DIS_model_init(&model);
    asked.copy_if_given(kFrequency, model.frequency);
    asked.copy_if_given(kPrevalence, model.prevalence);
    asked.copy_if_given(kModel, model.model);
    asked.copy_if_given(kControlsKind, model.controls_kind);
    asked.copy_if_given(kRelativeRisk, model.relative_risk);
    asked.copy_if_given(kHeterozygoteRisk, model.heterozygote_risk);
    asked.copy_if_given(kHomozygoteRisk, model.homozygote_risk);
    asked.copy_if_given(kMarkerFrequency, model.marker_frequency);
    if (asked.has(kDPrime)) {
        model.ld_kind = DIS_LD_D_PRIME;
        model.ld = asked[kDPrime];
    } else if (asked.has(kRSquared)) {
        model.ld_kind = DIS_LD_R_SQUARED;
        model.ld = asked[kRSquared];
    }
}

// A two-stage study's costs in money and limits. A design search keeps a
// stage 1 level or share given, and with people limited and no case
// fraction given it chooses each stage's.
void set_plan(const Asked &asked, STU_study &study) {
    if (first_given(asked, kMoneyInputs) != kNone) {
        study.costs.money = 1;
        asked.copy_if_given(kStage1CostPerPerson, study.costs.stage1_cost_per_person);
        asked.copy_if_given(kStage2CostPerPerson, study.costs.stage2_cost_per_person);
        asked.copy_if_given(kStage2CostPerGenotype, study.costs.stage2_cost_per_genotype);
        asked.copy_if_given(kStage1FixedCost, study.costs.fixed[0]);
        asked.copy_if_given(kStage2FixedCost, study.costs.fixed[1]);
    }
    asked.copy_if_given(kCasesAvailable, study.cases_available);
    asked.copy_if_given(kControlsAvailable, study.controls_available);
    asked.copy_if_given(kStage1ControlsAvailable, study.stage_controls_available[0]);
    asked.copy_if_given(kStage2ControlsAvailable, study.stage_controls_available[1]);
    asked.copy_if_given(kPanel, study.panel);
    if (asked.solve == ASK_SOLVE_DESIGN) {
        asked.copy_if_given(kStage1Alpha, study.fixed_stage1_alpha);
        asked.copy_if_given(kStage1Share, study.fixed_stage1_share);
        const bool people_limited = first_given(asked, kPeopleLimitInputs) != kNone;
        study.per_stage_fractions = people_limited && !asked.has(kCaseFraction) ? 1 : 0;
    }
}

// The study the request describes.
STU_study study_of(const Asked &asked) {
    STU_study study;
    STU_study_init(&study);
    study.count = asked.count_code;
    if (describes_disease(asked)) {
        study.effect_kind = STU_EFFECT_DISEASE;
        set_disease(asked, study.effect.disease);
    } else {
        asked.copy_if_given(kOddsRatio, study.effect.allelic.odds_ratio);
        asked.copy_if_given(kControlRate, study.effect.allelic.control_rate);
    }
    asked.copy_if_given(kVariance, study.variance);
    asked.copy_if_given(kTest, study.test);
    asked.copy_if_given(kCalculation, study.calculation);
    asked.copy_if_given(kMarkers, study.markers);
    study.alpha = asked.has(kAlpha) ? asked[kAlpha] : STU_default_alpha(study.markers);
    if (asked.two_stages) {
        study.method = asked.has(kMethod) ? asked.code(kMethod) : PWR_METHOD_JOINT;
        asked.copy_if_given(kStage1Alpha, study.stage1_alpha);
        asked.copy_if_given(kCaseFraction, study.case_fraction);
        set_plan(asked, study);
    }
    return study;
}

// ---- Refusals naming their input --------------------------------------------

// The library's refusal of a relative risk on its own (not positive and
// finite), asked of a model that refuses nothing else: it tells which of
// the free model's two risks is refused.
std::int32_t check_risk(double value) {
    DIS_model model;
    DIS_model_init(&model);
    model.frequency = 0.5;
    model.prevalence = 1e-9;
    model.relative_risk = value;
    const std::int32_t reason = DIS_check_model(&model);
    return reason == VANTOR_REASON_BAD_RELATIVE_RISK ? reason : VANTOR_REASON_NONE;
}

// Whether a value is a whole number from `smallest` to `largest`.
bool is_whole_within(double value, double smallest, double largest) {
    return value >= smallest && value <= largest && std::floor(value) == value;
}

// An input's own check of its value, given the study: VANTOR_REASON_NONE for
// an input without one.
std::int32_t own_check(Input input, double value, const STU_study &study) {
    switch (input) {
        case kCases:
        case kStage1Cases:
        case kStage2Cases:
            return VANTOR_check_cases(static_cast<std::int64_t>(value), study.count);
        case kControls:
        case kStage1Controls:
        case kStage2Controls:
            return VANTOR_check_controls(static_cast<std::int64_t>(value), study.count);
        case kControlsPerCase:
        case kCasesPerControl:
            return VANTOR_check_ratio(value, study.count);
        case kHeterozygoteRisk:
        case kHomozygoteRisk:
            return check_risk(value);
        case kTargetPower:
            return VANTOR_check_target_power(value, marker_alpha(study));
        case kStage1Share:
            return DSN_check_stage1_share(value);
        case kStage1Alpha:
            return DSN_check_stage1_alpha(study.method, value, marker_alpha(study));
        case kBudget:
            return DSN_check_budget(value);
        case kCostRatio:
            return DSN_check_cost_ratio(value);
        case kCasesAvailable:
        case kControlsAvailable:
            return value >= 2
                       ? DSN_check_available(static_cast<std::int64_t>(value), 2, study.count)
                       : VANTOR_REASON_BAD_AVAILABLE;
        case kStage1ControlsAvailable:
        case kStage2ControlsAvailable:
            return value >= 1
                       ? DSN_check_available(static_cast<std::int64_t>(value), 1, study.count)
                       : VANTOR_REASON_BAD_AVAILABLE;
        case kPanel:
            return value >= 1 ? DSN_check_panel(value) : VANTOR_REASON_BAD_PANEL;
        case kStage1CostPerPerson:
            return DSN_check_money(value, 1);
        case kStage2CostPerPerson:
        case kStage2CostPerGenotype:
        case kStage1FixedCost:
        case kStage2FixedCost:
            return DSN_check_money(value, 0);
        case kReplicates:
            return is_whole_within(value, 1, SIM_MOST_REPLICATES) ? VANTOR_REASON_NONE
                                                                  : VANTOR_REASON_BAD_REPLICATES;
        case kSeed:
            return is_whole_within(value, 0, kLargestSeed) ? VANTOR_REASON_NONE
                                                           : VANTOR_REASON_BAD_SEED;
        default:
            return VANTOR_REASON_NONE;
    }
}

// Whether a reason refuses the input: it names the input, or one the input
// answers for.
bool refuses(std::int32_t reason, Input input) {
    const char *named_input = REC_reason_input(reason);
    const Known &known = kInputs[input];
    return named(named_input, known.about.name) || named(named_input, known.answers_for[0]) ||
           named(named_input, known.answers_for[1]);
}

template <std::size_t N>
Refusal refusal_among(const Asked &asked, std::int32_t reason, const STU_study &study,
                      const Input (&order)[N]) {
    std::int32_t first = kNone;
    for (const Input input : order) {
        if (!asked.has(input) || !refuses(reason, input)) {
            continue;
        }
        if (own_check(input, asked[input], study) == reason) {
            return make_refusal(reason, input);
        }
        first = first == kNone ? input : first;
    }
    if (first != kNone) {
        return make_refusal(reason, first);
    }
    // An input left at its default (or the counting unit): named as the
    // library names it.
    return make_refusal(reason, ASK_input_index(REC_reason_input(reason)));
}

// The refusal naming the input the reason concerns: the first given input
// that the reason refuses, preferring one whose own check refuses it.
Refusal refusal_for(const Asked &asked, std::int32_t reason, const STU_study &study) {
    if (asked.solve == ASK_SOLVE_DESIGN) {
        return refusal_among(asked, reason, study, kDesignInputs);
    }
    return asked.two_stages ? refusal_among(asked, reason, study, kTwoStageInputs)
                            : refusal_among(asked, reason, study, kSingleStageInputs);
}

// The first given input whose own check refuses its value.
template <std::size_t N>
Refusal check_values(const Asked &asked, const STU_study &study, const Input (&order)[N]) {
    for (const Input input : order) {
        if (!asked.has(input)) {
            continue;
        }
        const std::int32_t reason = own_check(input, asked[input], study);
        if (reason != VANTOR_REASON_NONE) {
            return make_refusal(reason, input);
        }
    }
    return {};
}

// ---- Which inputs are given --------------------------------------------------

Refusal check_effect_description(const Asked &asked) {
    const std::int32_t model_input = first_given(asked, kDiseaseInputs);
    const std::int32_t allelic_input = first_given(asked, kAllelicInputs);
    if (model_input != kNone && allelic_input != kNone) {
        return make_refusal(VANTOR_REASON_TWO_EFFECTS, allelic_input, model_input);
    }
    if (model_input == kNone) {
        return asked.has(kControlRate) ? Refusal{}
                                       : make_refusal(VANTOR_REASON_MISSING_EFFECT, kControlRate);
    }
    for (const Input needed : {kFrequency, kPrevalence}) {
        if (!asked.has(needed)) {
            return make_refusal(VANTOR_REASON_MISSING_INPUT, needed);
        }
    }
    const bool d_prime = asked.has(kDPrime);
    const bool r_squared = asked.has(kRSquared);
    if (d_prime && r_squared) {
        return make_refusal(VANTOR_REASON_TWO_LD_INPUTS);
    }
    if (asked.has(kMarkerFrequency) && !d_prime && !r_squared) {
        return make_refusal(VANTOR_REASON_MARKER_FREQUENCY_WITHOUT_LD, kMarkerFrequency);
    }
    // The model takes a marker frequency of not a number for the causal
    // variant's; one given is the person's, and not a number is none.
    if (asked.has(kMarkerFrequency) && std::isnan(asked[kMarkerFrequency])) {
        return make_refusal(VANTOR_REASON_BAD_MARKER_FREQUENCY, kMarkerFrequency);
    }
    if (free_model(asked)) {
        return asked.has(kRelativeRisk)
                   ? make_refusal(VANTOR_REASON_RISK_OF_ONE_PARAMETER_MODEL, kRelativeRisk)
                   : Refusal{};
    }
    if (asked.has(kHeterozygoteRisk) || asked.has(kHomozygoteRisk)) {
        return make_refusal(VANTOR_REASON_RISK_OF_FREE_MODEL,
                            asked.has(kHeterozygoteRisk) ? kHeterozygoteRisk : kHomozygoteRisk);
    }
    return {};
}

// As check_effect_description, and the effect's own value given: the two-stage
// questions take it known.
Refusal check_effect_known(const Asked &asked) {
    Refusal problem = check_effect_description(asked);
    if (problem.refused()) {
        return problem;
    }
    if (!describes_disease(asked)) {
        return asked.has(kOddsRatio) ? Refusal{}
                                     : make_refusal(VANTOR_REASON_MISSING_ODDS_RATIO, kOddsRatio);
    }
    if (free_model(asked)) {
        for (const Input risk : {kHeterozygoteRisk, kHomozygoteRisk}) {
            if (!asked.has(risk)) {
                return make_refusal(VANTOR_REASON_MISSING_FREE_RISK, risk);
            }
        }
        return {};
    }
    return asked.has(kRelativeRisk) ? Refusal{}
                                    : make_refusal(VANTOR_REASON_MISSING_INPUT, kRelativeRisk);
}

int partners_given(const Asked &asked) {
    return (asked.has(kControls) ? 1 : 0) + (asked.has(kControlsPerCase) ? 1 : 0) +
           (asked.has(kCasesPerControl) ? 1 : 0);
}

// The power is asked: every other input is needed.
Refusal check_power_inputs(const Asked &asked) {
    if (!asked.has(kCases)) {
        return make_refusal(VANTOR_REASON_MISSING_OR_OPEN, kCases);
    }
    if (partners_given(asked) == 0) {
        return make_refusal(VANTOR_REASON_MISSING_CONTROLS, kControls);
    }
    if (effect_known(asked)) {
        return {};
    }
    if (free_model(asked)) {
        return make_refusal(VANTOR_REASON_MISSING_FREE_RISK,
                            asked.has(kHeterozygoteRisk) ? kHomozygoteRisk : kHeterozygoteRisk);
    }
    return make_refusal(VANTOR_REASON_MISSING_OR_OPEN,
                        describes_disease(asked) ? kRelativeRisk : kOddsRatio);
}

Refusal check_single_stage_inputs(const Asked &asked) {
    Refusal problem = check_effect_description(asked);
    if (problem.refused()) {
        return problem;
    }
    const bool known = effect_known(asked);
    const int partners = partners_given(asked);
    if (partners > 1) {
        return make_refusal(VANTOR_REASON_TWO_PARTNERS);
    }
    if (asked.has(kCasesPerControl) && (asked.has(kCases) || !asked.has(kTargetPower))) {
        return make_refusal(VANTOR_REASON_RATIO_SOLVES_BOTH);
    }
    if (asked.has(kDirection) && (known || !asked.has(kTargetPower))) {
        return make_refusal(describes_disease(asked) ? VANTOR_REASON_DIRECTION_OF_RISK
                                                     : VANTOR_REASON_DIRECTION_OF_ODDS_RATIO);
    }
    if (!asked.has(kTargetPower)) {
        return check_power_inputs(asked);
    }
    const int open = (asked.has(kCases) ? 0 : 1) + (partners > 0 ? 0 : 1) + (known ? 0 : 1);
    // Cases per control leaves both counts open, solved as one.
    const bool one_open = asked.has(kCasesPerControl) ? known : open == 1;
    return one_open ? Refusal{} : make_refusal(VANTOR_REASON_LEAVE_ONE_OPEN);
}

bool has_stage_counts(const Asked &asked) { return first_given(asked, kStageCounts) != kNone; }

Refusal check_two_stage_inputs(const Asked &asked) {
    Refusal problem = check_effect_known(asked);
    if (problem.refused()) {
        return problem;
    }
    if (!asked.has(kStage1Alpha)) {
        return make_refusal(VANTOR_REASON_MISSING_INPUT, kStage1Alpha);
    }
    // The limits are a design question's: the power of given counts or of a
    // total has none.
    const std::int32_t limit = first_given(asked, kLimitInputs);
    if (!asked.has(kTargetPower) && limit != kNone) {
        return make_refusal(VANTOR_REASON_LIMITS_NOT_READ, limit);
    }
    if (has_stage_counts(asked)) {
        for (const Input count : kStageCounts) {
            if (!asked.has(count)) {
                return make_refusal(VANTOR_REASON_MISSING_STAGE_COUNT, count);
            }
        }
        const bool other = asked.has(kTotal) || asked.has(kStage1Share) || asked.has(kTargetPower);
        return other ? make_refusal(VANTOR_REASON_COUNTS_AND_TOTAL) : Refusal{};
    }
    if (asked.has(kTotal) == asked.has(kTargetPower)) {
        return make_refusal(VANTOR_REASON_TOTAL_OR_TARGET);
    }
    if (!asked.has(kStage1Share)) {
        return make_refusal(VANTOR_REASON_MISSING_INPUT, kStage1Share);
    }
    return {};
}

Refusal check_design_inputs(const Asked &asked) {
    Refusal problem = check_effect_known(asked);
    if (problem.refused()) {
        return problem;
    }
    return asked.has(kTargetPower) == asked.has(kBudget)
               ? make_refusal(VANTOR_REASON_TARGET_OR_BUDGET)
               : Refusal{};
}

// The costs and limits of a plan: money needs stage 1's cost per person, no
// cost ratio, and people counted; a panel and assays need markers.
Refusal check_plan_inputs(const Asked &asked) {
    const std::int32_t money = first_given(asked, kMoneyInputs);
    if (money != kNone && !asked.has(kStage1CostPerPerson)) {
        return make_refusal(VANTOR_REASON_MISSING_INPUT, kStage1CostPerPerson);
    }
    if (money != kNone && asked.has(kCostRatio)) {
        return make_refusal(VANTOR_REASON_COSTS_TWO_WAYS, kCostRatio, money);
    }
    if (money != kNone && asked.count_code != VANTOR_COUNT_PEOPLE) {
        return make_refusal(VANTOR_REASON_MONEY_COUNTS_PEOPLE, kCount, money);
    }
    // One marker (a number of markers refused is the markers' own refusal).
    const bool one_marker = !asked.has(kMarkers) || asked[kMarkers] == 1;
    for (const Input needs_markers : {kPanel, kStage2CostPerGenotype}) {
        if (asked.has(needs_markers) && one_marker) {
            return make_refusal(VANTOR_REASON_PLAN_NEEDS_MARKERS, needs_markers, kMarkers);
        }
    }
    return {};
}

// ---- The study's own checks --------------------------------------------------

// The two-stage study: the single-stage fields, a test with a two-stage
// analysis, the method and the case fraction (on the odds ratio and control
// rate at the marker, at the per-marker level, as the two-stage questions ask
// them).
std::int32_t two_stage_study_reason(const STU_study &study) {
    std::int32_t reason = study.test == GEN_GENOTYPIC ? VANTOR_REASON_GENOTYPIC_ONE_STAGE
                                                      : STU_check_study(&study, 1);
    if (reason == VANTOR_REASON_NONE) {
        reason = DSN_check_method(study.method);
    }
    if (reason != VANTOR_REASON_NONE) {
        return reason;
    }
    DSN_study design{};
    design.method = study.method;
    design.odds_ratio = study.effect.allelic.odds_ratio;
    design.control_rate = study.effect.allelic.control_rate;
    design.test = study.test;
    if (study.effect_kind == STU_EFFECT_DISEASE) {
        DIS_marker marker{};
        DIS_marker_of(&study.effect.disease, &marker);
        design.odds_ratio = marker.odds_ratio;
        design.control_rate = marker.control_rate;
        for (int g = 0; g < 3; ++g) {
            design.case_genotypes[g] = marker.cases[g];
            design.control_genotypes[g] = marker.controls[g];
        }
    }
    design.alpha = marker_alpha(study);
    design.case_fraction = study.case_fraction;
    design.count = study.count;
    design.variance = study.variance;
    // A model's genotypes whose scores do not vary are the question's
    // answer (no power), not a refused input.
    const std::int32_t design_reason = DSN_check_study(&design);
    return design_reason == VANTOR_REASON_BAD_GENOTYPES ? VANTOR_REASON_NONE : design_reason;
}

// Controls for cases at a ratio of controls per case, rounded as the
// library's ratio solvers round them (halves up, at least one; one past the
// largest count when they do not fit, which the checks refuse).
std::int64_t controls_at_ratio(std::int64_t cases, double ratio) {
    return vantor::partner_units(ratio, cases);
}

std::int64_t controls_of(const Asked &asked) {
    return asked.has(kControlsPerCase)
               ? controls_at_ratio(asked.count(kCases), asked[kControlsPerCase])
               : asked.count(kControls);
}

// What is given and the study: the same for every request of the same
// inputs given and the same study.
Refusal check_single_stage_study(const Asked &asked, const STU_study &study) {
    const Refusal problem = check_single_stage_inputs(asked);
    if (problem.refused()) {
        return problem;
    }
    const std::int32_t reason = STU_check_study(&study, effect_known(asked) ? 1 : 0);
    return reason == VANTOR_REASON_NONE ? Refusal{} : refusal_for(asked, reason, study);
}

// The values of the question's own inputs (the counts, the ratio, the
// target power), given the study.
Refusal check_single_stage_values(const Asked &asked, const STU_study &study) {
    const Refusal problem = check_values(asked, study, kSingleStageInputs);
    if (problem.refused() || !asked.has(kControlsPerCase) || !asked.has(kCases)) {
        return problem;
    }
    const std::int32_t controls = VANTOR_check_controls(controls_of(asked), study.count);
    return controls == VANTOR_REASON_NONE ? Refusal{} : make_refusal(controls, kControlsPerCase);
}

// A total whose stages, as the library lays the total out, leave a group
// empty or beyond the largest count.
Refusal check_total(const Asked &asked, const STU_study &study) {
    std::int64_t cases[2] = {0, 0};
    std::int64_t controls[2] = {0, 0};
    DSN_counts_of_total(asked.count(kTotal), asked[kStage1Share], study.case_fraction, cases,
                        controls);
    for (int stage = 0; stage < 2; ++stage) {
        if (cases[stage] < 1 || controls[stage] < 1) {
            return make_refusal(VANTOR_REASON_STAGE_GROUP_EMPTY, kTotal);
        }
        std::int32_t reason = VANTOR_check_cases(cases[stage], study.count);
        if (reason == VANTOR_REASON_NONE) {
            reason = VANTOR_check_controls(controls[stage], study.count);
        }
        if (reason != VANTOR_REASON_NONE) {
            return make_refusal(reason, kTotal);
        }
    }
    return {};
}

Refusal check_two_stage_study(const Asked &asked, const STU_study &study) {
    const bool design = asked.solve == ASK_SOLVE_DESIGN;
    Refusal problem = design ? check_design_inputs(asked) : check_two_stage_inputs(asked);
    if (!problem.refused()) {
        problem = check_plan_inputs(asked);
    }
    if (problem.refused()) {
        return problem;
    }
    std::int32_t reason = two_stage_study_reason(study);
    if (reason == VANTOR_REASON_NONE && design) {
        reason = DSN_check_design_alpha(study.method, marker_alpha(study));
    }
    return reason == VANTOR_REASON_NONE ? Refusal{} : refusal_for(asked, reason, study);
}

Refusal check_two_stage_values(const Asked &asked, const STU_study &study) {
    const bool design = asked.solve == ASK_SOLVE_DESIGN;
    Refusal problem = design ? check_values(asked, study, kDesignInputs)
                             : check_values(asked, study, kTwoStageInputs);
    if (!problem.refused() && asked.has(kTotal) && !design) {
        problem = check_total(asked, study);
    }
    return problem;
}

// ---- The request's own inputs ------------------------------------------------

// A value as a choice's code: kNoCode for one that is not a whole number
// within the codes' range (codes are small; a cast of any other is not
// defined).
std::int32_t code_of(double value) {
    constexpr double kLargestCode = 1e6;
    const bool whole = std::isfinite(value) && std::floor(value) == value;
    return whole && std::fabs(value) <= kLargestCode ? static_cast<std::int32_t>(value) : kNoCode;
}

// Whether a whole number is the code of one of a word input's words; the
// codes of each choice are looked up once.
bool is_word_code(Input input, double value) {
    constexpr std::size_t kMostWords = 8;
    struct Codes {
        std::int32_t code[kInputCount][kMostWords]{};
        std::size_t count[kInputCount]{};
        Codes() {
            for (std::size_t i = 0; i < kInputCount; ++i) {
                std::int32_t word_code = 0;
                while (count[i] < kMostWords &&
                       REC_choice_word(kInputs[i].about.choice, static_cast<std::int32_t>(count[i]),
                                       &word_code) != nullptr) {
                    code[i][count[i]++] = word_code;
                }
            }
        }
    };
    static const Codes codes;
    const std::int32_t *first = codes.code[input];
    const std::int32_t *last = first + codes.count[input];
    return std::find(first, last, code_of(value)) != last;
}

// A word that is not its choice's, a count that is not whole, a number of
// stages other than 1 and 2: refused before anything else is read.
// Whether a value is one the input's kind refuses before anything else is
// read: a word that is not its choice's, a count that is not whole (or
// beyond 2^53), a number of stages other than 1 and 2.
bool of_another_kind(Input input, double value) {
    const std::int32_t kind = kInputs[input].about.kind;
    if (kind == ASK_NUMBER) {
        return input == kStages && value != 1 && value != 2;
    }
    // Whole and within 2^53 (not a number fails the first test): a cast to
    // 64 bits and back keeps it, without a call of floor.
    const bool whole = std::fabs(value) <= 9007199254740992.0 &&
                       static_cast<double>(static_cast<std::int64_t>(value)) == value;
    return kind == ASK_WORD ? !whole || !is_word_code(input, value) : !whole;
}

// The first input given a value of another kind (judged as it was given).
Refusal check_kinds(const ASK_request &request) {
    const std::int32_t input = lowest(request.given & request.other_kind);
    return input == kNone ? Refusal{} : make_refusal(kInputs[input].about.reason, input);
}

// What the request solves, as its inputs leave it open.
std::int32_t inferred_solve(const Asked &asked) {
    if (!asked.has(kTargetPower) && !(asked.two_stages && asked.has(kBudget))) {
        return ASK_SOLVE_POWER;
    }
    if (asked.two_stages) {
        return asked.solve == ASK_SOLVE_DESIGN                ? ASK_SOLVE_DESIGN
               : has_stage_counts(asked) || asked.has(kTotal) ? ASK_SOLVE_POWER
                                                              : ASK_SOLVE_SIZE;
    }
    return !asked.has(kCasesPerControl) && !effect_known(asked) ? ASK_SOLVE_EFFECT : ASK_SOLVE_SIZE;
}

Refusal check_solve(const Asked &asked) {
    const std::int32_t solve = asked.solve;
    const bool fits = asked.two_stages ? solve != ASK_SOLVE_EFFECT : solve != ASK_SOLVE_DESIGN;
    return fits ? Refusal{} : make_refusal(VANTOR_REASON_BAD_SOLVE, kSolve);
}

void fill(Asked &asked) {
    asked.given = asked.request.given;
    asked.count_code = asked.has(kCount) ? asked.code(kCount) : VANTOR_COUNT_PEOPLE;
    asked.two_stages = asked.has(kStages) && asked[kStages] == 2;
    asked.solve = asked.has(kSolve) ? asked.code(kSolve) : 0;
    const bool searched = asked.solve != 0 && asked.solve != ASK_SOLVE_POWER;
    const bool budget = asked.solve == ASK_SOLVE_DESIGN && asked.has(kBudget);
    if (searched && !budget && !asked.has(kTargetPower)) {
        asked.target_defaulted = true;
        asked.given |= bit(kTargetPower);
    }
}

// The inputs the request's study reads (the counting unit, the stages and
// what is solved are every request's).
std::uint64_t read_by_study(const Asked &asked) {
    constexpr std::uint64_t kEvery = bit(kCount) | bit(kStages) | bit(kSolve);
    if (!asked.two_stages) {
        return kEvery | bits_of(kSingleStageInputs);
    }
    return kEvery |
           (asked.solve == ASK_SOLVE_DESIGN ? bits_of(kDesignInputs) : bits_of(kTwoStageInputs));
}

// An input given that the study does not read is refused rather than left
// unread: a budget given to one stage would otherwise change nothing.
Refusal check_inputs_read(const Asked &asked) {
    const std::int32_t unread = lowest(asked.given & ~read_by_study(asked));
    return unread == kNone ? Refusal{} : make_refusal(VANTOR_REASON_INPUT_NOT_READ, unread);
}

// Everything of the request but the values of the question's own inputs:
// what is solved, which inputs are given, the study.
Refusal check_study_part(const Asked &asked, const STU_study &study) {
    Refusal problem = check_solve(asked);
    if (!problem.refused()) {
        problem = check_inputs_read(asked);
    }
    if (!problem.refused() && asked.has(kSeed) && !asked.has(kReplicates)) {
        problem = make_refusal(VANTOR_REASON_SEED_WITHOUT_REPLICATES, kSeed, kReplicates);
    }
    if (problem.refused()) {
        return problem;
    }
    return asked.two_stages ? check_two_stage_study(asked, study)
                            : check_single_stage_study(asked, study);
}

Refusal check_values_part(const Asked &asked, const STU_study &study) {
    return asked.two_stages ? check_two_stage_values(asked, study)
                            : check_single_stage_values(asked, study);
}

// A solve word the inputs given do not ask for.
bool solve_mismatch(const Asked &asked) {
    return asked.solve != 0 && inferred_solve(asked) != asked.solve;
}

// ---- Answers -----------------------------------------------------------------

void start(ASK_answer &answer, const Asked &asked, const STU_study &study) {
    // Field by field rather than one zeroing of the whole record: a request
    // is answered in about a hundred nanoseconds, and that would be a tenth.
    static constexpr ASK_result kNoResult{};
    answer.status = VANTOR_FOUND;
    answer.reason = VANTOR_REASON_NONE;
    answer.question = kNone;
    answer.record = 0;
    answer.input = kNone;
    answer.other_input = kNone;
    answer.direction = 0;
    answer.count = asked.count_code;
    answer.calculation = asked.two_stages ? STU_CALCULATION_CLASSIC : STU_calculation_of(&study);
    answer.controls = 0;
    answer.alpha = study.alpha;
    answer.replicates = 0;
    answer.seed = 0;
    answer.simulated_power = kNotANumber;
    answer.standard_error = kNotANumber;
    answer.result = kNoResult;
}

// The questions of question/records.h the request asks.
constexpr const char *kQuestionNames[] = {
    "power",           "cases_for_controls", "controls_for_cases",
    "cases_for_ratio", "controls_for_ratio", "odds_ratio",
    "relative_risk",   "two_stage_power",    "two_stage_power_of_total",
    "smallest_total",  "cheapest_design",    "most_powerful_design"};

// The index of a question of question/records.h, looked up once.
std::int32_t question_index(const char *name) {
    struct Indices {
        std::int32_t of[std::size(kQuestionNames)]{};
        Indices() {
            for (std::size_t i = 0; i < std::size(kQuestionNames); ++i) {
                const REC_question *question = REC_question_named(kQuestionNames[i]);
                of[i] = question == nullptr
                            ? kNone
                            : static_cast<std::int32_t>(question - REC_question_at(0));
            }
        }
    };
    static const Indices indices;
    for (std::size_t i = 0; i < std::size(kQuestionNames); ++i) {
        if (kQuestionNames[i] == name || named(kQuestionNames[i], name)) {
            return indices.of[i];
        }
    }
    return kNone;
}

void asked_as(ASK_answer &answer, const char *question, std::int32_t status, std::int32_t reason) {
    answer.question = question_index(question);
    answer.record = answer.question == kNone ? 0 : REC_question_at(answer.question)->result;
    answer.status = status;
    answer.reason = reason;
}

void answer_power(const Asked &asked, const STU_study &study, ASK_answer &answer) {
    STU_power_result &result = answer.result.power;
    // Every input was checked: the power is asked without checking again.
    vantor::checked_power(study, asked.count(kCases), controls_of(asked), &result);
    if (asked.has(kControlsPerCase)) {
        answer.controls = controls_of(asked);
    }
    asked_as(answer, "power", result.status, result.reason);
}

void answer_size(const Asked &asked, const STU_study &study, ASK_answer &answer) {
    STU_size_result &size = answer.result.size;
    const double target = asked[kTargetPower];
    const char *question = "controls_for_cases";
    if (asked.has(kCasesPerControl)) {
        STU_controls_for_ratio(&study, asked[kCasesPerControl], target, &size);
        question = "controls_for_ratio";
    } else if (asked.has(kControlsPerCase)) {
        STU_cases_for_ratio(&study, asked[kControlsPerCase], target, &size);
        question = "cases_for_ratio";
    } else if (asked.has(kControls)) {
        STU_cases_for_controls(&study, asked.count(kControls), target, &size);
        question = "cases_for_controls";
    } else {
        STU_controls_for_cases(&study, asked.count(kCases), target, &size);
    }
    asked_as(answer, question, size.status, size.reason);
}

void answer_effect(const Asked &asked, const STU_study &study, std::int32_t direction,
                   ASK_answer &answer) {
    const std::int64_t cases = asked.count(kCases);
    const std::int64_t controls = controls_of(asked);
    const double target = asked[kTargetPower];
    answer.direction = direction;
    if (asked.has(kControlsPerCase)) {
        answer.controls = controls;
    }
    if (study.effect_kind == STU_EFFECT_DISEASE) {
        STU_risk_result &risk = answer.result.risk;
        STU_relative_risk(&study, cases, controls, target, direction, &risk);
        asked_as(answer, "relative_risk", risk.status, risk.reason);
        return;
    }
    SLV_effect_result &effect = answer.result.effect;
    STU_odds_ratio(&study, cases, controls, target, direction, &effect);
    asked_as(answer, "odds_ratio", effect.status, effect.reason);
}

void answer_two_stage(const Asked &asked, const STU_study &study, ASK_answer &answer) {
    DSN_design_result &design = answer.result.design;
    const double cost_ratio = asked.has(kCostRatio) ? asked[kCostRatio] : kDefaultCostRatio;
    const char *question = "smallest_total";
    if (asked.solve == ASK_SOLVE_DESIGN) {
        question = asked.has(kBudget) ? "most_powerful_design" : "cheapest_design";
        if (asked.has(kBudget)) {
            STU_most_powerful_design(&study, asked[kBudget], cost_ratio, &design);
        } else {
            STU_cheapest_design(&study, asked[kTargetPower], cost_ratio, &design);
        }
    } else if (has_stage_counts(asked)) {
        const std::int64_t cases[2] = {asked.count(kStage1Cases), asked.count(kStage2Cases)};
        const std::int64_t controls[2] = {asked.count(kStage1Controls),
                                          asked.count(kStage2Controls)};
        STU_two_stage_power(&study, cases, controls, cost_ratio, &design);
        question = "two_stage_power";
    } else if (asked.has(kTotal)) {
        STU_two_stage_power_of_total(&study, asked.count(kTotal), asked[kStage1Share], cost_ratio,
                                     &design);
        question = "two_stage_power_of_total";
    } else {
        STU_smallest_total_at_cost(&study, asked[kStage1Share], asked[kTargetPower], cost_ratio,
                                   &design);
    }
    asked_as(answer, question, design.status, design.reason);
}

std::int32_t answer_checked(const Asked &asked, const STU_study &study, ASK_answer *answers) {
    if (asked.two_stages) {
        answer_two_stage(asked, study, answers[0]);
        return 1;
    }
    const std::int32_t solve = inferred_solve(asked);
    if (solve == ASK_SOLVE_POWER) {
        answer_power(asked, study, answers[0]);
        return 1;
    }
    if (solve == ASK_SOLVE_SIZE) {
        answer_size(asked, study, answers[0]);
        return 1;
    }
    if (asked.has(kDirection)) {
        answer_effect(asked, study, asked.code(kDirection), answers[0]);
        return 1;
    }
    answer_effect(asked, study, STU_ABOVE_ONE, answers[0]);
    answers[1] = answers[0];
    answers[1].result = ASK_result{};
    answer_effect(asked, study, STU_BELOW_ONE, answers[1]);
    return 2;
}

// ---- Simulated powers --------------------------------------------------------

SIM_run run_of(const Asked &asked) {
    SIM_run run{};
    run.replicates = asked.count(kReplicates);
    run.seed = static_cast<std::uint64_t>(asked.has(kSeed) ? asked[kSeed] : kDefaultSeed);
    run.progress = asked.request.progress;
    run.context = asked.request.progress_context;
    return run;
}

// The progress of a request's simulations, one answer's after another's,
// told as one: done of every answer's replicates.
struct AllProgress {
    SIM_progress progress;
    void *context;
    std::int64_t before;  // the replicates of the answers before
    std::int64_t total;
};

void tell_all(void *context, std::int64_t done, std::int64_t /*total*/) {
    const auto *all = static_cast<const AllProgress *>(context);
    all->progress(all->context, all->before + done, all->total);
}

// The power of each answer's study, simulated when "replicates" is given.
void simulate_answers(const Asked &asked, const STU_study &study, ASK_answer *answers,
                      std::int32_t count) {
    if (!asked.has(kReplicates)) {
        return;
    }
    SIM_run run = run_of(asked);
    AllProgress all{run.progress, run.context, 0, count * run.replicates};
    if (run.progress != nullptr) {
        run.progress = tell_all;
        run.context = &all;
    }
    // The counts given (a size answer has its own): the controls given, or
    // those of the cases given at the controls per case given.
    const std::int64_t cases = asked.has(kCases) ? asked.count(kCases) : 0;
    std::int64_t controls = asked.has(kControls) ? asked.count(kControls) : 0;
    if (asked.has(kCases) && asked.has(kControlsPerCase)) {
        controls = controls_of(asked);
    }
    for (std::int32_t i = 0; i < count; ++i) {
        if (asked.two_stages) {
            vantor::simulate_two_stage_answer(study, run, answers[i]);
        } else {
            vantor::simulate_single_stage_answer(study, cases, controls, run, answers[i]);
        }
        all.before += run.replicates;
        if (answers[i].replicates == 0 && all.progress != nullptr) {
            all.progress(all.context, all.before, all.total);  // an answer not simulated
        }
    }
}

// ---- Words -------------------------------------------------------------------

// A value in the fewest significant digits that read back to it, whole
// numbers written out (80, 5000), the exponent without a plus or leading
// zeros (5e-8).
std::string shortest_text(double value) {
    char text[64];
    int digits = 1;
    for (; digits < 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value) {
            break;
        }
    }
    const double magnitude = std::fabs(value);
    if (magnitude >= 1 && magnitude < 1e15) {
        digits = std::max(digits, static_cast<int>(std::floor(std::log10(magnitude))) + 1);
    }
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    std::string shown = text;
    const std::size_t e = shown.find('e');
    if (e == std::string::npos) {
        return shown;
    }
    std::string exponent = shown.substr(e + 1);
    const bool negative = !exponent.empty() && exponent[0] == '-';
    if (!exponent.empty() && (exponent[0] == '-' || exponent[0] == '+')) {
        exponent.erase(0, 1);
    }
    exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
    return shown.substr(0, e + 1) + (negative ? "-" : "") + exponent;
}

std::string spelled(const char *name, std::int32_t spelling) {
    std::string text = name;
    if (spelling == ASK_SPELL_OPTION) {
        std::replace(text.begin(), text.end(), '_', '-');
        return "--" + text;
    }
    return text;
}

std::string value_text(const ASK_request &request, std::int32_t input) {
    const ASK_input &about = kInputs[input].about;
    const double value = request.value[input];
    if (request.typed[input]) {
        return request.word[input][0] == '\0' ? "''" : request.word[input];
    }
    if (about.kind == ASK_WORD) {
        const char *word = REC_choice_name(about.choice, code_of(value));
        return word != nullptr ? word : shortest_text(value);
    }
    if (about.kind == ASK_COUNT && std::isfinite(value) && std::floor(value) == value &&
        std::fabs(value) < 9.2e18) {
        return std::to_string(static_cast<std::int64_t>(value));
    }
    return shortest_text(value);
}

// A number in decimal notation (digits, a point, an exponent), or not a
// number for any other text: hexadecimal, "inf", "NA", spaces, nothing.
double decimal_number(const char *text) {
    const char *at = text;
    at += *at == '-' || *at == '+' ? 1 : 0;
    bool digits = false;
    for (; (*at >= '0' && *at <= '9') || *at == '.'; ++at) {
        digits = digits || *at != '.';
    }
    if (!digits || std::strchr(text, 'x') != nullptr || std::strchr(text, 'X') != nullptr) {
        return kNotANumber;
    }
    char *end = nullptr;
    const double value = std::strtod(text, &end);
    return end != text && *end == '\0' ? value : kNotANumber;
}

// The words of a template: each {name} spelled; {input} and {other} the
// inputs the answer names, {why} the words refusing the input's value.
std::string filled(const std::string &words, const ASK_answer &answer, std::int32_t spelling) {
    std::string text;
    std::size_t at = 0;
    while (at < words.size()) {
        const std::size_t open = words.find('{', at);
        const std::size_t close = open == std::string::npos ? open : words.find('}', open);
        if (close == std::string::npos) {
            text += words.substr(at);
            break;
        }
        text += words.substr(at, open - at);
        const std::string name = words.substr(open + 1, close - open - 1);
        const std::int32_t input = name == "input"   ? answer.input
                                   : name == "other" ? answer.other_input
                                   : name == "why"   ? answer.input
                                                     : ASK_input_index(name.c_str());
        if (input < 0 || input >= kInputCount) {
            text += name;
        } else if (name == "why") {
            text += VANTOR_message(kInputs[input].about.reason);
        } else {
            text += spelled(kInputs[input].about.name, spelling);
        }
        at = close + 1;
    }
    return text;
}

// Whether a reason's words are a whole sentence about the request rather
// than about one value.
bool about_the_request(std::int32_t reason) {
    return reason >= VANTOR_REASON_MISSING_INPUT && reason <= VANTOR_REASON_TARGET_OR_BUDGET;
}

std::string message_of(const ASK_answer &answer, const ASK_request *request,
                       std::int32_t spelling) {
    std::string words = filled(VANTOR_message(answer.reason), answer, spelling);
    const std::int32_t input = answer.input;
    if (answer.status != VANTOR_INVALID_INPUT || about_the_request(answer.reason) || input < 0 ||
        input >= kInputCount) {
        return words;
    }
    const std::string name = spelled(kInputs[input].about.name, spelling);
    if (request == nullptr || (request->given & bit(input)) == 0) {
        return name + ": " + words;
    }
    return name + " " + value_text(*request, input) + ": " + words;
}

// The value an input left open takes: the study's, or the question's.
double taken(const Asked &asked, const STU_study &study, Input input) {
    const bool disease = study.effect_kind == STU_EFFECT_DISEASE;
    switch (input) {
        case kAlpha:
            return study.alpha;
        case kMarkers:
            return study.markers;
        case kVariance:
            return study.variance;
        case kTest:
            return study.test;
        case kCalculation:
            return asked.two_stages ? kNotANumber : STU_calculation_of(&study);
        case kCount:
            return study.count;
        case kStages:
            return asked.two_stages ? 2 : 1;
        case kModel:
            return disease ? study.effect.disease.model : kNotANumber;
        case kControlsKind:
            return disease ? study.effect.disease.controls_kind : kNotANumber;
        case kMethod:
            return asked.two_stages ? study.method : kNotANumber;
        case kCaseFraction:
            // Searched per stage, the study's fraction is not taken.
            return asked.two_stages && study.per_stage_fractions == 0 ? study.case_fraction
                                                                      : kNotANumber;
        case kCostRatio:
            // Costs in money replace the cost ratio.
            return asked.two_stages && study.costs.money == 0 ? kDefaultCostRatio : kNotANumber;
        case kSeed:
            return asked.has(kReplicates) ? (asked.has(kSeed) ? asked[kSeed] : kDefaultSeed)
                                          : kNotANumber;
        default:
            return asked.has(input) ? asked[input] : kNotANumber;
    }
}

// A question's own inputs: changing their values leaves the study, what is
// given and what is solved as they were (a cost ratio is not among them: the
// smallest total's refusal of one other than 1 is the study part's).
constexpr std::uint64_t kQuestionInputs =
    bit(kCases) | bit(kControls) | bit(kControlsPerCase) | bit(kCasesPerControl) |
    bit(kTargetPower) | bit(kDirection) | bit(kTotal) | bit(kStage1Share) | bit(kStage1Cases) |
    bit(kStage1Controls) | bit(kStage2Cases) | bit(kStage2Controls) | bit(kBudget) |
    bit(kReplicates) | bit(kSeed);

// Whether the request's study part is as the last answer found it: the
// same inputs given, none but the question's own given anew.
bool study_as_remembered(const ASK_request &request) {
    return request.remembered && request.remembered_given == request.given &&
           (request.changed & ~kQuestionInputs) == 0;
}

void remember(const ASK_request &request, bool refused, const STU_study &study) {
    request.remembered = !refused;
    request.remembered_given = request.given;
    request.remembered_study = study;
}

// Marks an input given, and whether its value is of another kind.
void mark_given(ASK_request &request, std::int32_t input, bool other_kind) {
    request.given |= bit(input);
    request.changed |= bit(input);
    request.other_kind =
        other_kind ? request.other_kind | bit(input) : request.other_kind & ~bit(input);
}

void refuse_into(ASK_answer &answer, const Refusal &refusal) {
    answer.status = VANTOR_status_of_reason(refusal.reason);
    answer.reason = refusal.reason;
    answer.input = refusal.input;
    answer.other_input = refusal.other;
}

}  // namespace

extern "C" {

std::int32_t ASK_input_count(void) { return kInputCount; }

const ASK_input *ASK_input_at(std::int32_t index) {
    return index >= 0 && index < kInputCount ? &kInputs[index].about : nullptr;
}

std::int32_t ASK_input_index(const char *name) {
    for (std::int32_t i = 0; i < kInputCount; ++i) {
        if (named(kInputs[i].about.name, name)) {
            return i;
        }
    }
    return kNone;
}

std::int32_t ASK_study_input(std::int32_t stages, std::int32_t solve, std::int32_t index) {
    const auto at = [index](const auto &inputs) {
        const auto count = static_cast<std::int32_t>(std::size(inputs));
        return index >= 0 && index < count ? static_cast<std::int32_t>(inputs[index]) : kNone;
    };
    if (stages == 1) {
        return at(kSingleStageInputs);
    }
    if (stages == 2) {
        return solve == ASK_SOLVE_DESIGN ? at(kDesignInputs) : at(kTwoStageInputs);
    }
    return kNone;
}

ASK_request *ASK_request_new(void) {
    auto *request = new (std::nothrow) ASK_request;
    if (request != nullptr) {
        request->progress = nullptr;
        request->progress_context = nullptr;
        ASK_request_clear(request);
    }
    return request;
}

void ASK_request_free(ASK_request *request) { delete request; }

void ASK_request_clear(ASK_request *request) {
    if (request == nullptr) {
        return;
    }
    std::fill(std::begin(request->value), std::end(request->value), kNotANumber);
    request->given = 0;
    request->remembered = false;
    request->remembered_given = 0;
    request->changed = ~std::uint64_t{0};
    std::fill(std::begin(request->typed), std::end(request->typed), false);
    request->other_kind = 0;
    for (char(&word)[kWordLength] : request->word) {
        word[0] = '\0';
    }
}

void ASK_give(ASK_request *request, std::int32_t input, double value) {
    if (request == nullptr || input < 0 || input >= kInputCount) {
        return;
    }
    request->value[input] = value;
    request->typed[input] = false;
    mark_given(*request, input, of_another_kind(static_cast<Input>(input), value));
    request->word[input][0] = '\0';
}

void ASK_give_word(ASK_request *request, std::int32_t input, const char *word) {
    if (request == nullptr || input < 0 || input >= kInputCount ||
        kInputs[input].about.kind != ASK_WORD) {
        return;
    }
    const char *given = word == nullptr ? "" : word;
    const std::int32_t code = REC_choice_code(kInputs[input].about.choice, given);
    request->value[input] = code == kNoCode ? kNotANumber : code;
    request->typed[input] = true;
    mark_given(*request, input, code == kNoCode);
    std::snprintf(request->word[input], kWordLength, "%s", given);
}

void ASK_give_text(ASK_request *request, std::int32_t input, const char *text) {
    if (request == nullptr || input < 0 || input >= kInputCount) {
        return;
    }
    const char *given = text == nullptr ? "" : text;
    if (kInputs[input].about.kind == ASK_WORD) {
        ASK_give_word(request, input, given);
        return;
    }
    request->value[input] = decimal_number(given);
    request->typed[input] = true;
    mark_given(*request, input, of_another_kind(static_cast<Input>(input), request->value[input]));
    std::snprintf(request->word[input], kWordLength, "%s", given);
}

void ASK_leave_open(ASK_request *request, std::int32_t input) {
    if (request != nullptr && input >= 0 && input < kInputCount) {
        request->given &= ~bit(input);
        request->other_kind &= ~bit(input);
        request->changed |= bit(input);
        request->typed[input] = false;
        request->value[input] = kNotANumber;
        request->word[input][0] = '\0';
    }
}

std::int32_t ASK_is_given(const ASK_request *request, std::int32_t input) {
    return request != nullptr && input >= 0 && input < kInputCount &&
                   (request->given & bit(input)) != 0
               ? 1
               : 0;
}

double ASK_input_taken(const ASK_request *request, std::int32_t input) {
    if (request == nullptr || input < 0 || input >= kInputCount) {
        return kNotANumber;
    }
    if ((request->given & bit(input)) != 0 || check_kinds(*request).refused()) {
        return request->value[input];
    }
    Asked asked{*request};
    fill(asked);
    return taken(asked, study_of(asked), static_cast<Input>(input));
}

}  // extern "C"

namespace {

// Checks the request into `answer` (its head, and the refusal if any): the
// study it describes and whether it is refused.
struct Checked {
    STU_study study;
    bool refused;
};

Checked checked_request(const ASK_request *request, Asked &asked, ASK_answer &answer) {
    const Refusal kinds = check_kinds(*request);
    if (!kinds.refused()) {
        fill(asked);
    }
    const bool as_before = !kinds.refused() && study_as_remembered(*request);
    const STU_study study = as_before ? request->remembered_study : study_of(asked);
    if (!kinds.refused()) {
        request->changed = 0;  // seen: the study part below answers for every input
    }
    start(answer, asked, study);
    Refusal refusal = kinds;
    if (!refusal.refused() && !as_before) {
        refusal = check_study_part(asked, study);
        remember(*request, refusal.refused() || solve_mismatch(asked), study);
    }
    if (!refusal.refused()) {
        refusal = check_values_part(asked, study);
    }
    if (!refusal.refused() && solve_mismatch(asked)) {
        refusal = make_refusal(VANTOR_REASON_SOLVE_MISMATCH, kSolve);
    }
    if (refusal.refused()) {
        refuse_into(answer, refusal);
    }
    return {study, refusal.refused()};
}

}  // namespace

extern "C" {

std::int32_t ASK_check_request(const ASK_request *request, ASK_answer *answer) {
    if (request == nullptr || answer == nullptr) {
        return 0;
    }
    Asked asked{*request};
    return checked_request(request, asked, *answer).refused ? 0 : 1;
}

std::int32_t ASK_answer_request(const ASK_request *request, ASK_answer *answers) {
    if (request == nullptr || answers == nullptr) {
        return 0;
    }
    Asked asked{*request};
    const Checked checked = checked_request(request, asked, answers[0]);
    if (checked.refused) {
        return 1;
    }
    const STU_study &study = checked.study;
    const std::int32_t count = answer_checked(asked, study, answers);
    simulate_answers(asked, study, answers, count);
    return count;
}

void ASK_set_progress(ASK_request *request, SIM_progress progress, void *context) {
    if (request != nullptr) {
        request->progress = progress;
        request->progress_context = context;
    }
}

std::int32_t ASK_message(const ASK_answer *answer, const ASK_request *request,
                         std::int32_t spelling, char *text, std::int32_t capacity) {
    const std::string message = answer == nullptr ? std::string(VANTOR_message(-1))
                                                  : message_of(*answer, request, spelling);
    if (text != nullptr && capacity > 0) {
        const std::size_t kept = std::min(message.size(), static_cast<std::size_t>(capacity - 1));
        std::memcpy(text, message.data(), kept);
        text[kept] = '\0';
    }
    return static_cast<std::int32_t>(message.size());
}

double ASK_result_number(const ASK_answer *answer, const char *name) {
    const REC_field *field = answer == nullptr ? nullptr : REC_field_named(answer->record, name);
    if (field == nullptr) {
        return kNotANumber;
    }
    const auto *at = reinterpret_cast<const unsigned char *>(&answer->result) + field->offset;
    if (field->type == REC_DOUBLE) {
        double value = 0;
        std::memcpy(&value, at, sizeof value);
        return value;
    }
    if (field->type == REC_INT64) {
        std::int64_t value = 0;
        std::memcpy(&value, at, sizeof value);
        return static_cast<double>(value);
    }
    std::int32_t value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}

std::int32_t ASK_answer_size(void) { return static_cast<std::int32_t>(sizeof(ASK_answer)); }

std::int32_t ASK_input_size(void) { return static_cast<std::int32_t>(sizeof(ASK_input)); }

std::int32_t ASK_result_offset(void) {
    return static_cast<std::int32_t>(offsetof(ASK_answer, result));
}

}  // extern "C"
