#include "front/vantor/progress.h"

#include <unistd.h>

#include <cstdio>

namespace vantor_cli {

namespace {

constexpr std::chrono::seconds kQuietTime{1};
constexpr std::chrono::milliseconds kRefresh{200};

}  // namespace

Progress::Progress(std::size_t total, bool enabled)
    : total_(total),
      enabled_(enabled && isatty(STDERR_FILENO) != 0),
      start_(Clock::now()),
      last_shown_(start_) {}

Progress::~Progress() {
    if (shown_) {
        // Erase the line, so the answer's table starts on a clean terminal.
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
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
        std::fprintf(stderr, "\rvantor: %zu answered, %.0f s", done, seconds);
    } else {
        std::fprintf(stderr, "\rvantor: %zu of %zu answered, %.0f s", done, total_, seconds);
    }
    std::fflush(stderr);
}

}  // namespace vantor_cli
