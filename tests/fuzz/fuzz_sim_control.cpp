// The simulator's text protocols: a control line, a request of the server socket and a
// script, each parsed from the same input. The parsers are all or nothing; what they
// accept must keep the limits the server relies on.
#include <string>
#include <vector>

#include "ControlCommand.h"
#include "FuzzInput.h"
#include "ProtocolRequest.h"
#include "ScriptParser.h"
#include "SimCommandTable.h"

using namespace corvane_sim;

namespace {

void checkCommand(const ControlCommand& command) {
    FUZZ_CHECK(command.first < command.words.size());
    FUZZ_CHECK(!command.name().empty());
    FUZZ_CHECK(command.args.size() <= kMaxInterruptArgs);
    switch (command.verb) {
    case ControlVerb::SetInput:
        FUZZ_CHECK(command.channel <= kMaxChannel && command.value <= 1);
        break;
    case ControlVerb::SetPort:
        FUZZ_CHECK(command.port <= kMaxPort && command.value <= 0xFF);
        break;
    case ControlVerb::Fail:
        FUZZ_CHECK(command.error >= 0 && command.error <= kMaxErrno);
        FUZZ_CHECK(command.times == -1 || command.times >= 1);
        break;
    default:
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string line = text.substr(0, text.find('\n'));

    ControlCommand command;
    ParseError error;
    if (parseControlLine(line, command, error)) {
        checkCommand(command);
    } else {
        FUZZ_CHECK(!error.text().empty());
    }

    const std::vector<Word> words = splitWords(line);
    for (const Word& word : words) FUZZ_CHECK(word.column >= 1 && word.column <= line.size());
    if (isProtocolRequest(words)) {
        ProtocolRequest request;
        ParseError requestError;
        if (parseProtocolRequest(words, request, requestError)) {
            if (request.verb == RequestVerb::Ioctl && request.hasRecord) {
                FUZZ_CHECK(request.record.size() == recordSize(request.command));
            }
        } else {
            FUZZ_CHECK(!requestError.text().empty());
        }
    }

    std::vector<ScriptStep> steps;
    ScriptError scriptError;
    if (parseScript(text, steps, scriptError)) {
        FUZZ_CHECK(steps.size() <= kMaxScriptSteps);
        for (const ScriptStep& step : steps) {
            checkCommand(step.command);
            FUZZ_CHECK(step.line >= 1);
            FUZZ_CHECK(step.periodNs == 0 || step.periodNs >= kMinScriptPeriodNs);
        }
    } else {
        FUZZ_CHECK(scriptError.text("script").find("script:") == 0);
    }
    return 0;
}
