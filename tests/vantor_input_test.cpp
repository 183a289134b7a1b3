// The vantor program under hostile and awkward input, run as a process:
// files that are not requests, spreadsheet CSV, standard input, a file of a
// million rows, a bad row in the middle, mistyped words, long values, a
// reader that goes away. Each run has a time bound; every refusal is exit
// status 2, one line on standard error and nothing on standard output.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "power/power_func.h"
#include "run_program.h"
#include "status/status.h"

namespace {

// Refusals come at once; a run over a million rows takes seconds (more
// under the sanitizers).
constexpr int kQuick = 30;
constexpr int kLong = 600;

ProgramResult vantor(const std::vector<std::string> &words, int timeout = kQuick,
                     const std::string &stdin_path = "/dev/null") {
    ProgramOptions options;
    options.timeout_seconds = timeout;
    options.stdin_path = stdin_path;
    return run_program(VANTOR_PROGRAM, words, options);
}

std::string temp_path(const std::string &name) { return ::testing::TempDir() + "vantor_" + name; }

std::string write_file(const std::string &name, const std::string &text) {
    std::string path = temp_path(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// Line `number` (from 0) of a long text, without splitting the rest.
std::string line_at(const std::string &text, int number) {
    std::size_t start = 0;
    for (int i = 0; i < number && start != std::string::npos; ++i) {
        start = text.find('\n', start);
        start = start == std::string::npos ? start : start + 1;
    }
    if (start == std::string::npos) {
        return "";
    }
    return text.substr(start, text.find('\n', start) - start);
}

std::vector<std::string> fields_of(const std::string &line) {
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// The position of the power column in a CSV header line.
std::size_t power_column(const std::string &header) {
    const std::vector<std::string> columns = fields_of(header);
    const auto at = std::find(columns.begin(), columns.end(), "power");
    EXPECT_NE(at, columns.end()) << header;
    return static_cast<std::size_t>(at - columns.begin());
}

// Exit status 2, nothing on standard output, one line on standard error
// holding `message`, within the time bound.
void expect_refused(const ProgramResult &result, const std::string &message,
                    const std::string &what) {
    EXPECT_FALSE(result.timed_out) << what;
    EXPECT_EQ(result.exit_status, 2) << what << ": " << result.err;
    EXPECT_EQ(result.out, "") << what;
    EXPECT_NE(result.err.find(message), std::string::npos) << what << ": " << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1)
        << what << ": " << result.err;
}

double library_power(double cases, double controls, double odds_ratio, double rate, double alpha) {
    PWR_design design = PWR_DESIGN_INIT;
    design.alpha[0] = alpha;
    design.sample_size[0][0] = static_cast<std::int32_t>(2 * cases);
    design.sample_size[0][1] = static_cast<std::int32_t>(2 * controls);
    design.odds_ratio = odds_ratio;
    design.control_rate = rate;
    return PWR_get_power_for_single_step(&design, 0);
}

std::vector<std::string> power_with_input(const std::string &path,
                                          std::vector<std::string> more = {"-r", "0.3", "-a",
                                                                           "5e-8", "-f", "csv"}) {
    std::vector<std::string> words{"power", "--input", path};
    words.insert(words.end(), more.begin(), more.end());
    return words;
}

// ---- files that are not requests -------------------------------------------

std::string random_bytes(std::uint32_t seed, std::size_t size) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char &byte : bytes) {
        byte = static_cast<char>(generator() & 0xFFU);
    }
    return bytes;
}

std::string urandom_prefix(std::size_t size) {
    std::ifstream source("/dev/urandom", std::ios::binary);
    std::string bytes(size, '\0');
    source.read(bytes.data(), static_cast<std::streamsize>(size));
    return bytes;
}

TEST(VantorHostileInput, FilesThatAreNotRequestsAreRefusedOnOneLine) {
    expect_refused(vantor(power_with_input("/tmp")), "/tmp: is a directory", "a directory");
    expect_refused(vantor(power_with_input("/dev/zero")), "/dev/zero line 1: a NUL byte",
                   "/dev/zero");
    expect_refused(vantor(power_with_input(temp_path("missing.csv"))), "cannot be read",
                   "a missing file");
    expect_refused(vantor(power_with_input(write_file("empty.csv", ""))),
                   "no header line naming the options", "an empty file");
    // Random bytes: a NUL byte or bytes that are not UTF-8 come long before
    // a line could be a request. Seeded inputs repeat; /dev/urandom varies.
    for (const std::uint32_t seed : {1U, 2U, 3U}) {
        const std::string path = write_file("random.csv", random_bytes(seed, 4096));
        const ProgramResult result = vantor(power_with_input(path));
        expect_refused(result, "random.csv line ", "seeded random bytes " + std::to_string(seed));
    }
    const std::string noise = write_file("urandom.csv", urandom_prefix(4096));
    expect_refused(vantor(power_with_input(noise)), "urandom.csv", "a /dev/urandom prefix");
    const std::string invalid = write_file("latin1.csv", "cases,controls\n1000,\xE9t\xE9\n");
    expect_refused(vantor(power_with_input(invalid)), "latin1.csv line 2: not UTF-8 text",
                   "Latin-1 text");
}

TEST(VantorHostileInput, AHundredMegabyteLineIsRefusedAfterItsFirst64Kilobytes) {
    const std::string path = temp_path("long_line.csv");
    {
        std::ofstream file(path, std::ios::binary);
        file << "cases\n";
        const std::string block(1 << 20, '7');
        for (int i = 0; i < 100; ++i) {
            file << block;
        }
        file << "\n";
    }
    expect_refused(vantor(power_with_input(path)), "long_line.csv line 2: longer than 65536 bytes",
                   "a 100 MB line");
    std::remove(path.c_str());
}

// ---- what a spreadsheet or a script writes ---------------------------------

TEST(VantorInputFile, SpreadsheetCsvWithAByteOrderMarkAndCapitalisedColumnsIsRead) {
    const std::string path = write_file("spreadsheet.csv",
                                        "\xEF\xBB\xBF"
                                        "Cases,CONTROLS,Odds_Ratio\r\n1000,2000,1.3\r\n\r\n");
    const ProgramResult result = vantor(power_with_input(path));
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const ProgramResult typed = vantor(
        {"power", "-n", "1000", "-m", "2000", "-o", "1.3", "-r", "0.3", "-a", "5e-8", "-f", "csv"});
    EXPECT_EQ(result.out, typed.out);
    const std::vector<std::string> lines = lines_of(result.out);
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_NEAR(std::strtod(fields_of(lines[1])[power_column(lines[0])].c_str(), nullptr),
                library_power(1000, 2000, 1.3, 0.3, 5e-8), 5e-7);
}

TEST(VantorInputFile, StandardInputAndEmptyCellsTakeTheCommandLine) {
    // The empty odds-ratio cell of the second row is the command line's 1.2.
    const std::string path =
        write_file("cells.csv", "cases,controls,odds-ratio\n1000,1000,1.5\n3000,2000,\n");
    const ProgramResult result =
        vantor({"power", "--input", "-", "-o", "1.2", "-r", "0.3", "-a", "0.05", "-f", "csv"},
               kQuick, path);
    EXPECT_EQ(result.exit_status, 2) << "1.5 and -o 1.2 are both given";
    EXPECT_NE(result.err.find("standard input line 2: --odds-ratio is given twice"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("'1.5' in column 'odds-ratio'"), std::string::npos) << result.err;

    const std::string open = write_file("open.csv", "cases,controls,odds-ratio\n3000,2000,\n");
    const ProgramResult filled =
        vantor({"power", "--input", "-", "-o", "1.2", "-r", "0.3", "-a", "0.05", "-f", "csv"},
               kQuick, open);
    EXPECT_EQ(filled.exit_status, 0) << filled.err;
    const std::vector<std::string> lines = lines_of(filled.out);
    ASSERT_EQ(lines.size(), 2U);
    const std::vector<std::string> row = fields_of(lines[1]);
    EXPECT_EQ(row[5], "1.2");
    EXPECT_NEAR(std::strtod(row[power_column(lines[0])].c_str(), nullptr),
                library_power(3000, 2000, 1.2, 0.3, 0.05), 5e-7);
}

TEST(VantorInputFile, ABadRowEndsTheRunAfterTheRowsBeforeIt) {
    const std::string path =
        write_file("bad_row.csv",
                   "cases,controls,odds_ratio\n1000,1000,1.3\n\n2000,2000,1.2\n3000,x,1.1\n"
                   "4000,4000,1.1\n");
    const ProgramResult result = vantor(power_with_input(path));
    EXPECT_EQ(result.exit_status, 2);
    const std::vector<std::string> lines = lines_of(result.out);
    ASSERT_EQ(lines.size(), 3U) << result.out;
    EXPECT_EQ(fields_of(lines[2])[1], "2000");
    EXPECT_NE(result.err.find("bad_row.csv line 5: --controls x: " +
                              std::string(VANTOR_message(VANTOR_REASON_BAD_CONTROLS))),
              std::string::npos)
        << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
}

TEST(VantorInputFile, AMillionRowsAreAnsweredOneByOne) {
    const std::string path = temp_path("million.csv");
    constexpr int kRows = 1000000;
    {
        std::ofstream file(path);
        file << "cases,odds-ratio\n";
        for (int i = 1; i <= kRows; ++i) {
            file << 1000 + i % 5000 << "," << (i % 2 == 0 ? "1.2" : "1.3") << "\n";
        }
    }
    const ProgramResult result = vantor(
        power_with_input(path, {"-m", "2000", "-r", "0.3", "-a", "5e-8", "-f", "csv"}), kLong);
    std::remove(path.c_str());
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    ASSERT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), kRows + 1);
    for (const int i : {1, 2, 4999, kRows}) {
        const std::vector<std::string> row = fields_of(line_at(result.out, i));
        const double cases = 1000 + i % 5000;
        EXPECT_EQ(row[1], std::to_string(1000 + i % 5000));
        EXPECT_NEAR(std::strtod(row[power_column(line_at(result.out, 0))].c_str(), nullptr),
                    library_power(cases, 2000, i % 2 == 0 ? 1.2 : 1.3, 0.3, 5e-8), 5e-7)
            << i;
    }
}

