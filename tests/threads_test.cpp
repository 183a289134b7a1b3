// Two-stage calls made on several threads at once give, bit for bit, what
// the same calls give alone, and each thread keeps its own method-2
// carry-over. CI also runs this program under ThreadSanitizer
// (-DVANTOR_TSAN=ON), which reports any state the threads still share.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <future>
#include <iterator>
#include <ostream>
#include <thread>
#include <vector>

#include "numeric/MTH_report.h"
#include "power/power_func.h"
#include "question/study.h"

namespace {

constexpr double D = PWR_DERIVE_LEVEL;

// One two-stage request: method, levels, {cases, controls} per stage and
// odds ratio; control rate 0.3.
struct Call {
    std::int32_t method;
    double alpha[3];
    std::int32_t sizes[2][2];
    double odds_ratio;
};

// What a call gives back: the power and the levels written into the record.
struct Outcome {
    double power;
    double alpha[3];
};

std::uint64_t bits(double x) {
    std::uint64_t b = 0;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

// Bit for bit: the same value, sign of zero and not-a-number pattern.
bool operator==(const Outcome &a, const Outcome &b) {
    return bits(a.power) == bits(b.power) && bits(a.alpha[0]) == bits(b.alpha[0]) &&
           bits(a.alpha[1]) == bits(b.alpha[1]) && bits(a.alpha[2]) == bits(b.alpha[2]);
}

std::ostream &operator<<(std::ostream &out, const Outcome &o) {
    return out << std::hexfloat << o.power << " [" << o.alpha[0] << ", " << o.alpha[1] << ", "
               << o.alpha[2] << "]" << std::defaultfloat;
}

// Each call takes a millisecond or so; the replication call with two open
// levels computes a quantile of a negative level, which reports "MIN_FLAG". The calls
// with all three levels given re-derive whichever level the thread's last
// method-2 derivation produced.
constexpr Call kCalls[] = {
    {PWR_METHOD_JOINT, {0.05, D, 1e-4}, {{500, 500}, {500, 500}}, 1.5},
    {PWR_METHOD_JOINT, {0.05, 0.3, 1e-4}, {{500, 500}, {500, 500}}, 1.5},
    {PWR_METHOD_JOINT, {0.05, 1e-3, D}, {{300, 300}, {700, 700}}, 1.2},
    {PWR_METHOD_JOINT, {0.05, 1e-3, 0.3}, {{300, 300}, {700, 700}}, 1.2},
    {PWR_METHOD_JOINT, {0.01, D, 5e-8}, {{1000, 1000}, {2000, 2000}}, 1.3},
    {PWR_METHOD_PRODUCT, {0.01, 1e-3, D}, {{500, 500}, {500, 500}}, 1.5},
    {PWR_METHOD_REPLICATION, {0.01, D, 1e-4}, {{1000, 1000}, {2000, 2000}}, 1.3},
    {PWR_METHOD_JOINT, {0.01, D, 1e-4}, {{1000, 1000}, {2000, 2000}}, 1.3},
    {PWR_METHOD_REPLICATION, {D, D, 1e-4}, {{1000, 1000}, {2000, 2000}}, 1.3},
};

Outcome run(const Call &call) {
    PWR_design design = PWR_DESIGN_INIT;
    design.method = call.method;
    std::memcpy(design.alpha, call.alpha, sizeof design.alpha);
    std::memcpy(design.sample_size, call.sizes, sizeof design.sample_size);
    design.control_rate = 0.3;
    design.odds_ratio = call.odds_ratio;
    Outcome outcome{};
    outcome.power = PWR_get_power_for_two_stage_method(&design, 0);
    std::memcpy(outcome.alpha, design.alpha, sizeof outcome.alpha);
    return outcome;
}

// Thread `index` runs the calls rounds times, starting at a different call
// from the other threads, so that at any moment the threads are in different
// integrals and carry different method-2 choices.
std::vector<Outcome> run_sequence(std::size_t index, int rounds) {
    std::vector<Outcome> outcomes;
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < std::size(kCalls); ++i) {
            outcomes.push_back(run(kCalls[(index * 3 + i) % std::size(kCalls)]));
        }
    }
    return outcomes;
}

