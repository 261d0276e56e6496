// Cuts a client's byte stream into Modbus TCP frames by the length field of their
// header, without ever waiting for bytes: the server appends what a non-blocking read
// returned and takes the frames that are complete. A frame that cannot be framed
// (protocol identifier not 0, length field outside 2 to 254) ends the connection, since
// nothing after it can be trusted.
#ifndef CORVANE_MODBUS_FRAME_ASSEMBLER_H
#define CORVANE_MODBUS_FRAME_ASSEMBLER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane_modbus {

// Header: transaction (2), protocol (2), length (2: the unit byte and the PDU), unit (1).
constexpr size_t kHeaderLength = 7;
constexpr size_t kMaxFrameLength = 260;  // header and the longest PDU (253 bytes)

enum class FrameStatus { Incomplete, Complete, Malformed };

class FrameAssembler {
public:
    void append(const uint8_t* data, size_t length);

    // Complete: the next frame (header included) is moved into frame. Malformed: reason
    // says why; the assembler stays malformed. Incomplete: wait for more bytes.
    FrameStatus next(std::vector<uint8_t>& frame, std::string& reason);

    // Bytes of a frame not complete yet.
    size_t pending() const { return buffer.size() - start; }

private:
    std::vector<uint8_t> buffer;
    size_t start = 0;
    std::string malformed;
};

}  // namespace corvane_modbus

#endif
