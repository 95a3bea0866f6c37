// The record queue, batches, put-back on failure, the request body, the
// staging file and the hand-over threads.
#include "Consumer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>

#include "BatchBody.h"
#include "FakeTransport.h"
#include "HttpPost.h"
#include "Sender.h"
#include "collector/CollectorDecoder.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

using beacon_analytics::Consumer;
using trackertest::FakeTransport;

namespace {

// The smallest text the collector takes as a record.
std::string Rec(int i) {
    return "{\"distinct_id\":\"d\",\"properties\":{},\"time\":" + std::to_string(i) +
           ",\"type\":\"track\"}";
}

std::vector<std::string> Recs(int from, int to) {
    std::vector<std::string> out;
    for (int i = from; i <= to; ++i) out.push_back(Rec(i));
    return out;
}

class Queue : public testing::Test {
protected:
    std::string staging = testsupport::CurrentTestHome() + "/app_QVSStaging.txt";
    std::shared_ptr<FakeTransport> transport = std::make_shared<FakeTransport>();
};

TEST_F(Queue, KeepsTheNewest1024) {
    Consumer c("", "u", transport);
    for (int i = 1; i <= 1025; ++i) c.Send(Rec(i));
    EXPECT_EQ(c.Snapshot(), Recs(2, 1025));
}

TEST_F(Queue, FlushSendsBatchesOf30InQueueOrder) {
    Consumer c("", "http://collector/", transport);
    for (int i = 1; i <= 65; ++i) c.Send(Rec(i));
    EXPECT_TRUE(c.Flush());
    const auto batches = transport->Batches();
    ASSERT_EQ(batches.size(), 3u);
    EXPECT_EQ(batches[0], Recs(1, 30));
    EXPECT_EQ(batches[1], Recs(31, 60));
    EXPECT_EQ(batches[2], Recs(61, 65));
    EXPECT_TRUE(c.Snapshot().empty());
    EXPECT_TRUE(beacon_analytics::LastSendOk());
}

TEST_F(Queue, EmptyQueueSendsNothing) {
    Consumer c("", "u", transport);
    EXPECT_TRUE(c.Flush());
    EXPECT_TRUE(c.FlushPart());
    EXPECT_TRUE(transport->Bodies().empty());
}

TEST_F(Queue, FailedBatchGoesBackWhole) {
    transport->SetStatus(500);
    Consumer c("", "u", transport);
    for (int i = 1; i <= 1000; ++i) c.Send(Rec(i));
    testsupport::LogCapture log;
    EXPECT_FALSE(c.Flush());
    EXPECT_EQ(transport->Bodies().size(), 1u);  // Flush stops at the failed batch
    EXPECT_EQ(c.Snapshot(), Recs(1, 1000));
    EXPECT_FALSE(beacon_analytics::LastSendOk());
    EXPECT_EQ(log.Count("[beacon] BeaconAnalytics SDK send failed"), 1);
    EXPECT_EQ(log.Count("BeaconAnalytics SDK send failed: refused by the fake"), 1);
}

TEST_F(Queue, AFailingPostKeepsTheBatch) {
    transport->SetStatus(FakeTransport::kThrow);
    Consumer c("", "u", transport);
    for (int i = 1; i <= 3; ++i) c.Send(Rec(i));
    testsupport::LogCapture log;
    EXPECT_FALSE(c.FlushPart());
    EXPECT_EQ(c.Snapshot(), Recs(1, 3));
    EXPECT_EQ(log.Count("Exception when flush failed: (Couldn't initialize curl handle) "), 1)
        << log.Text();
}

TEST_F(Queue, PutBackIsBoundedByTheRoomLeft) {
    transport->SetStatus(500);
    Consumer c("", "u", transport);
    for (int i = 1; i <= 1024; ++i) c.Send(Rec(i));
    // While the first batch is in flight, 24 new records arrive (1018 queued).
    transport->OnNextPost([&] {
        for (int i = 1025; i <= 1048; ++i) c.Send(Rec(i));
    });
    EXPECT_FALSE(c.Flush());
    std::vector<std::string> want = Recs(25, 30);  // the newest 6 of the batch
    for (const auto& r : Recs(31, 1048)) want.push_back(r);
    EXPECT_EQ(c.Snapshot(), want);
}

TEST_F(Queue, BodyDecodesBackToTheBatchText) {
    Consumer c("", "u", transport);
    const std::string record =
        R"({"distinct_id":"x y+z/=","properties":{"b":1},"time":1,"type":"track"})";
    c.Send(record);
    ASSERT_TRUE(c.Flush());
    const std::string body = transport->Bodies().at(0);
    EXPECT_EQ(body.rfind("data_list=", 0), 0u);
    EXPECT_EQ(body.substr(body.size() - 7), "&gzip=1");
    const std::string field = body.substr(10, body.size() - 17);
    EXPECT_EQ(
        field.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789%"),
        std::string::npos);
    std::string text, err;
    ASSERT_TRUE(collector::DecodeCollectBody(body, &text, &err)) << err;
    EXPECT_EQ(text, "[" + record + "]");
}

TEST(BatchBody, EncodingsMatchTheirStandards) {
    const std::pair<const char*, const char*> b64[] = {
        {"", ""},        {"f", "Zg=="},          {"fo", "Zm8="},
        {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"}, {"\xfb\xff", "+/8="},
    };
    for (auto [in, out] : b64) EXPECT_EQ(beacon_analytics::Base64Encode(in), out);
    EXPECT_EQ(beacon_analytics::PercentEncode("aZ09-._~+/= %"), "aZ09-._~%2B%2F%3D%20%25");
    EXPECT_EQ(beacon_analytics::PercentEncode(std::string("\0\xff", 2)), "%00%FF");
    EXPECT_EQ(beacon_analytics::PercentEncode(""), "");
    std::string gz, err;
    ASSERT_TRUE(beacon_analytics::GzipCompress("[]", &gz, &err));
    ASSERT_GE(gz.size(), 10u);
    EXPECT_EQ(static_cast<unsigned char>(gz[0]), 0x1f);  // gzip magic
    EXPECT_EQ(static_cast<unsigned char>(gz[1]), 0x8b);
    EXPECT_EQ(static_cast<unsigned char>(gz[8]), 2);  // "best compression" flag: level 9
}

// The libraries take lengths of limited size, so long input is encoded in
// pieces; the pieces must join into the one text of the whole input.
TEST(BatchBody, LongInputEncodesAsOneText) {
    const size_t groups = (3 << 20) / 3 + 7;
    std::string want;
    for (size_t i = 0; i < groups; ++i) want += "YWFh";
    EXPECT_EQ(beacon_analytics::Base64Encode(std::string(groups * 3 + 1, 'a')), want + "YQ==");
    const size_t blanks = (1 << 20) + 3;
    std::string escaped;
    for (size_t i = 0; i < blanks; ++i) escaped += "%20";
    EXPECT_EQ(beacon_analytics::PercentEncode(std::string(blanks, ' ') + "~"), escaped + "~");
}

TEST_F(Queue, UnsentRecordsAreStagedAndLeaveWithALaterRun) {
    {
        transport->SetStatus(500);
        Consumer first(staging, "u", transport);
        for (int i = 1; i <= 3; ++i) first.Send(Rec(i));
        EXPECT_FALSE(first.Flush());
    }  // closed: the three records are kept
    EXPECT_EQ(testsupport::ReadFile(staging), Rec(1) + "\n" + Rec(2) + "\n" + Rec(3) + "\n");
    EXPECT_FALSE(testsupport::FileExists(staging + ".tmp" + std::to_string(getpid())));

    auto up = std::make_shared<FakeTransport>(200);
    Consumer second(staging, "u", up);
    second.Send(Rec(4));
    EXPECT_TRUE(second.Flush());
    ASSERT_EQ(up->Batches().size(), 1u);
    EXPECT_EQ(up->Batches()[0], Recs(1, 4));  // staged ones first, in file order
    EXPECT_FALSE(testsupport::FileExists(staging));
}

TEST_F(Queue, StagedRecordsStayUntilTheyHaveLeft) {
    testsupport::WriteFile(staging, Rec(1) + "\n");
    {
        transport->SetStatus(500);
        Consumer c(staging, "u", transport);
        EXPECT_FALSE(c.Flush());
        // Loaded but not delivered: a run that ends abruptly here loses nothing.
        EXPECT_EQ(testsupport::ReadFile(staging), Rec(1) + "\n");
    }
    EXPECT_EQ(testsupport::ReadFile(staging), Rec(1) + "\n");
}

TEST_F(Queue, StagingLoadKeepsTheNewestThatFitAndSkipsDamagedLines) {
    std::string file;
    for (int i = 1; i <= 1030; ++i) file += Rec(i) + "\n";
    file += "{\"half\":\n";
    file += "not a record\n";
    file += "{broken}\r\n";
    file += std::string("\0\xff\x01", 3) + "\n";
    testsupport::WriteFile(staging, file);
    Consumer c(staging, "u", transport);
    c.Send(Rec(2000));
    testsupport::LogCapture log;
    EXPECT_TRUE(c.HasPending());
    std::vector<std::string> want = Recs(8, 1030);  // room for 1023 staged records
    want.push_back(Rec(2000));
    EXPECT_EQ(c.Snapshot(), want);
    EXPECT_EQ(log.Count("skipped 4 damaged line(s)"), 1) << log.Text();
}

// A JSON object that is not a record as we write them would make the
// collector refuse every batch it travels in, run after run.
TEST_F(Queue, StagedObjectsThatAreNoRecordsAreSkipped) {
    const std::string foreign[] = {
        "{}",
        R"({"a":1} {"b":2})",
        R"({"distinct_id":"d","properties":{},"time":"1","type":"track"})",
        R"({"distinct_id":"d","distinct_id":"e","properties":{},"time":1,"type":"track"})",
        R"({"distinct_id":"d","properties":[],"time":1,"type":"track"})",
        // deeper than the JSON reader's stack limit, where it throws
        "{\"a\":" + std::string(2000, '[') + std::string(2000, ']') + "}",
        // a record, a zero byte (the reader's end of text) and more
        Rec(3) + std::string(1, '\0') + "x\"}",
    };
    std::string file = Rec(1) + "\n";
    for (const auto& line : foreign) file += line + "\n";
    file += Rec(2) + "\n";
    testsupport::WriteFile(staging, file);
    Consumer c(staging, "u", transport);
    testsupport::LogCapture log;
    ASSERT_TRUE(c.HasPending());
    EXPECT_EQ(c.Snapshot(), Recs(1, 2));
    EXPECT_EQ(log.Count("skipped 7 damaged line(s)"), 1) << log.Text();
    ASSERT_TRUE(c.Flush());
    std::string batch, err;
    std::vector<std::string> records;
    ASSERT_TRUE(collector::DecodeCollectBody(transport->Bodies().at(0), &batch, &err)) << err;
    EXPECT_TRUE(collector::SplitRecords(batch, &records, &err)) << err;
    EXPECT_EQ(records, Recs(1, 2));
}

TEST_F(Queue, AHugeStagingFileIsReadFromItsEnd) {
    // 70 MiB of garbage in one line, then two records.
    testsupport::WriteFile(staging,
                           std::string(70 << 20, 'x') + "\n" + Rec(1) + "\n" + Rec(2) + "\n");
    Consumer c(staging, "u", transport);
    testsupport::LogCapture log;
    EXPECT_TRUE(c.HasPending());
    EXPECT_EQ(c.Snapshot(), Recs(1, 2));
    EXPECT_EQ(log.Count("damaged"), 0) << log.Text();
}

TEST_F(Queue, CheckpointKeepsTheQueue) {
    Consumer c(staging, "u", transport);
    c.Send(Rec(1));
    EXPECT_TRUE(c.SaveStaging(std::chrono::milliseconds(100)));
    EXPECT_EQ(testsupport::ReadFile(staging), Rec(1) + "\n");
    EXPECT_EQ(c.Snapshot(), Recs(1, 1));
}

TEST_F(Queue, AStagingPathThatIsAFolderLosesNothingSilently) {
    testsupport::MakeDirs(staging);
    testsupport::LogCapture log;
    {
        Consumer c(staging, "u", transport);
        c.Send(Rec(1));
    }
    EXPECT_EQ(log.Count("Cannot keep 1 unsent records in " + staging), 1) << log.Text();
}

TEST(HandOver, FirstHandOverRunsOnAWorkerAndIsJoined) {
    beacon_analytics::SetLastSendOk(false);
    std::atomic<int> pending{0};
    std::atomic<int> flushes{0};
    testsupport::LogCapture log;
    {
        beacon_analytics::Sender s(pending, [&] {
            ++flushes;
            return true;
        });
        s.Deliver(false);
        s.WaitAll();
        EXPECT_EQ(pending.load(), 1);
        s.Deliver(true);
    }  // the destructor joins the flush-now worker
    EXPECT_EQ(flushes.load(), 1);
    EXPECT_EQ(pending.load(), 0);
    EXPECT_EQ(log.Count("[Beacon] Sending messages asynchronously"), 2);
}

TEST(HandOver, FlushNowSendsNothingWhileNothingIsPending) {
    beacon_analytics::SetLastSendOk(true);
    std::atomic<int> pending{0};
    int flushes = 0;
    beacon_analytics::Sender s(pending, [&] {
        ++flushes;
        return false;
    });
    testsupport::LogCapture log;
    s.Deliver(true);
    EXPECT_EQ(flushes, 0);
    pending = 2;
    s.Deliver(true);  // after a good send: on this thread, three attempts
    EXPECT_EQ(flushes, 3);
    EXPECT_EQ(pending.load(), 2);
    EXPECT_EQ(log.Count("Sending messages asynchronously"), 0);
}

TEST(HandOver, CrashWaitIsBounded) {
    beacon_analytics::SetLastSendOk(false);
    std::atomic<int> pending{1};
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    beacon_analytics::Sender s(pending, [&] {
        std::unique_lock<std::mutex> g(m);
        cv.wait(g, [&] { return release; });
        return true;
    });
    s.Deliver(true);
    EXPECT_FALSE(s.WaitAllFor(std::chrono::milliseconds(20)));
    {
        std::lock_guard<std::mutex> g(m);
        release = true;
    }
    cv.notify_all();
    EXPECT_TRUE(s.WaitAllFor(std::chrono::seconds(60)));
}

}  // namespace
