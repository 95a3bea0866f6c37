#pragma once
// The one interface through which the pipeline fetches the package. Members:
// CCurlDownloader (download type 1 and any other value, "CurlDownloader.h"),
// CWinDownloader (type 2, the system downloader, "WinDownloader.h") and
// CMTCurlDownloader (type 3, two ranged connections, "MTCurlDownloader.h").
// Each is constructed with (const StatusCallback& callback, const std::wstring&
// url, const std::wstring& filePath), runs on its own worker threads and reports
// 1001..1006 through the callback; every run ends with exactly one of 1003,
// 1004 and 1005.
#include "utils/StatusCallback.h"

class CDownloader {
public:
    virtual ~CDownloader() = default;
    // Begins one run and returns at once. May be called from within the
    // callback on the downloader's own thread (the pipeline does so on 1005).
    virtual void Start() = 0;
};
