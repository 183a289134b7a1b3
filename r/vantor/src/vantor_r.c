/* The .Call routines of the R package: each answers one question for every
 * element of equally long input vectors (R recycles them first).
 *
 * Every routine checks all elements with the library's own checks before it
 * computes anything; the first refused element comes back as the pair
 * (reason code, 1-based index) in the result's "invalid" entry and R stops
 * with the library's words. An element with a missing (NA or NaN) input gets
 * NA in every output. The glue is C, so that R's errors and interrupts, which
 * unwind with longjmp, never cross a C++ frame: every library call has
 * returned before R gets control again.
 *
 * Reports of the library ("MIN_FLAG") are counted by a hook installed for the
 * duration of the computation only; R_ExecWithCleanup puts the previous hook
 * back however the computation ends (an interrupt included). The count comes
 * back as the attribute "reports" and R turns it into one warning. */
#include "vantor_r.h"

#include <R.h>
#include <Rinternals.h>
#include <math.h>
#include <stdint.h>
#include <string.h>

#include "numeric/MTH_report.h"
#include "power/design.h"
#include "power/power_func.h"
#include "power/solve.h"
#include "power/statistic.h"
#include "vantor/version.h"

enum { MAX_INPUTS = 10, MAX_OUTPUTS = 16 };

/* Counts every report made during one .Call; R is single-threaded and the
 * library computes on the calling thread, so a plain counter does. */
static int reports_made;

static void count_report(const char *what, void *context) {
    (void)what;
    (void)context;
    ++reports_made;
}

/* One vectorised question: its inputs, its outputs and the two steps done
 * for each element. */
typedef struct Job {
    R_xlen_t length;
    int n_inputs;
    const double *in[MAX_INPUTS];
    int32_t unit;
    int32_t mode;
    int32_t statistic; /* PWR_STATISTIC_*, checked by R through vantor_check_statistic */
    int n_outputs;
    double *out[MAX_OUTPUTS];
    /* Writes the reason code of each checked input (SLV_REASON_NONE when
     * accepted), in the order R names them, and returns how many. */
    int (*check)(const struct Job *job, R_xlen_t i, int32_t *reasons);
    void (*compute)(const struct Job *job, R_xlen_t i);
    /* Elements between two checks for a user interrupt. */
    R_xlen_t interrupt_every;
} Job;

static int element_missing(const Job *job, R_xlen_t i) {
    for (int k = 0; k < job->n_inputs; ++k) {
        if (ISNAN(job->in[k][i])) {
            return 1;
        }
    }
    return 0;
}

static void fill_missing(const Job *job, R_xlen_t i) {
    for (int k = 0; k < job->n_outputs; ++k) {
        job->out[k][i] = NA_REAL;
    }
}

static SEXP compute_all(void *data) {
    const Job *job = (const Job *)data;
    for (R_xlen_t i = 0; i < job->length; ++i) {
        if (i % job->interrupt_every == 0) {
            R_CheckUserInterrupt();
        }
        if (element_missing(job, i)) {
            fill_missing(job, i);
        } else {
            job->compute(job, i);
        }
    }
    return R_NilValue;
}

static void restore_hook(void *data) { MTH_set_report_hook(*(const MTH_report_hook *)data); }

enum { MAX_CHECKS = 12 };

/* The first refused input of element i: its position in the check order
 * (from 1), 0 if none; *reason is its code. */
static int first_refused(const Job *job, R_xlen_t i, int32_t *reason) {
    int32_t reasons[MAX_CHECKS];
    const int count = job->check(job, i, reasons);
    for (int k = 0; k < count; ++k) {
        if (reasons[k] != SLV_REASON_NONE) {
            *reason = reasons[k];
            return k + 1;
        }
    }
    return 0;
}

/* The result list: the outputs named `names`, "invalid" (NULL, or the reason
 * code, the element (from 1) and the input's position in the check order
 * (from 1) of the first refused input) and the attribute "reports". */
