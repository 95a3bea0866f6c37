#include "DownloadTestUtil.h"

#include <sys/stat.h>

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

std::wstring DownloaderTest::Url(const std::string& path) const {
    return Utils::FromUtf8(server.Url(path));
}

}  // namespace dltest
