// The vantor program as a user meets it: run as a process, standard output,
// standard error and exit status checked; CSV read back, JSON parsed; people
// against vantor_mini_bin's alleles.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "power/power_func.h"
#include "question/study.h"
#include "reference.h"
#include "run_program.h"
#include "search/design.h"
#include "status/status.h"
#include "two_stage_reference.h"

namespace {

ProgramResult vantor(const std::vector<std::string> &words) {
    return run_program(VANTOR_PROGRAM, words);
}

using CsvRow = std::map<std::string, std::string>;

// The fields of one CSV line, quoted fields unquoted.
std::vector<std::string> csv_fields(const std::string &line, char separator = ',') {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == separator && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// A CSV (or TSV) answer read back: one map per row, by column name.
std::vector<CsvRow> read_csv(const std::string &text, char separator = ',') {
    std::istringstream stream(text);
    std::string line;
    std::vector<std::string> header;
    std::vector<CsvRow> rows;
    while (std::getline(stream, line)) {
        const std::vector<std::string> fields = csv_fields(line, separator);
        if (header.empty()) {
            header = fields;
            continue;
        }
        EXPECT_EQ(fields.size(), header.size()) << line;
        CsvRow row;
        for (std::size_t i = 0; i < fields.size() && i < header.size(); ++i) {
            row[header[i]] = fields[i];
        }
        rows.push_back(row);
    }
    return rows;
}

// Runs a question in CSV and expects exit status 0 and nothing on stderr.
std::vector<CsvRow> csv_answer(std::vector<std::string> words) {
    words.emplace_back("--format");
    words.emplace_back("csv");
    const ProgramResult result = vantor(words);
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    return read_csv(result.out);
}

// The rows of a JSON answer, numbers at full precision.
nlohmann::json json_answer(std::vector<std::string> words) {
    words.insert(words.end(), {"--format", "json"});
    const ProgramResult result = vantor(words);
    EXPECT_EQ(result.exit_status, 0) << result.err;
    return nlohmann::json::parse(result.out);
}

// A refused request (below).
void expect_refused(const std::vector<std::string> &words, const std::string &option);

double number(const CsvRow &row, const std::string &column) {
    const auto found = row.find(column);
    EXPECT_NE(found, row.end()) << column;
    return found == row.end() ? NAN : std::strtod(found->second.c_str(), nullptr);
}

// The single-stage power from its closed form, Phi(B) + Phi(A) with
// B = w - z r and A = -w - z r, with the exact normal distribution.
double closed_form_power(double cases, double controls, double odds_ratio, double rate,
                         double alpha) {
    const double p0 = rate;
    const double p1 = odds_ratio * p0 / (odds_ratio * p0 + 1 - p0);
    const double pooled = (p1 * cases + p0 * controls) / (cases + controls);
    const double s0 = std::sqrt(pooled * (1 - pooled) * (1 / cases + 1 / controls));
    const double s1 = std::sqrt(p1 * (1 - p1) / cases + p0 * (1 - p0) / controls);
    const double w = (p1 - p0) / s1;
    const double r = s0 / s1;
    const double z = exact_quantile(1 - alpha / 2);
    return exact_cdf(w - z * r) + exact_cdf(-w - z * r);
}

double library_power(std::int32_t case_alleles, std::int32_t control_alleles, double odds_ratio,
                     double rate, double alpha) {
    PWR_design design = single_stage_design(case_alleles, control_alleles, odds_ratio, rate, alpha);
    return PWR_get_power_for_single_step(&design, 0);
}

// ---- power -------------------------------------------------------------

TEST(VantorPower, PeopleAreTwoAllelesEachAsVantorMiniBinCountsThem) {
    const std::vector<CsvRow> people = csv_answer(
        {"power", "--cases", "250", "--controls", "300", "-o", "1.5", "-r", "0.3", "-a", "0.05"});
    const std::vector<CsvRow> alleles =
        csv_answer({"power", "-n", "500", "-m", "600", "-o", "1.5", "-r", "0.3", "-a", "0.05",
                    "--count", "alleles"});
    const ProgramResult mini =
        run_program(VANTOR_MINI_BIN, {"SINGLE", "500", "600", "1.5", "0.3", "0.05"});
    ASSERT_EQ(people.size(), 1U);
    ASSERT_EQ(alleles.size(), 1U);
    EXPECT_EQ(people[0].at("count"), "people");
    EXPECT_EQ(alleles[0].at("count"), "alleles");
    EXPECT_EQ(people[0].at("power"), alleles[0].at("power"));
    EXPECT_NEAR(number(people[0], "power"), std::strtod(mini.out.c_str(), nullptr), 1e-6);
    EXPECT_NEAR(number(people[0], "power"), closed_form_power(500, 600, 1.5, 0.3, 0.05), 2e-6);
}

TEST(VantorPower, GenomeWideLevelKeepsItsDigits) {
    const ProgramResult result =
        vantor({"power", "--cases", "2000", "--controls", "2000", "--odds-ratio", "1.3",
                "--control-rate", "0.3", "--alpha", "5e-8"});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_NE(result.out.find("alpha = 5e-8"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("0.000000"), std::string::npos);
    const std::vector<CsvRow> rows =
        csv_answer({"power", "-n", "2000", "-m", "2000", "-o", "1.3", "-r", "0.3", "-a", "5e-8"});
    EXPECT_NEAR(number(rows[0], "power"), closed_form_power(4000, 4000, 1.3, 0.3, 5e-8), 2e-6);
}

TEST(VantorPower, SolvedSizesAreWholePeopleAndTheSmallestReachingTheTarget) {
    const std::vector<CsvRow> rows = csv_answer(
        {"power", "--controls", "3000", "-o", "1.2", "-r", "0.3", "-a", "5e-8", "-p", "0.8"});
    ASSERT_EQ(rows.size(), 1U);
    EXPECT_EQ(rows[0].at("controls"), "3000");
    const auto cases = static_cast<std::int32_t>(number(rows[0], "cases"));
    EXPECT_GE(library_power(2 * cases, 6000, 1.2, 0.3, 5e-8), 0.8);
    EXPECT_LT(library_power(2 * cases - 2, 6000, 1.2, 0.3, 5e-8), 0.8);

    const std::vector<CsvRow> controls = csv_answer(
        {"power", "--cases", "9000", "-o", "1.2", "-r", "0.3", "-a", "5e-8", "-p", "0.8"});
    EXPECT_EQ(controls[0].at("cases"), "9000");
    const auto found = static_cast<std::int32_t>(number(controls[0], "controls"));
    EXPECT_GE(library_power(18000, 2 * found, 1.2, 0.3, 5e-8), 0.8);
    EXPECT_LT(library_power(18000, 2 * found - 2, 1.2, 0.3, 5e-8), 0.8);
}

TEST(VantorPower, ARatioGivesControlsPerCase) {
    const std::vector<CsvRow> rows = csv_answer(
        {"power", "--controls-per-case", "2", "-o", "1.2", "-r", "0.3", "-a", "5e-8", "-p", "0.8"});
    const double cases = number(rows[0], "cases");
    EXPECT_EQ(number(rows[0], "controls"), 2 * cases);
    EXPECT_GE(library_power(static_cast<std::int32_t>(2 * cases),
                            static_cast<std::int32_t>(4 * cases), 1.2, 0.3, 5e-8),
              0.8);
}

TEST(VantorPower, OpenOddsRatioGivesTheDetectableEffectOnBothSides) {
    const std::vector<CsvRow> rows =
        csv_answer({"power", "-n", "2000", "-m", "2000", "-r", "0.3", "-a", "5e-8", "-p", "0.8"});
    // One row for each side of 1, each with its own power.
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0].at("direction"), "above");
    EXPECT_EQ(rows[1].at("direction"), "below");
    const double above = number(rows[0], "odds-ratio");
    const double below = number(rows[1], "odds-ratio");
    EXPECT_GE(number(rows[0], "power"), 0.8);
    EXPECT_GE(number(rows[1], "power"), 0.8);
    const std::vector<CsvRow> one_side = csv_answer(
        {"power", "-n", "2000", "-m", "2000", "-r", "0.3", "-p", "0.8", "--direction", "below"});
    ASSERT_EQ(one_side.size(), 1U);
    EXPECT_EQ(one_side[0], rows[1]);
    EXPECT_GT(above, 1);
    EXPECT_LT(below, 1);
    // Six significant digits: the power at the printed values is the target
    // within what a change in the sixth digit makes.
    EXPECT_NEAR(closed_form_power(4000, 4000, above, 0.3, 5e-8), 0.8, 1e-4);
    EXPECT_NEAR(closed_form_power(4000, 4000, below, 0.3, 5e-8), 0.8, 1e-4);
}

// Cases per control solves both groups together, as the library's own
// question answers it, to the last bit; the detectable odds ratio of one side
// is asked with --direction, which means nothing when the odds ratio is given.
TEST(VantorPower, CasesPerControlSolvesBothGroupsAndDirectionChoosesASide) {
    const nlohmann::json rows =
        json_answer({"power", "--cases-per-control", "0.5", "-o", "1.3", "-r", "0.3", "-p", "0.8"});
    ASSERT_EQ(rows.size(), 1U);
    STU_study library;
    STU_study_init(&library);
    library.effect.allelic.odds_ratio = 1.3;
    library.effect.allelic.control_rate = 0.3;
    STU_size_result size{};
    ASSERT_EQ(STU_controls_for_ratio(&library, 0.5, 0.8, &size), VANTOR_FOUND);
    EXPECT_EQ(rows[0]["cases"], size.cases);
    EXPECT_EQ(rows[0]["controls"], size.controls);
    EXPECT_EQ(rows[0]["power"].get<double>(), size.power);
    // An independent look: the design reaches the target, with about half
    // as many cases as controls.
    const double cases = rows[0]["cases"].get<double>();
    const double controls = rows[0]["controls"].get<double>();
    EXPECT_NEAR(cases / controls, 0.5, 1e-3);
    EXPECT_GE(closed_form_power(2 * cases, 2 * controls, 1.3, 0.3, 5e-8), 0.8 - 2e-6);

    expect_refused(
        {"power", "-n", "9", "-m", "9", "-o", "1.3", "-r", "0.3", "--direction", "above"},
        "--direction");
    expect_refused(
        {"power", "-n", "9", "--cases-per-control", "1", "-o", "1.3", "-r", "0.3", "-p", "0.8"},
        "--cases-per-control");
    expect_refused({"power", "-n", "9", "-m", "9", "-r", "0.3", "-p", "0.8", "--direction", "up"},
                   "--direction: 'up' is not one of above, below");
}

TEST(VantorPower, VarianceChoosesTheStatisticAndPooledIsTheDefault) {
    struct Design {
        const char *cases;
        const char *controls;
        double case_alleles;
        double control_alleles;
    };
    // 2,000 + 2,000 people, and 1,000 cases with 4,000 controls.
    for (const Design &d :
         {Design{"2000", "2000", 4000, 4000}, Design{"1000", "4000", 2000, 8000}}) {
        const std::vector<std::string> question{"power", "-n", d.cases, "-m", d.controls, "-o",
                                                "1.3",   "-r", "0.3",   "-a", "5e-8"};
        std::vector<std::string> unpooled = question;
        unpooled.insert(unpooled.end(), {"--variance", "unpooled"});
        std::vector<std::string> pooled = question;
        pooled.insert(pooled.end(), {"--variance", "pooled"});
        const std::vector<CsvRow> rows = csv_answer(unpooled);
        ASSERT_EQ(rows.size(), 1U);
        EXPECT_NEAR(number(rows[0], "power"),
                    exact_unpooled_power(d.case_alleles, d.control_alleles, 1.3, 0.3, 5e-8), 2e-6);
        EXPECT_NEAR(number(csv_answer(pooled)[0], "power"),
                    closed_form_power(d.case_alleles, d.control_alleles, 1.3, 0.3, 5e-8), 2e-6);
        // The default is pooled, and the columns do not change with the option.
        EXPECT_EQ(vantor(pooled).out, vantor(question).out);
        EXPECT_EQ(csv_answer(unpooled)[0].size(), csv_answer(question)[0].size());
    }
}

TEST(VantorPower, UnpooledSolversReachTheTargetByTheClosedForm) {
    const std::vector<CsvRow> size =
        csv_answer({"power", "--controls-per-case", "4", "-o", "1.3", "-r", "0.3", "-a", "5e-8",
                    "-p", "0.8", "--variance", "unpooled"});
    const double cases = number(size[0], "cases");
    EXPECT_EQ(number(size[0], "controls"), 4 * cases);
    EXPECT_GE(exact_unpooled_power(2 * cases, 8 * cases, 1.3, 0.3, 5e-8), 0.8);
    EXPECT_LT(exact_unpooled_power(2 * cases - 2, 8 * cases - 8, 1.3, 0.3, 5e-8), 0.8);
    const std::vector<CsvRow> effect =
        csv_answer({"power", "-n", "1000", "-m", "4000", "-r", "0.3", "-a", "5e-8", "-p", "0.8",
                    "--variance", "unpooled"});
    ASSERT_EQ(effect.size(), 2U);
    for (const CsvRow &side : effect) {
        EXPECT_NEAR(exact_unpooled_power(2000, 8000, number(side, "odds-ratio"), 0.3, 5e-8), 0.8,
                    1e-4)
            << side.at("direction");
    }
}

TEST(VantorTwoStage, VarianceReachesReplicationAndTheDesignSearches) {
    // 600 cases and 1,200 controls per stage.
    const std::vector<CsvRow> rows =
        csv_answer({"two-stage", "--total", "3600", "--stage1-share", "0.5", "--case-fraction",
                    "0.3333333333", "--stage1-alpha", "0.005", "-o", "1.4", "-r", "0.25", "-a",
                    "5e-8", "--variance", "unpooled"});
    ASSERT_EQ(rows.size(), 3U);
    ASSERT_EQ(rows[0].at("method"), "replication");
    ASSERT_EQ(rows[0].at("stage1-cases"), "600");
    ASSERT_EQ(rows[0].at("stage2-controls"), "1200");
    const double alpha1 = number(rows[0], "final-alpha");
    EXPECT_NEAR(number(rows[0], "power"),
                exact_unpooled_power(1200, 2400, 1.4, 0.25, 0.005) *
                    exact_unpooled_power(1200, 2400, 1.4, 0.25, alpha1),
                2e-6);
    const std::vector<CsvRow> pooled = csv_answer(
        {"two-stage", "--total", "3600", "--stage1-share", "0.5", "--case-fraction", "0.3333333333",
         "--stage1-alpha", "0.005", "-o", "1.4", "-r", "0.25", "-a", "5e-8"});
    EXPECT_NE(pooled[0].at("power"), rows[0].at("power"));
    // The product and joint analyses are the same either way.
    EXPECT_EQ(pooled[1].at("power"), rows[1].at("power"));
    EXPECT_EQ(pooled[2].at("power"), rows[2].at("power"));
    const std::vector<CsvRow> design =
        csv_answer({"design", "--method", "replication", "--case-fraction", "0.2", "-o", "1.3",
                    "-r", "0.3", "-a", "5e-8", "-p", "0.8", "--variance", "unpooled"});
    const std::vector<CsvRow> one_stage =
        csv_answer({"power", "--controls-per-case", "4", "-o", "1.3", "-r", "0.3", "-a", "5e-8",
                    "-p", "0.8", "--variance", "unpooled"});
    EXPECT_EQ(number(design[0], "one-stage-total"),
              number(one_stage[0], "cases") + number(one_stage[0], "controls"));
}

// ---- counts, lists, ranges, grids ------------------------------------------

TEST(VantorValues, CountsAreWholeNumbersInAnyNotation) {
    std::string power;
    for (const char *count : {"2000", "2e3", "2000.0", "2.0e+3"}) {
        const std::vector<CsvRow> rows = csv_answer(
            {"power", "-n", count, "-m", "2000", "-o", "1.3", "-r", "0.3", "-a", "5e-8"});
        ASSERT_EQ(rows.size(), 1U) << count;
        EXPECT_EQ(rows[0].at("cases"), "2000") << count;
        if (power.empty()) {
            power = rows[0].at("power");
        }
        EXPECT_EQ(rows[0].at("power"), power) << count;
    }
}

TEST(VantorValues, RangesAreCountedAndGridsCombineEveryValue) {
    const std::vector<CsvRow> rates = csv_answer(
        {"power", "-n", "1000", "-m", "1000", "-o", "1.3", "-r", "0.1:0.5:0.1", "-a", "5e-8"});
    ASSERT_EQ(rates.size(), 5U);
    const char *expected[] = {"0.1", "0.2", "0.3", "0.4", "0.5"};
    for (std::size_t i = 0; i < rates.size(); ++i) {
        EXPECT_EQ(rates[i].at("control-rate"), expected[i]);
    }
    const std::vector<CsvRow> grid = csv_answer({"power", "-n", "500:5000:500", "-m", "1000", "-o",
                                                 "1.1,1.2,1.3", "-r", "0.3", "-a", "5e-8"});
    ASSERT_EQ(grid.size(), 30U);
    EXPECT_EQ(grid[0].at("cases"), "500");
    EXPECT_EQ(grid[0].at("odds-ratio"), "1.1");
    EXPECT_EQ(grid[1].at("odds-ratio"), "1.2");
    EXPECT_EQ(grid[29].at("cases"), "5000");
    EXPECT_EQ(grid[29].at("odds-ratio"), "1.3");
    for (const CsvRow &row : grid) {
        EXPECT_NEAR(
            number(row, "power"),
            closed_form_power(2 * number(row, "cases"), 2000, number(row, "odds-ratio"), 0.3, 5e-8),
            2e-6);
    }
}

// ---- formats ---------------------------------------------------------------

TEST(VantorFormats, JsonHasNullBesideAStatusThatFoundNothing) {
    const ProgramResult result = vantor({"power", "-m", "10,3000", "-o", "1.2", "-r", "0.3", "-a",
                                         "5e-8", "-p", "0.8", "--format", "json"});
    EXPECT_EQ(result.exit_status, 1);
    const nlohmann::json rows = nlohmann::json::parse(result.out);
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_TRUE(rows[0]["cases"].is_null());
    EXPECT_TRUE(rows[0]["power"].is_null());
    EXPECT_EQ(rows[0]["status"], "not reachable");
    EXPECT_EQ(rows[0]["message"], VANTOR_message(VANTOR_REASON_LEVELS_OFF_WITH_GROUP_FIXED));
    EXPECT_TRUE(rows[1]["cases"].is_number_integer());
    EXPECT_EQ(rows[1]["status"], "found");
    EXPECT_EQ(rows[1]["alpha"].get<double>(), 5e-8);
}

TEST(VantorFormats, TableAndTsvHoldTheSameCellsAsCsv) {
    const std::vector<std::string> question{"power", "-n", "1000", "-m", "1000,2000", "-o",
                                            "1.3",   "-r", "0.3",  "-a", "5e-8"};
    std::vector<std::string> tsv_question = question;
    tsv_question.insert(tsv_question.end(), {"-f", "tsv"});
    std::vector<std::string> table_question = question;
    table_question.emplace_back("--all-columns");
    const ProgramResult table = vantor(table_question);
    const ProgramResult tsv = vantor(tsv_question);
    const std::vector<CsvRow> csv = csv_answer(question);
    ASSERT_EQ(csv.size(), 2U);
    EXPECT_EQ(read_csv(tsv.out, '\t'), csv);
    // The table: a header and two rows, the same power, columns aligned.
    std::istringstream lines(table.out);
    std::string header;
    std::string first;
    std::getline(lines, header);
    std::getline(lines, first);
    EXPECT_EQ(header.find("power"), header.find("power"));
    char six[32];
    std::snprintf(six, sizeof six, "%.6g", number(csv[0], "power"));
    EXPECT_NE(first.find(six), std::string::npos) << first;
    EXPECT_EQ(header.find("controls") + std::string("controls").size(),
              first.find(" 1000 ", first.find("1000") + 4) + 5);
}

// ---- refusals and exit statuses --------------------------------------------

// A refused request: exit status 2, nothing on standard output, one line on
// standard error naming `option`.
void expect_refused(const std::vector<std::string> &words, const std::string &option) {
    const ProgramResult result = vantor(words);
    EXPECT_EQ(result.exit_status, 2) << result.out;
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(option), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
}

TEST(VantorRefusals, ValuesOutsideTheirDomainNameTheOption) {
    const std::vector<std::string> base{"power", "-n", "2000", "-m", "2000", "-r", "0.3"};
    const auto with = [&base](std::vector<std::string> more) {
        std::vector<std::string> words = base;
        words.insert(words.end(), more.begin(), more.end());
        return words;
    };
    expect_refused(with({"-o", "1.3", "-a", "0"}), "--alpha 0: ");
    expect_refused(with({"-o", "1.3", "-a", "1"}), "--alpha 1: ");
    expect_refused(with({"-o", "1.3", "-a", "1e-13"}), "--alpha 1e-13: ");
    expect_refused(with({"-a", "0.05", "-p", "80"}), "--target-power 80: ");
    expect_refused(with({"-a", "0.05", "-p", "0.01"}), "--target-power 0.01: ");
    expect_refused(with({"-a", "0.05", "-p", "1"}), "--target-power 1: ");
    expect_refused({"power", "-n", "20", "-m", "20", "-o", "1.3", "-r", "0", "-a", "0.05"},
                   "--control-rate 0: ");
    expect_refused({"power", "-n", "20", "-m", "20", "-o", "1.3", "-r", "1", "-a", "0.05"},
                   "--control-rate 1: ");
    expect_refused({"power", "-m", "20", "-o", "1", "-r", "0.3", "-a", "0.05", "-p", "0.8"},
                   "--odds-ratio 1: ");
    expect_refused(
        {"power", "-n", "1073741824", "-m", "20", "-o", "1.3", "-r", "0.3", "-a", "0.05"},
        "--cases 1073741824: ");
    // As alleles the same count fits.
    EXPECT_EQ(vantor({"power", "-n", "1073741824", "-m", "20", "-o", "1.3", "-r", "0.3", "-a",
                      "0.05", "--count", "alleles"})
                  .exit_status,
              0);
}

TEST(VantorRefusals, TextThatIsNotWhatTheOptionTakes) {
    for (const char *count : {"500.7", "80%", "1e3x", "", "nan", "0x10", "1:10"}) {
        expect_refused({"power", "-n", count, "-m", "2000", "-o", "1.3", "-r", "0.3", "-a", "5e-8"},
                       "--cases");
    }
    for (const char *level : {"5%", "inf", "1e-8.5", "5e-8,"}) {
        expect_refused({"power", "-n", "9", "-m", "9", "-o", "1.3", "-r", "0.3", "-a", level},
                       "--alpha");
    }
    expect_refused({"power", "-n", "9", "-m", "9", "-o", "1.3", "-r", "0.5:0.1:0.1", "-a", "0.05"},
                   "--control-rate");
    expect_refused({"two-stage", "--method", "replicate", "--total", "9"}, "--method");
    for (const char *word : {"wald", "Pooled", "", "pooled,unpooled"}) {
        expect_refused({"power", "-n", "9", "-m", "9", "-o", "1.3", "-r", "0.3", "-a", "0.05",
                        "--variance", word},
                       "--variance");
        expect_refused(
            {"design", "-o", "1.3", "-r", "0.3", "-a", "5e-8", "-p", "0.8", "--variance", word},
            "--variance");
    }
    expect_refused(
        {"power", "-n", "9", "-m", "9", "-o", "1.3", "-r", "0.3", "-a", "0.05", "-f", "xml"},
        "--format");
    expect_refused({"power", "--bogus", "1"}, "--bogus");
    expect_refused({"power", "-n", "9", "-m", "9", "-o", "1.3", "-a", "0.05"}, "--control-rate");
    expect_refused({"power", "-n", "9", "-o", "1.3", "-r", "0.3", "-a", "0.05"}, "open");
    const ProgramResult none = vantor({});
    EXPECT_EQ(none.exit_status, 2);
}

TEST(VantorRefusals, OldSpellingsAreRefusedNamingWhatEachBecame) {
    // Each old option where it used to be taken, beside the new name that
    // takes its place: the old one is refused however it is written, the new
    // one answers.
    struct Old {
        std::vector<std::string> question;  // without the renamed option
        std::string old_name, new_name, value;
    };
    const std::vector<Old> olds{
        {{"power", "-n", "2000", "-m", "2000", "-o", "1.3"}, "rate", "control-rate", "0.3"},
        {{"power", "-m", "2000", "-o", "1.3", "-r", "0.3"}, "power", "target-power", "0.8"},
        {{"power", "-o", "1.3", "-r", "0.3", "-p", "0.8"}, "ratio", "controls-per-case", "2"},
        {{"two-stage", "--total", "6000", "-s", "0.4", "-o", "1.3", "-r", "0.3"},
         "alpha0",
         "stage1-alpha",
         "1e-3"},
        {{"two-stage", "--total", "6000", "--stage1-alpha", "1e-3", "-o", "1.3", "-r", "0.3"},
         "share",
         "stage1-share",
         "0.4"},
        {{"design", "--method", "joint", "-o", "1.3", "-r", "0.3"}, "power", "target-power", "0.8"},
    };
    for (const Old &old : olds) {
        std::vector<std::string> renamed = old.question;
        renamed.insert(renamed.end(), {"--" + old.new_name, old.value, "-f", "csv"});
        EXPECT_EQ(vantor(renamed).exit_status, 0) << old.new_name;
        for (const std::vector<std::string> &spelling :
             {std::vector<std::string>{"--" + old.old_name, old.value},
              std::vector<std::string>{"--" + old.old_name + "=" + old.value}}) {
            std::vector<std::string> words = old.question;
            words.insert(words.end(), spelling.begin(), spelling.end());
            expect_refused(words, "--" + old.old_name + " is now --" + old.new_name);
        }
    }
    expect_refused({"two-stage", "--alpha0", "1e-3"}, "(stages are numbered 1 and 2)");
}

TEST(VantorRefusals, OldInputColumnsAreRefusedNamingWhatEachBecame) {
    const std::vector<std::pair<std::string, std::string>> columns{
        {"alpha0", "stage1-alpha"}, {"alpha1", "final-alpha"},
        {"share", "stage1-share"},  {"rate", "control-rate"},
        {"power", "target-power"},  {"ratio", "controls-per-case"},
        {"cases0", "stage1-cases"}, {"controls0", "stage1-controls"},
        {"cases1", "stage2-cases"}, {"controls1", "stage2-controls"}};
    for (const auto &[old_name, new_name] : columns) {
        for (const char *subcommand : {"power", "two-stage", "design"}) {
            const std::string path = ::testing::TempDir() + "old_column.csv";
            std::ofstream(path) << old_name << "\n0.5\n";
            std::string message = "column ";
            message += old_name;
            message += " is now ";
            message += new_name;
            expect_refused({subcommand, "--input", path, "-o", "1.3", "-r", "0.3"}, message);
        }
    }
}

TEST(VantorPower, TheLevelIsGenomeWideUnlessGivenAndEveryRowShowsIt) {
    const std::vector<CsvRow> implied =
        csv_answer({"power", "-n", "2000", "-m", "2000", "-o", "1.3", "-r", "0.3"});
    const std::vector<CsvRow> given =
        csv_answer({"power", "-n", "2000", "-m", "2000", "-o", "1.3", "-r", "0.3", "-a", "5e-8"});
    ASSERT_EQ(implied.size(), 1U);
    EXPECT_EQ(implied, given);
    EXPECT_EQ(implied[0].at("alpha"), "5e-8");
    EXPECT_NEAR(number(implied[0], "power"), closed_form_power(4000, 4000, 1.3, 0.3, 5e-8), 2e-6);
    for (const char *subcommand : {"power", "two-stage", "design"}) {
        const ProgramResult help = vantor({subcommand, "--help"});
        EXPECT_NE(help.out.find("(default 5e-8;"), std::string::npos) << subcommand;
    }
    const std::vector<CsvRow> design =
        csv_answer({"design", "--method", "joint", "-o", "1.3", "-r", "0.3", "-p", "0.8"});
    EXPECT_EQ(design[0].at("alpha"), "5e-8");
}

TEST(VantorRefusals, NotReachableRowsStandBesideAnsweredOnes) {
    const std::vector<std::string> words{"power", "-m",   "10,3000", "-o",  "1.2", "-r", "0.3",
                                         "-a",    "5e-8", "-p",      "0.8", "-f",  "csv"};
    const ProgramResult result = vantor(words);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, "");
    const std::vector<CsvRow> rows = read_csv(result.out);
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0].at("status"), "not reachable");
    EXPECT_EQ(rows[0].at("cases"), "");
    EXPECT_EQ(rows[0].at("controls"), "10");
    EXPECT_EQ(rows[1].at("status"), "found");
}