static SEXP run_job(Job *job, const char *const *names) {
    if (job->n_outputs > MAX_OUTPUTS) {
        Rf_error("vantor: internal error: %d outputs", job->n_outputs);
    }
    SEXP result = PROTECT(Rf_allocVector(VECSXP, job->n_outputs + 1));
    SEXP result_names = PROTECT(Rf_allocVector(STRSXP, job->n_outputs + 1));
    for (int k = 0; k < job->n_outputs; ++k) {
        SEXP column = Rf_allocVector(REALSXP, job->length);
        SET_VECTOR_ELT(result, k, column);
        job->out[k] = REAL(column);
        SET_STRING_ELT(result_names, k, Rf_mkChar(names[k]));
    }
    SET_STRING_ELT(result_names, job->n_outputs, Rf_mkChar("invalid"));
    Rf_setAttrib(result, R_NamesSymbol, result_names);
    for (R_xlen_t i = 0; i < job->length; ++i) {
        int32_t reason = SLV_REASON_NONE;
        const int position = element_missing(job, i) ? 0 : first_refused(job, i, &reason);
        if (position > 0) {
            SEXP invalid = Rf_allocVector(REALSXP, 3);
            SET_VECTOR_ELT(result, job->n_outputs, invalid);
            REAL(invalid)[0] = reason;
            REAL(invalid)[1] = (double)i + 1;
            REAL(invalid)[2] = position;
            UNPROTECT(2);
            return result;
        }
    }
    reports_made = 0;
    const MTH_report_hook counting = {count_report, NULL};
    MTH_report_hook previous = MTH_set_report_hook(counting);
    R_ExecWithCleanup(compute_all, job, restore_hook, &previous);
    Rf_setAttrib(result, Rf_install("reports"), Rf_ScalarInteger(reports_made));
    UNPROTECT(2);
    return result;
}

/* Takes the inputs from R: double vectors, all of one length. */
static void take_inputs(Job *job, SEXP inputs, SEXP unit, SEXP mode) {
    job->statistic = PWR_STATISTIC_POOLED;
    if (!Rf_isNewList(inputs) || XLENGTH(inputs) > MAX_INPUTS || XLENGTH(inputs) < 1) {
        Rf_error("vantor: internal error: inputs must be a list of 1 to %d vectors", MAX_INPUTS);
    }
    job->n_inputs = (int)XLENGTH(inputs);
    job->length = XLENGTH(VECTOR_ELT(inputs, 0));
    for (int k = 0; k < job->n_inputs; ++k) {
        SEXP input = VECTOR_ELT(inputs, k);
        if (TYPEOF(input) != REALSXP || XLENGTH(input) != job->length) {
            Rf_error("vantor: internal error: input %d is not a double vector of length %lld",
                     k + 1, (long long)job->length);
        }
        job->in[k] = REAL(input);
    }
    job->unit = Rf_asInteger(unit);
    job->mode = Rf_asInteger(mode);
    job->interrupt_every = 1;
}

static void require_inputs(const Job *job, int count) {
    if (job->n_inputs != count) {
        Rf_error("vantor: internal error: %d inputs given, %d expected", job->n_inputs, count);
    }
}

/* ---- Input checks -------------------------------------------------------- */

/* Whether x is a whole number that int64_t holds exactly. */
static int is_whole(double x) { return x == floor(x) && fabs(x) < 4e18; }

static int32_t check_cases(double x, int32_t unit) {
    return is_whole(x) ? SLV_check_cases((int64_t)x, unit) : SLV_REASON_BAD_CASES;
}

static int32_t check_controls(double x, int32_t unit) {
    return is_whole(x) ? SLV_check_controls((int64_t)x, unit) : SLV_REASON_BAD_CONTROLS;
}

/* ---- Single-stage power ----------------------------------------------------
 * Inputs: cases, controls, odds ratio, control rate, alpha. */

static int check_single(const Job *job, R_xlen_t i, int32_t *reasons) {
    reasons[0] = check_cases(job->in[0][i], job->unit);
    reasons[1] = check_controls(job->in[1][i], job->unit);
    reasons[2] = SLV_check_odds_ratio(job->in[2][i]);
    reasons[3] = SLV_check_control_rate(job->in[3][i]);
    reasons[4] = SLV_check_alpha(job->in[4][i]);
    return 5;
}

static void compute_single(const Job *job, R_xlen_t i) {
    PWR_design design = PWR_DESIGN_INIT;
    design.sample_size[0][0] = (int32_t)job->in[0][i] * job->unit;
    design.sample_size[0][1] = (int32_t)job->in[1][i] * job->unit;
    design.odds_ratio = job->in[2][i];
    design.control_rate = job->in[3][i];
    design.alpha[0] = job->in[4][i];
    job->out[0][i] = PWR_single_step_power(&design, 0, job->statistic);
}

