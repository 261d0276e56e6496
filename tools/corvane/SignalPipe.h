// SIGINT and SIGTERM as readable bytes on a pipe (the self-pipe pattern), so that a
// command waiting in poll() ends cleanly on Ctrl-C or a kill. The handler only writes
// the signal number to the pipe (async-signal-safe). While a SignalPipe exists SIGPIPE
// is ignored, so that a closed reader shows up as a failed write instead of ending the
// process. The previous dispositions come back when it is destroyed. One at a time.
#ifndef CORVANE_TOOL_SIGNAL_PIPE_H
#define CORVANE_TOOL_SIGNAL_PIPE_H

#include <signal.h>

namespace corvane_tool {

class SignalPipe {
public:
    SignalPipe();
    ~SignalPipe();
    SignalPipe(const SignalPipe&) = delete;
    SignalPipe& operator=(const SignalPipe&) = delete;

    // Readable once a signal arrived.
    int fd() const { return readFd_; }
    // Reads what arrived; returns the last signal number, or 0 when none.
    int take();

private:
    int readFd_ = -1;
    int writeFd_ = -1;
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
    struct sigaction oldPipe_ {};
};

}  // namespace corvane_tool

#endif
