#include "utils/Md5.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "DownloadTestUtil.h"
#include "download/Md5Follower.h"
#include "download/PartFileWriter.h"
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

TEST(Md5Follower, DigestsFilesInOrderWhileTheyAreWritten) {
    // Two parts, the first with bytes of an earlier run already in it; a
    // writer thread appends the rest while the digest follows.
    const std::string whole = testsupport::MakeContent(5 << 20, 9);
    const size_t split = 3 << 20, prefix = 700000;
    const std::string p0 = dltest::TempPath("p_0"), p1 = dltest::TempPath("p_1");
    testsupport::WriteFile(p0, whole.substr(0, prefix));
    testsupport::WriteFile(p1, "");
    CMd5Follower follower({p0, p1});
    std::thread writer([&] {
        CPartFileWriter w0, w1;
        ASSERT_TRUE(w0.Open(p0));
        ASSERT_TRUE(w1.Open(p1));
        w0.Follow(&follower, 0);
        w1.Follow(&follower, 1);
        // Small pieces go through the buffer, large ones straight to the
        // file: their order must hold either way.
        size_t piece = 16384;
        auto next = [&] { return piece = piece == 16384 ? 300000 : 16384; };
        for (size_t at = prefix; at < split; at += piece, next())
            ASSERT_TRUE(w0.Write(whole.data() + at, std::min<size_t>(piece, split - at)));
        for (size_t at = split; at < whole.size(); at += piece, next())
            ASSERT_TRUE(w1.Write(whole.data() + at, std::min<size_t>(piece, whole.size() - at)));
        EXPECT_TRUE(w0.Close());
        EXPECT_TRUE(w1.Close());
    });
    writer.join();
    EXPECT_EQ(
        follower.Finish({static_cast<int64_t>(split), static_cast<int64_t>(whole.size() - split)}),
        testsupport::Md5Hex(whole));
}

TEST(Md5Follower, AFileShorterThanItsLengthOrUnreadableGivesNoDigest) {
    const std::string p = dltest::TempPath("p");
    testsupport::WriteFile(p, std::string(1000, 'x'));
    {
        CMd5Follower follower({p});
        EXPECT_EQ(follower.Finish({2000}), "");
    }
    {
        CMd5Follower follower({p});
        follower.FailReadsAtForTest(500);
        EXPECT_EQ(follower.Finish({1000}), "");
    }
    {
        CMd5Follower follower({dltest::TempPath("missing")});
        EXPECT_EQ(follower.Finish({0}), "");
    }
    {
        CMd5Follower follower({p});
        EXPECT_EQ(follower.Finish({1000}), testsupport::Md5Hex(std::string(1000, 'x')));
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
