// Runs a program as a separate process, as a user would, and collects its
// standard output, standard error and exit status.
#ifndef VANTOR_TESTS_RUN_PROGRAM_H
#define VANTOR_TESTS_RUN_PROGRAM_H

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ProgramResult {
    std::string out;
    std::string err;
    int exit_status = -1;  // -1 if the program did not exit normally
    int signal = 0;        // the signal that ended it, or 0
    bool timed_out = false;
};

// How a program is run beyond its words.
struct ProgramOptions {
    std::string stdin_path = "/dev/null";  // the file on its standard input
    // Standard output is closed once this many bytes are read, as `| head`
    // closes it; 0 reads it all.
    std::size_t stop_reading_after = 0;
    // When not empty, standard output goes to this file instead (and `out`
    // stays empty).
    std::string stdout_path;
    int timeout_seconds = 120;  // then the program is killed
};

namespace run_program_detail {

inline std::int64_t milliseconds_now() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace run_program_detail

// Runs `path` with the given words after the program name (the words are
// passed verbatim: no shell is involved).
inline ProgramResult run_program(const std::string &path, const std::vector<std::string> &words,
                                 const ProgramOptions &options = ProgramOptions()) {
    int out_pipe[2];
    int err_pipe[2];
    if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) {
        return {};
    }
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(path.c_str()));
    for (const std::string &word : words) {
        argv.push_back(const_cast<char *>(word.c_str()));
    }
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        const int input = open(options.stdin_path.c_str(), O_RDONLY);
        dup2(input, STDIN_FILENO);
        if (options.stdout_path.empty()) {
            dup2(out_pipe[1], STDOUT_FILENO);
        } else {
            dup2(open(options.stdout_path.c_str(), O_WRONLY), STDOUT_FILENO);
        }
        dup2(err_pipe[1], STDERR_FILENO);
        close(out_pipe[0]);
        close(err_pipe[0]);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);

    ProgramResult result;
    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    std::string *sinks[2] = {&result.out, &result.err};
    int open_streams = 2;
    const std::int64_t deadline =
        run_program_detail::milliseconds_now() + 1000LL * options.timeout_seconds;
    while (open_streams > 0) {
        const std::int64_t left = deadline - run_program_detail::milliseconds_now();
        if (left <= 0 || poll(fds, 2, static_cast<int>(left)) <= 0) {
            result.timed_out = true;
            kill(pid, SIGKILL);
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            char buffer[65536];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(got));
            }
            const bool enough = i == 0 && options.stop_reading_after > 0 &&
                                result.out.size() >= options.stop_reading_after;
            if (got <= 0 || enough) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_streams;
            }
        }
    }
    for (const pollfd &fd : fds) {
        if (fd.fd >= 0) {
            close(fd.fd);
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) {
        result.exit_status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

// The lines of a program's output, without their ends.
inline std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

#endif
