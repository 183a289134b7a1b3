// The report hook. The record is read and written under a mutex so that it
// can be replaced while other threads report; the hook itself is called
// outside the lock, so that a hook may replace the hook without deadlock and
// reports from several threads do not wait for each other's hooks.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "numeric/MTH_report.h"
// clang-format on

#include <cstdio>
#include <mutex>

namespace {

std::mutex hook_mutex;
MTH_report_hook installed_hook = {nullptr, nullptr};

// The library's historical behaviour: the report as a line on standard
// output, byte for byte. One call writes the whole line, so that lines from
// several threads do not interleave.
void write_on_standard_output(const char *what) { std::fprintf(stdout, "%s\n", what); }

MTH_report_hook current_hook() {
    const std::lock_guard<std::mutex> lock(hook_mutex);
    return installed_hook;
}

}  // namespace

extern "C" {

MTH_report_hook MTH_set_report_hook(MTH_report_hook hook) {
    const std::lock_guard<std::mutex> lock(hook_mutex);
    const MTH_report_hook previous = installed_hook;
    installed_hook = hook.fn == nullptr ? MTH_report_hook{nullptr, nullptr} : hook;
    return previous;
}

void MTH_report(const char *what) {
    const MTH_report_hook hook = current_hook();
    if (hook.fn == nullptr) {
        write_on_standard_output(what);
        return;
    }
    hook.fn(what, hook.context);
}

}  // extern "C"
