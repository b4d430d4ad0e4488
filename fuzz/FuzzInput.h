#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Splits one fuzzer input into fields: single bytes for choices, length-prefixed texts for short fields
// (so any byte, NUL and line breaks included, can reach them), and the rest for the main text.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, std::size_t size) : fData(data), fSize(size) {}

    uint8_t Byte() { return fPos < fSize ? fData[fPos++] : 0; }

    // One length byte, then that many bytes (fewer at the input's end).
    std::string Field() {
        std::size_t length = Byte();
        length = length < fSize - fPos ? length : fSize - fPos;
        std::string text(reinterpret_cast<const char*>(fData + fPos), length);
        fPos += length;
        return text;
    }

    std::string Rest() {
        std::string text(reinterpret_cast<const char*>(fData + fPos), fSize - fPos);
        fPos = fSize;
        return text;
    }

private:
    const uint8_t* fData;
    std::size_t fSize;
    std::size_t fPos = 0;
};

// A property the code promises was broken: report it and stop, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)
