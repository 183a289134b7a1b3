// For fuzzers of the checked API, which must never report: a report from the
// library is a finding. Installed from LLVMFuzzerInitialize, the hook names
// the report on standard error and aborts, so that libFuzzer keeps the input
// (without it the report would be a line on standard output, which fuzz runs
// discard).
#ifndef VANTOR_FUZZ_REPORTS_FAIL_H
#define VANTOR_FUZZ_REPORTS_FAIL_H

#include <cstdio>
#include <cstdlib>

#include "numeric/MTH_report.h"

inline void abort_on_report(const char *what, void * /*context*/) {
    std::fprintf(stderr, "the library reported %s to a caller of its checked API\n", what);
    std::abort();
}

inline void make_reports_fail() { MTH_set_report_hook({abort_on_report, nullptr}); }

#endif
