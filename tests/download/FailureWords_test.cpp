// The plain words for what a downloader saw, for the cases a loopback server
// cannot produce (an unknown host, an unreachable network, a full disk).
#include "download/FailureWords.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "utils/Text.h"

namespace {

using DownloadWords::CurlSeen;

CurlSeen Seen(int result, const std::string& host = "dl.example.com") {
    CurlSeen s;
    s.result = result;
    s.host = host;
    return s;
}

TEST(FailureWords, NameWhatTheRequestSawAndTheHost) {
    const struct {
        const char* name;
        CurlSeen seen;
        std::wstring words;
    } cases[] = {
        {"unknown host", Seen(CURLE_COULDNT_RESOLVE_HOST),
         L"cannot resolve the host dl.example.com"},
        {"refused",
         [] {
             CurlSeen s = Seen(CURLE_COULDNT_CONNECT, "10.0.0.7");
             s.osErrno = ECONNREFUSED;
             return s;
         }(),
         L"connection refused by 10.0.0.7"},
        {"unreachable",
         [] {
             CurlSeen s = Seen(CURLE_COULDNT_CONNECT);
             s.osErrno = ENETUNREACH;
             return s;
         }(),
         L"no route to dl.example.com (the network is unreachable)"},
        {"connect timeout", Seen(CURLE_OPERATION_TIMEDOUT),
         L"the connection to dl.example.com timed out"},
        {"stall",
         [] {
             CurlSeen s = Seen(CURLE_OPERATION_TIMEDOUT);
             s.connected = true;
             s.seconds = 31;
             return s;
         }(),
         L"the download from dl.example.com stalled: less than 1 byte/s for 30 s"},
        {"head limit",
         [] {
             CurlSeen s = Seen(CURLE_OPERATION_TIMEDOUT);
             s.connected = true;
             s.seconds = 60.0;
             return s;
         }(),
         L"dl.example.com did not answer within 60 s"},
        {"certificate",
         [] {
             CurlSeen s = Seen(CURLE_PEER_FAILED_VERIFICATION);
             s.certProblem = "self-signed certificate";
             s.certIssuer = "/CN=dl.example.com";
             return s;
         }(),
         L"the TLS certificate of dl.example.com is not trusted by this system: self-signed "
         L"certificate (issued by /CN=dl.example.com)"},
        {"status with phrase",
         [] {
             CurlSeen s = Seen(CURLE_HTTP_RETURNED_ERROR);
             s.status = 404;
             s.reason = "Gone Fishing";
             return s;
         }(),
         L"dl.example.com answered HTTP status 404 (Gone Fishing)"},
        {"status without phrase",
         [] {
             CurlSeen s = Seen(CURLE_HTTP_RETURNED_ERROR);
             s.status = 503;
             return s;
         }(),
         L"dl.example.com answered HTTP status 503 (Service Unavailable)"},
        {"redirect loop", Seen(CURLE_TOO_MANY_REDIRECTS),
         L"redirect loop: dl.example.com sent more than 30 redirects"},
        {"cut", Seen(CURLE_PARTIAL_FILE),
         L"the connection to dl.example.com broke off before the end of the file"},
        {"anything else",
         [] {
             CurlSeen s = Seen(CURLE_SEND_ERROR);
             s.libraryText = "Send failure: Broken pipe";
             return s;
         }(),
         L"Send failure: Broken pipe (dl.example.com)"},
    };
    DownloadWords::Limits limits;
    limits.stallSeconds = 30;
    limits.overallSeconds = 60;
    for (const auto& c : cases)
        EXPECT_EQ(DownloadWords::DescribeCurl(c.seen, limits), c.words) << c.name;
}

TEST(FailureWords, SizesFilesAndDigests) {
    EXPECT_EQ(DownloadWords::SizeRefused("h", 921600, 1048576),
              L"the file at h is 921600 bytes, smaller than 1 MiB");
    EXPECT_EQ(DownloadWords::SizeRefused("h", 17, 256),
              L"the file at h is 17 bytes, smaller than 256 bytes");
    EXPECT_EQ(DownloadWords::SizeRefused("h", -1, 1048576), L"h did not say the size of the file");
    EXPECT_EQ(DownloadWords::WriteFailed("/d/pkg.exe", ENOSPC),
              L"the disk is full (writing /d/pkg.exe)");
    EXPECT_EQ(DownloadWords::WriteFailed("/d/pkg.exe", EDQUOT),
              L"the disk is full (writing /d/pkg.exe)");
    EXPECT_EQ(DownloadWords::WriteFailed("/d/pkg.exe", EFBIG),
              L"the file /d/pkg.exe cannot grow any further (file too large)");
    EXPECT_NE(DownloadWords::WriteFailed("/d/pkg.exe", EACCES).find(L"cannot write /d/pkg.exe: "),
              std::wstring::npos);
    EXPECT_EQ(DownloadWords::DigestMismatch("aa", "bb"),
              L"the downloaded file does not match its digest: expected aa, got bb");
    EXPECT_NE(DownloadWords::DigestMismatch("aa", "").find(L"could not be computed"),
              std::wstring::npos);
}

TEST(FailureWords, HostOfAnAddress) {
    EXPECT_EQ(DownloadWords::HostOf("http://127.0.0.1:8080/a/b.exe"), "127.0.0.1");
    EXPECT_EQ(DownloadWords::HostOf("https://user@dl.example.com/x"), "dl.example.com");
    EXPECT_EQ(DownloadWords::HostOf("not an address"), "not an address");
}

}  // namespace
