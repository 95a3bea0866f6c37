// lumora-download [--type=1|2|3] URL FILE
//
// Runs one downloader exactly as the installer's pipeline drives it (a 1005
// starts the same downloader again) and prints every report as one line
// "<code>\t<value>\t<text>" (UTF-8) on standard output as it arrives. The
// diagnostic log goes to standard error. Exit status: 0 after 1003, 1 after
// 1004, 2 for a usage error.
#include <curl/curl.h>

#include <clocale>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "download/CurlDownloader.h"
#include "download/MTCurlDownloader.h"
#include "download/WinDownloader.h"
#include "utils/Log.h"
#include "utils/Text.h"

namespace {

const char kUsage[] =
    "usage: lumora-download [--type=1|2|3] URL FILE\n"
    "\n"
    "Downloads URL to FILE with one of the installer's downloaders, the way the\n"
    "installer does, to check a mirror:\n"
    "  --type=1  one libcurl connection with resume (the default; any other\n"
    "            number than 2 or 3 also selects it)\n"
    "  --type=2  the system downloader (libsoup)\n"
    "  --type=3  two ranged libcurl connections with part files\n"
    "\n"
    "The package's MD5 digest is taken from the address's second-to-last path\n"
    "element (.../<md5>/setup.exe) and checked by types 1 and 3. A retry request\n"
    "(1005) starts the same downloader again.\n"
    "\n"
    "Every report is printed as it arrives, one line each:\n"
    "  <code>\\t<value>\\t<text>\n"
    "1001 start, 1002 progress (value 0..1), 1003 success, 1004 failure (value:\n"
    "libcurl code, own negative code or HRESULT), 1005 retry, 1006 digest notice.\n"
    "After a failure the reason follows on standard error, in plain words.\n"
    "The diagnostic log goes to standard error.\n"
    "\n"
    "Exit status: 0 after 1003, 1 after 1004, 2 for a usage error.\n";

struct Outcome {
    std::mutex lock;
    std::condition_variable done;
    int code = 0;
};

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    int type = 1;
    std::string url, file;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (!std::strncmp(a, "--type=", 7)) {
            char* end = nullptr;
            long v = std::strtol(a + 7, &end, 10);
            if (!*(a + 7) || *end) {
                std::fprintf(stderr, "lumora-download: --type wants a number, not \"%s\"\n", a + 7);
                return 2;
            }
            type = static_cast<int>(v);
        } else if (a[0] == '-' && a[1] == '-') {
            std::fprintf(stderr, "lumora-download: unknown option %s\n\n%s", a, kUsage);
            return 2;
        } else if (positional == 0) {
            url = a;
            ++positional;
        } else if (positional == 1) {
            file = a;
            ++positional;
        } else {
            ++positional;
        }
    }
    if (positional != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    DownloaderOptions options;
    options.curlReady = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
    if (!options.curlReady)
        std::fputs("lumora-download: libcurl could not be initialised\n", stderr);
    // Failed size queries, which the installer sends to analytics, are shown.
    options.reportFailure = [](const std::wstring& reason) {
        std::fprintf(stderr, "lumora-download: %s\n", Utils::ToUtf8(reason).c_str());
    };

    Outcome outcome;
    std::unique_ptr<CDownloader> downloader;
    std::mutex startLock;  // the retry may come before `downloader` is stored
    StatusCallback callback = [&](int code, double value, const std::wstring& text) {
        std::printf("%d\t%.10g\t%s\n", code, value, Utils::ToUtf8(text).c_str());
        std::fflush(stdout);
        if (code == DL_CODE_RETRY) {
            std::lock_guard<std::mutex> guard(startLock);
            downloader->Start();
        } else if (code == DL_CODE_SUCCESS || code == DL_CODE_FAIL) {
            std::lock_guard<std::mutex> guard(outcome.lock);
            outcome.code = code;
            outcome.done.notify_all();
        }
    };

    LOG(L"DL_TYPE=%d", type);
    const std::wstring wurl = Utils::FromAnsi(url), wfile = Utils::FromAnsi(file);
    {
        std::lock_guard<std::mutex> guard(startLock);
        if (type == 2)
            downloader = std::make_unique<CWinDownloader>(callback, wurl, wfile, options);
        else if (type == 3)
            downloader = std::make_unique<CMTCurlDownloader>(callback, wurl, wfile, options);
        else
            downloader = std::make_unique<CCurlDownloader>(callback, wurl, wfile, options);
        downloader->Start();
    }
    int code;
    {
        std::unique_lock<std::mutex> guard(outcome.lock);
        outcome.done.wait(guard, [&] { return outcome.code != 0; });
        code = outcome.code;
    }
    // The words for a failure; the report's number stays as printed.
    if (code == DL_CODE_FAIL)
        std::fprintf(stderr, "lumora-download: %s\n",
                     Utils::ToUtf8(downloader->FailureReason()).c_str());
    downloader.reset();
    if (options.curlReady) curl_global_cleanup();
    return code == DL_CODE_SUCCESS ? 0 : 1;
}
