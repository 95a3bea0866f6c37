#include "utils/Md5.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "DownloadTestUtil.h"
#include "support/LoopbackHttpServer.h"
#include "support/TempHome.h"

namespace {

TEST(UrlMd5, TakesTheSecondToLastPathElement) {
    const struct {
        const char* url;
        const char* expected;
    } cases[] = {
        {"http://h/x/d41d8cd98f00b204e9800998ecf8427e/setup.exe",
         "d41d8cd98f00b204e9800998ecf8427e"},
        {"http://h/D41D8CD98F00B204E9800998ECF8427E/setup.exe", "D41D8CD98F00B204E9800998ECF8427E"},
        {"http://host/setup.exe", "host"},
        {"setup.exe", ""},
        {"a/setup.exe", ""},
        {"/a/b", "a"},
        {"http://h/a/b/", "b"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Utils::GetUrlMd5(c.url), c.expected) << c.url;
}

TEST(FileMd5, MatchesKnownDigestsAcrossBlockBoundaries) {
    const struct {
        std::string bytes;
        const char* expected;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"The quick brown fox jumps over the lazy dog", "9e107d9d372bb6826bd81d3542a419d6"},
    };
    for (const auto& c : cases) {
        const std::string path = dltest::TempPath("f.bin");
        testsupport::WriteFile(path, c.bytes);
        EXPECT_EQ(Utils::GetFileMd5(path), c.expected);
    }
    // Sizes around the 1024-byte reads and the stream buffer.
    for (size_t size : {1023u, 1024u, 1025u, (1u << 20) + 1, 3u << 20}) {
        const std::string bytes = testsupport::MakeContent(size, static_cast<uint32_t>(size));
        const std::string path = dltest::TempPath("g.bin");
        testsupport::WriteFile(path, bytes);
        EXPECT_EQ(Utils::GetFileMd5(path), testsupport::Md5Hex(bytes)) << size;
    }
}

TEST(FileMd5, MissingOrUnreadableFileGivesEmpty) {
    EXPECT_EQ(Utils::GetFileMd5(dltest::TempPath("missing")), "");
    // A directory opens but cannot be read.
    EXPECT_EQ(Utils::GetFileMd5(dltest::TempPath("")), "");
}

TEST(Md5Stream, PiecesGiveTheWholeDigest) {
    const std::string bytes = testsupport::MakeContent(100000, 7);
    for (size_t piece : {1u, 1000u, 65536u, 100000u}) {
        Utils::Md5Stream md5;
        for (size_t at = 0; at < bytes.size(); at += piece)
            md5.Update(bytes.data() + at, std::min(piece, bytes.size() - at));
        EXPECT_EQ(md5.Final(), testsupport::Md5Hex(bytes)) << piece;
    }
}

TEST(Md5Equal, IgnoresCaseButNotDigits) {
    EXPECT_TRUE(
        Utils::Md5Equal("d41d8cd98f00b204e9800998ecf8427e", "D41D8CD98F00B204E9800998ECF8427E"));
    EXPECT_FALSE(
        Utils::Md5Equal("d41d8cd98f00b204e9800998ecf8427e", "d41d8cd98f00b204e9800998ecf8427f"));
    EXPECT_FALSE(
        Utils::Md5Equal("d41d8cd98f00b204e9800998ecf8427", "d41d8cd98f00b204e9800998ecf8427"));
}

}  // namespace