TEST(VantorHelp, ProgramAndSubcommandsExplainThemselves) {
    const ProgramResult help = vantor({"--help"});
    EXPECT_EQ(help.exit_status, 0);
    for (const char *text : {"power", "two-stage", "design", "Exit status", "Example"}) {
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
    }
    for (const char *subcommand : {"power", "two-stage", "design"}) {
        const ProgramResult sub = vantor({subcommand, "--help"});
        EXPECT_EQ(sub.exit_status, 0);
        EXPECT_NE(sub.out.find("Example"), std::string::npos) << subcommand;
        EXPECT_NE(sub.out.find("--format"), std::string::npos) << subcommand;
    }
    const ProgramResult version = vantor({"--version"});
    EXPECT_EQ(version.exit_status, 0);
    EXPECT_EQ(version.out.rfind("vantor ", 0), 0U) << version.out;
}

// ---- two stages ------------------------------------------------------------

TEST(VantorTwoStage, EveryMethodAnsweredAndTheSmallestTotalHasItsPower) {
    const std::vector<CsvRow> rows =
        csv_answer({"two-stage", "--total", "6000", "--stage1-share", "0.4", "--stage1-alpha",
                    "1e-3", "-o", "1.3", "-r", "0.3", "-a", "5e-8"});
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows[0].at("method"), "replication");
    EXPECT_EQ(rows[2].at("method"), "joint");
    // Replication: alpha1 = 2 alpha2 / alpha0.
    EXPECT_NEAR(number(rows[0], "final-alpha"), 2 * 5e-8 / 1e-3, 1e-10);
    EXPECT_EQ(number(rows[0], "stage1-cases") + number(rows[0], "stage1-controls"), 2400);

    const std::vector<CsvRow> smallest =
        csv_answer({"two-stage", "--method", "replication", "--stage1-share", "0.4",
                    "--stage1-alpha", "1e-3", "-o", "1.3", "-r", "0.3", "-a", "5e-8", "-p", "0.8"});
    ASSERT_EQ(smallest.size(), 1U);
    EXPECT_GE(number(smallest[0], "power"), 0.8);
    // Its total asked back gives the same counts and power.
    const std::vector<CsvRow> back = csv_answer(
        {"two-stage", "--method", "replication", "--stage1-share", "0.4", "--stage1-alpha", "1e-3",
         "-o", "1.3", "-r", "0.3", "-a", "5e-8", "--total", smallest[0].at("total")});
    for (const char *column :
         {"stage1-cases", "stage1-controls", "stage2-cases", "stage2-controls", "power"}) {
        EXPECT_EQ(back[0].at(column), smallest[0].at(column)) << column;
    }
}

