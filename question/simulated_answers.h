// The simulated power of an answer: the study of the answer (its counts, and
// for a detectable effect the effect found) simulated as simulation/simulate.h
// runs it, for question/ask.cpp. What a question solves (a size, an effect,
// a design) is the formulas'; the simulation answers how much power the
// study it gives really has.
//
// What is drawn: a disease model counting people draws genotype counts at
// the marker's genotype frequencies; any other study draws allele counts
// (two a person) at the marker's risk-allele rates.
//
// Internal to the library (C++).
#ifndef VANTOR_QUESTION_SIMULATED_ANSWERS_H
#define VANTOR_QUESTION_SIMULATED_ANSWERS_H

#include <cstdint>

#include "question/answer.h"
#include "question/study_record.h"
#include "simulation/simulate.h"

namespace vantor {

// Fills the answer's simulated power for a found single-stage answer with
// `cases` and `controls` (the study's unit; a size answer's own counts are
// taken from it); leaves any other answer as it is.
void simulate_single_stage_answer(const STU_study &study, std::int64_t cases, std::int64_t controls,
                                  const SIM_run &run, ASK_answer &answer);

// The same for a found two-stage answer, from its design.
void simulate_two_stage_answer(const STU_study &study, const SIM_run &run, ASK_answer &answer);

}  // namespace vantor

#endif
