#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "support/TempHome.h"

namespace fuzzsupport {

const std::string& PrivateHome() {
    static const std::unique_ptr<testsupport::TempHome> home =
        std::make_unique<testsupport::TempHome>();
    return home->Root();
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << bytes;
    f.flush();
    return static_cast<bool>(f);
}

uint8_t Input::Byte() { return m_Pos < m_Size ? m_Data[m_Pos++] : 0; }

std::string Input::Bytes(size_t count) {
    const size_t n = count < Left() ? count : Left();
    std::string out(reinterpret_cast<const char*>(m_Data + m_Pos), n);
    m_Pos += n;
    return out;
}

std::string Input::Rest() { return Bytes(Left()); }

void Fail(const char* file, int line, const std::string& what) {
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace fuzzsupport