void count_report(const char * /*what*/, void *context) {
    static_cast<std::atomic<std::int64_t> *>(context)->fetch_add(1);
}

class Threads : public testing::Test {
protected:
    void SetUp() override { MTH_set_report_hook({count_report, &reports_}); }
    void TearDown() override { MTH_set_report_hook({nullptr, nullptr}); }
    std::atomic<std::int64_t> reports_{0};
};

TEST_F(Threads, ConcurrentCallsGiveWhatTheSameCallsGiveAlone) {
    constexpr std::size_t kThreads = 4;
    constexpr int kRounds = 6;

    // Each sequence alone, on a fresh thread of its own.
    std::vector<std::vector<Outcome>> alone(kThreads);
    for (std::size_t t = 0; t < kThreads; ++t) {
        std::thread([&alone, t] { alone[t] = run_sequence(t, kRounds); }).join();
    }
    const std::int64_t reports_alone = reports_.exchange(0);
    ASSERT_GT(reports_alone, 0) << "the call with two open levels reports";

    std::vector<std::vector<Outcome>> together(kThreads);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < kThreads; ++t) {
        threads.emplace_back([&together, t] { together[t] = run_sequence(t, kRounds); });
    }
    for (std::thread &thread : threads) {
        thread.join();
    }

    for (std::size_t t = 0; t < kThreads; ++t) {
        ASSERT_EQ(together[t].size(), alone[t].size());
        for (std::size_t i = 0; i < alone[t].size(); ++i) {
            EXPECT_EQ(together[t][i], alone[t][i]) << "thread " << t << ", call " << i;
        }
    }
    EXPECT_EQ(reports_.load(), reports_alone) << "every report reaches the hook";
}

TEST_F(Threads, EachThreadRederivesTheLevelItDerivedLast) {
    const Outcome joint_derived = run(kCalls[0]);    // alpha[1] derived
    const Outcome overall_derived = run(kCalls[2]);  // alpha[2] derived

    // Thread A derives alpha[1], then thread B derives alpha[2], then A and B
    // each repeat their design with all three levels given.
    std::promise<void> a_derived;
    std::promise<void> b_derived;
    Outcome a_again{};
    Outcome b_again{};
    std::thread a([&] {
        run(kCalls[0]);
        a_derived.set_value();
        b_derived.get_future().wait();
        a_again = run(kCalls[1]);
    });
    std::thread b([&] {
        a_derived.get_future().wait();
        run(kCalls[2]);
        b_derived.set_value();
        b_again = run(kCalls[3]);
    });
    a.join();
    b.join();
    EXPECT_EQ(a_again, joint_derived);
    EXPECT_EQ(b_again, overall_derived);

    // A thread that has made no method-2 derivation re-derives alpha[1],
    // whatever other threads derived.
    Outcome fresh{};
    std::thread([&fresh] { fresh = run(kCalls[1]); }).join();
    EXPECT_EQ(fresh, joint_derived);
}

// Pure two-stage questions: method-2 powers deriving the second decision's
// level, the overall level, or neither, each a call with nothing kept
// between calls.
struct PureCall {
    Call call;
    std::int32_t derived;
};

constexpr PureCall kPureCalls[] = {
    {{PWR_METHOD_JOINT, {0.05, 0, 1e-4}, {{500, 500}, {500, 500}}, 1.5}, 1},
    {{PWR_METHOD_JOINT, {0.05, 1e-3, 0}, {{300, 600}, {700, 700}}, 1.2}, 2},
    {{PWR_METHOD_JOINT, {0.05, 3e-4, 1e-4}, {{500, 500}, {500, 500}}, 1.5}, PWR_DERIVE_NO_LEVEL},
    {{PWR_METHOD_JOINT, {0.01, 0, 5e-8}, {{1000, 2000}, {2000, 2000}}, 1.3}, 1},
    {{PWR_METHOD_PRODUCT, {0.01, 1e-3, 0}, {{500, 500}, {500, 500}}, 1.5}, 2},
    {{PWR_METHOD_JOINT, {0.01, 1e-3, 5e-8}, {{1000, 1000}, {2000, 2000}}, 1.3}, 2},
};