// ---- numbers as people write them -----------------------------------------

// A text that reads as one number grouped in thousands is refused, naming
// the option and how to write the number; a comma list that cannot be such
// a number stays a list.
TEST(VantorCarelessInput, NumbersGroupedInThousandsAreRefusedNeverReadAsLists) {
    struct Case {
        std::vector<std::string> words;
        std::string message;  // empty: answered, with `rows` rows
        std::size_t rows;
    };
    const std::vector<std::string> tail{"-o", "1.3", "-r", "0.3", "-f", "csv"};
    const std::vector<Case> cases{
        {{"--cases", "2,500", "--controls", "2,500"},
         "--cases: '2,500' reads as 2500 with a thousands separator: write 2500 (a list is "
         "written with a space after each comma: '2, 500')",
         0},
        {{"-n", "1,000,000", "-m", "500"}, "--cases: '1,000,000' reads as 1000000", 0},
        {{"-n", "500", "-m", "100,200,300"}, "--controls: '100,200,300' reads as 100200300", 0},
        {{"-n", "500", "-m", "500", "-a", "0.05", "--markers", "1,000"},
         "--markers: '1,000' reads as 1000",
         0},
        {{"-n", "2, 500", "-m", "2,500:2,600:100"}, "--controls: ", 0},
        {{"-n", "2, 500", "-m", "500"}, "", 2},
        {{"-n", "500,1000", "-m", "500"}, "", 2},
        {{"-n", "500", "-m", "500", "-a", "0.05,0.01"}, "", 2},
        {{"-n", "1,2500", "-m", "500"}, "", 2},
        // Perhaps one number with a decimal comma: when a value of the list
        // is refused, the hint says how the list was read.
        {{"-n", "500", "-m", "500", "-a", "0,05"},
         "request 1: --alpha 0: the significance level must be at least 1e-12 and below 1 "
         "('0,05' is read as a list of two values; one number is written 0.05)",
         0},
        {{"-n", "500", "-m", "500", "--markers", "0,5"},
         "request 1: --markers 0: the number of markers must be a number from 1 ('0,5' is read",
         0},
        // A refusal that names the option without refusing its value.
        {{"-n", "500", "-m", "500", "-p", "0,8"},
         "request 1: leave exactly one of --cases, --controls (or --controls-per-case), the effect "
         "(--odds-ratio, or a disease model's --relative-risk) and --target-power open: that one "
         "is solved\n",
         0},
    };
    for (const Case &one : cases) {
        std::vector<std::string> words{"power"};
        words.insert(words.end(), one.words.begin(), one.words.end());
        words.insert(words.end(), tail.begin(), tail.end());
        const ProgramResult result = vantor(words);
        const std::string what = words[2] + " " + words[4];
        if (!one.message.empty()) {
            expect_refused(result, "vantor power: " + one.message, what);
            continue;
        }
        EXPECT_EQ(result.exit_status, 0) << what << ": " << result.err;
        EXPECT_EQ(lines_of(result.out).size(), one.rows + 1) << what;
    }
}

