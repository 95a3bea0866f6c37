// The diagnostic command against the loopback server.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "DownloadTestUtil.h"
#include "support/LoopbackHttpServer.h"
#include "support/TempHome.h"

namespace {

using testsupport::DigestPath;
using testsupport::LoopbackHttpServer;
using testsupport::MakeContent;

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

TEST(LumoraDownloadTool, RejectsBadUsage) {
    EXPECT_EQ(RunTool("").exitCode, 2);
    EXPECT_EQ(RunTool("--type=x http://127.0.0.1:1/a b").exitCode, 2);
    EXPECT_EQ(RunTool("--bogus http://127.0.0.1:1/a b").exitCode, 2);
    ToolRun help = RunTool("--help");
    EXPECT_EQ(help.exitCode, 0);
    ASSERT_FALSE(help.lines.empty());
    EXPECT_NE(help.lines[0].find("usage: lumora-download"), std::string::npos);
}

}  // namespace
