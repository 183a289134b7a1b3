/* The words a proposal needs about an answer: a methods paragraph, and the
 * caption of a figure of answers.
 *
 * A planner asked a question (question/ask.h) and has its answer; the grant
 * or the paper must say how the number was reached. vantor_methods writes
 * that paragraph from the request and its answer alone, so the program, the
 * Python module, the R package and the page give the same text for the same
 * request, word for word:
 *
 *   - the design and what was solved (the power of given counts, the
 *     smallest size, the smallest detectable effect, the cheapest design or
 *     the most powerful within a budget), with the counts the answer gives
 *     and the counting unit;
 *   - the test and its variance under no association;
 *   - the effect: an allelic odds ratio and the controls' rate, or the
 *     disease model (genetic model, risk-allele frequency, prevalence, the
 *     genotype relative risks, the kind of controls);
 *   - the marker: the causal variant itself, or a marker in linkage
 *     disequilibrium with it (its allele frequency, D' or r^2);
 *   - the level: the significance level, and over several markers the
 *     Bonferroni correction to the per-marker level; for two stages the
 *     stage 1 level and the final level of the analysis;
 *   - how the power was computed: the normal approximation (the classic
 *     allele-count formulas, or each group's genotype variance), the
 *     two-stage integral, and a simulation's studies, seed and result when
 *     one was run;
 *   - vantor's version, and a reference for each method the paragraph
 *     names.
 *
 * Numbers: inputs as given, in the fewest digits that read back to them;
 * counts whole, with thousands separated by commas; a computed power, level
 * or effect to four significant digits, rounded as a table for people rounds
 * it (REC_field_rounding: levels down, a detectable effect away from 1).
 * Words: the glossary's (docs/glossary.md); stages are 1 and 2.
 *
 * A refused answer gives its refusal's words (ASK_message, spelled by name)
 * as the paragraph. Pure functions of their arguments; any thread. Usable
 * from C and C++. */
#ifndef VANTOR_VANTOR_METHODS_H
#define VANTOR_VANTOR_METHODS_H

#include <stdint.h>

#include "question/answer.h"
#include "question/ask.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Writes the methods paragraph of `answer`, the answer (or one of the two
 * answers) ASK_answer_request gave `request`: sentences ending with the
 * version's and the references' lines, lines separated by "\n", no final
 * newline. Writes at most `capacity` bytes with the final zero (capacity 0
 * writes nothing; a longer paragraph is cut at a character's boundary) and
 * returns the length of the whole paragraph. */
int32_t vantor_methods(const ASK_request *request, const ASK_answer *answer, char *text,
                       int32_t capacity);

/* Writes the caption of a figure drawn from answers of `request` whose
 * inputs `x_input` (the horizontal axis) and `curve_input` (one curve per
 * value) vary, ASK_input_index's indices (-1 for none): one sentence naming
 * the study as the methods paragraph does, in short, without the two inputs
 * the figure shows, e.g. "Single-stage case-control study, allelic test
 * (pooled variance); 2,000 controls; multiplicative model, risk-allele
 * frequency 0.25, prevalence 0.01; the marker is the causal variant; 1e6
 * markers, level 0.05 (5e-8 per marker)." `answer` is any answer of the
 * figure (the level and unit it took). Same capacity and return rule as
 * vantor_methods. */
int32_t vantor_caption(const ASK_request *request, const ASK_answer *answer, int32_t x_input,
                       int32_t curve_input, char *text, int32_t capacity);

#ifdef __cplusplus
}
#endif

#endif