/* The statistic of every element: a code R has had checked. */
static void take_statistic(Job *job, SEXP statistic) {
    job->statistic = Rf_asInteger(statistic);
    if (SLV_check_statistic(job->statistic) != SLV_REASON_NONE) {
        Rf_error("vantor: internal error: statistic %d", job->statistic);
    }
}

SEXP vantor_single_power(SEXP inputs, SEXP unit, SEXP statistic) {
    Job job = {0};
    take_inputs(&job, inputs, unit, unit);
    take_statistic(&job, statistic);
    require_inputs(&job, 5);
    job.check = check_single;
    job.compute = compute_single;
    job.n_outputs = 1;
    job.interrupt_every = 4096;
    static const char *const names[] = {"power"};
    return run_job(&job, names);
}

/* ---- Sizes -----------------------------------------------------------------
 * Inputs: the given group's size or the ratio, odds ratio, control rate,
 * alpha, target power. Mode: 0 cases for controls, 1 controls for cases,
 * 2 cases for a ratio of controls per case, 3 controls for a ratio of cases
 * per control. */

static int32_t check_given(const Job *job, double given) {
    switch (job->mode) {
        case 0:
            return check_controls(given, job->unit);
        case 1:
            return check_cases(given, job->unit);
        default:
            return SLV_check_ratio(given, job->unit);
    }
}

/* The target power is checked against a valid level only. */
static int32_t check_target(double target, double alpha) {
    return SLV_check_alpha(alpha) == SLV_REASON_NONE ? SLV_check_target_power(target, alpha)
                                                     : SLV_REASON_NONE;
}

static int check_size(const Job *job, R_xlen_t i, int32_t *reasons) {
    reasons[0] = check_given(job, job->in[0][i]);
    reasons[1] = SLV_check_odds_ratio(job->in[1][i]);
    reasons[2] = SLV_check_control_rate(job->in[2][i]);
    reasons[3] = SLV_check_alpha(job->in[3][i]);
    reasons[4] = check_target(job->in[4][i], job->in[3][i]);
    return 5;
}

static void compute_size(const Job *job, R_xlen_t i) {
    const double given = job->in[0][i];
    const double odds_ratio = job->in[1][i];
    const double rate = job->in[2][i];
    const double alpha = job->in[3][i];
    const double target = job->in[4][i];
    const int32_t unit = job->unit;
    const int32_t statistic = job->statistic;
    SLV_size_result r;
    memset(&r, 0, sizeof r);
    switch (job->mode) {
        case 0:
            SLV_cases_for_controls_with_statistic((int32_t)given * unit, odds_ratio, rate, alpha,
                                                  target, unit, statistic, &r);
            break;
        case 1:
            SLV_controls_for_cases_with_statistic((int32_t)given * unit, odds_ratio, rate, alpha,
                                                  target, unit, statistic, &r);
            break;
        case 2:
            SLV_cases_for_ratio_with_statistic(given, odds_ratio, rate, alpha, target, unit,
                                               statistic, &r);
            break;
        default:
            SLV_controls_for_ratio_with_statistic(given, odds_ratio, rate, alpha, target, unit,
                                                  statistic, &r);
            break;
    }
    const int found = r.status == SLV_FOUND || r.status == SLV_FOUND_WITH_WARNING;
    job->out[0][i] = found ? (double)r.cases / unit : NA_REAL;
    job->out[1][i] = found ? (double)r.controls / unit : NA_REAL;
    job->out[2][i] = found ? r.power : NA_REAL;
    job->out[3][i] = r.status;
    job->out[4][i] = r.reason;
}

SEXP vantor_size(SEXP inputs, SEXP unit, SEXP mode, SEXP statistic) {
    Job job = {0};
    take_inputs(&job, inputs, unit, mode);
    take_statistic(&job, statistic);
    require_inputs(&job, 5);
    if (job.mode < 0 || job.mode > 3) {
        Rf_error("vantor: internal error: size mode %d", job.mode);
    }
    job.check = check_size;
    job.compute = compute_size;
    job.n_outputs = 5;
    static const char *const names[] = {"cases", "controls", "achieved_power", "status", "reason"};
    return run_job(&job, names);
}

