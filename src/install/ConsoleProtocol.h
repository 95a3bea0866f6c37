#pragma once
// Reading the console protocol that packages and uninstallers write: lines of
// Key=Value on standard output, ended by LF.
//
// Output arrives in reads of any size, so the bytes of an unfinished line are
// kept until its LF (or the end of the output) and each whole line is decoded
// on its own, with the code page in force when it is reached. A line cut by a
// read boundary, or a character cut in two, therefore reads as written.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Utils {
class PipeProcess;
}

namespace ConsoleProtocol {

// Joins output chunks into whole lines.
class LineAssembler {
public:
    // Lines longer than `maxLineBytes` are dropped whole (up to their LF), so
    // a flood without line ends cannot use up memory.
    explicit LineAssembler(size_t maxLineBytes = 1 << 20) : m_MaxLineBytes(maxLineBytes) {}

    void Append(const std::string& bytes);
    // The next whole line without its LF; false when none is complete.
    bool NextLine(std::string& line);
    // At the end of the output: the unfinished last line, if it has bytes.
    bool TakeRest(std::string& line);
    // Lines dropped for their length so far.
    int DroppedLines() const { return m_Dropped; }

private:
    std::string m_Buffer;
    size_t m_Pos = 0;
    size_t m_MaxLineBytes;
    bool m_Discarding = false;
    int m_Dropped = 0;
};

// One decoded line of the protocol.
struct Line {
    std::wstring text;  // without its LF
    bool endedWithLf = true;
};

// Splits `text` at LF (text after the last LF is a line too) and hands each
// non-empty line to `parseLine` with the result so far; returns the last one.
int ParseText(const std::wstring& text, const std::function<int(const Line&, int)>& parseLine);

// Reads `child`'s standard output until the pipe ends, or until the child has
// ended and the pipe holds nothing more (a program it left running may keep
// the pipe open), or until `done()` is true after a read. Each whole line is
// decoded with the code page `codePage` holds when the line is reached and
// handed to `onLine` unless it decodes to nothing; the unfinished last line
// too, unless `done()`. Returns how many overlong lines were dropped.
int ReadChildLines(Utils::PipeProcess& child, const int& codePage,
                   const std::function<void(const Line&)>& onLine,
                   const std::function<bool()>& done);

// What follows a key's "=" up to the end of its line.
struct Value {
    std::wstring_view text;
    bool endedWithLf = true;
};

// A text value: taken as it stands, with any length, except that one CR
// standing right before the LF is dropped.
std::wstring TextValue(const Value& value);
// A keyword value, trimmed of blanks, tabs, CR, LF, vertical tabs and form
// feeds.
std::wstring KeywordValue(const Value& value);
// A decimal real (leading blanks skipped, reading stops at the first
// character that does not belong to it); 0 when there is none.
double RealValue(const Value& value);
// A decimal integer, the same way, as a 32-bit value.
int32_t IntValue(const Value& value);

// One entry of a runner's key table: the key with its "=", compared
// case-sensitively at the start of the line, and what the line means. The
// handler gets the run's result so far and returns it, changed when the line
// is a final one (1 success, 1000 failure).
struct Key {
    const wchar_t* key;
    std::function<int(const Value& value, int result)> handle;
};
using KeyTable = std::vector<Key>;

// Hands `line` to the entry whose key starts it and returns its result;
// `result` unchanged when no key matches. With the "=" in each key no key is
// the beginning of another, so the order of the table does not matter.
int Dispatch(const Line& line, const KeyTable& keys, int result);

}  // namespace ConsoleProtocol
