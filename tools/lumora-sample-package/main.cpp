// lumora-sample-package --out DIR [options]: writes a real sample package to
// DIR/<md5>/<name> and prints its path. See --help.
#include <iconv.h>
#include <openssl/evp.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "PackageScript.h"

namespace {

const char* kUsage =
    "usage: lumora-sample-package --out DIR [--name FILE] [--version V] [--size BYTES]\n"
    "         [--startup AutoStartup|UserStartup|NonStartup] [--encode UTF8|ACP|N] [--message "
    "TEXT]\n"
    "         [--fail] [--error TEXT] [--no-final] [--hang] [--crash] [--crlf]\n"
    "         [--flood-stdout BYTES] [--flood-stderr BYTES] [--uninst-fail] [--uninst-error "
    "TEXT]\n"
    "         [--uninst-hang]\n";

bool Parse(int argc, char** argv, SampleOptions& o, std::string& err) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                err = a + " needs a value";
                return {};
            }
            return argv[++i];
        };
        auto number = [&](uint64_t& out) {
            const std::string v = next();
            char* end = nullptr;
            out = std::strtoull(v.c_str(), &end, 10);
            if (v.empty() || *end) err = a + " needs a number";
        };
        if (a == "--out")
            o.outDir = next();
        else if (a == "--name")
            o.name = next();
        else if (a == "--version")
            o.version = next();
        else if (a == "--size")
            number(o.payloadBytes);
        else if (a == "--startup")
            o.startup = next();
        else if (a == "--encode")
            o.encode = next();
        else if (a == "--message")
            o.message = next();
        else if (a == "--fail")
            o.fail = true;
        else if (a == "--error")
            o.error = next();
        else if (a == "--no-final")
            o.noFinal = true;
        else if (a == "--hang")
            o.hang = true;
        else if (a == "--crash")
            o.crash = true;
        else if (a == "--crlf")
            o.crlf = true;
        else if (a == "--flood-stdout")
            number(o.floodStdout);
        else if (a == "--flood-stderr")
            number(o.floodStderr);
        else if (a == "--uninst-fail")
            o.uninstFail = true;
        else if (a == "--uninst-error")
            o.uninstError = next();
        else if (a == "--uninst-hang")
            o.uninstHang = true;
        else if (a == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else
            err = "unknown option " + a;
        if (!err.empty()) return false;
    }
    if (o.outDir.empty())
        err = "--out DIR is required";
    else if (o.name.empty() || o.name.find('/') != std::string::npos)
        err = "--name must be a file name";
    return err.empty();
}

// The message as the package writes it: in the announced code page (CP<n>),
// otherwise as given (UTF-8). False when iconv does not know the code page.
bool InCodePage(const std::string& encode, std::string& text) {
    if (encode.empty() || encode == "UTF8" || encode == "ACP" ||
        encode.find_first_not_of("0123456789") != std::string::npos)
        return true;
    iconv_t cd = iconv_open(("CP" + encode).c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string out(text.size() * 4 + 16, '\0');
    char* in = text.data();
    size_t inLeft = text.size();
    char* o = out.data();
    size_t outLeft = out.size();
    const size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) return false;
    out.resize(out.size() - outLeft);
    text = out;
    return true;
}

std::string Md5Hex(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &len, EVP_md5(), nullptr);
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned i = 0; i < len; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    SampleOptions o;
    std::string err;
    if (!Parse(argc, argv, o, err)) {
        std::fprintf(stderr, "lumora-sample-package: %s\n%s", err.c_str(), kUsage);
        return 2;
    }
    if (!InCodePage(o.encode, o.message)) {
        std::fprintf(stderr,
                     "lumora-sample-package: the message cannot be written in code page %s\n",
                     o.encode.c_str());
        return 2;
    }
    // The script's length does not depend on the offset's value (fixed
    // width), so one pass gives the offset.
    const uint64_t offset = PackageScript(o, 0).size();
    std::string package = PackageScript(o, offset);
    // A payload that differs per version, so every version has its digest.
    std::mt19937_64 random(std::hash<std::string>{}(o.version + o.name));
    package.reserve(package.size() + o.payloadBytes);
    for (uint64_t i = 0; i < o.payloadBytes; ++i)
        package.push_back(static_cast<char>(random() & 0xFF));

    const std::string digest = Md5Hex(package);
    const std::filesystem::path dir = std::filesystem::path(o.outDir) / digest;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const std::filesystem::path file = dir / o.name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(package.data(), static_cast<std::streamsize>(package.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "lumora-sample-package: cannot write %s\n", file.c_str());
        return 1;
    }
    ::chmod(file.c_str(), 0755);
    std::printf("%s\n", file.c_str());
    return 0;
}
