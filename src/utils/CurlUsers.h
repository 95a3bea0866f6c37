#pragma once
// Who may still call libcurl. libcurl must not be cleaned up while a thread
// still uses it, and some of ours outlive their owners for a moment (the
// segmented downloader's detached segment threads, a tracker whose last
// reference a report still holds). Each such user holds a CurlUser for as
// long as it may call libcurl; shut-down waits until none is left before
// curl_global_cleanup. Any thread.
#include <chrono>

namespace Utils {

class CurlUser {
public:
    CurlUser();
    ~CurlUser();
    CurlUser(const CurlUser&) = delete;
    CurlUser& operator=(const CurlUser&) = delete;
};

// How many CurlUser objects exist now.
int CurlUserCount();

// Waits until no CurlUser is left, at most `limit`. True when none is left.
bool WaitForNoCurlUsers(std::chrono::milliseconds limit);

}  // namespace Utils
