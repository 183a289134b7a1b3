// The program as a user meets it: run as a process, standard output and
// exit status checked. Standard output carries only the answer; hints for
// people go to standard error.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "power/power_func.h"
#include "reference.h"
#include "run_program.h"

namespace {

ProgramResult run(const std::vector<std::string> &words) {
    return run_program(VANTOR_MINI_BIN, words);
}

// Runs the program and expects exit status 0 and exactly `expected` on
// standard output.
void expect_output(const std::vector<std::string> &words, const std::string &expected) {
    const ProgramResult result = run(words);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, expected);
}

double single_power(std::int32_t cases, std::int32_t controls, double odds_ratio, double rate,
                    double alpha) {
    PWR_design design = single_stage_design(cases, controls, odds_ratio, rate, alpha);
    return PWR_get_power_for_single_step(&design, 0);
}

// Smallest size of the searched group reaching the target, by trying every
// size in turn.
std::int32_t brute_force_limit(bool search_controls, std::int32_t given, double target,
                               double odds_ratio, double rate, double alpha) {
    for (std::int32_t n = 1; n <= 100000; ++n) {
        const double power = search_controls ? single_power(given, n, odds_ratio, rate, alpha)
                                             : single_power(n, given, odds_ratio, rate, alpha);
        if (power >= target) {
            return n;
        }
    }
    return -1;
}

std::string formatted(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", value);
    return text;
}

TEST(Usage, BareProgramNamePrintsError) {
    const ProgramResult result = run({});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, "ERROR\n");
    EXPECT_NE(result.err.find("usage"), std::string::npos);
}

TEST(Usage, UnknownModePrintsNothingButHints) {
    for (const char *mode : {"single", "limit", "SINGLEX", "", "POWER"}) {
        const ProgramResult result = run({mode, "500", "500", "1.5", "0.3", "0.05", "x"});
        EXPECT_EQ(result.exit_status, 0);
        EXPECT_EQ(result.out, "") << mode;
        EXPECT_NE(result.err.find("unknown mode"), std::string::npos) << mode;
    }
}

TEST(Single, AnswersWithSixDecimals) {
    expect_output({"SINGLE", "500", "500", "1.5", "0.3", "0.05"},
                  formatted(single_power(500, 500, 1.5, 0.3, 0.05)));
    // The power with exact normal functions, to the six decimals printed.
    const ProgramResult result = run({"SINGLE", "500", "500", "1.5", "0.3", "0.05"});
    EXPECT_NEAR(std::atof(result.out.c_str()), exact_power(500, 500, 1.5, 0.3, 0.05), 5e-7 + 1e-9);
    EXPECT_EQ(result.err, "");
}

TEST(Single, NoAssociationAnswersTheLevel) {
    expect_output({"SINGLE", "500", "500", "1", "0.3", "0.05"}, "0.050000");
}

TEST(Single, TooFewValues) {
    expect_output({"SINGLE", "500", "500", "1.5", "0.3"}, "-1.000000");
    expect_output({"SINGLE"}, "-1.000000");
}

TEST(Single, ExtraWordsIgnored) {
    expect_output({"SINGLE", "500", "500", "1.5", "0.3", "0.05", "extra", "words"},
                  formatted(single_power(500, 500, 1.5, 0.3, 0.05)));
}

TEST(Single, LevelZeroFlagsFirst) {
    expect_output({"SINGLE", "500", "500", "1.5", "0.3", "0"}, "MIN_FLAG\n0.000000");
}

TEST(Single, WordsReadLikeScanf) {
    // Leading space, sign and trailing text as "%d"/"%lf" read them.
    expect_output({"SINGLE", " 500", "+500abc", "1.5x", "3e-1", "0.05"},
                  formatted(single_power(500, 500, 1.5, 0.3, 0.05)));
}