Outcome run_pure(const PureCall &pure) {
    PWR_design design = PWR_DESIGN_INIT;
    design.method = pure.call.method;
    std::memcpy(design.alpha, pure.call.alpha, sizeof design.alpha);
    std::memcpy(design.sample_size, pure.call.sizes, sizeof design.sample_size);
    design.control_rate = 0.3;
    design.odds_ratio = pure.call.odds_ratio;
    Outcome outcome{};
    outcome.power = PWR_two_stage_power_deriving(&design, pure.derived);
    std::memcpy(outcome.alpha, design.alpha, sizeof outcome.alpha);
    return outcome;
}

TEST_F(Threads, PureTwoStagePowersNeedNoOrder) {
    constexpr std::size_t kThreads = 4;
    constexpr int kRounds = 3;
    std::vector<Outcome> alone;
    for (const PureCall &pure : kPureCalls) {
        alone.push_back(run_pure(pure));
    }
    // Each thread interleaves the pure calls, from its own starting point,
    // with calls of the entry point that keeps a carry-over.
    std::vector<std::vector<Outcome>> together(kThreads);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < kThreads; ++t) {
        threads.emplace_back([&together, t] {
            for (int round = 0; round < kRounds; ++round) {
                for (std::size_t i = 0; i < std::size(kPureCalls); ++i) {
                    run(kCalls[(t + i) % std::size(kCalls)]);
                    together[t].push_back(
                        run_pure(kPureCalls[(t * 2 + i) % std::size(kPureCalls)]));
                }
            }
        });
    }
    for (std::thread &thread : threads) {
        thread.join();
    }
    for (std::size_t t = 0; t < kThreads; ++t) {
        for (std::size_t k = 0; k < together[t].size(); ++k) {
            const std::size_t call = (t * 2 + k % std::size(kPureCalls)) % std::size(kPureCalls);
            EXPECT_EQ(together[t][k], alone[call]) << "thread " << t << ", call " << call;
        }
    }
    // The derived levels are the ones the entry point with a carry-over
    // derives for the same open level.
    PWR_design design = PWR_DESIGN_INIT;
    design.method = PWR_METHOD_JOINT;
    design.alpha[0] = 0.05;
    design.alpha[1] = PWR_DERIVE_LEVEL;
    design.alpha[2] = 1e-4;
    std::memcpy(design.sample_size, kPureCalls[0].call.sizes, sizeof design.sample_size);
    design.control_rate = 0.3;
    design.odds_ratio = 1.5;
    EXPECT_EQ(PWR_get_power_for_two_stage_method(&design, 0), alone[0].power);
    EXPECT_EQ(design.alpha[1], alone[0].alpha[1]);
}

TEST(PureTwoStagePower, RefusesAnOpenLevelItWasNotAskedToDerive) {
    PWR_design design = PWR_DESIGN_INIT;
    design.method = PWR_METHOD_JOINT;
    design.alpha[0] = 0.05;
    design.alpha[1] = PWR_DERIVE_LEVEL;
    design.alpha[2] = 1e-4;
    design.sample_size[0][0] = design.sample_size[0][1] = 500;
    design.sample_size[1][0] = design.sample_size[1][1] = 500;
    design.control_rate = 0.3;
    design.odds_ratio = 1.5;
    EXPECT_TRUE(std::isnan(PWR_two_stage_power_deriving(&design, 2)));
    EXPECT_TRUE(std::isnan(PWR_two_stage_power_deriving(&design, 3)));
    EXPECT_FALSE(std::isnan(PWR_two_stage_power_deriving(&design, 1)));
}

}  // namespace
