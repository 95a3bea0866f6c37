#pragma once
// What every fuzz target shares: a private home for the process, a reader
// that takes small typed values from the front of an input, and a check that
// ends the run when a property fails, so that libFuzzer keeps the input and
// a replay fails.
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

// HOME, the XDG folders and TMPDIR point into a fresh temporary folder for
// the rest of the process; made at the first call, removed at exit.
const std::string& PrivateHome();

// Writes `bytes` to `path` (whole, replacing it); false when it cannot.
bool WriteFile(const std::string& path, const std::string& bytes);

// Takes values from the front of the input; once it is used up, every value
// is 0 or empty.
class Input {
public:
    Input(const uint8_t* data, size_t size) : m_Data(data), m_Size(size) {}

    size_t Left() const { return m_Size - m_Pos; }
    uint8_t Byte();
    // Up to `count` bytes.
    std::string Bytes(size_t count);
    // Everything not taken yet.
    std::string Rest();

private:
    const uint8_t* m_Data;
    size_t m_Size;
    size_t m_Pos = 0;
};

[[noreturn]] void Fail(const char* file, int line, const std::string& what);

}  // namespace fuzzsupport

#define FUZZ_CHECK(condition, what)                                        \
    do {                                                                   \
        if (!(condition)) ::fuzzsupport::Fail(__FILE__, __LINE__, (what)); \
    } while (0)