// A joint design at stage 1 levels up to 1 - 1e-9: as the stage 1 level
// nears 1 every marker goes to stage 2 and the design becomes one stage of
// all 3,196 + 3,196 alleles at the final level, which tends to 5.0000128e-8
// (just above the overall level, which it never passes below) while the
// power settles near 0.300 (one stage at 5e-8 has 0.2965). The final level
// falls as the stage 1 level rises. Replication next to no effect rejects at
// the overall level.
TEST(VantorTwoStage, StageOneLevelsNearOneAndReplicationWithoutEffect) {
    const nlohmann::json rows =
        json_answer({"two-stage",
                     "--method",
                     "joint",
                     "--stage1-cases",
                     "1278",
                     "--stage1-controls",
                     "1278",
                     "--stage2-cases",
                     "1918",
                     "--stage2-controls",
                     "1918",
                     "--stage1-alpha",
                     "0.5,0.99,0.9999,0.99999,0.999999,0.9999999,0.999999999",
                     "--alpha",
                     "5e-8",
                     "--odds-ratio",
                     "1.3",
                     "--control-rate",
                     "0.3",
                     "--count",
                     "alleles"});
    ASSERT_EQ(rows.size(), 7U);
    double previous = 1;
    for (const nlohmann::json &row : rows) {
        const double final_alpha = row.at("final-alpha").get<double>();
        SCOPED_TRACE(row.at("stage1-alpha").get<double>());
        EXPECT_GE(final_alpha, 5e-8);
        EXPECT_LE(final_alpha, previous * (1 + 1e-5));
        previous = final_alpha;
        EXPECT_NEAR(row.at("power").get<double>(), 0.3001, 1e-4);
        EXPECT_EQ(row.at("status"), "found");
    }
    EXPECT_NEAR(rows.back().at("final-alpha").get<double>(), 5.0000128e-8, 5e-8 * 1e-5);

    const nlohmann::json replication =
        json_answer({"two-stage", "--method", "replication", "--odds-ratio", "1.000001",
                     "--control-rate", "0.3", "--total", "2000", "--stage1-share", "0.5",
                     "--stage1-alpha", "0.01", "--alpha", "0.001"});
    ASSERT_EQ(replication.size(), 1U);
    EXPECT_NEAR(replication[0].at("power").get<double>(), 0.001, 2e-9);
}

