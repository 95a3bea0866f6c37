// The diagnostic command against the loopback server.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "DownloadTestUtil.h"
#include "platform/ChildProcess.h"
#include "support/LoopbackHttpServer.h"
#include "support/TempHome.h"

namespace {

using testsupport::DigestPath;
using testsupport::LoopbackHttpServer;
using testsupport::MakeContent;
using testsupport::ServedFile;

struct ToolRun {
    int exitCode = -1;
    std::vector<std::string> lines;
};

ToolRun RunTool(const std::string& args) {
    ToolRun run;
    const std::string cmd = std::string(LUMORA_DOWNLOAD_TOOL) + " " + args + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return run;
    char buf[4096];
    while (fgets(buf, sizeof buf, p)) {
        std::string line(buf);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        run.lines.push_back(line);
    }
    int status = pclose(p);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::vector<std::string> Codes(const ToolRun& run) {
    std::vector<std::string> out;
    for (const auto& l : run.lines) {
        std::string code = l.substr(0, l.find('\t'));
        if (code != std::to_string(DL_CODE_PROGRESS)) out.push_back(l);
    }
    return out;
}

// One printed report: "<code>\t<value>\t<text>".
std::string Line(int code, const std::string& value, const std::string& text = "") {
    return std::to_string(code) + "\t" + value + "\t" + text;
}

TEST(LumoraDownloadTool, PrintsEveryReportAndExitsWithTheOutcome) {
    LoopbackHttpServer server;
    const std::string body = MakeContent(2 << 20);
    const std::string good = DigestPath(body);
    const std::string bad = DigestPath("other");
    server.ServeBytes(good, body);
    server.ServeBytes(bad, body);
    const std::string file = dltest::TempPath("pkg.exe");

    const struct {
        std::string args;
        int exitCode;
        std::vector<std::string> lines;
    } cases[] = {
        {"--type=1 " + server.Url(good) + " " + file,
         0,
         {Line(DL_CODE_START, "1"), Line(DL_CODE_SUCCESS, "0", "LibCurl")}},
        {"--type=3 " + server.Url(good) + " " + file,
         0,
         {Line(DL_CODE_START, "1"), Line(DL_CODE_SUCCESS, "0", "LibCurl")}},
        {"--type=2 " + server.Url(good) + " " + file,
         0,
         {Line(DL_CODE_START, "1"), Line(DL_CODE_SUCCESS, "0", "URLDownloadToFile")}},
        // A digest mismatch is retried once, as the pipeline does.
        {"--type=3 " + server.Url(bad) + " " + file,
         1,
         {Line(DL_CODE_START, "1"), Line(DL_CODE_ERROR, "0", "mtcurl文件md5校验失败"),
          Line(DL_CODE_RETRY, "0", "LibCurl"), Line(DL_CODE_START, "1"),
          Line(DL_CODE_ERROR, "0", "mtcurl文件md5校验失败"), Line(DL_CODE_FAIL, "0", "LibCurl")}},
    };
    for (const auto& c : cases) {
        ToolRun run = RunTool(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args;
        EXPECT_EQ(Codes(run), c.lines) << c.args;
        EXPECT_EQ(testsupport::FileExists(file) && testsupport::ReadFile(file) == body,
                  c.exitCode == 0)
            << c.args;
        std::remove(file.c_str());
    }
}

TEST(LumoraDownloadTool, SaysWhyADownloadFailed) {
    int port;
    {
        LoopbackHttpServer gone;
        port = gone.Port();
    }
    const std::string err = dltest::TempPath("err.txt");
    const std::string file = dltest::TempPath("pkg.exe");
    const std::string cmd = std::string(LUMORA_DOWNLOAD_TOOL) +
                            " --type=3 http://127.0.0.1:" + std::to_string(port) + "/setup.exe " +
                            file + " >/dev/null 2>" + err;
    const int status = std::system(cmd.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1);
    EXPECT_NE(testsupport::ReadFile(err).find("lumora-download: connection refused by 127.0.0.1\n"),
              std::string::npos);
}

TEST(LumoraDownloadTool, RejectsBadUsage) {
    EXPECT_EQ(RunTool("").exitCode, 2);
    EXPECT_EQ(RunTool("--type=x http://127.0.0.1:1/a b").exitCode, 2);
    EXPECT_EQ(RunTool("--bogus http://127.0.0.1:1/a b").exitCode, 2);
    ToolRun help = RunTool("--help");
    EXPECT_EQ(help.exitCode, 0);
    ASSERT_FALSE(help.lines.empty());
    EXPECT_NE(help.lines[0].find("usage: lumora-download"), std::string::npos);
}

// lumora-download as a child of the test (with the test's environment), for
// a test that kills it mid-download.
class ToolChild {
public:
    ToolChild(int type, const std::string& url, const std::string& file) {
        Platform::PipeEnds out, err;
        std::string why;
        EXPECT_TRUE(Platform::MakePipe(out, &why) && Platform::MakePipe(err, &why)) << why;
        m_Out = out.read;
        m_Err = err.read;
        EXPECT_TRUE(Platform::SpawnChild(
            LUMORA_DOWNLOAD_TOOL, {"lumora-download", "--type=" + std::to_string(type), url, file},
            -1, out.write, err.write, &m_Pid, &why))
            << why;
        Platform::CloseFd(out.write);
        Platform::CloseFd(err.write);
    }
    ~ToolChild() {
        if (m_Pid > 0) KillNow();
        Platform::CloseFd(m_Out);
        Platform::CloseFd(m_Err);
    }

    // Reads reports until a progress report of at least `fraction`; false
    // when the tool ended or nothing came in time.
    bool WaitForProgress(double fraction) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            size_t end;
            while ((end = m_Buffer.find('\n')) != std::string::npos) {
                const std::string line = m_Buffer.substr(0, end);
                m_Buffer.erase(0, end + 1);
                const std::string progress = std::to_string(DL_CODE_PROGRESS) + "\t";
                if (line.rfind(progress, 0) == 0 &&
                    std::stod(line.substr(progress.size())) >= fraction)
                    return true;
            }
            uint64_t drained = 0;
            if (Platform::ReadOutputDraining(m_Out, m_Err, m_Buffer, 1000, &drained) ==
                Platform::PipeRead::End)
                return false;
        }
        return false;
    }

    // As a power cut or a crash would: no chance to clean up.
    void KillNow() {
        ::kill(m_Pid, SIGKILL);
        Platform::WaitForEnd(m_Pid);
        m_Pid = -1;
    }

private:
    int m_Pid = -1;
    int m_Out = -1, m_Err = -1;
    std::string m_Buffer;
};

struct ResumeCase {
    int type;
    size_t size;
};

class ResumeAcrossRuns : public testing::TestWithParam<ResumeCase> {
protected:
    // The files a killed run leaves: the side file (type 1) or the parts.
    std::vector<std::string> Leftovers() const {
        if (GetParam().type == 1) return {file + ".part"};
        return {file + "_0", file + "_1"};
    }
    std::string Companion() const {
        return GetParam().type == 1 ? file + ".part.url" : file + "_parts.url";
    }
    // Starts the tool on a slow server and kills it once a good part arrived.
    std::vector<int64_t> KillMidway(const std::string& path) {
        ServedFile slow;
        slow.body = body;
        slow.rateLimit = 2 << 20;
        server.Serve(path, slow);
        ToolChild child(GetParam().type, server.Url(path), file);
        EXPECT_TRUE(child.WaitForProgress(0.3));
        child.KillNow();
        std::vector<int64_t> sizes;
        for (const auto& part : Leftovers()) sizes.push_back(dltest::FileSize(part));
        server.ServeBytes(path, body);  // the next run gets it at full speed
        server.ClearLog();
        return sizes;
    }
    std::vector<std::string> GetRanges() const {
        std::vector<std::string> out;
        for (const auto& r : server.Requests())
            if (r.method == "GET") out.push_back(r.range);
        std::sort(out.begin(), out.end());
        return out;
    }
    void ExpectNothingLeft() const {
        for (const auto& part : Leftovers()) EXPECT_FALSE(testsupport::FileExists(part)) << part;
        EXPECT_FALSE(testsupport::FileExists(Companion()));
    }