TEST(Single, UnreadableWordsStayZeroWithAHint) {
    // A count that does not scan, or does not fit 32 bits, stays 0: the power
    // is then not a number.
    for (const char *count : {"abc", "", "99999999999", "-2147483649", "nan"}) {
        const ProgramResult result = run({"SINGLE", "500", count, "1.5", "0.3", "0.05"});
        EXPECT_EQ(result.exit_status, 0);
        EXPECT_EQ(result.out, "-nan") << count;
        EXPECT_NE(result.err.find("whole number"), std::string::npos) << count;
    }
    const ProgramResult rate = run({"SINGLE", "500", "500", "1.5", "rate", "0.05"});
    EXPECT_EQ(rate.out, "-nan");
    EXPECT_NE(rate.err.find("not a number"), std::string::npos);
}

TEST(Single, HostileValuesNeitherCrashNorHang) {
    const std::vector<std::vector<std::string>> requests = {
        {"SINGLE", "-5", "500", "1.5", "0.3", "0.05"},
        {"SINGLE", "2147483647", "2147483647", "1.5", "0.3", "0.05"},
        {"SINGLE", "-2147483648", "-2147483648", "1.5", "0.3", "0.05"},
        {"SINGLE", "500", "500", "inf", "0.3", "0.05"},
        {"SINGLE", "500", "500", "1.5", "1.7", "2"},
        {"SINGLE", "500", "500", "0", "-0.3", "nan"},
        {"SINGLE", "500", "500", "1e308", "1e-308", "-1e308"},
    };
    for (const auto &words : requests) {
        const ProgramResult result = run(words);
        EXPECT_EQ(result.exit_status, 0) << words[1];
        EXPECT_FALSE(result.out.empty()) << words[1];
    }
}

TEST(Limit, MatchesBruteForce) {
    struct Request {
        const char *group;
        std::int32_t given;
        double target, odds_ratio, rate, alpha;
    };
    for (const Request &r :
         {Request{"Control", 500, 0.8, 1.5, 0.3, 0.05}, Request{"Case", 500, 0.8, 1.5, 0.3, 0.05},
          Request{"Case", 1000, 0.5, 1.3, 0.2, 0.01}, Request{"Control", 300, 0.3, 1.4, 0.3, 0.05},
          Request{"Case", 40000, 0.9, 1.1, 0.3, 1e-4},
          Request{"Control", 2000, 0.99, 2.0, 0.4, 0.05}}) {
        const bool search_controls = std::strcmp(r.group, "Case") == 0;
        const std::int32_t expected =
            brute_force_limit(search_controls, r.given, r.target, r.odds_ratio, r.rate, r.alpha);
        ASSERT_GT(expected, 0);
        expect_output({"LIMIT", r.group, std::to_string(r.given), formatted(r.target),
                       formatted(r.odds_ratio), formatted(r.rate), std::to_string(r.alpha)},
                      std::to_string(expected));
    }
}

TEST(Limit, AnswersBeyondTenThousand) {
    // Small effect, large given group: the scan ends at 100000 and the
    // refinement starts from 10000 in steps of 10000.
    const std::int32_t expected = brute_force_limit(false, 100000, 0.8, 1.05, 0.3, 0.05);
    ASSERT_GT(expected, 10000);
    expect_output({"LIMIT", "Control", "100000", "0.8", "1.05", "0.3", "0.05"},
                  std::to_string(expected));
}

TEST(Limit, TargetReachedAtOneOrNoTarget) {
    expect_output({"LIMIT", "Control", "500", "0.01", "1.5", "0.3", "0.05"}, "1");
    expect_output({"LIMIT", "Control", "500", "0", "1.5", "0.3", "0.05"}, "1");
    expect_output({"LIMIT", "Control", "500", "-3", "1.5", "0.3", "0.05"}, "1");
}

TEST(Limit, UnreachableTargets) {
    expect_output({"LIMIT", "Control", "500", "1.5", "1.5", "0.3", "0.05"}, "> 100000");
    expect_output({"LIMIT", "Control", "500", "0.8", "1.0001", "0.3", "0.05"}, "> 100000");
}

TEST(Limit, TooFewValues) {
    expect_output({"LIMIT", "Case", "500", "0.8", "1.5", "0.3"}, "-1");
    expect_output({"LIMIT"}, "-1");
}

