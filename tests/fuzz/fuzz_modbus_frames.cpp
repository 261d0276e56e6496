// The Modbus gateway's framing and request decoding. The input is a client's byte
// stream; it is framed twice, once whole and once in pieces of the sizes its first
// bytes give (as non-blocking reads deliver it): both must cut the same frames and end
// the same way. Every frame is decoded; an accepted request must stay within the
// address space and carry one value per address written.
#include <string>
#include <vector>

#include "FrameAssembler.h"
#include "FuzzInput.h"
#include "ModbusRequest.h"

using namespace corvane_modbus;

namespace {

struct Framed {
    std::vector<std::vector<uint8_t>> frames;
    FrameStatus last = FrameStatus::Incomplete;
    std::string reason;
};

// Takes every frame complete so far into out.
void drain(FrameAssembler& assembler, Framed& out) {
    std::vector<uint8_t> frame;
    for (;;) {
        out.last = assembler.next(frame, out.reason);
        if (out.last != FrameStatus::Complete) return;
        out.frames.push_back(frame);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    std::vector<size_t> pieces(4);
    for (size_t& piece : pieces) piece = 1 + in.byte() % 64;
    const std::string stream = in.rest();
    const auto* bytes = reinterpret_cast<const uint8_t*>(stream.data());

    Framed whole;
    FrameAssembler wholeAssembler;
    wholeAssembler.append(bytes, stream.size());
    drain(wholeAssembler, whole);

    Framed cut;
    FrameAssembler cutAssembler;
    for (size_t at = 0, i = 0; at < stream.size(); ++i) {
        const size_t n = std::min(pieces[i % pieces.size()], stream.size() - at);
        cutAssembler.append(bytes + at, n);
        at += n;
        drain(cutAssembler, cut);
        if (cut.last == FrameStatus::Malformed) break;
    }
    if (stream.empty()) drain(cutAssembler, cut);
    FUZZ_CHECK(whole.frames == cut.frames);
    FUZZ_CHECK(whole.last == cut.last && whole.reason == cut.reason);

    for (const std::vector<uint8_t>& frame : whole.frames) {
        FUZZ_CHECK(frame.size() >= kHeaderLength + 1 && frame.size() <= kMaxFrameLength);
        const DecodedRequest decoded = decodeRequest(frame);
        if (decoded.exception != kNoException) {
            FUZZ_CHECK(!decoded.reason.empty());
            continue;
        }
        const ModbusRequest& request = decoded.request;
        FUZZ_CHECK(request.count >= 1);
        FUZZ_CHECK(static_cast<uint32_t>(request.address) + request.count <= 0x10000u);
        if (request.write) FUZZ_CHECK(request.values.size() == request.count);
        FUZZ_CHECK(!request.describe().empty());
    }
    return 0;
}
