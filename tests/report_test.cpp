// The report hook: the default writes the report as a line on standard
// output; an installed hook receives every report with its context instead;
// installing returns the hook replaced, and a null function restores the
// default.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "numeric/MTH_normal_distribution.h"
#include "numeric/MTH_report.h"

namespace {

struct Collected {
    std::vector<std::string> reports;
};

void collect(const char *what, void *context) {
    static_cast<Collected *>(context)->reports.emplace_back(what);
}

void ignore(const char * /*what*/, void * /*context*/) {}

// Standard output written while `action` runs.
template <typename Action>
std::string standard_output_of(Action action) {
    testing::internal::CaptureStdout();
    action();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// Puts back the hook a test replaced, whatever the test's outcome.
class ReportHook : public testing::Test {
protected:
    void TearDown() override { MTH_set_report_hook({nullptr, nullptr}); }
};

TEST_F(ReportHook, DefaultWritesTheReportAsALineOnStandardOutput) {
    EXPECT_EQ(standard_output_of([] { MTH_report("MIN_FLAG"); }), "MIN_FLAG\n");
    EXPECT_EQ(standard_output_of([] { MTH_qnorm(0.0, 0.0); }), "MIN_FLAG\n");
}

TEST_F(ReportHook, InstalledHookReceivesEveryReportWithItsContext) {
    Collected collected;
    MTH_set_report_hook({collect, &collected});
    const std::string out = standard_output_of([] {
        EXPECT_EQ(MTH_qnorm(0.0, 0.0), -MTH_INFINITY);
        EXPECT_EQ(MTH_qnorm(-3.0, 0.0), -MTH_INFINITY);
        // In the domain, and at 1: no report.
        MTH_qnorm(0.3, 0.0);
        MTH_qnorm(1.0, 0.0);
    });
    EXPECT_EQ(out, "");
    EXPECT_EQ(collected.reports, (std::vector<std::string>{"MIN_FLAG", "MIN_FLAG"}));
}

TEST_F(ReportHook, InstallingReturnsTheHookItReplaces) {
    Collected first;
    const MTH_report_hook before = MTH_set_report_hook({collect, &first});
    EXPECT_EQ(before.fn, nullptr) << "the default is the null function";
    EXPECT_EQ(before.context, nullptr);

    const MTH_report_hook replaced = MTH_set_report_hook({ignore, nullptr});
    EXPECT_EQ(replaced.fn, &collect);
    EXPECT_EQ(replaced.context, &first);

    // Putting the returned record back restores the first hook.
    MTH_set_report_hook(replaced);
    MTH_report("MIN_FLAG");
    EXPECT_EQ(first.reports.size(), 1U);
}

TEST_F(ReportHook, NullFunctionRestoresTheDefaultAndDropsTheContext) {
    Collected collected;
    MTH_set_report_hook({collect, &collected});
    MTH_set_report_hook({nullptr, &collected});
    EXPECT_EQ(standard_output_of([] { MTH_report("MIN_FLAG"); }), "MIN_FLAG\n");
    EXPECT_TRUE(collected.reports.empty());
    const MTH_report_hook current = MTH_set_report_hook({nullptr, nullptr});
    EXPECT_EQ(current.fn, nullptr);
    EXPECT_EQ(current.context, nullptr);
}

}  // namespace
