// The tracker's staging file, which an earlier run (or anything else that
// wrote the file) left behind: read at the first flush, its records queued
// before the new ones, sent in batches and then removed.
//
// Input: the whole file.
//
// Properties: every staged record is a line of the file that is one JSON
// object; the staged records keep their order, the newest 1024 at most;
// the batches the collector decodes hold exactly the queued records, in
// queue order; after a full flush nothing is queued and the file is gone.
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Consumer.h"
#include "FuzzSupport.h"
#include "collector/CollectorDecoder.h"

namespace {

const char* const kNewRecord = R"({"distinct_id":"d","properties":{},"time":1,"type":"track"})";

// A collector in the process: decodes each body as the real one does.
class DecodingTransport : public beacon_analytics::Transport {
public:
    beacon_analytics::HttpResponse Post(
        const std::string&, const std::string& body, const std::string&,
        const std::vector<std::pair<std::string, std::string>>&) override {
        std::string batch, err;
        std::vector<std::string> records;
        FUZZ_CHECK(collector::DecodeCollectBody(body, &batch, &err), "body refused: " + err);
        FUZZ_CHECK(collector::SplitRecords(batch, &records, &err), "batch refused: " + err);
        FUZZ_CHECK(!records.empty() && records.size() <= beacon_analytics::Consumer::kBatchSize,
                   "batch of " + std::to_string(records.size()) + " records");
        received.insert(received.end(), records.begin(), records.end());
        beacon_analytics::HttpResponse r;
        r.status = 200;
        return r;
    }
    std::vector<std::string> received;
};

std::vector<std::string> Lines(const std::string& file) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < file.size()) {
        size_t lf = file.find('\n', start);
        if (lf == std::string::npos) lf = file.size();
        std::string line = file.substr(start, lf - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = lf + 1;
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::PrivateHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzzsupport::PrivateHome() + "/staging";
    FUZZ_CHECK(fuzzsupport::WriteFile(path, file), "cannot write the staging file");

    auto transport = std::make_shared<DecodingTransport>();
    std::vector<std::string> queued;
    {
        beacon_analytics::Consumer consumer(path, "http://127.0.0.1:9/collect", transport);
        consumer.Send(kNewRecord);
        consumer.HasPending();  // reads the staging file
        queued = consumer.Snapshot();
        FUZZ_CHECK(!queued.empty() && queued.size() <= beacon_analytics::Consumer::kCapacity,
                   "queue of " + std::to_string(queued.size()) + " records");

        // The staged records come first, in file order, each one line of it.
        const std::vector<std::string> lines = Lines(file);
        size_t at = 0;
        for (size_t i = 0; i + 1 < queued.size(); ++i) {
            while (at < lines.size() && lines[at] != queued[i]) ++at;
            FUZZ_CHECK(at < lines.size(), "a staged record is not a line of the file, in order");
            ++at;
        }
        FUZZ_CHECK(queued.back() == kNewRecord, "the new record is not last");
        FUZZ_CHECK(consumer.Flush(), "flush to a collector that accepts everything failed");
        FUZZ_CHECK(transport->received == queued, "the collector got other records than queued");
        FUZZ_CHECK(consumer.Snapshot().empty(), "records left after a full flush");
    }
    std::error_code ec;
    FUZZ_CHECK(!std::filesystem::exists(path, ec), "the staging file stays after a full flush");
    return 0;
}
