#include "SignalPipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace corvane_tool {

namespace {

// The write end the handler uses; -1 while no SignalPipe exists.
volatile sig_atomic_t gWriteFd = -1;

extern "C" void onSignal(int number) {
    const int saved = errno;
    const int fd = gWriteFd;
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(number);
        // Non-blocking: with the pipe full the signal is already known.
        [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
    }
    errno = saved;
}

}  // namespace

SignalPipe::SignalPipe() {
    if (gWriteFd != -1) throw std::logic_error("only one SignalPipe may exist at a time");
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error(std::string("cannot create the signal pipe: ") + std::strerror(errno));
    }
    readFd_ = fds[0];
    writeFd_ = fds[1];
    gWriteFd = writeFd_;

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: poll() returns EINTR and looks at the pipe
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &oldPipe_);
}

SignalPipe::~SignalPipe() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
    sigaction(SIGPIPE, &oldPipe_, nullptr);
    gWriteFd = -1;
    close(readFd_);
    close(writeFd_);
}

int SignalPipe::take() {
    int last = 0;
    unsigned char bytes[16];
    ssize_t got = 0;
    while ((got = read(readFd_, bytes, sizeof bytes)) > 0) last = bytes[got - 1];
    return last;
}

}  // namespace corvane_tool