// The same design asked as four counts and as a total with stage 1's share:
// the library's power passed through to the last bit, and the genotyping
// cost stage 1's people plus the cost ratio times the stage 1 level times
// stage 2's people.
TEST(VantorTwoStage, StageCountsAndATotalAnswerAlikeWithTheirGenotypingCost) {
    const std::vector<std::string> study{"-o",   "1.3",          "-r", "0.3", "--stage1-alpha",
                                         "1e-3", "--cost-ratio", "2.5"};
    std::vector<std::string> by_total{"two-stage", "--total", "1000", "--stage1-share", "0.3"};
    by_total.insert(by_total.end(), study.begin(), study.end());
    std::vector<std::string> by_stage{"two-stage", "--stage1-cases", "150", "--stage1-controls",
                                      "150",       "--stage2-cases", "350", "--stage2-controls",
                                      "350"};
    by_stage.insert(by_stage.end(), study.begin(), study.end());
    const nlohmann::json total = json_answer(by_total);
    const nlohmann::json stages = json_answer(by_stage);
    ASSERT_EQ(total.size(), 3U);
    ASSERT_EQ(stages.size(), 3U);
    const std::int32_t methods[] = {PWR_METHOD_REPLICATION, PWR_METHOD_PRODUCT, PWR_METHOD_JOINT};
    for (std::size_t i = 0; i < 3; ++i) {
        // 1,000 people, 30 % in stage 1, half of each stage cases.
        EXPECT_EQ(total[i]["stage1-cases"], 150);
        EXPECT_EQ(total[i]["stage2-controls"], 350);
        EXPECT_EQ(stages[i]["total"], 1000);
        EXPECT_EQ(total[i]["power"], stages[i]["power"]) << i;
        EXPECT_EQ(total[i]["final-alpha"], stages[i]["final-alpha"]) << i;
        EXPECT_EQ(stages[i]["cost"].get<double>(), 300 + 2.5 * 1e-3 * 700) << i;
        EXPECT_EQ(total[i]["cost"], stages[i]["cost"]) << i;

        STU_study library;
        STU_study_init(&library);
        library.effect.allelic.odds_ratio = 1.3;
        library.effect.allelic.control_rate = 0.3;
        library.method = methods[i];
        library.stage1_alpha = 1e-3;
        const std::int64_t cases[2] = {150, 350};
        const std::int64_t controls[2] = {150, 350};
        DSN_design_result result{};
        ASSERT_EQ(STU_two_stage_power(&library, cases, controls, 2.5, &result), VANTOR_FOUND);
        EXPECT_EQ(stages[i]["power"].get<double>(), result.power) << i;
        EXPECT_EQ(stages[i]["stage1-weight"].get<double>(), result.stage1_weight) << i;
        EXPECT_EQ(stages[i]["alpha"], 5e-8);
    }
    // Counts and a total at once, or three counts of four, are refused.
    std::vector<std::string> both = by_stage;
    both.insert(both.end(), {"--total", "1000"});
    expect_refused(both, "not both");
    std::vector<std::string> three{"two-stage", "--stage1-cases", "150", "--stage1-controls",
                                   "150",       "--stage2-cases", "350"};
    three.insert(three.end(), study.begin(), study.end());
    expect_refused(three, "--stage2-controls is missing");
    std::vector<std::string> empty_stage = by_stage;
    empty_stage[2] = "0";
    expect_refused(empty_stage,
                   std::string("--stage1-cases 0: ") + VANTOR_message(VANTOR_REASON_BAD_CASES));
}

