#pragma once
// A transport that records every post instead of using the network, and
// answers with a chosen status; an optional hook runs during the post (to
// add records while a batch is in flight).
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "HttpPost.h"
#include "collector/CollectorDecoder.h"

namespace trackertest {

class FakeTransport : public beacon_analytics::Transport {
public:
    // A status of kThrow makes the post throw, as a missing curl handle does.
    static constexpr long kThrow = -1000;
    explicit FakeTransport(long status = 200) : m_Status(status) {}

    beacon_analytics::HttpResponse Post(
        const std::string& url, const std::string& body, const std::string& contentType,
        const std::vector<std::pair<std::string, std::string>>& headers) override {
        std::function<void()> hook;
        long status;
        {
            std::lock_guard<std::mutex> g(m_Lock);
            m_Urls.push_back(url);
            m_Bodies.push_back(body);
            (void)contentType;
            (void)headers;
            hook = std::move(m_Hook);
            m_Hook = nullptr;
            status = m_Status;
        }
        if (hook) hook();
        if (status == kThrow) throw std::runtime_error("Couldn't initialize curl handle");
        beacon_analytics::HttpResponse r;
        r.status = status;
        r.body = status == 200 ? "ok" : "refused by the fake";
        return r;
    }

    void SetStatus(long s) {
        std::lock_guard<std::mutex> g(m_Lock);
        m_Status = s;
    }
    // Runs once, inside the next post.
    void OnNextPost(std::function<void()> hook) {
        std::lock_guard<std::mutex> g(m_Lock);
        m_Hook = std::move(hook);
    }
    std::vector<std::string> Bodies() {
        std::lock_guard<std::mutex> g(m_Lock);
        return m_Bodies;
    }
    // The records of every post, decoded with the collector's decoder.
    std::vector<std::vector<std::string>> Batches() {
        std::vector<std::vector<std::string>> out;
        for (const auto& body : Bodies()) {
            std::string text, err;
            std::vector<std::string> records;
            if (!collector::DecodeCollectBody(body, &text, &err) ||
                !collector::SplitRecords(text, &records, &err))
                records = {"undecodable: " + err};
            out.push_back(records);
        }
        return out;
    }

private:
    std::mutex m_Lock;
    long m_Status;
    std::vector<std::string> m_Urls, m_Bodies;
    std::function<void()> m_Hook;
};

}  // namespace trackertest
