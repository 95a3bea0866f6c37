#include "install/ConsoleProtocol.h"

#include <cwchar>

#include "utils/Text.h"

namespace Console {

void LineAssembler::Append(const std::string& bytes) {
    if (m_Pos > 0 && m_Pos >= m_Buffer.size() / 2) {
        m_Buffer.erase(0, m_Pos);
        m_Pos = 0;
    }
    size_t from = 0;
    if (m_Discarding) {
        size_t lf = bytes.find('\n');
        if (lf == std::string::npos) return;
        m_Discarding = false;
        from = lf + 1;
    }
    m_Buffer.append(bytes, from, std::string::npos);
    // An unfinished line beyond the limit is dropped now, not when its LF
    // finally comes.
    if (m_Buffer.find('\n', m_Pos) == std::string::npos &&
        m_Buffer.size() - m_Pos > m_MaxLineBytes) {
        m_Buffer.clear();
        m_Pos = 0;
        m_Discarding = true;
        ++m_Dropped;
    }
}

bool LineAssembler::NextLine(std::string& line) {
    while (true) {
        size_t lf = m_Buffer.find('\n', m_Pos);
        if (lf == std::string::npos) return false;
        const size_t length = lf - m_Pos;
        if (length > m_MaxLineBytes) {
            ++m_Dropped;
            m_Pos = lf + 1;
            continue;
        }
        line.assign(m_Buffer, m_Pos, length);
        m_Pos = lf + 1;
        return true;
    }
}

bool LineAssembler::TakeRest(std::string& line) {
    if (m_Discarding || m_Pos >= m_Buffer.size()) return false;
    line.assign(m_Buffer, m_Pos, std::string::npos);
    m_Buffer.clear();
    m_Pos = 0;
    return true;
}

std::wstring TextValue(const Line& line, size_t keyLength) {
    std::wstring v = line.text.size() > keyLength ? line.text.substr(keyLength) : std::wstring();
    if (line.endedWithLf && !v.empty() && v.back() == L'\r') v.pop_back();
    return v;
}

std::wstring KeywordValue(const Line& line, size_t keyLength) {
    return Utils::Trim(line.text.size() > keyLength ? line.text.substr(keyLength) : std::wstring());
}

double RealValue(const Line& line, size_t keyLength) {
    if (line.text.size() <= keyLength) return 0.0;
    const wchar_t* start = line.text.c_str() + keyLength;
    wchar_t* end = nullptr;
    double v = std::wcstod(start, &end);
    return end == start ? 0.0 : v;
}

int32_t IntValue(const Line& line, size_t keyLength) {
    if (line.text.size() <= keyLength) return 0;
    const wchar_t* start = line.text.c_str() + keyLength;
    wchar_t* end = nullptr;
    long long v = std::wcstoll(start, &end, 10);
    if (end == start) return 0;
    // The low 32 bits, as a scan into a 32-bit integer keeps them.
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long long>(v)));
}

}  // namespace Console
