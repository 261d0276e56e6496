// Runs a helper program as a child process with its standard input fed through a pipe
// and collects its exit status, standard output and standard error. A child that has
// not ended within the time limit is killed, so that a helper that keeps asking can
// never hang a test.
#ifndef CORVANE_UTILS_PROCESS_H
#define CORVANE_UTILS_PROCESS_H

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace utils_test {

struct Outcome {
    int status = -1;        // exit status, or -1 when the child did not exit normally
    bool timedOut = false;  // killed after the time limit
    std::string out;
    std::string err;
};

struct RunOptions {
    std::string input;                                  // written to the child's stdin
    bool closeInput = true;                             // false: keep the pipe open
    std::vector<std::pair<std::string, std::string>> env;  // set in the child only
    int timeoutMs = 10000;
};

inline long long nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

inline Outcome runChild(const std::string& program, const std::vector<std::string>& args,
                        const RunOptions& options = RunOptions()) {
    Outcome outcome;
    int inPipe[2];
    int outPipe[2];
    int errPipe[2];
    if (pipe(inPipe) != 0 || pipe(outPipe) != 0 || pipe(errPipe) != 0) {
        return outcome;
    }
    std::vector<std::string> copies{program};
    copies.insert(copies.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : copies) argv.push_back(&arg[0]);
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child == 0) {
        for (const auto& kv : options.env) setenv(kv.first.c_str(), kv.second.c_str(), 1);
        dup2(inPipe[0], STDIN_FILENO);
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    if (child < 0) {
        close(inPipe[1]);
        close(outPipe[0]);
        close(errPipe[0]);
        return outcome;
    }
    // The inputs of these tests are far below a pipe's capacity.
    signal(SIGPIPE, SIG_IGN);
    std::size_t written = 0;
    while (written < options.input.size()) {
        const ssize_t n = write(inPipe[1], options.input.data() + written, options.input.size() - written);
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    int inFd = inPipe[1];
    if (options.closeInput) {
        close(inFd);
        inFd = -1;
    }

    const long long deadline = nowMs() + options.timeoutMs;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&outcome.out, &outcome.err};
    int open = 2;
    while (open > 0) {
        const long long left = deadline - nowMs();
        if (left <= 0 || poll(fds, 2, static_cast<int>(left)) == 0) {
            outcome.timedOut = true;
            kill(child, SIGKILL);
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char chunk[4096];
            const ssize_t got = read(fds[i].fd, chunk, sizeof chunk);
            if (got > 0) {
                sinks[i]->append(chunk, static_cast<std::size_t>(got));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& fd : fds) {
        if (fd.fd >= 0) close(fd.fd);
    }
    int status = 0;
    if (waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        outcome.status = WEXITSTATUS(status);
    }
    if (inFd >= 0) close(inFd);
    return outcome;
}

}  // namespace utils_test

#endif
