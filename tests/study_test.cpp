// The study record's own rules: its size and effect kind are checked before
// anything else is read, every question refuses in the library's words, the
// plain power carries the few-expected-alleles warning, and counts are the
// study's unit. (study_c_test.c compares every answer with the functions the
// questions are built on.)
#include "question/study.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "tests/reference.h"

namespace {

STU_study allelic_study(double odds_ratio = 1.3, double rate = 0.3, double alpha = 5e-8) {
    STU_study study;
    STU_study_init(&study);
    study.effect.allelic = {odds_ratio, rate};
    study.alpha = alpha;
    study.method = PWR_METHOD_JOINT;
    study.stage1_alpha = 1e-3;
    return study;
}

TEST(StudyRecord, InitialisedRecordNamesWhatIsStillMissing) {
    STU_study study;
    STU_study_init(&study);
    EXPECT_EQ(study.size, STU_study_size());
    STU_power_result r{};
    EXPECT_EQ(STU_power(&study, 1000, 1000, &r), VANTOR_INVALID_INPUT);
    EXPECT_EQ(r.reason, VANTOR_REASON_BAD_ODDS_RATIO);
    study.effect.allelic.odds_ratio = 1.3;
    STU_power(&study, 1000, 1000, &r);
    EXPECT_EQ(r.reason, VANTOR_REASON_BAD_CONTROL_RATE);
    study.effect.allelic.control_rate = 0.3;
    EXPECT_EQ(study.alpha, STU_DEFAULT_ALPHA);  // genome-wide unless given
    EXPECT_EQ(STU_power(&study, 1000, 1000, &r), VANTOR_FOUND);
    DSN_design_result d{};
    const std::int64_t cases[2] = {100, 200};
    EXPECT_EQ(STU_two_stage_power(&study, cases, cases, 1.0, &d), VANTOR_INVALID_INPUT);
    EXPECT_EQ(d.reason, VANTOR_REASON_BAD_METHOD);
}

TEST(StudyRecord, ARecordOfAnotherSizeOrKindIsRefusedFirst) {
    STU_study study = allelic_study();
    study.size -= 8;
    study.alpha = -1;  // also wrong, but the size is told first
    STU_power_result p{};
    EXPECT_EQ(STU_power(&study, 100, 100, &p), VANTOR_INVALID_INPUT);
    EXPECT_EQ(p.reason, VANTOR_REASON_BAD_STUDY_SIZE);
    EXPECT_TRUE(std::isnan(p.power));
    DSN_design_result d{};
    EXPECT_EQ(STU_cheapest_design(&study, 0.8, 1, &d), VANTOR_INVALID_INPUT);
    EXPECT_EQ(d.reason, VANTOR_REASON_BAD_STUDY_SIZE);
    EXPECT_EQ(d.total, 0);
    EXPECT_TRUE(std::isnan(d.power));

    study = allelic_study();
    study.effect_kind = 7;
    STU_size_result s{};
    EXPECT_EQ(STU_cases_for_ratio(&study, 1, 0.8, &s), VANTOR_INVALID_INPUT);
    EXPECT_EQ(s.reason, VANTOR_REASON_BAD_EFFECT_KIND);
    EXPECT_NE(std::string(VANTOR_message(s.reason)), "unknown reason code");
}

TEST(StudyQuestions, RefuseInTheLibrarysWords) {
    const STU_study study = allelic_study();
    SLV_effect_result e{};
    EXPECT_EQ(STU_odds_ratio(&study, 1000, 1000, 0.8, 0, &e), VANTOR_INVALID_INPUT);
    EXPECT_EQ(e.reason, VANTOR_REASON_BAD_DIRECTION);
    // Beyond the 32-bit allele range in people: refused before narrowing.
    const std::int64_t too_many = std::int64_t{1} << 32;
    STU_power_result p{};
    EXPECT_EQ(STU_power(&study, too_many, 1000, &p), VANTOR_INVALID_INPUT);
    EXPECT_EQ(p.reason, VANTOR_REASON_BAD_CASES);
    const std::int64_t cases[2] = {100, 100};
    const std::int64_t controls[2] = {100, too_many};
    DSN_design_result d{};
    EXPECT_EQ(STU_two_stage_power(&study, cases, controls, 1.0, &d), VANTOR_INVALID_INPUT);
    EXPECT_EQ(d.reason, VANTOR_REASON_BAD_CONTROLS);
    STU_size_result s{};
    EXPECT_EQ(STU_controls_for_cases(&study, 0, 0.8, &s), VANTOR_INVALID_INPUT);
    EXPECT_EQ(s.reason, VANTOR_REASON_BAD_CASES);
    EXPECT_EQ(s.cases, 0);
}

TEST(StudyQuestions, PlainPowerWarnsOfFewExpectedAlleles) {
    // 100 people at a rate of 0.001: 0.2 expected copies among the controls.
    const STU_study study = allelic_study(2.0, 0.001, 0.05);
    STU_power_result r{};
    EXPECT_EQ(STU_power(&study, 100, 100, &r), VANTOR_FOUND_WITH_WARNING);
    EXPECT_EQ(r.reason, VANTOR_REASON_FEW_EXPECTED_ALLELES);
    EXPECT_NEAR(r.power, textbook_power(200, 200, 2.0, 0.001, 0.05), 3e-9);
    EXPECT_EQ(STU_power(&study, 100000, 100000, &r), VANTOR_FOUND);
}

TEST(StudyQuestions, PeopleAreTwoAllelesEach) {
    STU_study people = allelic_study();
    STU_study alleles = people;
    alleles.count = VANTOR_COUNT_ALLELES;
    STU_power_result a{};
    STU_power_result b{};
    STU_power(&people, 1000, 3000, &a);
    STU_power(&alleles, 2000, 6000, &b);
    EXPECT_EQ(a.power, b.power);
    EXPECT_NEAR(a.power, exact_power(2000, 6000, 1.3, 0.3, 5e-8), 3e-9);
    STU_size_result s{};
    ASSERT_EQ(STU_cases_for_ratio(&people, 2, 0.8, &s), VANTOR_FOUND);
    EXPECT_EQ(s.controls, 2 * s.cases);
    EXPECT_GE(exact_power(2.0 * s.cases, 2.0 * s.controls, 1.3, 0.3, 5e-8), 0.8 - 3e-9);
    EXPECT_LT(exact_power(2.0 * (s.cases - 1), 4.0 * (s.cases - 1), 1.3, 0.3, 5e-8), 0.8 + 3e-9);
}

TEST(StudyQuestions, TwoStagePowerIsTheSameAskedTwiceInAnyOrder) {
    STU_study study = allelic_study();
    const std::int64_t cases[2] = {1000, 2000};
    DSN_design_result first{};
    DSN_design_result again{};
    STU_two_stage_power(&study, cases, cases, 1.0, &first);
    // A derivation of the overall level in between, through the specified
    // entry point, leaves the thread's carry-over at "derive alpha2".
    PWR_design other =
        two_stage_design(PWR_METHOD_JOINT, 0.05, 1e-4, PWR_DERIVE_LEVEL, 500, 500, 500, 500, 1.5);
    PWR_get_power_for_two_stage_method(&other, 0);
    STU_two_stage_power(&study, cases, cases, 1.0, &again);
    EXPECT_EQ(first.power, again.power);
    EXPECT_EQ(first.alpha[1], again.alpha[1]);
    EXPECT_GT(first.power, 0);
}

}  // namespace