// A percentage, or a proportion written as one, is refused with the
// proportion meant; a value that is no proportion gets no hint.
TEST(VantorCarelessInput, PercentagesAreRefusedWithTheProportionMeant) {
    struct Case {
        std::vector<std::string> words;
        std::string message;  // in full after "vantor SUBCOMMAND: "
    };
    const std::string rate =
        "the risk-allele rate among controls must lie strictly between 0 and 1";
    const std::vector<Case> cases{
        {{"power", "-n", "2000", "-m", "2000", "-o", "1.3", "-r", "30%"},
         "--control-rate 30%: " + rate + "; did you mean 0.30?"},
        {{"power", "-n", "2000", "-m", "2000", "-o", "1.3", "-r", "30"},
         "--control-rate 30: " + rate + "; did you mean 0.30?"},
        {{"power", "-n", "2000", "-m", "2000", "-o", "1.3", "-r", "0.2,12.5"},
         "request 2: --control-rate 12.5: " + rate + "; did you mean 0.125?"},
        {{"power", "-n", "2000", "-m", "2000", "-o", "1.3", "-r", "0.3", "-a", "5"},
         "--alpha 5: the significance level must be at least 1e-12 and below 1; did you mean "
         "0.05?"},
        {{"power", "-m", "2000", "-o", "1.3", "-r", "0.3", "-p", "80"},
         "--target-power 80: the target power must be above the significance level and below 1; "
         "did you mean 0.80?"},
        {{"power", "-n", "2000", "-m", "2000", "--frequency", "0.2", "--prevalence", "10",
          "--relative-risk", "1.3"},
         "--prevalence 10: the prevalence must lie strictly between 0 and 1; did you mean 0.10?"},
        {{"power", "-n", "2000", "-m", "2000", "-o", "1.3", "-r", "300"},
         "--control-rate 300: " + rate},
        {{"power", "-n", "50%", "-m", "2000", "-o", "1.3", "-r", "0.3"},
         "--cases 50%: the number of cases must be a whole number from 1 to 1073741823 people "
         "(2147483647 alleles)"},
    };
    for (const Case &one : cases) {
        const ProgramResult result = vantor(one.words);
        expect_refused(result, "", one.message);
        EXPECT_EQ(result.err, "vantor " + one.words[0] + ": " + one.message + "\n");
    }
}