// The strong designs answer 1 (to the table's six digits) by every method; one case to two controls
// is answered without a warning, with the power of the joint analysis's event (the independent
// reference at the counts and levels printed, to the printed digits).
TEST(VantorTwoStage, StrongDesignsHavePowerOneAndUnequalGroupsNoWarning) {
    for (const auto &[total, odds_ratio] :
         {std::pair{"5000000", "1.3"}, std::pair{"1000000", "2"}, std::pair{"100000", "5"}}) {
        const std::vector<CsvRow> rows =
            csv_answer({"two-stage", "--total", total, "--stage1-share", "0.4", "--stage1-alpha",
                        "1e-3", "-o", odds_ratio, "-r", "0.3", "-a", "5e-8"});
        ASSERT_EQ(rows.size(), 3U);
        for (const CsvRow &row : rows) {
            EXPECT_EQ(row.at("status"), "found") << total << " " << row.at("method");
            EXPECT_GE(number(row, "power"), 1 - 5e-7) << total << " " << row.at("method");
        }
    }
    const std::vector<CsvRow> rows =
        csv_answer({"two-stage", "--method", "joint", "--total", "6000", "--stage1-share", "0.4",
                    "--case-fraction", "0.3333333333333333", "--stage1-alpha", "1e-3", "-o", "1.3",
                    "-r", "0.3", "-a", "5e-8"});
    ASSERT_EQ(rows.size(), 1U);
    EXPECT_EQ(rows[0].at("status"), "found");
    EXPECT_EQ(rows[0].at("message"), "");
    PWR_design design = two_stage_design(
        PWR_METHOD_JOINT, number(rows[0], "stage1-alpha"), number(rows[0], "final-alpha"),
        number(rows[0], "alpha"), static_cast<std::int32_t>(2 * number(rows[0], "stage1-cases")),
        static_cast<std::int32_t>(2 * number(rows[0], "stage1-controls")),
        static_cast<std::int32_t>(2 * number(rows[0], "stage2-cases")),
        static_cast<std::int32_t>(2 * number(rows[0], "stage2-controls")), 1.3, 0.3);
    EXPECT_NEAR(number(rows[0], "power"),
                static_cast<double>(two_stage_reference::two_stage_power(design)), 2e-6);
}

TEST(VantorDesign, CheapestDesignCostsLessThanOneStage) {
    const std::vector<CsvRow> rows = csv_answer(
        {"design", "--method", "replication", "-o", "1.5", "-r", "0.3", "-a", "1e-4", "-p", "0.8"});
    ASSERT_EQ(rows.size(), 1U);
    EXPECT_EQ(rows[0].at("target-power"), "0.8");
    EXPECT_GE(number(rows[0], "power"), 0.8);
    EXPECT_LT(number(rows[0], "cost"), number(rows[0], "one-stage-total"));
    EXPECT_NEAR(number(rows[0], "relative-cost"),
                number(rows[0], "cost") / number(rows[0], "one-stage-total"), 1e-5);
    // Neither a target nor a budget: the cheapest design at the library's
    // default target power, shown in its column; both: refused.
    const ProgramResult by_default = vantor(
        {"design", "--method", "joint", "-o", "1.5", "-r", "0.3", "-a", "1e-4", "-f", "csv"});
    EXPECT_EQ(by_default.exit_status, 0) << by_default.err;
    EXPECT_NE(by_default.out.find("\npeople,joint,0.8,,"), std::string::npos) << by_default.out;
    expect_refused({"design", "-o", "1.5", "-r", "0.3", "-a", "1e-4", "-p", "0.8", "-b", "900"},
                   "--target-power");
    expect_refused({"design", "-o", "1.5", "-r", "0.3", "-a", "1e-4", "-b", "-3"}, "--budget");
}

// ---- CSV input -------------------------------------------------------------

std::string write_file(const std::string &name, const std::string &text) {
    std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << text;
    return path;
}

TEST(VantorInput, EachRowIsARequestAndTheCommandLineFillsTheRest) {
    const std::string path =
        write_file("requests.csv", "cases,controls,odds_ratio\n1000,1000,1.3\n\n2000,3000,1.2\n");
    const std::vector<CsvRow> rows =
        csv_answer({"power", "--input", path, "-r", "0.3", "-a", "5e-8"});
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[1].at("controls"), "3000");
    EXPECT_NEAR(number(rows[1], "power"), closed_form_power(4000, 6000, 1.2, 0.3, 5e-8), 2e-6);
    expect_refused({"power", "--input", path, "-r", "0.3", "-a", "5e-8", "-n", "5"}, "--cases");
    const std::string comma = write_file("comma.csv", "cases,controls\n\"1,5\",10\n");
    expect_refused({"power", "--input", comma, "-o", "1.3", "-r", "0.3", "-a", "5e-8"},
                   "decimal comma");
    const std::string unknown = write_file("unknown.csv", "cases,height\n10,10\n");
    expect_refused({"power", "--input", unknown}, "height");
}

