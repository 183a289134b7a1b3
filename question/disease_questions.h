// The single-stage questions of a study whose power is worked out from its
// genotypes (the trend, dominant, recessive and genotypic tests of
// disease/genotype_tests.h, and the allelic test with the genotypes
// calculation), the detectable relative risk of a disease model, and the
// calculation a study takes, for question/study.cpp.
// The study has been checked (question/study.h's rules) before any of these is
// called; counts are people. Internal to the library (C++).
#ifndef VANTOR_QUESTION_DISEASE_QUESTIONS_H
#define VANTOR_QUESTION_DISEASE_QUESTIONS_H

#include <cstdint>

#include "disease/disease_model.h"
#include "question/study_record.h"

namespace vantor {

// What the study's test sees at the marker.
struct AtMarker {
    double alpha;          // the per-marker level
    double case_rate;      // risk-allele rate among cases
    double control_rate;   // risk-allele rate among controls
    double odds_ratio;     // the allelic odds ratio the rates imply
    DIS_marker genotypes;  // a disease model's genotype frequencies (else not read)
};

// For a checked study with its effect known.
AtMarker at_marker(const STU_study &study);

// The calculation a single-stage question of the study uses
// (question/study.h, STU_calculation_of).
std::int32_t calculation_of(const STU_study &study);

// The power of the study's test with `cases` and `controls` (the study's
// unit) when the effect is what `marker` says.
double test_power(const STU_study &study, const AtMarker &marker, std::int64_t cases,
                  std::int64_t controls);

// The warning of an answer with these counts: few expected people of a
// genotype class the study's test tells apart (a disease model counting
// people), else few expected copies of an allele, else none.
std::int32_t expected_people_warning(const STU_study &study, const AtMarker &marker,
                                     std::int64_t cases, std::int64_t controls);

// The size questions for the genotype tests: the smallest size whose power
// reaches the target while one fewer does not (doubling from 1, then
// bisection; at most 62 power evaluations).
void genotype_cases_for_controls(const STU_study &study, std::int64_t controls, double target,
                                 STU_size_result *result);
void genotype_controls_for_cases(const STU_study &study, std::int64_t cases, double target,
                                 STU_size_result *result);
void genotype_cases_for_ratio(const STU_study &study, double controls_per_case, double target,
                              STU_size_result *result);
void genotype_controls_for_ratio(const STU_study &study, double cases_per_control, double target,
                                 STU_size_result *result);

// The detectable relative risk (question/study.h, STU_relative_risk) of a
// checked study with a one-parameter model.
void detectable_relative_risk(const STU_study &study, std::int64_t cases, std::int64_t controls,
                              double target, std::int32_t direction, STU_risk_result *result);

}  // namespace vantor

#endif