    LoopbackHttpServer server;
    const std::string body = MakeContent(GetParam().size, 5);
    const std::string file = dltest::TempPath("pkg.exe");
};

TEST_P(ResumeAcrossRuns, AKilledDownloadResumesFromWhatItLeft) {
    const std::string path = DigestPath(body);
    const std::vector<int64_t> sizes = KillMidway(path);
    ASSERT_TRUE(testsupport::FileExists(Companion()));
    for (int64_t size : sizes) ASSERT_GT(size, 0);

    ToolRun rerun =
        RunTool("--type=" + std::to_string(GetParam().type) + " " + server.Url(path) + " " + file);
    EXPECT_EQ(rerun.exitCode, 0);
    EXPECT_TRUE(testsupport::ReadFile(file) == body);
    EXPECT_EQ(server.Count("HEAD", path), 1);
    if (GetParam().type == 1) {
        EXPECT_EQ(GetRanges(), std::vector<std::string>{"bytes=" + std::to_string(sizes[0]) + "-"});
    } else {
        const int64_t half = static_cast<int64_t>(body.size() / 2);
        std::vector<std::string> want = {
            "bytes=" + std::to_string(sizes[0]) + "-" + std::to_string(half - 1),
            "bytes=" + std::to_string(half + sizes[1]) + "-" + std::to_string(body.size() - 1)};
        std::sort(want.begin(), want.end());
        EXPECT_EQ(GetRanges(), want);
    }
    ExpectNothingLeft();
}

TEST_P(ResumeAcrossRuns, AnotherAddressStartsFromZero) {
    KillMidway(DigestPath(body));
    const std::string other = DigestPath(body, "mirror.exe");
    server.ServeBytes(other, body);
    ToolRun rerun =
        RunTool("--type=" + std::to_string(GetParam().type) + " " + server.Url(other) + " " + file);
    EXPECT_EQ(rerun.exitCode, 0);
    EXPECT_TRUE(testsupport::ReadFile(file) == body);
    const int64_t half = static_cast<int64_t>(body.size() / 2);
    const std::vector<std::string> fromZero =
        GetParam().type == 1 ? std::vector<std::string>{""}
                             : std::vector<std::string>{"bytes=0-" + std::to_string(half - 1),
                                                        "bytes=" + std::to_string(half) + "-" +
                                                            std::to_string(body.size() - 1)};
    EXPECT_EQ(GetRanges(), fromZero);
    ExpectNothingLeft();
}

TEST_P(ResumeAcrossRuns, WithoutADigestInTheAddressNothingIsResumed) {
    KillMidway("/setup.exe");
    EXPECT_FALSE(testsupport::FileExists(Companion()));
    ToolRun rerun = RunTool("--type=" + std::to_string(GetParam().type) + " " +
                            server.Url("/setup.exe") + " " + file);
    EXPECT_EQ(rerun.exitCode, 0);
    EXPECT_TRUE(testsupport::ReadFile(file) == body);
    for (const auto& range : GetRanges()) {
        EXPECT_TRUE(range.empty() || range.rfind("bytes=0-", 0) == 0 ||
                    range == "bytes=" + std::to_string(body.size() / 2) + "-" +
                                 std::to_string(body.size() - 1))
            << range;
    }
    ExpectNothingLeft();
}

INSTANTIATE_TEST_SUITE_P(Types, ResumeAcrossRuns,
                         testing::Values(ResumeCase{1, 6 << 20}, ResumeCase{3, 20 << 20}),
                         [](const testing::TestParamInfo<ResumeCase>& info) {
                             return "Type" + std::to_string(info.param.type);
                         });

}  // namespace