TEST(VantorInput, VarianceIsAColumnLikeAnyOption) {
    const std::string path = write_file("variance.csv",
                                        "cases,controls,variance\n"
                                        "1000,4000,unpooled\n1000,4000,\n");
    const std::vector<CsvRow> rows =
        csv_answer({"power", "--input", path, "-o", "1.3", "-r", "0.3", "-a", "5e-8"});
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_NEAR(number(rows[0], "power"), exact_unpooled_power(2000, 8000, 1.3, 0.3, 5e-8), 2e-6);
    EXPECT_NEAR(number(rows[1], "power"), closed_form_power(2000, 8000, 1.3, 0.3, 5e-8), 2e-6);
    const std::string bad = write_file("bad_variance.csv", "variance\nwald\n");
    expect_refused(
        {"power", "--input", bad, "-n", "9", "-m", "9", "-o", "1.3", "-r", "0.3", "-a", "5e-8"},
        "--variance");
}

// A grid's values are checked one list at a time, then its rows come as
// they are answered: a grid of 10^12 combinations starts at once, and one
// whose values together cannot be answered ends after the rows before it.
TEST(VantorGrids, RowsComeAtOnceAndALateRefusalFollowsTheRowsBeforeIt) {
    struct Case {
        std::vector<std::string> words;
        std::size_t rows;     // rows written (at least, for a grid read in part)
        std::string refusal;  // the one line on standard error, or empty
    };
    const std::vector<Case> cases{
        {{"power", "--cases", "100:100000:1", "--controls", "100:100000:1", "-o", "1.3", "-r",
          "0.3", "-f", "csv"},
         2,
         ""},
        {{"power", "-n", "2000", "-o", "1.3", "-r", "0.3", "-a", "0.01,0.5", "-p", "0.6,0.3", "-f",
          "csv"},
         3,
         "vantor power: request 4: --target-power 0.3: the target power must be above the "
         "significance level and below 1\n"},
        {{"power", "-n", "2000", "-o", "1.3", "-r", "0.3", "-a", "0.01,0.5", "-p", "0.6,0.3"},
         3,
         "vantor power: request 4: --target-power 0.3: the target power must be above the "
         "significance level and below 1\n"},
        {{"power", "-n", "2000", "-o", "1.3", "-r", "0.3", "-a", "0.01,0.02", "-p", "0.6,0.01",
          "-f", "csv"},
         0,
         "vantor power: request 2: --target-power 0.01: the target power must be above the "
         "significance level and below 1\n"},
    };
    for (const Case &one : cases) {
        ProgramOptions options;
        options.stop_reading_after = 4096;
        // A guard against a program that never writes: the grid of the
        // first case has 10^10 rows, so its rows must come as they are
        // answered (after its values are checked), not at its end.
        options.timeout_seconds = 300;
        std::vector<std::string> words = one.words;
        words.emplace_back("--all-columns");  // a table's every row, one line each
        const ProgramResult result = run_program(VANTOR_PROGRAM, words, options);
        const std::string what = one.words[8] + " " + one.words[10];
        EXPECT_FALSE(result.timed_out) << what;
        EXPECT_EQ(result.err, one.refusal) << what;
        std::istringstream lines(result.out);
        std::string header;
        std::getline(lines, header);
        std::size_t rows = 0;
        for (std::string line; std::getline(lines, line);) {
            ++rows;
        }
        if (one.refusal.empty()) {
            EXPECT_GE(rows, one.rows) << what;
            EXPECT_EQ(result.out.rfind("count,cases,controls", 0), 0U) << what;
            continue;
        }
        EXPECT_EQ(result.exit_status, 2) << what;
        EXPECT_EQ(rows, one.rows) << what << "\n" << result.out;
    }
}

TEST(VantorProgress, NothingOnStandardErrorWhenItIsNotATerminal) {
    const ProgramResult result = vantor({"power", "-n", "1:20000:1", "-m", "1000", "-o", "1.3",
                                         "-r", "0.3", "-a", "5e-8", "-f", "csv"});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "");
}

// ---- tables for people, machine formats, wide tables ---------------------

// The words of a table's line, split at runs of spaces.
std::vector<std::string> words_in(const std::string &line) {
    std::vector<std::string> words;
    std::istringstream stream(line);
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    return words;
}

// A table for people: the paragraph said once above, the head's columns, the
// rows' lines, and the notes below.
struct PeoplesTable {
    std::string said;
    std::vector<std::string> head;
    std::vector<std::string> rows;
    std::vector<std::string> notes;
    std::size_t widest = 0;
};

// Reads a table: paragraphs are separated by a blank line; the one holding
// `head_starts` (its first column) is the table.
PeoplesTable read_table(const std::string &text, const std::string &head_starts) {
    PeoplesTable table;
    int part = 0;  // 0 said once, 1 the table, 2 notes
    for (const std::string &line : lines_of(text)) {
        table.widest = std::max(table.widest, line.size());
        if (line.empty()) {
            continue;
        }
        if (part < 1 && words_in(line).front() == head_starts) {
            part = 1;
            for (const std::string &word : words_in(line)) {
                if (word != "|") {
                    table.head.push_back(word);
                }
            }
        } else if (part == 0) {
            table.said += line + "\n";
        } else if (line.rfind("note", 0) == 0 || line.rfind("- note", 0) == 0) {
            part = 2;
            table.notes.push_back(line.substr(line[0] == '-' ? 2 : 0));
        } else if (part == 2) {  // a long note's next line
            table.notes.back() += " " + line;
        } else {
            table.rows.push_back(line);
        }
    }
    return table;
}

using Words = std::vector<std::string>;

Words with_words(Words words, const Words &more) {
    words.insert(words.end(), more.begin(), more.end());
    return words;
}

// The issue's example: a disease model's power over a million markers.
Words issue_example() {
    return {"power", "--frequency", "0.25", "--prevalence", "0.01", "--relative-risk",
            "1.3",   "--markers",   "1e6",  "--cases",      "2000", "--controls",
            "2000"};
}

