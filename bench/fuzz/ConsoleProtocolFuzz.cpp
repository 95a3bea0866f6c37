// The console protocol as a package or an old uninstaller writes it: bytes
// arriving in reads of any size, joined into lines, each line decoded with
// the code page in force when it is reached, and handed to the package
// runner's and the uninstaller runner's key tables.
//
// Input: byte 0 picks the code page the output starts in, byte 1 how the
// output is cut into reads, byte 2 the line limit; the rest is the output.
//
// Properties: the lines are those of the whole output cut at LF, cut reads
// or not, minus exactly the overlong ones; no text report carries an LF.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "install/ConsoleProtocol.h"
#include "install/Installer.h"
#include "install/UnInstaller.h"
#include "utils/Text.h"

namespace {

// Code pages a package may announce: ANSI and UTF-8, the CJK double-byte
// ones, single-byte ones, stateful EBCDIC ones, and numbers iconv does not
// know (their lines decode to nothing).
const int kCodePages[] = {0,   65001, 936, 950,  932,  949,   1361,  1252, 1251,
                          866, 437,   930, 1390, 1200, 54936, 99999, -1};

// The key tables of the two runners, reachable for one line at a time.
template <class Runner>
struct Keys : Runner {
    using Runner::Runner;
    int Feed(const ConsoleProtocol::Line& line, int result) {
        return ConsoleProtocol::Dispatch(line, this->m_Keys, result);
    }
    void SetCodePage(int cp) { this->m_CodePage = cp; }
};

struct Expected {
    std::vector<std::string> lines;
    int dropped = 0;
};

// What the assembler must give for the whole output: every line cut at LF
// and the unfinished last one, each unless it is longer than the limit.
Expected Model(const std::string& out, size_t limit) {
    Expected e;
    size_t start = 0;
    for (size_t lf; (lf = out.find('\n', start)) != std::string::npos; start = lf + 1) {
        if (lf - start > limit)
            ++e.dropped;
        else
            e.lines.push_back(out.substr(start, lf - start));
    }
    if (start < out.size()) {
        if (out.size() - start > limit)
            ++e.dropped;
        else
            e.lines.push_back(out.substr(start));
    }
    return e;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::PrivateHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::Input in(data, size);
    const int startCodePage = kCodePages[in.Byte() % std::size(kCodePages)];
    const uint8_t cutting = in.Byte();
    const size_t limits[] = {1 << 20, 1, 8, 64, 771};
    const size_t limit = limits[in.Byte() % std::size(limits)];
    const std::string output = in.Rest();

    std::vector<std::string> reportTexts;
    auto record = [&](int, double, const std::wstring& text) {
        FUZZ_CHECK(text.find(L'\n') == std::wstring::npos, "a text report holds an LF");
        reportTexts.push_back(Utils::ToUtf8(text));
    };
    Keys<CInstaller> package(record, L"\"/nonexistent/pkg\"", L"/nonexistent/dir");
    Keys<CUnInstaller> uninstaller(record, L"/nonexistent/uninst", L"/nonexistent/dir");
    package.SetCodePage(startCodePage);
    uninstaller.SetCodePage(startCodePage);

    ConsoleProtocol::LineAssembler lines(limit);
    std::vector<std::string> got;
    int packageResult = 0, uninstallerResult = 0;
    auto handle = [&](const std::string& bytes, bool endedWithLf) {
        got.push_back(bytes);
        const ConsoleProtocol::Line a{Utils::MultiByteToWide(bytes, package.CodePage()),
                                      endedWithLf};
        if (!a.text.empty()) packageResult = package.Feed(a, packageResult);
        const ConsoleProtocol::Line b{Utils::MultiByteToWide(bytes, uninstaller.CodePage()),
                                      endedWithLf};
        if (!b.text.empty()) uninstallerResult = uninstaller.Feed(b, uninstallerResult);
    };

    // Reads of pseudo-random sizes from the second byte (0: one read).
    uint32_t state = cutting * 2654435761u + 1;
    for (size_t pos = 0; pos < output.size();) {
        size_t n = output.size() - pos;
        if (cutting != 0) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            n = std::min<size_t>(n, 1 + state % (cutting < 128 ? 16 : 1100));
        }
        lines.Append(output.substr(pos, n));
        pos += n;
        for (std::string bytes; lines.NextLine(bytes);) handle(bytes, true);
    }
    std::string rest;
    if (lines.TakeRest(rest)) handle(rest, false);

    const Expected want = Model(output, limit);
    FUZZ_CHECK(got == want.lines, "assembled lines differ from the output's lines");
    FUZZ_CHECK(lines.DroppedLines() == want.dropped, "dropped-line count is wrong");
    for (int r : {packageResult, uninstallerResult})
        FUZZ_CHECK(r == 0 || r == 1 || r == 1000, "a parse result outside 0, 1, 1000");

    // The whole output as one text, as Parse sees a read.
    const std::wstring text = Utils::MultiByteToWide(output, startCodePage);
    const int r = package.Parse(text);
    FUZZ_CHECK(r == 0 || r == 1 || r == 1000, "Parse gave a result outside 0, 1, 1000");
    return 0;
}