// ---- spreadsheet CSV as spreadsheets write it ------------------------------

// Each file's answer or refusal; `power` is the first row's power when
// answered.
TEST(VantorCarelessInput, SpreadsheetCsvIsReadAsSpreadsheetsWriteIt) {
    struct Case {
        std::string name;
        std::string text;
        std::string error;  // empty: answered with exit status 0
        std::string power;  // the first row's, when answered
    };
    const std::vector<Case> cases{
        {"semicolons", "Odds Ratio;Cases;Controls;\r\n1,3;2000;2000;\r\n", "", "0.520167"},
        {"semicolon range", "odds ratio;cases;controls\n1,2:1,3:0,1;2000;2000\n", "", "0.0491083"},
        {"spaces", "Odds Ratio,Cases, Controls \r\n1.3,2000,2000\r\n", "", "0.520167"},
        {"empty columns", "Odds Ratio,Cases,Controls,,\n1.3,2000,2000,,\n1.3,2000,2000\n", "",
         "0.520167"},
        {"rows of separators only", "Odds Ratio;Cases;Controls\n1,3;2000;2000\n;;\n ; ;\n", "",
         "0.520167"},
        {"a full empty column", "cases,controls,,\n2000,2000,,x\n",
         "line 2: holds 4 fields, the header 2 and 2 empty (which only empty cells fill)", ""},
        {"an empty column inside", "cases,,controls\n2000,,2000\n", "column '' is not an option",
         ""},
        {"points grouping", "odds ratio;cases;controls\n1,3;2.000;2000\n",
         "line 2: --cases: '2.000' reads as 2000 with a thousands separator: write 2000 (this "
         "file's decimal mark is a comma)",
         ""},
        {"commas grouping", "odds ratio,cases,controls\n1.3,\"2,000\",2000\n",
         "line 2: --cases: '2,000' reads as 2000 with a thousands separator: write 2000", ""},
        {"decimal comma", "odds ratio,cases,controls\n\"1,3\",2000,2000\n",
         "line 2: --odds-ratio: '1,3' is not one value", ""},
        {"percent", "odds ratio,cases,controls,control rate\n1.3,2000,2000,30%\n",
         "line 2: --control-rate 30%: the risk-allele rate among controls must lie strictly "
         "between 0 and 1; did you mean 0.30?",
         ""},
        {"above one", "cases;controls;frequency;prevalence;relative risk\n2000;2000;0,2;10;1,3\n",
         "line 2: --prevalence 10: the prevalence must lie strictly between 0 and 1; did you mean "
         "0.10?",
         ""},
    };
    for (const Case &one : cases) {
        const std::string path = write_file("careless.csv", one.text);
        const bool rated = one.text.find("rate") != std::string::npos ||
                           one.text.find("prevalence") != std::string::npos;
        const ProgramResult result = vantor(
            power_with_input(path, rated ? std::vector<std::string>{"-f", "csv"}
                                         : std::vector<std::string>{"-r", "0.3", "-f", "csv"}));
        if (!one.error.empty()) {
            expect_refused(result,
                           std::string("careless.csv") +
                               (one.error.rfind("line", 0) == 0 ? " " : ": ") + one.error,
                           one.name);
            continue;
        }
        EXPECT_EQ(result.exit_status, 0) << one.name << ": " << result.err;
        EXPECT_EQ(result.err, "") << one.name;
        const std::vector<std::string> lines = lines_of(result.out);
        ASSERT_GE(lines.size(), 2U) << one.name;
        char six[32];
        std::snprintf(six, sizeof six, "%.6g",
                      std::strtod(fields_of(lines[1])[power_column(lines[0])].c_str(), nullptr));
        EXPECT_EQ(six, one.power) << one.name;
    }
}

