// Frames cut from a byte stream by the header's length field, and the decoding and
// structural checks of each request, at every limit and one past it.
#include <gtest/gtest.h>

#include "FrameAssembler.h"
#include "ModbusRequest.h"

using namespace corvane_modbus;

namespace {

using Bytes = std::vector<uint8_t>;

// A frame with transaction 0x1234, protocol 0, unit 1 and the given PDU.
Bytes frame(const Bytes& pdu, uint8_t unit = 1) {
    Bytes f = {0x12, 0x34, 0x00, 0x00, static_cast<uint8_t>((pdu.size() + 1) >> 8),
               static_cast<uint8_t>(pdu.size() + 1), unit};
    f.insert(f.end(), pdu.begin(), pdu.end());
    return f;
}

TEST(ModbusFraming, FramesArriveWhateverTheReadsCutThem) {
    const Bytes a = frame({0x03, 0x00, 0x0A, 0x00, 0x02});
    const Bytes b = frame({0x05, 0x00, 0x1F, 0xFF, 0x00}, 7);
    Bytes stream = a;
    stream.insert(stream.end(), b.begin(), b.end());
    // One byte per read, then everything in one read.
    for (size_t chunk : {size_t{1}, stream.size()}) {
        FrameAssembler frames;
        std::vector<Bytes> got;
        Bytes f;
        std::string reason;
        for (size_t at = 0; at < stream.size(); at += chunk) {
            frames.append(stream.data() + at, std::min(chunk, stream.size() - at));
            FrameStatus status;
            while ((status = frames.next(f, reason)) == FrameStatus::Complete) got.push_back(f);
            ASSERT_EQ(FrameStatus::Incomplete, status) << reason;
        }
        ASSERT_EQ(2u, got.size());
        EXPECT_EQ(a, got[0]);
        EXPECT_EQ(b, got[1]);
        EXPECT_EQ(0u, frames.pending());
    }
}

TEST(ModbusFraming, HeadersThatCannotBeFramedEndTheStream) {
    struct Case {
        Bytes bytes;
        FrameStatus status;
        const char* reason;
    };
    const Case cases[] = {
        {{'G', 'E', 'T', ' ', '/', ' ', 'H', 'T'}, FrameStatus::Malformed, "protocol identifier 0x5420 is not Modbus (0)"},
        {{0, 1, 0, 1, 0, 6, 1}, FrameStatus::Malformed, "protocol identifier 0x0001 is not Modbus (0)"},
        {{0, 1, 0, 0, 0, 1, 1}, FrameStatus::Malformed, "length field 1 is outside 2 to 254"},
        {{0, 1, 0, 0, 0, 255, 1}, FrameStatus::Malformed, "length field 255 is outside 2 to 254"},
        {{0, 1, 0, 0, 0xFF, 0xFF, 1}, FrameStatus::Malformed, "length field 65535 is outside 2 to 254"},
        {{0, 1, 0, 0, 0, 254, 1}, FrameStatus::Incomplete, ""},  // the longest frame: waits for 253 bytes
        {{0, 1, 0, 0, 0, 6, 1, 3, 0}, FrameStatus::Incomplete, ""},  // truncated
        {{0, 1, 0, 0, 0}, FrameStatus::Incomplete, ""},               // not even a header
    };
    for (const Case& c : cases) {
        FrameAssembler frames;
        frames.append(c.bytes.data(), c.bytes.size());
        Bytes f;
        std::string reason;
        EXPECT_EQ(c.status, frames.next(f, reason));
        EXPECT_EQ(c.reason, reason);
    }
    // The longest frame completes once its 253 bytes are there; a malformed stream stays so.
    FrameAssembler frames;
    Bytes longest = {0, 1, 0, 0, 0, 254, 1};
    longest.resize(260, 0x10);
    frames.append(longest.data(), longest.size());
    Bytes f;
    std::string reason;
    EXPECT_EQ(FrameStatus::Complete, frames.next(f, reason));
    EXPECT_EQ(longest, f);
    const Bytes garbage = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    frames.append(garbage.data(), garbage.size());
    EXPECT_EQ(FrameStatus::Malformed, frames.next(f, reason));
    const Bytes good = frame({0x01, 0, 0, 0, 1});
    frames.append(good.data(), good.size());
    EXPECT_EQ(FrameStatus::Malformed, frames.next(f, reason));
}

struct Decoding {
    Bytes pdu;
    uint8_t exception;
    const char* reason;
};

TEST(ModbusFraming, RequestsAreCheckedAtEveryLimit) {
    const Decoding cases[] = {
        // Read quantities: 1 to 2000 bits, 1 to 125 registers.
        {{0x01, 0x00, 0x00, 0x07, 0xD0}, kNoException, ""},
        {{0x02, 0x00, 0x00, 0x07, 0xD1}, kIllegalDataValue, "quantity 2001 is outside 1 to 2000"},
        {{0x02, 0x00, 0x00, 0x00, 0x00}, kIllegalDataValue, "quantity 0 is outside 1 to 2000"},
        {{0x04, 0x00, 0x00, 0x00, 0x7D}, kNoException, ""},
        {{0x03, 0x00, 0x00, 0x00, 0x7E}, kIllegalDataValue, "quantity 126 is outside 1 to 125"},
        // The range ends at address 65535.
        {{0x04, 0xFF, 0xFF, 0x00, 0x01}, kNoException, ""},
        {{0x04, 0xFF, 0xFF, 0x00, 0x02}, kIllegalDataAddress, "addresses 65535 to 65536 pass 65535"},
        {{0x01, 0xFF, 0xF0, 0x00, 0x11}, kIllegalDataAddress, "addresses 65520 to 65536 pass 65535"},
        // Length fields that do not match the function.
        {{0x03, 0x00, 0x00, 0x00}, kIllegalDataValue, "request of function 3 is 4 bytes long, expected 5"},
        {{0x03, 0x00, 0x00, 0x00, 0x01, 0x00}, kIllegalDataValue, "request of function 3 is 6 bytes long, expected 5"},
        {{0x05, 0x00, 0x00, 0xFF}, kIllegalDataValue, "request of function 5 is 4 bytes long, expected 5"},
        {{0x10, 0x00, 0x00, 0x00, 0x01}, kIllegalDataValue, "request of function 16 is 5 bytes long, expected 6"},
        {{0x10, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00}, kIllegalDataValue, "request of function 16 is 7 bytes long, expected 8"},
        // Coil values.
        {{0x05, 0x00, 0x00, 0xFF, 0x00}, kNoException, ""},
        {{0x05, 0x00, 0x00, 0x00, 0x00}, kNoException, ""},
        {{0x05, 0x00, 0x00, 0x00, 0x01}, kIllegalDataValue, "coil value must be 0xff00 or 0x0000"},
        // Write quantities: 1 to 1968 coils, 1 to 123 registers; byte counts match them.
        {{0x0F, 0x00, 0x00, 0x07, 0xB1, 0xF7}, kIllegalDataValue, "quantity 1969 is outside 1 to 1968"},
        {{0x0F, 0x00, 0x00, 0x00, 0x09, 0x01, 0xFF}, kIllegalDataValue, "byte count 1 does not match quantity 9 (expected 2)"},
        {{0x10, 0x00, 0x00, 0x00, 0x7C, 0xF8}, kIllegalDataValue, "quantity 124 is outside 1 to 123"},
        {{0x10, 0x00, 0x00, 0x00, 0x02, 0x02, 0x00, 0x01}, kIllegalDataValue, "byte count 2 does not match quantity 2 (expected 4)"},
        // Functions not served.
        {{0x07}, kIllegalFunction, "function 7 is not served"},
        {{0x17, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00, 0x00}, kIllegalFunction, "function 23 is not served"},
        {{0x2B, 0x0E, 0x01, 0x00}, kIllegalFunction, "function 43 is not served"},
        {{0x81}, kIllegalFunction, "function 129 is not served"},
    };
    for (const Decoding& c : cases) {
        const DecodedRequest d = decodeRequest(frame(c.pdu));
        EXPECT_EQ(c.exception, d.exception) << c.reason;
        EXPECT_EQ(c.reason, d.reason);
        EXPECT_EQ(c.pdu[0], d.request.function);
    }
}

TEST(ModbusFraming, WritesCarryTheirValuesInAddressOrder) {
    // 10 coils from 30: bytes 0b10000001 0b10 -> coils 30, 37, 39 on.
    DecodedRequest coils = decodeRequest(frame({0x0F, 0x00, 0x1E, 0x00, 0x0A, 0x02, 0x81, 0x02}, 9));
    ASSERT_EQ(kNoException, coils.exception) << coils.reason;
    EXPECT_TRUE(coils.request.write);
    EXPECT_EQ(9, coils.request.unit);
    EXPECT_EQ(Table::Coils, coils.request.table);
    EXPECT_EQ(30, coils.request.address);
    EXPECT_EQ((std::vector<uint16_t>{1, 0, 0, 0, 0, 0, 0, 1, 0, 1}), coils.request.values);
    DecodedRequest registers = decodeRequest(frame({0x10, 0x00, 0x0A, 0x00, 0x02, 0x04, 0x80, 0x01, 0x00, 0xFF}));
    ASSERT_EQ(kNoException, registers.exception) << registers.reason;
    EXPECT_EQ(Table::HoldingRegisters, registers.request.table);
    EXPECT_EQ((std::vector<uint16_t>{0x8001, 0x00FF}), registers.request.values);
    DecodedRequest single = decodeRequest(frame({0x06, 0xFF, 0xFF, 0xFF, 0xFF}));
    ASSERT_EQ(kNoException, single.exception);
    EXPECT_EQ(65535, single.request.address);
    EXPECT_EQ((std::vector<uint16_t>{0xFFFF}), single.request.values);
    // Tables of the read functions.
    const Table tables[] = {Table::Coils, Table::DiscreteInputs, Table::HoldingRegisters, Table::InputRegisters};
    for (uint8_t function = 1; function <= 4; ++function) {
        const DecodedRequest read = decodeRequest(frame({function, 0x00, 0x01, 0x00, 0x02}));
        EXPECT_EQ(tables[function - 1], read.request.table);
        EXPECT_FALSE(read.request.write);
        EXPECT_EQ(1, read.request.address);
        EXPECT_EQ(2, read.request.count);
    }
}

}  // namespace
