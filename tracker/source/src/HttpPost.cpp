#include "HttpPost.h"

#include <curl/curl.h>

#include <mutex>
#include <stdexcept>

namespace beacon_analytics {
namespace {

std::mutex g_LastSendLock;
bool g_LastSendOk = false;

size_t OnBody(char* data, size_t size, size_t n, void* user) {
    static_cast<std::string*>(user)->append(data, size * n);
    return size * n;
}

std::string TrimBlanks(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

size_t OnHeader(char* data, size_t size, size_t n, void* user) {
    auto* headers = static_cast<std::map<std::string, std::string>*>(user);
    std::string line(data, size * n);
    size_t colon = line.find(':');
    if (colon != std::string::npos) {
        (*headers)[TrimBlanks(line.substr(0, colon))] = TrimBlanks(line.substr(colon + 1));
    } else if (std::string name = TrimBlanks(line); !name.empty()) {
        (*headers)[name] = "present";
    }
    return size * n;
}

}  // namespace

bool LastSendOk() {
    std::lock_guard<std::mutex> g(g_LastSendLock);
    return g_LastSendOk;
}

void SetLastSendOk(bool ok) {
    std::lock_guard<std::mutex> g(g_LastSendLock);
    g_LastSendOk = ok;
}

HttpResponse CurlTransport::Post(const std::string& url, const std::string& body,
                                 const std::string& contentType,
                                 const std::vector<std::pair<std::string, std::string>>& headers) {
    CURL* curl = curl_easy_init();
    if (!curl) throw std::runtime_error("Couldn't initialize curl handle");
    HttpResponse r;
    curl_slist* list = nullptr;
    for (const auto& [name, value] : headers)
        list = curl_slist_append(list, (name + ": " + value).c_str());
    if (!contentType.empty())
        list = curl_slist_append(list, ("Content-Type: " + contentType).c_str());
    char errbuf[CURL_ERROR_SIZE] = {0};

    // Batches carry device identifiers: the collector's certificate and
    // name are always checked.
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!m_CaFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, m_CaFile.c_str());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &r.body);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &r.headers);
    if (list) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "BeaconAnalytics CPP SDK 0.9");
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 3L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));

    CURLcode rc = curl_easy_perform(curl);
    if (rc != CURLE_OK) {
        r.status = -1;
        r.body = errbuf[0] ? errbuf : curl_easy_strerror(rc);
    } else {
        long code = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
        r.status = code;
    }
    curl_slist_free_all(list);
    curl_easy_cleanup(curl);
    return r;
}

}  // namespace beacon_analytics
