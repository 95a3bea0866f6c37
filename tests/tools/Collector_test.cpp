// The development server's collector: decoding of the batch request and
// the JSONL store.
#include "collector/Collector.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <thread>

#include "BatchBody.h"
#include "collector/CollectorDecoder.h"
#include "support/TempHome.h"

namespace {

std::string FromHex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

std::string Body(const std::string& batch) {
    std::string body;
    EXPECT_TRUE(beacon_analytics::EncodeBatchBody(batch, &body));
    return body;
}

const char* kRecordA =
    R"({"_track_id":12,"distinct_id":"D","event":"E","lib":{"$lib":"cpp"},"properties":{"n":1e+06,"z":"\u0001"},"time":5,"type":"track"})";
const char* kRecordB = R"({"distinct_id":"D","properties":{},"time":6,"type":"profile_set"})";

TEST(CollectorDecoder, Base64KnownAnswers) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"Zg==", "f"},
        {"Zm8=", "fo"},
        {"Zm9v", "foo"},
        {"Zm9vYg==", "foob"},
        {"Zm9vYmE=", "fooba"},
        {"Zm9vYmFy", "foobar"},
        {"+/8=", "\xfb\xff"},
    };
    for (auto [in, want] : cases) {
        std::string out, err;
        EXPECT_TRUE(collector::Base64Decode(in, &out, &err)) << in << ": " << err;
        EXPECT_EQ(out, want) << in;
    }
    for (const char* bad : {"Zg=", "Z===", "Zg=a", "Zm 9", "Zm9v\n"}) {
        std::string out, err;
        EXPECT_FALSE(collector::Base64Decode(bad, &out, &err)) << bad;
    }
    // Stricter than the library under it, which trims blanks and "-" at the
    // ends and does not look at where "=" stands.
    for (const char* bad : {" Zm9v   ", "Zm9v----", "Zg==Zm9v", "=Zm9", "Zm9v====", "Zm-v"}) {
        std::string out, err;
        EXPECT_FALSE(collector::Base64Decode(bad, &out, &err)) << bad;
        EXPECT_NE(err.find("bad base64 character"), std::string::npos) << bad << ": " << err;
    }
}

TEST(CollectorDecoder, PercentDecodingIsStrict) {
    const std::pair<std::string, std::string> good[] = {
        {"aZ09-._~", "aZ09-._~"},
        {"%2B%2f%3D", "+/="},
        {"%00%FF", std::string("\0\xff", 2)},
        {"", ""},
    };
    for (const auto& [in, want] : good) {
        std::string out, err;
        EXPECT_TRUE(collector::PercentDecode(in, &out, &err)) << in << ": " << err;
        EXPECT_EQ(out, want) << in;
    }
    // A form decoder would read "+" as a blank and pass "%zz" through.
    const std::pair<const char*, const char*> bad[] = {
        {"a+b", "not allowed unescaped"}, {"a b", "not allowed unescaped"},
        {"/", "not allowed unescaped"},   {"%zz", "bad percent escape"},
        {"ab%4", "bad percent escape"},   {"%", "bad percent escape"},
    };
    for (auto [in, reason] : bad) {
        std::string out, err;
        EXPECT_FALSE(collector::PercentDecode(in, &out, &err)) << in;
        EXPECT_NE(err.find(reason), std::string::npos) << in << " -> " << err;
    }
}

TEST(CollectorDecoder, LongBase64DecodesWhole) {
    std::string bytes((3 << 20) + 2, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    std::string out, err;
    ASSERT_TRUE(collector::Base64Decode(beacon_analytics::Base64Encode(bytes), &out, &err)) << err;
    EXPECT_EQ(out, bytes);
}

TEST(CollectorDecoder, GunzipsAGzipMemberFromElsewhere) {
    // gzip of [{"a":1}] made by another gzip implementation.
    const std::string gz = FromHex("1f8b08000000000002038bae564a54b232ac8d05007d73cbf209000000");
    std::string out, err;
    ASSERT_TRUE(collector::Gunzip(gz, &out, &err)) << err;
    EXPECT_EQ(out, R"([{"a":1}])");
    EXPECT_FALSE(collector::Gunzip(gz + "x", &out, &err));
    EXPECT_NE(err.find("after the gzip stream"), std::string::npos) << err;
    EXPECT_FALSE(collector::Gunzip(gz.substr(0, gz.size() - 3), &out, &err));
}

TEST(CollectorDecoder, GunzipStopsAtTheSizeLimit) {
    std::string gz, out, err;
    ASSERT_TRUE(beacon_analytics::GzipCompress(std::string(1 << 20, '['), &gz, &err));
    EXPECT_LT(gz.size(), 4096u);  // a small body that inflates a thousandfold
    EXPECT_FALSE(collector::Gunzip(gz, &out, &err, (1 << 20) - 1));
    EXPECT_NE(err.find("larger than"), std::string::npos) << err;
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(collector::Gunzip(gz, &out, &err, 1 << 20)) << err;
    EXPECT_EQ(out.size(), 1u << 20);
}

TEST(CollectorDecoder, BodyDecodesToTheBatchText) {
    const std::string batch = std::string("[") + kRecordA + "," + kRecordB + "]";
    std::string text, err;
    ASSERT_TRUE(collector::DecodeCollectBody(Body(batch), &text, &err)) << err;
    EXPECT_EQ(text, batch);
}

TEST(CollectorDecoder, RefusesBodiesThatAreNotABatch) {
    const std::string good = Body("[]");
    const std::string field = good.substr(10, good.size() - 17);
    const std::pair<std::string, std::string> cases[] = {
        {"data_list=" + field, "data_list=...&gzip=1"},
        {"gzip=1&data_list=" + field, "data_list=...&gzip=1"},
        {"data_list=" + field + "+&gzip=1", "not allowed unescaped"},
        {"data_list=" + field + "%2&gzip=1", "bad percent escape"},
        {"data_list=" + field + "%41&gzip=1", "multiple of 4"},
        {"data_list=QUJDRA%3D%3D&gzip=1", "gzip"},
    };
    for (const auto& [body, reason] : cases) {
        std::string text, err;
        EXPECT_FALSE(collector::DecodeCollectBody(body, &text, &err)) << body;
        EXPECT_NE(err.find(reason), std::string::npos) << body << " -> " << err;
    }
}

TEST(CollectorDecoder, SplitsRecordsKeepingTheirExactText) {
    std::vector<std::string> records;
    std::string err;
    ASSERT_TRUE(
        collector::SplitRecords(std::string("[") + kRecordA + "," + kRecordB + "]", &records, &err))
        << err;
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], kRecordA);
    EXPECT_EQ(records[1], kRecordB);
}

