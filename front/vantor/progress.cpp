#include "front/vantor/progress.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace vantor_cli {

namespace {

constexpr std::chrono::seconds kQuietTime{1};
constexpr std::chrono::milliseconds kRefresh{200};

// A duration in the unit a person reads it in: 40 s, 12 min, 3 h, 9 days.
std::string duration_text(double seconds) {
    constexpr double kMinute = 60;
    constexpr double kHour = 60 * kMinute;
    constexpr double kDay = 24 * kHour;
    char text[64];
    if (seconds < 2 * kMinute) {
        std::snprintf(text, sizeof text, "%.0f s", seconds);
    } else if (seconds < 2 * kHour) {
        std::snprintf(text, sizeof text, "%.0f min", seconds / kMinute);
    } else if (seconds < 2 * kDay) {
        std::snprintf(text, sizeof text, "%.0f h", seconds / kHour);
    } else {
        std::snprintf(text, sizeof text, "%.3g days", seconds / kDay);
    }
    return text;
}

// The time the rest will take at the pace so far.
std::string estimate(std::size_t done, std::size_t total, double seconds) {
    if (done == 0 || done >= total) {
        return "";
    }
    const double left = seconds * (static_cast<double>(total - done) / static_cast<double>(done));
    return ", about " + duration_text(left) + " left";
}

}  // namespace

Progress::Progress(std::size_t total, bool enabled, const char *what)
    : total_(total),
      enabled_(enabled && isatty(STDERR_FILENO) != 0),
      what_(what),
      start_(Clock::now()),
      last_shown_(start_) {}

Progress::~Progress() {
    if (shown_) {
        // Erase the line, so the answer's table starts on a clean terminal.
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
}

void Progress::update(std::size_t done, std::size_t total) {
    total_ = total;
    update(done);
}

void Progress::update(std::size_t done) {
    if (!enabled_) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (now - start_ < kQuietTime || (shown_ && now - last_shown_ < kRefresh)) {
        return;
    }
    shown_ = true;
    last_shown_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    if (total_ == 0) {
        std::fprintf(stderr, "\rvantor: %zu %s, %.0f s", done, what_, seconds);
    } else {
        std::fprintf(stderr, "\rvantor: %zu of %zu %s, %s%s\033[K", done, total_, what_,
                     duration_text(seconds).c_str(), estimate(done, total_, seconds).c_str());
    }
    std::fflush(stderr);
}

}  // namespace vantor_cli
