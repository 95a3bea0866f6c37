#include "DownloadTestUtil.h"

#include <sys/stat.h>

#include "download/CurlDownloader.h"
#include "download/MTCurlDownloader.h"
#include "download/WinDownloader.h"
#include "support/TempHome.h"
#include "utils/Text.h"

namespace dltest {

std::string TempPath(const std::string& name) {
    return testsupport::CurrentTestHome() + "/" + name;
}

std::wstring TempPathW(const std::string& name) { return Utils::FromUtf8(TempPath(name)); }

int64_t FileSize(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

std::unique_ptr<CDownloader> MakeDownloader(int type, const StatusCallback& callback,
                                            const std::string& url, const std::string& path,
                                            const DownloaderOptions& options) {
    const std::wstring u = Utils::FromUtf8(url), p = Utils::FromUtf8(path);
    switch (type) {
        case 2:
            return std::make_unique<CWinDownloader>(callback, u, p, options);
        case 3:
            return std::make_unique<CMTCurlDownloader>(callback, u, p, options);
        default:
            return std::make_unique<CCurlDownloader>(callback, u, p, options);
    }
}

std::wstring DownloaderTest::Url(const std::string& path) const {
    return Utils::FromUtf8(server.Url(path));
}

}  // namespace dltest