/* ---- Detectable odds ratio ---------------------------------------------------
 * Inputs: cases, controls, control rate, alpha, target power. Mode 0 above
 * one, 1 below one. */

static int check_effect(const Job *job, R_xlen_t i, int32_t *reasons) {
    reasons[0] = check_cases(job->in[0][i], job->unit);
    reasons[1] = check_controls(job->in[1][i], job->unit);
    reasons[2] = SLV_check_control_rate(job->in[2][i]);
    reasons[3] = SLV_check_alpha(job->in[3][i]);
    reasons[4] = check_target(job->in[4][i], job->in[3][i]);
    return 5;
}

static void compute_effect(const Job *job, R_xlen_t i) {
    const int32_t cases = (int32_t)job->in[0][i] * job->unit;
    const int32_t controls = (int32_t)job->in[1][i] * job->unit;
    SLV_effect_result r;
    memset(&r, 0, sizeof r);
    if (job->mode == 0) {
        SLV_odds_ratio_above_one_with_statistic(cases, controls, job->in[2][i], job->in[3][i],
                                                job->in[4][i], job->statistic, &r);
    } else {
        SLV_odds_ratio_below_one_with_statistic(cases, controls, job->in[2][i], job->in[3][i],
                                                job->in[4][i], job->statistic, &r);
    }
    const int found = r.status == SLV_FOUND || r.status == SLV_FOUND_WITH_WARNING;
    job->out[0][i] = found ? r.odds_ratio : NA_REAL;
    job->out[1][i] = found ? r.power : NA_REAL;
    job->out[2][i] = r.status;
    job->out[3][i] = r.reason;
}

SEXP vantor_odds_ratio(SEXP inputs, SEXP unit, SEXP mode, SEXP statistic) {
    Job job = {0};
    take_inputs(&job, inputs, unit, mode);
    take_statistic(&job, statistic);
    require_inputs(&job, 5);
    job.check = check_effect;
    job.compute = compute_effect;
    job.n_outputs = 4;
    static const char *const names[] = {"odds_ratio", "achieved_power", "status", "reason"};
    return run_job(&job, names);
}

/* ---- Two-stage designs --------------------------------------------------------
 * Every design question's first five inputs make the study: method, odds
 * ratio, control rate, overall alpha, case fraction. */

static DSN_study study_of(const Job *job, R_xlen_t i) {
    DSN_study study;
    memset(&study, 0, sizeof study);
    const double method = job->in[0][i];
    study.method = method == floor(method) && fabs(method) < 1e9 ? (int32_t)method : -1;
    study.odds_ratio = job->in[1][i];
    study.control_rate = job->in[2][i];
    study.alpha2 = job->in[3][i];
    study.case_fraction = job->in[4][i];
    study.unit = job->unit;
    study.statistic = job->statistic;
    return study;
}

/* Writes the checks of the method, odds ratio, control rate and overall
 * level into reasons[0..3]; returns 4. */
static int check_study(const Job *job, R_xlen_t i, int32_t *reasons) {
    const DSN_study study = study_of(job, i);
    reasons[0] = DSN_check_method(study.method);
    reasons[1] = SLV_check_odds_ratio(study.odds_ratio);
    reasons[2] = SLV_check_control_rate(study.control_rate);
    reasons[3] = SLV_check_alpha(study.alpha2);
    return 4;
}

static int study_accepted(const int32_t *reasons) {
    for (int k = 0; k < 4; ++k) {
        if (reasons[k] != SLV_REASON_NONE) {
            return 0;
        }
    }
    return 1;
}

/* Stage 0's level, checked once the method and overall level are. */
static int32_t check_stage0_alpha(const Job *job, R_xlen_t i, const int32_t *reasons,
                                  double alpha0) {
    return reasons[0] == SLV_REASON_NONE && reasons[3] == SLV_REASON_NONE
               ? DSN_check_stage0_alpha(study_of(job, i).method, alpha0, job->in[3][i])
               : SLV_REASON_NONE;
}

/* The case fraction (and unit): what DSN_check_study refuses once the first
 * four fields are accepted. */
