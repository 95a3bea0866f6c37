#include "platform/Charset.h"

#include <errno.h>
#include <iconv.h>
#include <langinfo.h>

#include <cstring>

namespace Platform {
namespace {

// wchar_t is UTF-32 in the machine's byte order on Linux.
const char* WideCharset() {
    static const char* name = [] {
        const uint32_t probe = 1;
        return reinterpret_cast<const unsigned char*>(&probe)[0] == 1 ? "UTF-32LE" : "UTF-32BE";
    }();
    return name;
}

struct Iconv {
    iconv_t cd;
    Iconv(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(cd);
    }
    bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

}  // namespace

std::string LocaleCodeset() {
    const char* cs = nl_langinfo(CODESET);
    if (!cs || !*cs || std::strcmp(cs, "ANSI_X3.4-1968") == 0 || std::strcmp(cs, "ASCII") == 0)
        return "UTF-8";
    return cs;
}

std::optional<std::wstring> DecodeToWide(const std::string& bytes, const std::string& from) {
    Iconv conv(WideCharset(), from.c_str());
    if (!conv.ok()) return std::nullopt;
    std::wstring out;
    out.reserve(bytes.size());
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    wchar_t buf[512];
    while (inLeft > 0) {
        char* outp = reinterpret_cast<char*>(buf);
        size_t outLeft = sizeof buf;
        size_t r = iconv(conv.cd, &in, &inLeft, &outp, &outLeft);
        out.append(buf, (sizeof buf - outLeft) / sizeof(wchar_t));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (cut sequence at the end): one replacement, skip a byte.
            out.push_back(L'\xFFFD');
            ++in;
            --inLeft;
            iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

std::optional<std::string> EncodeFromWide(const std::wstring& text, const std::string& to) {
    Iconv conv(to.c_str(), WideCharset());
    if (!conv.ok()) return std::nullopt;
    std::string out;
    out.reserve(text.size());
    char* in = const_cast<char*>(reinterpret_cast<const char*>(text.data()));
    size_t inLeft = text.size() * sizeof(wchar_t);
    char buf[2048];
    while (inLeft > 0) {
        char* outp = buf;
        size_t outLeft = sizeof buf;
        size_t r = iconv(conv.cd, &in, &inLeft, &outp, &outLeft);
        out.append(buf, sizeof buf - outLeft);
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            out.push_back('?');
            in += sizeof(wchar_t);
            inLeft = inLeft >= sizeof(wchar_t) ? inLeft - sizeof(wchar_t) : 0;
            iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    // Flush a stateful encoder's shift sequence.
    char* outp = buf;
    size_t outLeft = sizeof buf;
    iconv(conv.cd, nullptr, nullptr, &outp, &outLeft);
    out.append(buf, sizeof buf - outLeft);
    return out;
}

}  // namespace Platform
