// Reads a fuzzer's input as a sequence of small decisions and texts. Past the end every
// read gives zero or an empty text, so a target never reads outside the input.
#ifndef CORVANE_FUZZ_INPUT_H
#define CORVANE_FUZZ_INPUT_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// A broken expectation ends the run the way a sanitizer does, so the fuzzer keeps the
// input.
#define FUZZ_CHECK(condition)                                                            \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                \
        }                                                                                \
    } while (0)

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data(data), size(size) {}

    bool empty() const { return position >= size; }
    uint8_t byte() { return empty() ? 0 : data[position++]; }
    uint32_t word() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = (value << 8) | byte();
        return value;
    }
    // A text of up to max bytes: its length is the next byte (modulo max + 1).
    std::string text(size_t max) {
        const size_t length = byte() % (max + 1);
        return take(length);
    }
    // The same without zero bytes (for C strings).
    std::string cText(size_t max) {
        std::string value = text(max);
        value.erase(std::remove(value.begin(), value.end(), '\0'), value.end());
        return value;
    }
    std::string take(size_t length) {
        const size_t available = size - std::min(position, size);
        const size_t n = std::min(length, available);
        std::string value(reinterpret_cast<const char*>(data) + std::min(position, size), n);
        position += n;
        return value;
    }
    // Fills a record with the next bytes (zero beyond the input).
    void fill(void* record, size_t length) {
        const std::string bytes = take(length);
        std::memset(record, 0, length);
        std::memcpy(record, bytes.data(), bytes.size());
    }
    std::string rest() { return take(size); }

private:
    const uint8_t* data;
    size_t size;
    size_t position = 0;
};

#endif