static int32_t check_case_fraction(const Job *job, R_xlen_t i, const int32_t *reasons) {
    if (!study_accepted(reasons)) {
        return SLV_REASON_NONE;
    }
    const DSN_study study = study_of(job, i);
    return DSN_check_study(&study);
}

static const char *const design_names[] = {
    "total",        "cases_stage1",    "controls_stage1", "cases_stage2", "controls_stage2",
    "stage1_share", "alpha_stage1",    "alpha_stage2",    "alpha",        "achieved_power",
    "cost",         "one_stage_total", "relative_cost",   "status",       "reason"};

/* Fills outputs 0-12 and the status and reason from a design result; an
 * answer's values are NA unless found. */
static void put_design(const Job *job, R_xlen_t i, const DSN_design_result *r) {
    const int found = r->status == SLV_FOUND || r->status == SLV_FOUND_WITH_WARNING;
    const double values[] = {
        (double)r->total, r->cases[0],
        r->controls[0],   r->cases[1],
        r->controls[1],   r->stage0_share,
        r->alpha[0],      r->alpha[1],
        r->alpha[2],      r->power,
        r->cost,          r->one_stage_total > 0 ? (double)r->one_stage_total : NA_REAL,
        r->relative_cost};
    for (int k = 0; k < 13; ++k) {
        job->out[k][i] = found ? values[k] : NA_REAL;
    }
    job->out[13][i] = r->status;
    job->out[14][i] = r->reason;
}

/* Two-stage power. Inputs: method, odds ratio, rate, alpha, alpha of stage 1
 * (the library's stage 0), cases and controls of both stages. The case
 * fraction is taken from the counts. */

static double case_fraction_of(const Job *job, R_xlen_t i) {
    const double cases = job->in[5][i] + job->in[7][i];
    const double all = cases + job->in[6][i] + job->in[8][i];
    return cases / all;
}

static int check_two_stage(const Job *job, R_xlen_t i, int32_t *reasons) {
    const int count = check_study(job, i, reasons);
    reasons[4] = check_cases(job->in[5][i], job->unit);
    reasons[5] = check_controls(job->in[6][i], job->unit);
    reasons[6] = check_cases(job->in[7][i], job->unit);
    reasons[7] = check_controls(job->in[8][i], job->unit);
    reasons[8] = check_stage0_alpha(job, i, reasons, job->in[4][i]);
    return count + 5;
}

static void compute_two_stage(const Job *job, R_xlen_t i) {
    DSN_study study = study_of(job, i);
    study.case_fraction = case_fraction_of(job, i);
    const int32_t cases[2] = {(int32_t)job->in[5][i], (int32_t)job->in[7][i]};
    const int32_t controls[2] = {(int32_t)job->in[6][i], (int32_t)job->in[8][i]};
    DSN_design_result r;
    memset(&r, 0, sizeof r);
    DSN_two_stage_power(&study, cases, controls, job->in[4][i], &r);
    put_design(job, i, &r);
}

SEXP vantor_two_stage_power(SEXP inputs, SEXP unit, SEXP statistic) {
    Job job = {0};
    take_inputs(&job, inputs, unit, unit);
    take_statistic(&job, statistic);
    require_inputs(&job, 9);
    job.check = check_two_stage;
    job.compute = compute_two_stage;
    job.n_outputs = 15;
    return run_job(&job, design_names);
}

/* Design questions. Inputs: the study (5), then the target power or budget,
 * stage 1's share, stage 1's level, cost ratio. Mode 0 smallest total (share
 * and level given), 1 cheapest design, 2 most powerful within a budget. */

static int check_design(const Job *job, R_xlen_t i, int32_t *reasons) {
    const int count = check_study(job, i, reasons);
    reasons[4] = check_case_fraction(job, i, reasons);
    const double target_or_budget = job->in[5][i];
    if (job->mode == 0) {
        reasons[5] = DSN_check_stage0_share(job->in[6][i]);
        reasons[6] = check_stage0_alpha(job, i, reasons, job->in[7][i]);
        reasons[7] = check_target(target_or_budget, job->in[3][i]);
        return count + 4;
    }
    reasons[5] = job->mode == 1 ? check_target(target_or_budget, job->in[3][i])
                                : DSN_check_budget(target_or_budget);
    reasons[6] = DSN_check_cost_ratio(job->in[8][i]);
    return count + 3;
}

