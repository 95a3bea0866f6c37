#include "install/DownloaderChoice.h"

#include "download/CurlDownloader.h"
#include "download/MTCurlDownloader.h"
#include "download/WinDownloader.h"

std::unique_ptr<CDownloader> MakeConfiguredDownloader(int downloadType,
                                                      const StatusCallback& callback,
                                                      const std::wstring& url,
                                                      const std::wstring& filePath) {
    switch (downloadType) {
        case 2:
            return std::make_unique<CWinDownloader>(callback, url, filePath);
        case 3:
            return std::make_unique<CMTCurlDownloader>(callback, url, filePath);
        default:
            return std::make_unique<CCurlDownloader>(callback, url, filePath);
    }
}
