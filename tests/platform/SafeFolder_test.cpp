#include "platform/SafeFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;
constexpr uid_t kNobody = 65534;

std::string Home(const std::string& name) { return testsupport::CurrentTestHome() + "/" + name; }

std::string Dir(const std::string& name, mode_t mode) {
    const std::string p = Home(name);
    fs::create_directories(p);
    ::chmod(p.c_str(), mode);
    return p;
}

struct Case {
    const char* what;
    bool rootOnly;
    // Builds the case in the test's home; gives the folder to check.
    std::string (*make)();
    bool accepted;
    const char* reason;  // part of the refusal's text
};

}  // namespace

TEST(SafeFolder, FoldersOthersCanChangeAreRefusedPrivateOnesAccepted) {
    const Case cases[] = {
        {"a private folder", false,
         [] {
             Dir("a", 0755);
             return Dir("a/lumoratool", 0755);
         },
         true, ""},
        {"a folder anyone may write", false, [] { return Dir("b/lumoratool", 0777); }, false,
         "can be written by other users (mode 0777)"},
        {"a folder the group may write", false, [] { return Dir("c/lumoratool", 0775); }, false,
         "can be written by other users"},
        {"a parent anyone may write, not sticky", false,
         [] {
             Dir("d", 0777);
             return Dir("d/lumoratool", 0755);
         },
         false, "/d can be written by other users (mode 0777)"},
        {"our folder in a sticky shared parent", false,
         [] {
             Dir("e", 01777);
             return Dir("e/lumoratool", 0755);
         },
         true, ""},
        {"a link planted where the folder would be", false,
         [] {
             const std::string target = Dir("f-target", 0755);
             Dir("f", 0755);
             fs::create_directory_symlink(target, Home("f/lumoratool"));
             return Home("f/lumoratool");
         },
         false, "is a symbolic link"},
        {"our link above a private folder", false,
         [] {
             Dir("g-target/lumoratool", 0755);
             fs::create_directory_symlink(Home("g-target"), Home("g"));
             return Home("g/lumoratool");
         },
         true, ""},
        {"our link to a place under a parent anyone may write", false,
         [] {
             Dir("h-open", 0777);
             Dir("h-open/x/lumoratool", 0755);
             ::chmod(Home("h-open/x").c_str(), 0755);
             fs::create_directory_symlink(Home("h-open/x"), Home("h"));
             return Home("h/lumoratool");
         },
         false, "h-open can be written by other users"},
        {"a folder another user made", true,
         [] {
             const std::string p = Dir("i/lumoratool", 0755);
             (void)!::chown(p.c_str(), kNobody, kNobody);
             return p;
         },
         false, "belongs to another user (uid 65534)"},
        {"a parent another user owns", true,
         [] {
             Dir("j/lumoratool", 0755);
             (void)!::chown(Home("j").c_str(), kNobody, kNobody);
             return Home("j/lumoratool");
         },
         false, "/j belongs to another user"},
        {"a sticky shared parent another user owns", true,
         [] {
             Dir("k/lumoratool", 0755);
             ::chmod(Home("k").c_str(), 01777);
             (void)!::chown(Home("k").c_str(), kNobody, kNobody);
             return Home("k/lumoratool");
         },
         false, "/k belongs to another user"},
        {"a link another user planted above the folder", true,
         [] {
             Dir("l-target/lumoratool", 0755);
             fs::create_directory_symlink(Home("l-target"), Home("l"));
             (void)!::lchown(Home("l").c_str(), kNobody, kNobody);
             return Home("l/lumoratool");
         },
         false, "is a link that belongs to another user"},
    };
    for (const Case& c : cases) {
        if (c.rootOnly && ::geteuid() != 0) continue;  // chown to another user needs root
        const std::string dir = c.make();
        std::string why;
        EXPECT_EQ(Platform::IsPrivateFolderTree(dir, &why), c.accepted) << c.what << ": " << why;
        if (!c.accepted) {
            EXPECT_NE(why.find(c.reason), std::string::npos) << c.what << ": " << why;
        }
    }
    if (::geteuid() != 0) GTEST_SKIP() << "the cases of other users' folders need root";
}

TEST(SafeFolder, AProgramMustBeOursAndUnchangeableByOthers) {
    const std::string dir = Dir("p", 0755);
    auto file = [&](const char* name, mode_t mode) {
        const std::string f = dir + "/" + name;
        testsupport::WriteFile(f, "#!/bin/sh\n");
        ::chmod(f.c_str(), mode);
        return f;
    };
    std::string why;
    EXPECT_TRUE(Platform::IsPrivateFile(file("ok.exe", 0755), &why)) << why;
    EXPECT_FALSE(Platform::IsPrivateFile(file("open.exe", 0775), &why));
    EXPECT_NE(why.find("can be written by other users"), std::string::npos) << why;
    fs::create_symlink(dir + "/ok.exe", dir + "/link.exe");
    EXPECT_FALSE(Platform::IsPrivateFile(dir + "/link.exe", &why));
    EXPECT_NE(why.find("symbolic link"), std::string::npos) << why;
    EXPECT_FALSE(Platform::IsPrivateFile(dir + "/missing.exe", &why));
    const std::string open = Dir("q", 0777);
    testsupport::WriteFile(open + "/pkg.exe", "x");
    ::chmod((open + "/pkg.exe").c_str(), 0755);
    EXPECT_FALSE(Platform::IsPrivateFile(open + "/pkg.exe", &why));
    EXPECT_NE(why.find("can be written by other users"), std::string::npos) << why;
}