// Each question's table: the columns it shows, what it says once above
// itself (each a part of that paragraph) and its notes, at most 100
// characters wide unless it is the full row.
TEST(VantorTables, EachShowsWhatVariesSaysTheRestOnceAndNotesItsMessages) {
    struct Case {
        const char *name;
        Words words;
        Words head;
        Words said;
        Words notes;
        int exit_status;
        std::size_t widest = 100;  // characters of the widest line
    };
    const Words grid{"power", "-n", "1000,2000", "-m", "2000", "-o", "1.2,1.3", "-r", "0.3"};
    const std::string constant =
        write_file("constant.csv", "cases,prevalence\n1000,0.1\n2000,0.1\n");
    const Words detectable{"power", "-n", "2000", "-m", "2000", "-r", "0.3", "-p", "0.8"};
    const Words reachable{"power", "-m", "10,3000", "-o", "1.2", "-r", "0.3", "-p", "0.8"};
    const std::string not_reached = VANTOR_message(VANTOR_REASON_LEVELS_OFF_WITH_GROUP_FIXED);
    const std::string few_alleles = VANTOR_message(VANTOR_REASON_FEW_EXPECTED_ALLELES);
    // clang-format off
    const Case cases[] = {
        {"a disease model's power", issue_example(),
         {"power", "marker-alpha", "marker-case-rate", "marker-control-rate", "marker-odds-ratio",
          "status"},
         {"count = people", "cases = 2000", "controls = 2000", "relative-risk = 1.3",
          "markers = 1000000", "alpha = 0.05", "calculation = genotypes"}, {}, 0},
        {"a grid: the marker's own values that repeat the inputs left out", grid,
         {"cases", "odds-ratio", "power", "marker-case-rate", "status"},
         {"controls = 2000", "control-rate = 0.3", "alpha = 5e-8"}, {}, 0},
        {"both sides of 1, one message for every row", detectable,
         {"odds-ratio", "direction", "power", "status"}, {"target-power = 0.8"},
         {"note: the target power is reached"}, 0},
        {"one side asked for: the side said once", with_words(detectable, {"--direction", "above"}),
         {"odds-ratio", "power", "status"}, {"direction = above"},
         {"note: the target power is reached"}, 0},
        {"sizes of a grid, the paragraph above within the width",
         {"power", "--controls-per-case", "1", "-o", "1.2,1.3", "-r", "0.3", "-p", "0.8"},
         {"cases", "controls", "odds-ratio", "power", "marker-case-rate", "status"},
         {"controls-per-case = 1", "target-power = 0.8"}, {"note: the target power is reached"}, 0},
        {"a file's column the same on every row is said once",
         {"power", "--input", constant, "-m", "2000", "--frequency", "0.2", "--relative-risk", "1.3"},
         {"cases", "power", "marker-case-rate", "marker-control-rate", "marker-odds-ratio", "status"},
         {"prevalence = 0.1"}, {}, 0},
        {"messages that differ are numbered by a column, the reason left to them", reachable,
         {"cases", "controls", "power", "marker-case-rate", "status", "note"}, {"odds-ratio = 1.2"},
         {"note 1: " + not_reached, "note 2: the target power is reached"}, 1},
        {"chosen columns, nothing said or noted", with_words(grid, {"--columns", "power,odds_ratio"}),
         {"power", "odds-ratio"}, {}, {}, 0},
        {"two stages", {"two-stage", "--total", "6000", "--stage1-share", "0.4", "--stage1-alpha",
                        "1e-3", "-o", "1.3", "-r", "0.3", "--method", "joint,product"},
         {"method", "stage1-cases", "stage1-controls", "stage2-cases", "stage2-controls",
          "stage1-weight", "final-alpha", "power", "cost", "status"},
         {"total = 6000", "stage1-alpha = 0.001"}, {}, 0},
        // The first 1,000 rows all have 1000 cases; the rows after them do not.
        // Rows past the first 1,000 may show what these did not: every
        // answer's column is kept, and the table is wider.
        {"an input the grid varies after the rows laid out",
         {"power", "-n", "1000,2000", "-m", "1:1000:1", "-o", "1.3", "-r", "0.3"},
         {"cases", "controls", "power", "marker-alpha", "marker-case-rate", "marker-control-rate",
          "marker-odds-ratio", "status", "note"}, {"odds-ratio = 1.3"}, {"note 1: " + few_alleles}, 0,
         110},
    };
    // clang-format on
    for (const Case &one : cases) {
        const ProgramResult result = vantor(one.words);
        EXPECT_EQ(result.exit_status, one.exit_status) << one.name << ": " << result.err;
        EXPECT_LE(read_table(result.out, "").widest, one.widest) << one.name << "\n" << result.out;
        // Markdown's one-line head names the columns as the glossary does.
        const ProgramResult markdown = vantor(with_words(one.words, {"-f", "markdown"}));
        const PeoplesTable table = read_table(markdown.out, "|");
        EXPECT_EQ(table.head, one.head) << one.name << "\n" << markdown.out;
        for (const std::string &part : one.said) {
            EXPECT_NE(table.said.find(part), std::string::npos) << one.name << ": " << part;
        }
        EXPECT_EQ(table.said.empty(), one.said.empty()) << one.name << "\n" << table.said;
        EXPECT_EQ(table.notes, one.notes) << one.name;
    }
}

// A file's 1,001st row changes a level the first 1,000 rows had alike (the
// default level follows the markers): the table, laid out by those rows,
// says so in a last note.
TEST(VantorTables, ALaterRowChangingWhatWasSaidOnceIsNoted) {
    std::string text = "cases,markers\n";
    for (int i = 0; i < 1000; ++i) {
        text += std::to_string(1000 + i) + ",1\n";
    }
    const std::string path = write_file("late.csv", text + "5000,1000000\n");
    const ProgramResult result =
        vantor({"power", "--input", path, "-m", "2000", "-o", "1.3", "-r", "0.3"});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    const std::vector<std::string> lines = lines_of(result.out);
    ASSERT_GE(lines.size(), 2U);
    EXPECT_NE(result.out.find("alpha = 5e-8"), std::string::npos);
    EXPECT_EQ(lines[lines.size() - 2].rfind("note: rows after the first 1000 differ in alpha,", 0),
              0U)
        << lines[lines.size() - 2];
}

// --all-columns is the full row, the message its last column; Markdown is
// the same table with bars; CSV, TSV and JSON carry every column whatever
// the table shows.
TEST(VantorTables, AllColumnsAndTheMachineFormatsCarryEveryColumn) {
    const std::vector<CsvRow> csv = csv_answer(issue_example());
    ASSERT_EQ(csv.size(), 1U);
    const ProgramResult all = vantor(with_words(issue_example(), {"--all-columns"}));
    const std::vector<std::string> lines = lines_of(all.out);
    ASSERT_EQ(lines.size(), 2U) << all.out;
    EXPECT_EQ(words_in(lines[0]).size(), csv[0].size());
    EXPECT_EQ(lines[0].rfind("count", 0), 0U);
    EXPECT_EQ(words_in(lines[0]).back(), "message");
    const ProgramResult markdown = vantor(with_words(issue_example(), {"-f", "markdown"}));
    const PeoplesTable table = read_table(markdown.out, "|");
    ASSERT_EQ(table.rows.size(), 2U) << markdown.out;
    EXPECT_EQ(table.rows[0], "| ---: | ---: | ---: | ---: | ---: | --- |");
    char six[32];
    std::snprintf(six, sizeof six, "%.6g", number(csv[0], "power"));
    EXPECT_EQ(table.rows[1].rfind(std::string("| ") + six + " |", 0), 0U) << table.rows[1];
}

// Every number CSV and TSV write reads back to the double JSON writes (whose
// reader rounds correctly, and which the disease-model tests hold to the
// library's own functions), for a disease model's power and the designs
// of every method.
TEST(VantorTables, MachineNumbersReadBackBitForBit) {
    const Words design{"design", "-o", "1.3", "-r", "0.3", "--markers", "1e5", "-p", "0.8"};
    std::size_t compared = 0;
    for (const Words &question : {issue_example(), design}) {
        const nlohmann::json json = json_answer(question);
        const std::vector<CsvRow> csv = csv_answer(question);
        EXPECT_EQ(read_csv(vantor(with_words(question, {"-f", "tsv"})).out, '\t'), csv);
        ASSERT_EQ(json.size(), csv.size());
        for (std::size_t i = 0; i < csv.size(); ++i) {
            for (const auto &[column, value] : json[i].items()) {
                if (value.is_number_float()) {
                    EXPECT_EQ(number(csv[i], column), value.get<double>()) << column;
                    ++compared;
                }
            }
        }
    }
    EXPECT_GE(compared, 20U);
}

// The table's rounding keeps an answer used again on its target's side: the
// detectable odds ratios of the example (below 1, 0.7273206...: the nearest
// six digits, 0.727321, have power 0.7999977) and the detectable relative
// risks of a few studies reach 0.8 when asked again, checked with the exact
// closed form; a derived level is printed at most its value.
TEST(VantorTables, RoundedAnswersUsedAgainReachTheirTarget) {
    for (const char *cases : {"2000", "1000", "3500"}) {
        const ProgramResult table = vantor({"power", "-n", cases, "-m", cases, "-r", "0.3", "-p",
                                            "0.8", "--columns", "odds-ratio"});
        const std::vector<std::string> lines = lines_of(table.out);
        ASSERT_EQ(lines.size(), 3U) << table.out;
        const double alleles = 2 * std::strtod(cases, nullptr);
        for (const std::string &line : {lines[1], lines[2]}) {
            const double odds_ratio = std::strtod(line.c_str(), nullptr);
            EXPECT_GE(closed_form_power(alleles, alleles, odds_ratio, 0.3, 5e-8), 0.8)
                << cases << " cases, odds ratio " << line;
        }
    }
    const Words risk{"power",        "-n",   "2000", "-m",  "2000",        "--frequency", "0.25",
                     "--prevalence", "0.01", "-p",   "0.8", "--direction", "above"};
    for (const char *markers : {"1", "1e6", "3e5"}) {
        const ProgramResult table =
            vantor(with_words(risk, {"--markers", markers, "--columns", "relative-risk"}));
        const std::vector<std::string> lines = lines_of(table.out);
        ASSERT_EQ(lines.size(), 2U) << table.out;
        const CsvRow again =
            csv_answer({"power", "-n", "2000", "-m", "2000", "--frequency", "0.25", "--prevalence",
                        "0.01", "--markers", markers, "--relative-risk", lines[1]})
                .at(0);
        EXPECT_GE(number(again, "power"), 0.8) << markers << " markers, relative risk " << lines[1];
    }
    // A target just below the most power the model reaches: rounded away from
    // 1 the relative risk would pass the largest the model takes, so it is
    // printed exactly, and taken back.
    const Words edge{"power", "-n",           "200", "-m",      "200",     "--frequency",
                     "0.05",  "--prevalence", "0.3", "--model", "dominant"};
    const std::vector<std::string> largest =
        lines_of(vantor(with_words(edge, {"-p", "0.9997489595", "--direction", "above", "--columns",
                                          "relative-risk"}))
                     .out);
    ASSERT_EQ(largest.size(), 2U);
    const ProgramResult again =
        vantor(with_words(edge, {"--relative-risk", largest[1], "-f", "csv"}));
    EXPECT_EQ(again.exit_status, 0) << largest[1] << ": " << again.err;
    const std::vector<CsvRow> power_again = read_csv(again.out);
    ASSERT_EQ(power_again.size(), 1U);
    EXPECT_GE(number(power_again[0], "power"), 0.9997489595) << largest[1];
    const Words two_stage{
        "two-stage", "--total", "6000", "--stage1-share", "0.4", "--stage1-alpha", "1e-3", "-o",
        "1.3",       "-r",      "0.3"};
    const std::vector<CsvRow> exact = csv_answer(two_stage);
    const std::vector<std::string> printed =
        lines_of(vantor(with_words(two_stage, {"--columns", "final-alpha"})).out);
    ASSERT_EQ(printed.size(), 1 + exact.size());
    for (std::size_t i = 0; i < exact.size(); ++i) {
        // At most the level, or the round number it is within rounding
        // errors of (0.0001 for 9.9999999999999991e-5).
        EXPECT_LE(std::strtod(printed[1 + i].c_str(), nullptr),
                  number(exact[i], "final-alpha") * (1 + 1e-12))
            << exact[i].at("method");
    }
}