TEST(Limit, UnusableRequestsAreNotSizes) {
    // Unknown group word, a target that is not a number, and powers that are
    // not numbers (rates outside 0..1, no given group) all answer -1.
    const std::vector<std::vector<std::string>> requests = {
        {"LIMIT", "case", "500", "0.8", "1.5", "0.3", "0.05"},
        {"LIMIT", "Controls", "500", "0.8", "1.5", "0.3", "0.05"},
        {"LIMIT", "Control", "500", "nan", "1.5", "0.3", "0.05"},
        {"LIMIT", "Control", "500", "0.8", "1.5", "1.3", "0.05"},
        {"LIMIT", "Control", "0", "0.8", "1.5", "0.3", "0.05"},
        {"LIMIT", "Control", "99999999999", "0.8", "1.5", "0.3", "0.05"},
    };
    for (const auto &words : requests) {
        const ProgramResult result = run(words);
        EXPECT_EQ(result.exit_status, 0);
        EXPECT_EQ(result.out, "-1") << words[1] << " " << words[2] << " " << words[3];
    }
    const ProgramResult group = run(requests[0]);
    EXPECT_NE(group.err.find("Case or Control"), std::string::npos);
}

TEST(Limit, UnreadableTargetStaysZeroWithAHint) {
    // A target word that does not scan leaves the target at 0, which every
    // size reaches; the person is told on standard error.
    const ProgramResult result = run({"LIMIT", "Control", "500", "eighty", "1.5", "0.3", "0.05"});
    EXPECT_EQ(result.out, "1");
    EXPECT_NE(result.err.find("not a number: 'eighty'"), std::string::npos);
}

TEST(Limit, LevelZeroFlagsEveryEvaluationAndNeverReaches) {
    const ProgramResult result = run({"LIMIT", "Control", "500", "0.8", "1.5", "0.3", "0"});
    EXPECT_EQ(result.exit_status, 0);
    std::string expected;
    for (int i = 0; i < 6; ++i) {
        expected += "MIN_FLAG\n";
    }
    EXPECT_EQ(result.out, expected + "> 100000");
}

}  // namespace

namespace {

// A mistyped value: standard output and exit status as they always were, and
// a hint naming the word on standard error.
void expect_hint(const std::vector<std::string> &words, const std::string &expected_out,
                 const std::string &hint_word) {
    const ProgramResult result = run(words);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, expected_out);
    EXPECT_NE(result.err.find("hint"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("'" + hint_word + "'"), std::string::npos) << result.err;
}

TEST(Hints, MistypedValuesGetAHintAndTheUsualAnswer) {
    expect_hint({"SINGLE", "1e3", "500", "1.5", "0.3", "0.05"},
                formatted(single_power(1, 500, 1.5, 0.3, 0.05)), "1e3");
    expect_hint({"SINGLE", "500", "500.7", "1.5", "0.3", "0.05"},
                formatted(single_power(500, 500, 1.5, 0.3, 0.05)), "500.7");
    expect_hint({"SINGLE", "500", "500", "1.5", "0.3", "1.5"},
                formatted(single_power(500, 500, 1.5, 0.3, 1.5)), "1.5");
    expect_hint({"SINGLE", "500", "500", "1.5", "0", "0.05"}, "-nan", "0");
    expect_hint({"SINGLE", "500", "500", "-2", "0.3", "0.05"},
                formatted(single_power(500, 500, -2, 0.3, 0.05)), "-2");
    expect_hint({"LIMIT", "Control", "500", "80", "1.5", "0.3", "0.05"}, "> 100000", "80");
    // A level of 2 prints what the formula gives after MIN_FLAG.
    expect_hint({"SINGLE", "500", "500", "1.5", "0.3", "2"}, "MIN_FLAG\n2.000000", "2");
}

TEST(Hints, NoneForSensibleValues) {
    EXPECT_EQ(run({"SINGLE", "500", "500", "1.5", "0.3", "0.05"}).err, "");
    EXPECT_EQ(run({"LIMIT", "Control", "500", "0.8", "1.5", "0.3", "0.05"}).err, "");
}

}  // namespace
