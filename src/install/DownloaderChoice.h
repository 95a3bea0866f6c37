#pragma once
// The downloader for a download type: 2 the system downloader, 3 the
// segmented downloader, any other value the single-connection downloader.
#include <memory>
#include <string>

#include "download/Downloader.h"

std::unique_ptr<CDownloader> MakeConfiguredDownloader(int downloadType,
                                                      const StatusCallback& callback,
                                                      const std::wstring& url,
                                                      const std::wstring& filePath);