// One call lays a grid out wide: power by cases and relative risk, each
// cell the long answer's power at its pair, in a table, Markdown and CSV.
TEST(VantorTables, AWideTableHoldsTheLongAnswersCells) {
    const Words question{"power",       "--cases",      "1000,2000", "--relative-risk",
                         "1.2,1.3,1.4", "--controls",   "2000",      "--frequency",
                         "0.25",        "--prevalence", "0.01"};
    const std::vector<CsvRow> long_answer = csv_answer(question);
    ASSERT_EQ(long_answer.size(), 6U);
    const Words wide = with_words(question, {"--wide", "cases,relative-risk"});
    const ProgramResult markdown = vantor(with_words(wide, {"-f", "markdown"}));
    EXPECT_EQ(markdown.exit_status, 0) << markdown.err;
    const PeoplesTable table = read_table(markdown.out, "|");
    EXPECT_NE(table.said.find("power by cases (rows) and relative-risk (columns)"),
              std::string::npos)
        << markdown.out;
    ASSERT_EQ(table.rows.size(), 3U) << markdown.out;
    EXPECT_EQ(lines_of(markdown.out).at(5), "| cases \\ relative-risk | 1.2 | 1.3 | 1.4 |");
    const std::vector<CsvRow> csv = csv_answer(wide);
    ASSERT_EQ(csv.size(), 2U);
    for (std::size_t i = 0; i < long_answer.size(); ++i) {
        const CsvRow &row = long_answer[i];
        const CsvRow &wide_row = csv[i / 3];
        EXPECT_EQ(wide_row.at("cases \\ relative-risk"), row.at("cases"));
        EXPECT_EQ(wide_row.at(row.at("relative-risk")), row.at("power"));
        char six[32];
        std::snprintf(six, sizeof six, "%.6g", number(row, "power"));
        EXPECT_NE(table.rows[1 + i / 3].find(std::string("| ") + six + " |"), std::string::npos)
            << table.rows[1 + i / 3] << " " << six;
    }
}

// What --columns and --wide refuse, each naming its option.
TEST(VantorTables, LayoutsThatCannotBeAreRefused) {
    const Words grid{"power", "-n", "1000,2000", "-m", "2000", "-o", "1.2,1.3", "-r", "0.3"};
    const std::pair<Words, std::string> refused[] = {
        {with_words(grid, {"--columns", "power,powr"}),
         "no column 'powr' in this answer; did you mean 'power'?"},
        {with_words(grid, {"--columns", "power", "--all-columns"}), "--columns and --all-columns"},
        {with_words(grid, {"--wide", "cases"}), "--wide takes two different inputs"},
        {with_words(grid, {"--wide", "cases,cases"}), "--wide takes two different inputs"},
        {with_words(grid, {"--wide", "cases,power"}), "'power' is not an input"},
        {with_words(grid, {"--wide", "cases,alpha"}), "give --alpha its values"},
        {with_words(grid, {"--wide", "cases,controls"}), "--odds-ratio has 2 values"},
        {with_words(grid, {"--wide", "cases,odds-ratio", "--cells", "nothing"}),
         "--cells: no column"},
        {with_words(grid, {"--wide", "cases,odds-ratio", "--columns", "power"}),
         "takes no --input, --columns"},
        {with_words(grid, {"--cells", "power"}), "--cells names the value of a wide table's"},
        {with_words(grid, {"--wide", "cases,odds-ratio", "--cells", "power,cases"}),
         "--cells takes one name"},
        {with_words(grid, {"--columns", "power,cases,power"}), "--columns: 'power' is named twice"},
        // A combination refused after others were answered: no table at all.
        {{"power", "-n", "2000", "-o", "1.3", "-r", "0.3", "-a", "0.01,0.5", "-p", "0.6,0.3",
          "--wide", "alpha,target-power", "--cells", "controls"},
         "request 4: --target-power 0.3"},
        {{"power", "-n", "1000,2000", "-m", "2000", "-r", "0.3", "-p", "0.8", "--wide",
          "cases,controls"},
         "give --direction above or below"},
        // The methods paragraph is text of its own; a figure draws the command line's grid.
        {with_words(grid, {"--methods", "--format", "csv"}), "--methods writes paragraphs"},
        {with_words(grid, {"--methods", "--wide", "cases,odds-ratio"}),
         "--methods writes paragraphs"},
        {with_words(grid, {"--figure-y", "cases"}), "--figure-y shapes a figure: give --figure"},
        {with_words(grid, {"--figure", "/dev/null", "--methods"}), "it takes no --input, --wide"},
        {with_words(grid, {"--figure", "/dev/null", "--figure-axes", "power"}),
         "'power' is not an input"},
        {with_words(grid, {"--figure", "/dev/null", "--figure-axes", "cases,cases"}),
         "one or two different inputs"},
        {with_words(grid, {"--figure", "/dev/null", "--figure-axes", "cases,alpha"}),
         "give --alpha its values"},
        {with_words(grid, {"--figure", "/dev/null", "--figure-axes", "cases"}),
         "--odds-ratio has 2 values (give it one)"},
        {with_words(grid, {"--figure", "/dev/null", "--figure-y", "powr"}),
         "--figure-y: no column 'powr' in this answer; did you mean 'power'?"},
        {with_words(grid, {"--figure", "/no/such/folder/f.svg"}), "No such file or directory"},
        {with_words(grid, {"--figure", ""}), "--figure '': give the file to write"},
        {with_words(grid, {"--figure", "-"}), "--figure '-': give the file to write"},
        {with_words(grid, {"--figure", "/tmp", "--figure-y", "power"}), "is a folder"},
        {with_words(grid, {"--figure", "/dev/null", "--figure-y", "status"}),
         "--figure-y: 'status' holds words"},
        {{"power", "-n", "2000", "-m", "2000", "-o", "1.3", "-r", "0.3", "--figure", "/dev/null"},
         "give an input several values"},
        {{"power", "-n", "1000:2000:100", "-m", "2000", "-o", "1.1:2:0.1", "-r", "0.3", "--figure",
          "/dev/null"},
         "--figure draws at most 8 curves; --odds-ratio has 10 values"},
        {{"two-stage", "--total", "4000", "--stage1-share", "0.3,0.4", "--stage1-alpha", "0.001",
          "-o", "1.3", "-r", "0.3", "--method", "joint,product", "--figure", "/dev/null",
          "--figure-axes", "method,stage1-share"},
         "--method takes words; a figure draws a number across"},
        {{"power", "-n", "1000,2000", "-m", "2000", "-r", "0.3", "-p", "0.8", "--figure",
          "/dev/null"},
         "--figure: a point holds one answer"},
    };
    for (const auto &[words, refusal] : refused) {
        expect_refused(words, refusal);
    }
}

}  // namespace
