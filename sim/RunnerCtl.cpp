// The ctl mode of the runner.
#include "RunnerCtl.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "ControlCommand.h"
#include "ControlConnection.h"
#include "SocketPath.h"

namespace corvane_sim {
namespace {

constexpr int kReplyTimeoutMs = 30000;

int usage(const std::string& problem) {
    if (!problem.empty()) std::fprintf(stderr, "corvane-sim ctl: %s\n", problem.c_str());
    std::fprintf(problem.empty() ? stdout : stderr,
                 "usage: corvane-sim ctl [--socket PATH] [--json] COMMAND [ARGS...]\n"
                 "commands: boards | state BOARD | set-inputs BOARD HEX | set-input BOARD CHANNEL 0|1\n"
                 "  set-port BOARD PORT HEX | interrupt BOARD SOURCE MASK [ARG...]\n"
                 "  fail BOARD|* COMMAND|* ERRNO [TIMES|always] | clear-failures | advance DURATION\n"
                 "  clock [real|virtual] | trace [--follow] | stop\n");
    return problem.empty() ? 0 : 2;
}

// A data line as the user sees it: text trace entries without their "trace " tag.
void printData(const std::string& line, bool json) {
    const bool tagged = !json && line.compare(0, 6, "trace ") == 0;
    std::printf("%s\n", tagged ? line.c_str() + 6 : line.c_str());
    std::fflush(stdout);
}

// The final line: ok replies on standard output, errors on standard error.
int printFinal(const std::string& line, bool json) {
    const bool ok = ControlConnection::isOk(line);
    if (json) {
        std::fprintf(ok ? stdout : stderr, "%s\n", line.c_str());
    } else if (ok) {
        std::printf("%s\n", line.size() > 3 ? line.c_str() + 3 : "ok");
    } else {
        std::fprintf(stderr, "error: %s\n", line.c_str() + 6);
    }
    std::fflush(stdout);
    return ok ? 0 : 1;
}

}  // namespace

int runCtl(int argc, char** argv) {
    std::string socketPath;
    bool json = false;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--socket") {
            if (i + 1 >= argc) return usage("--socket needs a value");
            socketPath = argv[++i];
        } else if (a.compare(0, 9, "--socket=") == 0) {
            socketPath = a.substr(9);
        } else if (a == "--json") {
            json = true;
        } else if (a == "-h" || a == "--help") {
            return usage("");
        } else if (a == "--") {
            ++i;
            break;
        } else {
            break;
        }
    }
    if (i >= argc) return usage("no command given");
    // --json may also come after the command (no command takes it as an argument).
    std::string line;
    for (int k = i; k < argc; ++k) {
        if (std::string(argv[k]) == "--json") {
            json = true;
            continue;
        }
        if (!line.empty()) line += ' ';
        line += argv[k];
    }
    if (line.empty()) return usage("no command given");
    ControlCommand cmd;
    ParseError parseError;
    if (!parseControlLine(line, cmd, parseError)) {
        // As the server words a refusal: a JSON document with --json.
        if (json) {
            const nlohmann::ordered_json refusal{{"ok", false},
                                                 {"command", parseError.command},
                                                 {"word", parseError.word},
                                                 {"column", parseError.column},
                                                 {"reason", parseError.reason},
                                                 {"error", parseError.text()}};
            std::fprintf(stderr, "%s\n",
                         refusal.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
        } else {
            std::fprintf(stderr, "error: %s\n", parseError.text().c_str());
        }
        return 2;
    }

    std::string error;
    if (socketPath.empty() && !defaultSocketPath(false, socketPath, error)) {
        std::fprintf(stderr, "corvane-sim ctl: %s\n", error.c_str());
        return 3;
    }
    ControlConnection connection;
    if (!connection.open(socketPath, error)) {
        std::fprintf(stderr, "corvane-sim ctl: %s (is \"corvane-sim serve\" running?)\n", error.c_str());
        return 3;
    }
    // A server that refuses the connection (it is full) says why in one line before it
    // closes; that line is the answer, even when a send failed because of the close.
    auto refusal = [&connection](std::string& said) {
        std::string ignored;
        return connection.readLine(said, 1000, ignored) && ControlConnection::isFinal(said) &&
               !ControlConnection::isOk(said);
    };
    std::vector<std::string> data;
    std::string final;
    if (json &&
        (!connection.command("format json", data, final, kReplyTimeoutMs, error) || !ControlConnection::isOk(final))) {
        if (final.empty() && refusal(final)) return printFinal(final, false);
        std::fprintf(stderr, "corvane-sim ctl: %s\n", error.empty() ? final.c_str() : error.c_str());
        return 3;
    }
    if (!connection.send(line, error)) {
        if (refusal(final)) return printFinal(final, false);
        std::fprintf(stderr, "corvane-sim ctl: %s\n", error.c_str());
        return 3;
    }
    // A followed trace has no end: its lines come until the server stops or ctl is ended.
    const bool follow = cmd.verb == ControlVerb::Trace && cmd.follow;
    int status = -1;
    for (;;) {
        std::string reply;
        if (!connection.readLine(reply, status == 0 && follow ? -1 : kReplyTimeoutMs, error)) {
            if (status >= 0) return status;  // a followed trace ends with the server
            std::fprintf(stderr, "corvane-sim ctl: %s\n", error.c_str());
            return 3;
        }
        if (status < 0 && ControlConnection::isFinal(reply)) {
            status = printFinal(reply, json);
            if (!follow || status != 0) return status;
            continue;
        }
        printData(reply, json);
    }
}

}  // namespace corvane_sim