// ---- mistyped words and long values ----------------------------------------

TEST(VantorMessages, UnknownWordsAreNamedAndLongValuesCut) {
    expect_refused(vantor({"powr", "-n", "3"}), "unknown subcommand 'powr'; did you mean 'power'?",
                   "a mistyped subcommand");
    expect_refused(vantor({"power", "--frobnicate", "3"}), "unknown option '--frobnicate'",
                   "an unknown option");
    expect_refused(vantor({"power", "--odds-ration", "1.3"}),
                   "unknown option '--odds-ration'; did you mean '--odds-ratio'?",
                   "a mistyped option");
    const std::string huge(100000, '9');
    const ProgramResult result =
        vantor({"power", "-n", huge + "x", "-m", "9", "-o", "1.3", "-r", "0.3", "-a", "0.05"});
    expect_refused(result, "--cases " + std::string(60, '9') + "\u2026: the number of cases",
                   "a 100 KB value");
    EXPECT_LT(result.err.size(), 300U);
    expect_refused(
        vantor({"power", "-n", "12\n34", "-m", "9", "-o", "1.3", "-r", "0.3", "-a", "0.05"}),
        "--cases 12\\n34: ", "a value holding a line end");
    expect_refused(
        vantor({"power", "-n", "9", "-m", "9", "-o", "1.3", "-r", "0.3", "-a", "0.05", "-f", huge}),
        "--format '" + std::string(60, '9') + "\u2026' is not one of", "a long format");
}