TEST(CollectorDecoder, RefusesBatchesThatAreNotArraysOfRecords) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"type":"track"})", "not a JSON array"},
        {"[1]", "record 0 is not an object"},
        {R"([{"distinct_id":"D","properties":{},"time":6}])", "lacks"},
        {R"([{"type":"t","distinct_id":"D","properties":{},"time":"6"}])", "lacks"},
        {R"([{"type":"t","distinct_id":"D","properties":{},"time":6},)", "not JSON"},
        {"[nan]", "not JSON"},
    };
    for (auto [batch, reason] : cases) {
        std::vector<std::string> records;
        std::string err;
        EXPECT_FALSE(collector::SplitRecords(batch, &records, &err)) << batch;
        EXPECT_NE(err.find(reason), std::string::npos) << batch << " -> " << err;
    }
    // Deeper than the JSON reader's stack limit, where it throws: refused
    // like any other text that is no batch, not the end of the server.
    std::vector<std::string> records;
    std::string err;
    EXPECT_FALSE(
        collector::SplitRecords(std::string(2000, '[') + std::string(2000, ']'), &records, &err));
    EXPECT_NE(err.find("not JSON"), std::string::npos) << err;
    // The reader takes a zero byte for the end of the text.
    EXPECT_FALSE(collector::SplitRecords(std::string("[]\0[", 4), &records, &err));
    EXPECT_NE(err.find("zero byte"), std::string::npos) << err;
}

class CollectorStore : public testing::Test {
protected:
    std::string path = testsupport::CurrentTestHome() + "/events.jsonl";
    const std::string form = "application/x-www-form-urlencoded";
    const std::string agent = "BeaconAnalytics CPP SDK 0.9";
};

TEST_F(CollectorStore, AppendsEachRecordAsOneLine) {
    collector::Collector c(path);
    std::string answer;
    EXPECT_EQ(c.Handle(form, agent, Body(std::string("[") + kRecordA + "]"), &answer), 200);
    EXPECT_EQ(
        c.Handle(form, agent, Body(std::string("[") + kRecordB + "," + kRecordA + "]"), &answer),
        200);
    EXPECT_EQ(testsupport::ReadFile(path),
              std::string(kRecordA) + "\n" + kRecordB + "\n" + kRecordA + "\n");
    EXPECT_EQ(c.BatchSizes(), (std::vector<size_t>{1, 2}));
}

TEST_F(CollectorStore, RefusesOtherRequestsAndStoresNothing) {
    collector::Collector c(path);
    std::string answer;
    const std::string body = Body(std::string("[") + kRecordA + "]");
    EXPECT_EQ(c.Handle("text/plain", agent, body, &answer), 400);
    EXPECT_EQ(c.Handle(form, "curl/7.88", body, &answer), 400);
    EXPECT_EQ(c.Handle(form, agent, "data_list=&gzip=1", &answer), 400);
    c.SetFail(true);
    EXPECT_EQ(c.Handle(form, agent, body, &answer), 500);
    EXPECT_FALSE(testsupport::FileExists(path));
    EXPECT_TRUE(c.Records().empty());
}

TEST_F(CollectorStore, AnswersOverHttp) {
    collector::Collector c(path);
    httplib::Server server;
    c.Mount(server);
    const int port = server.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread t([&] { server.listen_after_bind(); });
    httplib::Client client("127.0.0.1", port);
    client.set_default_headers({{"User-Agent", agent}});
    auto res = client.Post("/collect", Body(std::string("[") + kRecordB + "]"), form.c_str());
    while (!server.is_running()) std::this_thread::yield();
    server.stop();
    t.join();
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200) << res->body;
    EXPECT_EQ(testsupport::ReadFile(path), std::string(kRecordB) + "\n");
}

}  // namespace
