// corvane-modbus: the boards that libCorvane finds, served to Modbus TCP clients.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "BoardInterrupts.h"
#include "GatewayLog.h"
#include "GatewayOptions.h"
#include "GatewayServer.h"
#include "RequestHandler.h"
#include "ServedBoard.h"

using namespace corvane_modbus;

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// A start-up failure: one line in the log, and on standard error too when the log is a
// file (whoever started the program sees why it ended).
int startFailed(const GatewayOptions& options, GatewayLog& log, const std::string& error) {
    log.write(error);
    if (!options.logFile.empty()) std::cerr << "corvane-modbus: " << error << "\n";
    return kExitFailure;
}

std::string unitList(const std::vector<ServedBoard>& served) {
    std::string text;
    for (const ServedBoard& board : served) {
        text += (text.empty() ? "" : ", ") + std::to_string(board.unit) + "=" + board.id;
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    // Before any thread exists (the library's interrupt threads inherit the mask), so
    // that SIGINT and SIGTERM reach the server loop through its signal descriptor only.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    const OptionsResult parsed = parseGatewayOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.ok) {
        std::cerr << "corvane-modbus: " << parsed.error << "\nTry 'corvane-modbus --help'.\n";
        return kExitUsage;
    }
    const GatewayOptions& options = parsed.options;
    if (options.help) {
        std::cout << gatewayUsage();
        return 0;
    }
    GatewayLog log;
    std::string error;
    if (!options.logFile.empty() && !log.openFile(options.logFile, error)) {
        std::cerr << "corvane-modbus: " << error << "\n";
        return kExitFailure;
    }

    std::vector<ServedBoard> served;
    if (!serveBoards(options, served, error)) return startFailed(options, log, error);
    if (options.printMap) {
        for (const ServedBoard& board : served) {
            std::cout << "## Unit " << board.unit << ": " << board.id << " (" << board.product << ")\n\n"
                      << board.map.markdown() << "\n";
        }
        return 0;
    }

    RequestHandler handler(served, options.allowWrite);
    GatewayServer server(options, handler, log);
    if (!server.listen(error)) return startFailed(options, log, error);
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (signalFd < 0) return startFailed(options, log, "cannot create the signal descriptor");
    if (options.interrupts && !enableBoardInterrupts(served, log, error)) {
        return startFailed(options, log, error);
    }
    log.write("listening on " + server.address() + "; units " + unitList(served) + "; writes " +
              (options.allowWrite ? "allowed" : "refused") + "; at most " +
              std::to_string(options.maxClients) + " clients");
    const int stoppedBy = server.run(signalFd);
    disableBoardInterrupts(served, log);
    log.write("stopped");
    close(signalFd);
    return stoppedBy < 0 ? kExitFailure : 0;
}