// ---- the output ------------------------------------------------------------

TEST(VantorOutput, AClosedPipeEndsTheRunAtOnceAndQuietly) {
    ProgramOptions options;
    options.stop_reading_after = 4096;
    options.timeout_seconds = kLong;
    const ProgramResult result =
        run_program(VANTOR_PROGRAM,
                    {"power", "--cases", "1:1000000:1", "--controls", "2000", "--odds-ratio", "1.3",
                     "--control-rate", "0.3", "--alpha", "0.05", "--format", "csv"},
                    options);
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(result.signal == SIGPIPE || result.exit_status == 2)
        << result.signal << " " << result.exit_status;
    EXPECT_LT(result.out.size(), 1000000U);
}

TEST(VantorOutput, AnAnswerThatCannotBeWrittenIsAFailure) {
    ProgramOptions options;
    options.stdout_path = "/dev/full";
    const ProgramResult result = run_program(
        VANTOR_PROGRAM,
        {"power", "-n", "1000", "-m", "2000", "-o", "1.3", "-r", "0.3", "-a", "0.05"}, options);
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.err, "vantor power: cannot write the answer: No space left on device\n");
}

TEST(VantorOutput, ATableLaysItsColumnsOutByItsFirstThousandRows) {
    const std::vector<std::string> tail{"-m", "2000", "-o", "1.3", "-r", "0.3", "-a", "0.05"};
    std::vector<std::string> thousand{"power", "--all-columns", "-n", "1:1000:1"};
    thousand.insert(thousand.end(), tail.begin(), tail.end());
    std::vector<std::string> more{"power", "--all-columns", "-n", "1:1000:1,1234567"};
    more.insert(more.end(), tail.begin(), tail.end());
    const std::vector<std::string> first = lines_of(vantor(thousand).out);
    const std::vector<std::string> lines = lines_of(vantor(more).out);
    ASSERT_EQ(first.size(), 1001U);
    ASSERT_EQ(lines.size(), 1002U);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), lines.begin()));
    // The wide count pushes its own line two characters right, no other.
    const std::string &wide = lines[1001];
    EXPECT_EQ(wide.size(), lines[1000].size() + 2) << wide << "\n" << lines[1000];
    EXPECT_EQ(wide.find("1234567"), lines[1000].find(" 1000"));
}

TEST(VantorOutput, LibraryReportsNeverReachStandardOutput) {
    // A design search whose candidates leave a stage with almost no cases.
    const ProgramResult result =
        vantor({"design", "--method", "replication", "--case-fraction", "0.00003", "--odds-ratio",
                "0.113", "--control-rate", "0.3", "--alpha", "1e-6", "--target-power", "0.8",
                "--cost-ratio", "1280", "-f", "csv"});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> lines = lines_of(result.out);
    ASSERT_EQ(lines.size(), 2U) << result.out;
    EXPECT_EQ(lines[0].rfind("count,method,target-power", 0), 0U) << lines[0];
}

}  // namespace
