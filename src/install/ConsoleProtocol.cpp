#include "install/ConsoleProtocol.h"

#include <cwchar>

#include "platform/CLocale.h"
#include "utils/PipeProcess.h"
#include "utils/Text.h"

namespace ConsoleProtocol {
namespace {

// While the child runs, how long a read waits before we look whether the
// child itself has ended.
constexpr int kEndCheckMs = 200;

}  // namespace

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
    // Append checks the length before the whole lines of its read are
    // taken, so an overlong last line can still be here.
    if (m_Buffer.size() - m_Pos > m_MaxLineBytes) {
        m_Buffer.clear();
        m_Pos = 0;
        ++m_Dropped;
        return false;
    }
    line.assign(m_Buffer, m_Pos, std::string::npos);
    m_Buffer.clear();
    m_Pos = 0;
    return true;
}

int ParseText(const std::wstring& text, const std::function<int(const Line&, int)>& parseLine) {
    int result = 0;
    for (size_t start = 0; start <= text.size();) {
        size_t lf = text.find(L'\n', start);
        Line line;
        line.endedWithLf = lf != std::wstring::npos;
        line.text = text.substr(start, line.endedWithLf ? lf - start : std::wstring::npos);
        if (!line.text.empty()) result = parseLine(line, result);
        if (!line.endedWithLf) break;
        start = lf + 1;
    }
    return result;
}

int ReadChildLines(Utils::PipeProcess& child, const int& codePage,
                   const std::function<void(const Line&)>& onLine,
                   const std::function<bool()>& done) {
    LineAssembler lines;
    auto handle = [&](const std::string& bytes, bool endedWithLf) {
        Line line{Utils::MultiByteToWide(bytes, codePage), endedWithLf};
        if (!line.text.empty()) onLine(line);
    };
    bool childEnded = false;
    while (!done()) {
        std::string chunk;
        auto r = child.ReadOutput(chunk, childEnded ? 0 : kEndCheckMs);
        if (r == Utils::PipeProcess::ReadResult::End) break;
        if (r == Utils::PipeProcess::ReadResult::Timeout) {
            // Once the child has gone and its output is read, a program it
            // left running must not hold us.
            if (childEnded) break;
            childEnded = child.HasEnded();
            continue;
        }
        lines.Append(chunk);
        // Every whole line that came with the read is handled, also after
        // one that makes `done()` true.
        for (std::string bytes; lines.NextLine(bytes);) handle(bytes, true);
    }
    if (!done()) {
        std::string rest;
        if (lines.TakeRest(rest)) handle(rest, false);
    }
    return lines.DroppedLines();
}

std::wstring TextValue(const Value& value) {
    std::wstring v(value.text);
    if (value.endedWithLf && !v.empty() && v.back() == L'\r') v.pop_back();
    return v;
}

std::wstring KeywordValue(const Value& value) { return Utils::Trim(std::wstring(value.text)); }

double RealValue(const Value& value) {
    // Packages write a decimal point whatever the user's locale: the number
    // is read in the C locale. Only ASCII can belong to it.
    std::string text;
    for (wchar_t c : value.text) {
        if (c <= 0 || c > 0x7F) break;
        text.push_back(static_cast<char>(c));
    }
    char* end = nullptr;
    const double v = Platform::StringToDoubleC(text.c_str(), &end);
    return end == text.c_str() ? 0.0 : v;
}

int32_t IntValue(const Value& value) {
    const std::wstring text(value.text);
    const wchar_t* start = text.c_str();
    wchar_t* end = nullptr;
    long long v = std::wcstoll(start, &end, 10);
    if (end == start) return 0;
    // The low 32 bits, as a scan into a 32-bit integer keeps them.
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long long>(v)));
}

int Dispatch(const Line& line, const KeyTable& keys, int result) {
    const std::wstring_view text(line.text);
    for (const Key& k : keys) {
        const std::wstring_view key(k.key);
        if (text.substr(0, key.size()) == key)
            return k.handle(Value{text.substr(key.size()), line.endedWithLf}, result);
    }
    return result;
}

}  // namespace ConsoleProtocol
