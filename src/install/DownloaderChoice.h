#pragma once
// The downloader for a download type: 2 the system downloader, 3 the
// segmented downloader, any other value the single-connection downloader.
//
// The download layer knows neither the settings record nor the tracker: the
// owner hands over, as values, what the downloaders need (DownloaderOptions,
// download/Downloader.h):
//   curlReady      the entry point's libcurl initialisation succeeded
//                  (InstallerConfig::m_CurlReady);
//   reportFailure  where the HTTP client's failed size queries go; the
//                  program passes a function that reports them as the task
//                  event "下载失败原因" with {AB: "IN"} (BeaconTrackTask).
// Fill them once, on the owner's thread, before the pipeline is made.
#include <memory>
#include <string>

#include "download/Downloader.h"
#include "install/DownloadInstaller.h"

std::unique_ptr<CDownloader> MakeConfiguredDownloader(int downloadType,
                                                      const StatusCallback& callback,
                                                      const std::wstring& url,
                                                      const std::wstring& filePath,
                                                      const DownloaderOptions& options);

// The pipeline's maker (DownloaderMaker) with the owner's options bound.
DownloaderMaker ConfiguredDownloaderMaker(DownloaderOptions options);
