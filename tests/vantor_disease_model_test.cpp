// The vantor program with a disease model, run as a user runs it: its answers
// are the library's study questions' for the same study, to the last bit (JSON
// numbers read back); a refused model is refused with its reason's words,
// naming the option; and the two-stage questions of a disease model are those
// of the odds ratio and control rate its marker shows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "disease/disease_model.h"
#include "disease/genotype_tests.h"
#include "question/study.h"
#include "run_program.h"
#include "status/status.h"

namespace {

using Words = std::vector<std::string>;

ProgramResult vantor(const Words &words) { return run_program(VANTOR_PROGRAM, words); }

Words joined(Words words, const Words &more) {
    words.insert(words.end(), more.begin(), more.end());
    return words;
}

// The rows of a JSON answer; the run must answer every row.
nlohmann::json json_answer(const Words &words) {
    const ProgramResult result = vantor(joined(words, {"--format", "json"}));
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    return result.exit_status == 0 ? nlohmann::json::parse(result.out) : nlohmann::json::array();
}

// A number as text that reads back to the same double.
std::string text(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

constexpr double kCausal = std::numeric_limits<double>::quiet_NaN();

struct Model {
    const char *word;  // --model
    std::int32_t code;
};
constexpr Model kModels[] = {{"multiplicative", DIS_MULTIPLICATIVE},
                             {"additive", DIS_ADDITIVE},
                             {"dominant", DIS_DOMINANT},
                             {"recessive", DIS_RECESSIVE}};

struct AssociationTest {
    const char *word;  // --test
    std::int32_t code;
};
constexpr AssociationTest kTests[] = {{"allelic", GEN_ALLELIC},
                                      {"trend", GEN_TREND},
                                      {"dominant", GEN_DOMINANT},
                                      {"recessive", GEN_RECESSIVE},
                                      {"genotypic", GEN_GENOTYPIC}};

// The library's study of a one-parameter model, its marker the causal
// variant or at r^2 `r_squared` (marker frequency the risk allele's).
STU_study disease_study(double frequency, double prevalence, std::int32_t model,
                        double relative_risk, double r_squared = kCausal) {
    STU_study study;
    STU_study_init(&study);
    study.effect_kind = STU_EFFECT_DISEASE;
    DIS_model_init(&study.effect.disease);
    study.effect.disease.frequency = frequency;
    study.effect.disease.prevalence = prevalence;
    study.effect.disease.model = model;
    study.effect.disease.relative_risk = relative_risk;
    if (!std::isnan(r_squared)) {
        study.effect.disease.ld_kind = DIS_LD_R_SQUARED;
        study.effect.disease.ld = r_squared;
    }
    return study;
}

// The words describing the same model to the program.
Words model_words(double frequency, double prevalence, const char *model, double relative_risk,
                  double r_squared = kCausal) {
    Words words{"--frequency", text(frequency), "--prevalence",    text(prevalence),
                "--model",     model,           "--relative-risk", text(relative_risk)};
    if (!std::isnan(r_squared)) {
        words.insert(words.end(), {"--r-squared", text(r_squared)});
    }
    return words;
}

void expect_marker_columns(const nlohmann::json &row, double alpha, double case_rate,
                           double control_rate, double odds_ratio) {
    EXPECT_EQ(row["marker-alpha"].get<double>(), alpha);
    EXPECT_EQ(row["marker-case-rate"].get<double>(), case_rate);
    EXPECT_EQ(row["marker-control-rate"].get<double>(), control_rate);
    EXPECT_EQ(row["marker-odds-ratio"].get<double>(), odds_ratio);
}

// ---- power -----------------------------------------------------------------

// The example of vantor power --help: the trend test of an additive model
// over a million markers, at the study-wide level 0.05 the program takes
// for them.
TEST(VantorDiseaseModel, TheHelpsExampleIsTheLibrarysPowerAtTheStudyWideLevel) {
    const nlohmann::json rows =
        json_answer({"power", "--frequency", "0.2", "--prevalence", "0.1", "--relative-risk", "1.5",
                     "--model", "additive", "--test", "trend", "--markers", "1e6", "--cases",
                     "1000", "--controls", "2000"});
    ASSERT_EQ(rows.size(), 1U);
    STU_study study = disease_study(0.2, 0.1, DIS_ADDITIVE, 1.5);
    study.test = GEN_TREND;
    study.markers = 1e6;
    study.alpha = STU_default_alpha(1e6);
    STU_power_result power{};
    ASSERT_EQ(STU_power(&study, 1000, 2000, &power), VANTOR_FOUND);
    const nlohmann::json &row = rows[0];
    EXPECT_EQ(row["power"].get<double>(), power.power);
    EXPECT_EQ(row["alpha"].get<double>(), 0.05);
    EXPECT_EQ(row["markers"].get<double>(), 1e6);
    EXPECT_EQ(row["test"], "trend");
    EXPECT_EQ(row["model"], "additive");
    EXPECT_EQ(row["controls-kind"], "unaffected");
    EXPECT_EQ(row["status"], "found");
    expect_marker_columns(row, 0.05 / 1e6, power.marker_case_rate, power.marker_control_rate,
                          power.marker_odds_ratio);
    // The table shows the same row.
    const ProgramResult table =
        vantor({"power", "--frequency", "0.2", "--prevalence", "0.1", "--relative-risk", "1.5",
                "--model", "additive", "--test", "trend", "--markers", "1e6", "--cases", "1000",
                "--controls", "2000"});
    EXPECT_EQ(table.exit_status, 0) << table.err;
    EXPECT_NE(table.out.find("test = trend,"), std::string::npos) << table.out;
}

// Every test and every one-parameter model in one grid, each row the
// library's answer for its study; the marker at r^2 0.8.
TEST(VantorDiseaseModel, EveryTestAndModelOfAGridIsTheLibrarysPower) {
    const nlohmann::json rows = json_answer(
        {"power", "--frequency", "0.2", "--prevalence", "0.1", "--relative-risk", "1.5",
         "--r-squared", "0.8", "--model", "multiplicative,additive,dominant,recessive", "--test",
         "allelic,trend,dominant,recessive,genotypic", "-n", "1000", "-m", "2000"});
    ASSERT_EQ(rows.size(), 20U);
    std::size_t row = 0;
    for (const Model &model : kModels) {
        for (const AssociationTest &test : kTests) {
            STU_study study = disease_study(0.2, 0.1, model.code, 1.5, 0.8);
            study.test = test.code;
            STU_power_result power{};
            ASSERT_EQ(STU_power(&study, 1000, 2000, &power), VANTOR_FOUND);
            const nlohmann::json &answer = rows[row++];
            EXPECT_EQ(answer["model"], model.word);
            EXPECT_EQ(answer["test"], test.word);
            EXPECT_EQ(answer["r-squared"].get<double>(), 0.8);
            EXPECT_EQ(answer["alpha"].get<double>(), 5e-8);
            EXPECT_EQ(answer["power"].get<double>(), power.power) << model.word << " " << test.word;
            expect_marker_columns(answer, 5e-8, power.marker_case_rate, power.marker_control_rate,
                                  power.marker_odds_ratio);
        }
    }
}

// The geneticist's example: the allelic test of a multiplicative model,
// relative risk 1.5, is the allelic test of the odds ratio and control rate
// the marker shows (not of an odds ratio of 1.5), to the last bit; the
// allelic effect's row shows its own rates and odds ratio at the marker.
TEST(VantorDiseaseModel, TheClassicAllelicTestOfAModelIsThatOfItsMarkersOddsRatio) {
    const Words counts{"power", "-n", "1000", "-m", "2000"};
    Words classic = model_words(0.2, 0.1, "multiplicative", 1.5);
    classic.insert(classic.end(), {"--calculation", "classic"});
    const nlohmann::json model = json_answer(joined(counts, classic));
    ASSERT_EQ(model.size(), 1U);
    const double odds_ratio = model[0]["marker-odds-ratio"].get<double>();
    const double control_rate = model[0]["marker-control-rate"].get<double>();
    const nlohmann::json allelic = json_answer(
        joined(counts, {"--odds-ratio", text(odds_ratio), "--control-rate", text(control_rate)}));
    ASSERT_EQ(allelic.size(), 1U);
    EXPECT_EQ(allelic[0]["power"], model[0]["power"]);
    EXPECT_EQ(allelic[0]["marker-odds-ratio"].get<double>(), odds_ratio);
    EXPECT_EQ(allelic[0]["marker-control-rate"].get<double>(), control_rate);
    EXPECT_EQ(allelic[0]["marker-case-rate"], model[0]["marker-case-rate"]);
    EXPECT_EQ(model[0]["calculation"], "classic");
    EXPECT_EQ(allelic[0]["calculation"], "classic");
    // A run of allelic effects shows no disease model's inputs, and one of
    // disease models no odds ratio or control rate.
    EXPECT_FALSE(allelic[0].contains("frequency"));
    EXPECT_FALSE(allelic[0].contains("model"));
    EXPECT_FALSE(model[0].contains("odds-ratio"));
    EXPECT_FALSE(model[0].contains("control-rate"));
    // Typing the relative risk as an odds ratio understates the power.
    const nlohmann::json typed =
        json_answer(joined(counts, {"--odds-ratio", "1.5", "--control-rate", "0.2"}));
    EXPECT_LT(typed[0]["power"].get<double>(), model[0]["power"].get<double>());
}

TEST(VantorDiseaseModel, SolvedSizesAreTheLibrarys) {
    const Words model = model_words(0.3, 0.05, "dominant", 1.3);
    STU_study study = disease_study(0.3, 0.05, DIS_DOMINANT, 1.3);
    study.test = GEN_DOMINANT;
    const nlohmann::json cases =
        json_answer(joined({"power", "-m", "3000", "-p", "0.8", "--test", "dominant"}, model));
    STU_size_result size{};
    ASSERT_EQ(STU_cases_for_controls(&study, 3000, 0.8, &size), VANTOR_FOUND);
    ASSERT_EQ(cases.size(), 1U);
    EXPECT_EQ(cases[0]["cases"], size.cases);
    EXPECT_EQ(cases[0]["power"].get<double>(), size.power);
    EXPECT_EQ(cases[0]["marker-odds-ratio"].get<double>(), size.marker_odds_ratio);
    // The cases found reach the target and one fewer do not, by the
    // library's power.
    STU_power_result power{};
    STU_power(&study, size.cases, 3000, &power);
    EXPECT_GE(power.power, 0.8);
    STU_power(&study, size.cases - 1, 3000, &power);
    EXPECT_LT(power.power, 0.8);

    const nlohmann::json ratio = json_answer(
        joined({"power", "--controls-per-case", "2", "-p", "0.8", "--test", "dominant"}, model));
    ASSERT_EQ(STU_cases_for_ratio(&study, 2, 0.8, &size), VANTOR_FOUND);
    EXPECT_EQ(ratio[0]["cases"], size.cases);
    EXPECT_EQ(ratio[0]["controls"], size.controls);
    EXPECT_EQ(ratio[0]["power"].get<double>(), size.power);
    EXPECT_EQ(ratio[0]["controls"], 2 * size.cases);
}

// The detectable relative risk, above and below 1, is STU_relative_risk's;
// its power at the answer is the target or more.
TEST(VantorDiseaseModel, AnOpenRelativeRiskIsTheDetectableOneOnEachSide) {
    for (const AssociationTest &test : {kTests[0], kTests[1], kTests[4]}) {
        const nlohmann::json rows = json_answer({"power", "--frequency", "0.3", "--prevalence",
                                                 "0.05", "--model", "recessive", "-n", "2000", "-m",
                                                 "2000", "-p", "0.8", "--test", test.word});
        ASSERT_EQ(rows.size(), 2U) << test.word;
        const std::int32_t directions[] = {STU_ABOVE_ONE, STU_BELOW_ONE};
        for (std::size_t side = 0; side < 2; ++side) {
            STU_study study = disease_study(0.3, 0.05, DIS_RECESSIVE, kCausal);
            study.test = test.code;
            STU_risk_result risk{};
            STU_relative_risk(&study, 2000, 2000, 0.8, directions[side], &risk);
            const nlohmann::json &row = rows[side];
            EXPECT_EQ(row["direction"], side == 0 ? "above" : "below");
            EXPECT_EQ(row["status"], VANTOR_status_name(risk.status));
            if (risk.status != VANTOR_FOUND) {
                EXPECT_TRUE(row["relative-risk"].is_null());
                continue;
            }
            EXPECT_EQ(row["relative-risk"].get<double>(), risk.relative_risk) << test.word;
            EXPECT_EQ(row["power"].get<double>(), risk.power) << test.word;
            study.effect.disease.relative_risk = risk.relative_risk;
            STU_power_result power{};
            STU_power(&study, 2000, 2000, &power);
            EXPECT_GE(power.power, 0.8) << test.word;
            expect_marker_columns(row, 5e-8, power.marker_case_rate, power.marker_control_rate,
                                  power.marker_odds_ratio);
        }
    }
    // --direction chooses one side.
    const nlohmann::json above =
        json_answer({"power", "--frequency", "0.3", "--prevalence", "0.05", "-n", "2000", "-m",
                     "2000", "-p", "0.8", "--direction", "above"});
    ASSERT_EQ(above.size(), 1U);
    EXPECT_GT(above[0]["relative-risk"].get<double>(), 1);
}

// ---- refusals --------------------------------------------------------------

// A refused request: exit status 2, nothing on standard output, one line on
// standard error holding `told`.
void expect_refused(const Words &words, const std::string &told) {
    const ProgramResult result = vantor(words);
    EXPECT_EQ(result.exit_status, 2) << result.out;
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(told), std::string::npos) << result.err << "wanted: " << told;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
}

std::string refused(const std::string &option, std::int32_t reason) {
    return option + ": " + VANTOR_message(reason);
}

TEST(VantorDiseaseModel, InvalidModelsAreRefusedInTheirReasonsWordsNamingTheOption) {
    const Words power{"power", "-n", "1000", "-m", "1000"};
    struct Refusal {
        Words inputs;
        std::string option;  // as the message names it, with the value
        std::int32_t reason;
    };
    const Words good{"--frequency", "0.2", "--prevalence", "0.1"};
    const std::vector<Refusal> refusals{
        {{"--frequency", "0", "--prevalence", "0.1", "--relative-risk", "1.5"},
         "--frequency 0",
         VANTOR_REASON_BAD_FREQUENCY},
        {{"--frequency", "0.2", "--prevalence", "1.5", "--relative-risk", "1.5"},
         "--prevalence 1.5",
         VANTOR_REASON_BAD_PREVALENCE},
        {joined(good, {"--relative-risk", "-1"}), "--relative-risk -1",
         VANTOR_REASON_BAD_RELATIVE_RISK},
        {joined(good, {"--relative-risk", "0.4", "--model", "additive"}), "--relative-risk 0.4",
         VANTOR_REASON_NEGATIVE_RISK},
        // 0.5 / (1/4 + 5/2 + 25/4) of the risk per copy: two copies pass 1.
        {{"--frequency", "0.5", "--prevalence", "0.5", "--relative-risk", "5"},
         "--relative-risk 5",
         VANTOR_REASON_RISK_ABOVE_ONE},
        {joined(good, {"--model", "free", "--heterozygote-risk", "-1", "--homozygote-risk", "2"}),
         "--heterozygote-risk -1", VANTOR_REASON_BAD_RELATIVE_RISK},
        {joined(good, {"--relative-risk", "1.5", "--marker-frequency", "1", "--d-prime", "1"}),
         "--marker-frequency 1", VANTOR_REASON_BAD_MARKER_FREQUENCY},
        {joined(good, {"--relative-risk", "1.5", "--r-squared", "1.5"}), "--r-squared 1.5",
         VANTOR_REASON_BAD_LD},
        {joined(good, {"--relative-risk", "1.5", "--d-prime", "-0.1"}), "--d-prime -0.1",
         VANTOR_REASON_BAD_LD},
        {{"--frequency", "0.5", "--prevalence", "0.1", "--relative-risk", "1.5",
          "--marker-frequency", "0.05", "--r-squared", "0.9"},
         "--r-squared 0.9",
         VANTOR_REASON_LD_BEYOND_FREQUENCIES},
        {joined(good, {"--relative-risk", "1.5", "--markers", "0.5"}), "--markers 0.5",
         VANTOR_REASON_BAD_MARKERS},
        {joined(good, {"--relative-risk", "1.5", "--markers", "1e8", "--alpha", "1e-5"}),
         "--alpha 1e-5", VANTOR_REASON_BAD_MARKER_ALPHA},
        {{"--odds-ratio", "1.3", "--control-rate", "0.3", "--test", "trend"},
         "--test trend",
         VANTOR_REASON_TEST_NEEDS_MODEL},
        {joined(good, {"--relative-risk", "1.5", "--test", "trend", "--count", "alleles"}),
         "--count alleles", VANTOR_REASON_GENOTYPE_TEST_COUNTS_PEOPLE},
        {joined(good, {"--relative-risk", "1.5", "--test", "genotypic", "--variance", "unpooled"}),
         "--variance unpooled", VANTOR_REASON_GENOTYPIC_ONE_STATISTIC},
    };
    for (const Refusal &refusal : refusals) {
        expect_refused(joined(power, refusal.inputs), refused(refusal.option, refusal.reason));
    }
    // The free model has no single relative risk to solve.
    expect_refused(joined(power, joined(good, {"--model", "free", "-p", "0.8"})),
                   refused("--model free", VANTOR_REASON_NO_SINGLE_RISK));
    // The genotypic test has no two-stage analysis.
    expect_refused(
        {"two-stage", "--total", "4000", "-s", "0.4", "--stage1-alpha", "1e-3", "--frequency",
         "0.2", "--prevalence", "0.1", "--relative-risk", "1.5", "--test", "genotypic"},
        refused("--test genotypic", VANTOR_REASON_GENOTYPIC_ONE_STAGE));
    expect_refused({"design", "--method", "joint", "-p", "0.8", "--frequency", "0.2",
                    "--prevalence", "0.1", "--relative-risk", "1.5", "--test", "genotypic"},
                   refused("--test genotypic", VANTOR_REASON_GENOTYPIC_ONE_STAGE));
}

TEST(VantorDiseaseModel, AnEffectIsAnOddsRatioOrAModelNeverBoth) {
    const Words power{"power", "-n", "1000", "-m", "1000"};
    expect_refused(joined(power, {"--odds-ratio", "1.3", "--frequency", "0.2", "--prevalence",
                                  "0.1", "--relative-risk", "1.5"}),
                   "not both: --odds-ratio is given with --frequency");
    expect_refused(joined(power, {"--control-rate", "0.3", "--frequency", "0.2", "--prevalence",
                                  "0.1", "--relative-risk", "1.5"}),
                   "not both: --control-rate is given with --frequency");
    expect_refused(joined(power, {"--frequency", "0.2", "--relative-risk", "1.5"}),
                   "--prevalence is missing");
    expect_refused(joined(power, {"--frequency", "0.2", "--prevalence", "0.1", "--relative-risk",
                                  "1.5", "--d-prime", "1", "--r-squared", "0.5"}),
                   "at most one of --d-prime and --r-squared");
    expect_refused(joined(power, {"--frequency", "0.2", "--prevalence", "0.1", "--relative-risk",
                                  "1.5", "--heterozygote-risk", "2"}),
                   "--heterozygote-risk is the free model's");
    expect_refused(joined(power, {"--frequency", "0.2", "--prevalence", "0.1", "--model", "free",
                                  "--relative-risk", "1.5"}),
                   "--relative-risk is a one-parameter model's");
    expect_refused(joined(power, {"--frequency", "0.2", "--prevalence", "0.1", "--model", "free",
                                  "--heterozygote-risk", "1.5"}),
                   "--homozygote-risk is missing");
    expect_refused({"power", "-n", "1000", "-m", "1000"}, "--control-rate is missing");
    expect_refused(joined(power, {"--frequency", "0.2", "--prevalence", "0.1", "--relative-risk",
                                  "1.5", "--marker-frequency", "0.3"}),
                   "--marker-frequency is a marker's in linkage disequilibrium");
    expect_refused({"two-stage", "--total", "4000", "-s", "0.4", "--stage1-alpha", "1e-3",
                    "--frequency", "0.2", "--prevalence", "0.1"},
                   "--relative-risk is missing");
    expect_refused({"power", "-n", "1000", "-m", "1000", "--frequency", "0.2", "--prevalence",
                    "0.1", "--relative-risk", "1.5", "--model", "codominant"},
                   "--model");
}

// ---- two stages ------------------------------------------------------------

// The marker's odds ratio and control rate of a model, from the program's
// own power row in full precision.
struct AtMarker {
    double odds_ratio;
    double control_rate;
};

AtMarker at_marker(const Words &model) {
    const nlohmann::json row = json_answer(joined({"power", "-n", "1000", "-m", "1000"}, model));
    if (row.size() != 1) {
        ADD_FAILURE() << "no power row";
        return {NAN, NAN};
    }
    return {row[0]["marker-odds-ratio"].get<double>(), row[0]["marker-control-rate"].get<double>()};
}

// The result columns of a two-stage row (not its inputs).
nlohmann::json results_of(const nlohmann::json &row) {
    nlohmann::json results;
    for (const char *column :
         {"total", "stage1-cases", "stage2-cases", "stage1-controls", "stage2-controls",
          "stage1-weight", "stage1-alpha", "final-alpha", "power", "cost", "one-stage-total",
          "relative-cost", "status", "reason", "message", "method"}) {
        results[column] = row[column];
    }
    return results;
}

// Four models, two prevalences, two frequencies, two relative risks, the
// marker the causal variant (one marker) or at r^2 0.5 (a thousand
// markers): the two-stage power of a design and the cheapest design of a
// disease model are those of its marker's odds ratio and control rate, to
// the last bit. A model the library refuses is refused by the program too.
TEST(VantorDiseaseModel, TwoStagesOfAModelAreThoseOfItsMarkersOddsRatioAndRate) {
    std::size_t compared = 0;
    for (const Model &model : kModels) {
        for (const double prevalence : {0.001, 0.3}) {
            for (const double frequency : {0.05, 0.5}) {
                for (const double relative_risk : {1.1, 2.0}) {
                    for (const double r_squared : {kCausal, 0.5}) {
                        const std::string about = std::string(model.word) + " K " +
                                                  text(prevalence) + " p " + text(frequency) +
                                                  " r " + text(relative_risk) + " r2 " +
                                                  text(r_squared);
                        const Words markers{"--markers", std::isnan(r_squared) ? "1" : "1000"};
                        const Words described =
                            joined(model_words(frequency, prevalence, model.word, relative_risk,
                                               r_squared),
                                   markers);
                        const STU_study study = disease_study(frequency, prevalence, model.code,
                                                              relative_risk, r_squared);
                        const Words design{"two-stage",      "--total", "6000",         "-s", "0.4",
                                           "--stage1-alpha", "1e-3",    "--cost-ratio", "2"};
                        if (DIS_check_model(&study.effect.disease) != VANTOR_REASON_NONE) {
                            EXPECT_EQ(vantor(joined(design, described)).exit_status, 2) << about;
                            continue;
                        }
                        const AtMarker marker = at_marker(described);
                        const Words allelic = joined({"--odds-ratio", text(marker.odds_ratio),
                                                      "--control-rate", text(marker.control_rate)},
                                                     markers);
                        const nlohmann::json of_model = json_answer(joined(design, described));
                        const nlohmann::json of_odds = json_answer(joined(design, allelic));
                        ASSERT_EQ(of_model.size(), 3U) << about;
                        ASSERT_EQ(of_odds.size(), 3U) << about;
                        for (std::size_t method = 0; method < 3; ++method) {
                            EXPECT_EQ(results_of(of_model[method]), results_of(of_odds[method]))
                                << about;
                            EXPECT_EQ(of_model[method]["alpha"], of_odds[method]["alpha"]);
                        }
                        const Words cheapest{"design", "--method", "replication", "-p", "0.8"};
                        EXPECT_EQ(results_of(json_answer(joined(cheapest, described))[0]),
                                  results_of(json_answer(joined(cheapest, allelic))[0]))
                            << about;
                        ++compared;
                    }
                }
            }
        }
    }
    EXPECT_GE(compared, 48U);
}

// ---- input files and the level -------------------------------------------

TEST(VantorDiseaseModel, AnInputFileTakesTheModelAsColumns) {
    const std::string path = ::testing::TempDir() + "disease_model.csv";
    std::ofstream(path) << "frequency,prevalence,model,relative_risk,r_squared,test\n"
                           "0.2,0.1,additive,1.5,,trend\n"
                           "0.3,0.01,recessive,2,0.5,genotypic\n";
    const nlohmann::json rows = json_answer({"power", "--input", path, "-n", "1000", "-m", "2000"});
    ASSERT_EQ(rows.size(), 2U);
    const nlohmann::json first =
        json_answer({"power", "--frequency", "0.2", "--prevalence", "0.1", "--model", "additive",
                     "--relative-risk", "1.5", "--test", "trend", "-n", "1000", "-m", "2000"});
    // The file's rows are those the command line gives for the same
    // requests: the disease model's columns, not the odds ratio's.
    ASSERT_EQ(first.size(), 1U);
    EXPECT_EQ(rows[0], first[0]);
    EXPECT_FALSE(rows[0].contains("odds-ratio"));
    STU_study study = disease_study(0.3, 0.01, DIS_RECESSIVE, 2, 0.5);
    study.test = GEN_GENOTYPIC;
    STU_power_result power{};
    ASSERT_EQ(STU_power(&study, 1000, 2000, &power), VANTOR_FOUND);
    EXPECT_EQ(rows[1]["power"].get<double>(), power.power);
}

TEST(VantorDiseaseModel, TheDefaultLevelIsGenomeWideForOneMarkerAndStudyWideForMore) {
    const nlohmann::json rows = json_answer(
        {"power", "-n", "2000", "-m", "2000", "-o", "1.3", "-r", "0.3", "--markers", "1,1000"});
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0]["alpha"].get<double>(), STU_default_alpha(1));
    EXPECT_EQ(rows[0]["marker-alpha"].get<double>(), STU_default_alpha(1));
    EXPECT_EQ(rows[1]["alpha"].get<double>(), STU_default_alpha(1000));
    EXPECT_EQ(rows[1]["marker-alpha"].get<double>(), STU_default_alpha(1000) / 1000);
    // A level given is the study-wide one, whatever the markers.
    const nlohmann::json given = json_answer({"power", "-n", "2000", "-m", "2000", "-o", "1.3",
                                              "-r", "0.3", "--markers", "1000", "-a", "0.01"});
    EXPECT_EQ(given[0]["alpha"].get<double>(), 0.01);
    EXPECT_EQ(given[0]["marker-alpha"].get<double>(), 0.01 / 1000);
    for (const char *subcommand : {"power", "two-stage", "design"}) {
        const ProgramResult help = vantor({subcommand, "--help"});
        EXPECT_NE(help.out.find("--markers"), std::string::npos) << subcommand;
        EXPECT_NE(help.out.find("with markers above 1, 0.05"), std::string::npos) << subcommand;
    }
}

}  // namespace