static void compute_design(const Job *job, R_xlen_t i) {
    const DSN_study study = study_of(job, i);
    DSN_design_result r;
    memset(&r, 0, sizeof r);
    if (job->mode == 0) {
        DSN_smallest_total(&study, job->in[6][i], job->in[7][i], job->in[5][i], &r);
    } else if (job->mode == 1) {
        DSN_cheapest_design(&study, job->in[5][i], job->in[8][i], &r);
    } else {
        DSN_most_powerful_design(&study, job->in[5][i], job->in[8][i], &r);
    }
    put_design(job, i, &r);
}

/* An input a mode does not read is not checked for NA either: R passes
 * zeros for it. */
SEXP vantor_design(SEXP inputs, SEXP unit, SEXP mode, SEXP statistic) {
    Job job = {0};
    take_inputs(&job, inputs, unit, mode);
    take_statistic(&job, statistic);
    require_inputs(&job, 9);
    if (job.mode < 0 || job.mode > 2) {
        Rf_error("vantor: internal error: design mode %d", job.mode);
    }
    job.check = check_design;
    job.compute = compute_design;
    job.n_outputs = 15;
    return run_job(&job, design_names);
}

/* ---- Words and version ---------------------------------------------------- */

/* SLV_message of each code (NA for NA). */
SEXP vantor_messages(SEXP reasons) {
    const R_xlen_t n = XLENGTH(reasons);
    SEXP reasons_double = PROTECT(Rf_coerceVector(reasons, REALSXP));
    SEXP words = PROTECT(Rf_allocVector(STRSXP, n));
    for (R_xlen_t i = 0; i < n; ++i) {
        const double code = REAL(reasons_double)[i];
        SET_STRING_ELT(words, i, ISNAN(code) ? NA_STRING : Rf_mkChar(SLV_message((int32_t)code)));
    }
    UNPROTECT(2);
    return words;
}

/* SLV_status_name of each status (NA for NA). */
SEXP vantor_status_names(SEXP statuses) {
    const R_xlen_t n = XLENGTH(statuses);
    SEXP statuses_double = PROTECT(Rf_coerceVector(statuses, REALSXP));
    SEXP words = PROTECT(Rf_allocVector(STRSXP, n));
    for (R_xlen_t i = 0; i < n; ++i) {
        const double status = REAL(statuses_double)[i];
        SET_STRING_ELT(words, i,
                       ISNAN(status) ? NA_STRING : Rf_mkChar(SLV_status_name((int32_t)status)));
    }
    UNPROTECT(2);
    return words;
}

SEXP vantor_library_version(void) { return Rf_mkString(vantor_version()); }

/* SLV_check_statistic of a code (NA becomes a code no statistic has). */
SEXP vantor_check_statistic(SEXP statistic) {
    const int code = Rf_asInteger(statistic);
    return Rf_ScalarInteger(SLV_check_statistic(code == NA_INTEGER ? -1 : code));
}

/* ---- Reports, for the tests of the warning ----------------------------------- */

static void report_n_times(const Job *job, R_xlen_t i) {
    for (int k = 0; k < (int)job->in[0][i]; ++k) {
        MTH_report("MIN_FLAG");
    }
    job->out[0][i] = job->in[0][i];
}

static int accept_all(const Job *job, R_xlen_t i, int32_t *reasons) {
    (void)job;
    (void)i;
    (void)reasons;
    return 0;
}

/* Makes as many reports as each element says, through the same machinery as
 * the questions: the library's reports are rare with checked inputs. */
SEXP vantor_report_for_test(SEXP inputs) {
    Job job = {0};
    take_inputs(&job, inputs, R_NilValue, R_NilValue);
    require_inputs(&job, 1);
    job.check = accept_all;
    job.compute = report_n_times;
    job.n_outputs = 1;
    static const char *const names[] = {"reports"};
    return run_job(&job, names);
}

/* Whether a report hook other than the default is installed now: between
 * calls it never is, however the last call ended. */
SEXP vantor_hook_installed_for_test(void) {
    const MTH_report_hook default_hook = {NULL, NULL};
    const MTH_report_hook current = MTH_set_report_hook(default_hook);
    MTH_set_report_hook(current);
    return Rf_ScalarLogical(current.fn != NULL);
}
