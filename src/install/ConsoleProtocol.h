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

namespace Utils {
class PipeProcess;
}

namespace Console {

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

// The rest of the line after `key` as a text value: taken as it stands, with
// any length, except that one CR standing right before the LF is dropped.
std::wstring TextValue(const Line& line, size_t keyLength);
// A keyword value: the rest of the line, trimmed of blanks, tabs, CR, LF,
// vertical tabs and form feeds.
std::wstring KeywordValue(const Line& line, size_t keyLength);
// A decimal real after the key (leading blanks skipped, reading stops at the
// first character that does not belong to it); 0 when there is none.
double RealValue(const Line& line, size_t keyLength);
// A decimal integer after the key, the same way, as a 32-bit value.
int32_t IntValue(const Line& line, size_t keyLength);

}  // namespace Console
