/* vantor: plan case-control genetic association studies. Start here.
 *
 * One header for the library's public layer, usable from C and C++:
 *
 *   question/ask.h      ask any question by the glossary's names
 *                       (docs/glossary.md): a request of named inputs, from
 *                       which the library decides the question, applies the
 *                       defaults, checks every input and answers;
 *   question/records.h  the description of every record, question, choice
 *                       and reason, by the same names, from which a caller
 *                       lays out its results;
 *   status/status.h     the statuses and reasons every answer carries
 *                       (VANTOR_FOUND ... VANTOR_INVALID_INPUT,
 *                       VANTOR_REASON_*), their words and the input checks;
 *   vantor/methods.h    the methods paragraph of an answer and the caption of
 *                       a figure of answers, the words a proposal needs;
 *   vantor/version.h    the version.
 *
 * These bring in the study record and its per-question functions
 * (question/study.h), the same answers bit for bit. Below them lies the
 * low-level layer, installed and linkable but not needed to ask a
 * question: the two-stage design searches (search/design.h), the size and
 * effect solvers (search/solve.h), the disease model and genotype tests
 * (disease/), the power model on allele counts and its design record
 * PWR_design (power/power_func.h, power/statistic.h), and the numerical
 * library (numeric/MTH_*.h). docs/c.md shows both layers.
 *
 * Old names (SLV_ statuses and reasons, PWR_METHOD_SEPARATE,
 * PWR_STATISTIC_*, DSN_check_stage0_*) are kept as aliases of the new ones
 * while callers may rely on them; define VANTOR_NO_OLD_NAMES before
 * including to leave the macros out. */
#ifndef VANTOR_VANTOR_H
#define VANTOR_VANTOR_H

#include "question/ask.h"
#include "question/records.h"
#include "question/rows.h"
#include "status/status.h"
#include "vantor/methods.h"
#include "vantor/version.h"

#endif
