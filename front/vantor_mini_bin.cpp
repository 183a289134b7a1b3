// Command-line driver: power of a single-stage study (SINGLE) and the
// smallest group size that reaches a target power (LIMIT).
//
// Standard output carries exactly the answer (scripts parse it) and the exit
// status is always 0; hints for people go to standard error.
#include "front/vantor_mini_bin.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "power/power_func.h"

namespace {

constexpr std::int32_t kLargestSize = 100000;
// LIMIT's answer for a request it cannot search.
constexpr std::int32_t kUnusable = -1;
constexpr int kSingleWords = 7;
constexpr int kLimitWords = 8;

constexpr const char *kSingleUsage =
    "usage: vantor_mini_bin SINGLE <cases> <controls> <odds_ratio> <control_rate> <alpha>";
constexpr const char *kLimitUsage =
    "usage: vantor_mini_bin LIMIT Case|Control <given_size> <target_power> <odds_ratio> "
    "<control_rate> <alpha>";

// Reports the first problem of one request on standard error.
class Hint {
public:
    explicit Hint(const char *usage) : usage_(usage) {}
    void report(const char *what, const char *word) {
        if (reported_) {
            return;
        }
        reported_ = true;
        std::fprintf(stderr, "vantor_mini_bin: %s '%s'; %s\n", what, word, usage_);
    }

private:
    const char *usage_;
    bool reported_ = false;
};

// Reads a 32-bit integer as "%d" would: leading white space, optional sign,
// trailing text ignored. A word with no digits, or whose value does not fit,
// leaves *out unchanged and returns false.
bool scan_int32(const char *word, std::int32_t *out) {
    char *end = nullptr;
    errno = 0;
    const long long value = std::strtoll(word, &end, 10);
    if (end == word || errno == ERANGE || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    *out = static_cast<std::int32_t>(value);
    return true;
}

// Reads a double as "%lf" would (everything strtod accepts, trailing text
// ignored). A word that does not start with a number leaves *out unchanged.
bool scan_double(const char *word, double *out) {
    char *end = nullptr;
    const double value = std::strtod(word, &end);
    if (end == word) {
        return false;
    }
    *out = value;
    return true;
}

// A hint for a person, beside the usage hint: what was most likely
// mistyped. Standard output is not touched.
void hint(const char *what, const char *word) {
    std::fprintf(stderr, "vantor_mini_bin: hint: %s '%s'\n", what, word);
}

void read_count(const char *word, std::int32_t *out, Hint &usage) {
    if (!scan_int32(word, out)) {
        usage.report("not a whole number that fits 32 bits:", word);
        return;
    }
    char *end = nullptr;
    std::strtoll(word, &end, 10);
    if (*end != '\0') {
        std::fprintf(stderr,
                     "vantor_mini_bin: hint: the count '%s' is read as %d: only its leading "
                     "digits count (a count is written in whole digits: 1000, not 1e3 or 1000.0)\n",
                     word, static_cast<int>(*out));
    }
}

// Hints for values read but outside where the answer means something; a
// value that did not read as a number is 0 and has had its usage hint.
void hint_domain(const char *const *words, const PWR_design &design) {
    if (!(design.odds_ratio > 0)) {
        hint("an odds ratio must be above 0, not", words[0]);
    }
    if (!(design.control_rate > 0 && design.control_rate < 1)) {
        hint("a rate must lie strictly between 0 and 1 (else the power is -nan), not", words[1]);
    }
    if (!(design.alpha[0] > 0 && design.alpha[0] < 1)) {
        hint(
            "a level must lie strictly between 0 and 1 (else the power printed is no probability), "
            "not",
            words[2]);
    }
}

void read_value(const char *word, double *out, Hint &usage) {
    if (!scan_double(word, out)) {
        usage.report("not a number:", word);
    }
}

void run_single(int argc, const char *const *argv) {
    if (argc < kSingleWords) {
        std::fprintf(stderr, "vantor_mini_bin: SINGLE needs five values; %s\n", kSingleUsage);
        std::printf("%lf", -1.0);
        return;
    }
    PWR_design design = PWR_DESIGN_INIT;
    Hint usage(kSingleUsage);
    read_count(argv[2], &design.sample_size[0][0], usage);
    read_count(argv[3], &design.sample_size[0][1], usage);
    read_value(argv[4], &design.odds_ratio, usage);
    read_value(argv[5], &design.control_rate, usage);
    read_value(argv[6], &design.alpha[0], usage);
    hint_domain(argv + 4, design);
    std::printf("%lf", PWR_get_power_for_single_step(&design, 0));
}

// Group index of the searched group for a given-group word: the other group.
// Returns -1 for a word that names no group.
int searched_group(const char *given_group) {
    if (std::strcmp(given_group, "Case") == 0) {
        return 1;
    }
    if (std::strcmp(given_group, "Control") == 0) {
        return 0;
    }
    return -1;
}

void run_limit(int argc, const char *const *argv) {
    if (argc < kLimitWords) {
        std::fprintf(stderr, "vantor_mini_bin: LIMIT needs six values; %s\n", kLimitUsage);
        std::printf("%d", kUnusable);
        return;
    }
    PWR_design design = PWR_DESIGN_INIT;
    double target = 0;
    Hint usage(kLimitUsage);
    const int group = searched_group(argv[2]);
    if (group < 0) {
        usage.report("the group must be Case or Control, not", argv[2]);
    } else {
        read_count(argv[3], &design.sample_size[0][1 - group], usage);
    }
    read_value(argv[4], &target, usage);
    read_value(argv[5], &design.odds_ratio, usage);
    read_value(argv[6], &design.control_rate, usage);
    read_value(argv[7], &design.alpha[0], usage);
    hint_domain(argv + 5, design);
    if (target > 1) {
        hint("a target power is at most 1 (write 0.8, not 80), not", argv[4]);
    }
    if (group < 0 || target != target) {
        std::printf("%d", kUnusable);
        return;
    }
    const std::int32_t size = find_limit_number(group, target, &design);
    if (size == kNotReached) {
        std::printf("> %d", kLargestSize);
    } else {
        std::printf("%d", size);
    }
}

}  // namespace

std::int32_t get_limit_number_rec(int group, std::int32_t start, std::int32_t step, double target,
                                  PWR_design design) {
    if (step <= 0) {
        return start + 1;
    }
    double power = 0;
    std::int32_t n = start;
    while (target > power && n <= kLargestSize) {
        design.sample_size[0][group] = n;
        power = PWR_get_power_for_single_step(&design, 0);
        if (power != power) {
            return kUnusable;
        }
        n = n + step;
    }
    // n has moved past the first sufficient size: n - 2 step is the last size
    // known to fall short.
    return get_limit_number_rec(group, n - 2 * step, step / 10, target, design);
}

std::int32_t find_limit_number(int group, double target, PWR_design *design) {
    double power = 0;
    std::int32_t n = 1;
    std::int32_t last_tried = 1;
    while (target > power && n <= kLargestSize) {
        design->sample_size[0][group] = n;
        power = PWR_get_power_for_single_step(design, 0);
        if (power != power) {
            return kUnusable;
        }
        last_tried = n;
        n = n * 10;
    }
    if (target > power) {
        return kNotReached;
    }
    return get_limit_number_rec(group, last_tried / 10, last_tried / 10, target, *design);
}

int run_vantor_mini_bin(int argc, const char *const *argv) {
    if (argc < 2) {
        std::puts("ERROR");
        std::fprintf(stderr, "%s\n%s\n", kSingleUsage, kLimitUsage);
        return 0;
    }
    if (std::strcmp(argv[1], "SINGLE") == 0) {
        run_single(argc, argv);
    } else if (std::strcmp(argv[1], "LIMIT") == 0) {
        run_limit(argc, argv);
    } else {
        std::fprintf(stderr,
                     "vantor_mini_bin: unknown mode '%s'; usage: vantor_mini_bin SINGLE|LIMIT "
                     "<values> (run with no arguments for both forms)\n",
                     argv[1]);
    }
    return 0;
}

#ifndef VANTOR_NO_MAIN
int main(int argc, char **argv) { return run_vantor_mini_bin(argc, argv); }
#endif
