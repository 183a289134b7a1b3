// A progress line on standard error for work that takes more than a second
// (with the time the rest will take at the pace so far, when the total is known),
// shown only when standard error is a terminal (never in a pipe or a file).
#ifndef VANTOR_FRONT_VANTOR_PROGRESS_H
#define VANTOR_FRONT_VANTOR_PROGRESS_H

#include <chrono>
#include <cstddef>

namespace vantor_cli {

class Progress {
public:
    // `enabled` false shows nothing whatever the terminal; a `total` of 0 is
    // not known (rows read from a file as they come). `what` says what is
    // counted ("answered": "12 of 40 answered").
    Progress(std::size_t total, bool enabled, const char *what = "answered");
    ~Progress();
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

    // `done` rows of the total are answered.
    void update(std::size_t done);
    // `done` of `total`, a total learnt as the work goes.
    void update(std::size_t done, std::size_t total);

private:
    using Clock = std::chrono::steady_clock;
    std::size_t total_;
    bool enabled_;
    const char *what_;
    bool shown_ = false;
    Clock::time_point start_;
    Clock::time_point last_shown_;
};

}  // namespace vantor_cli

#endif
