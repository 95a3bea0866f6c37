#include "install/DownloaderChoice.h"

#include <utility>

#include "download/CurlDownloader.h"
#include "download/MTCurlDownloader.h"
#include "download/WinDownloader.h"

std::unique_ptr<CDownloader> MakeConfiguredDownloader(int downloadType,
                                                      const StatusCallback& callback,
                                                      const std::wstring& url,
                                                      const std::wstring& filePath,
                                                      const DownloaderOptions& options) {
    switch (downloadType) {
        case 2:
            return std::make_unique<CWinDownloader>(callback, url, filePath, options);
        case 3:
            return std::make_unique<CMTCurlDownloader>(callback, url, filePath, options);
        default:
            return std::make_unique<CCurlDownloader>(callback, url, filePath, options);
    }
}

DownloaderMaker ConfiguredDownloaderMaker(DownloaderOptions options) {
    return [options = std::move(options)](int downloadType, const StatusCallback& callback,
                                          const std::wstring& url, const std::wstring& filePath) {
        return MakeConfiguredDownloader(downloadType, callback, url, filePath, options);
    };
}
