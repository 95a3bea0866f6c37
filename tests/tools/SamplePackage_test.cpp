// The sample package's launchers: -dsc=true writes lumora.desktop to the
// desktop folder, -ssc=true to the applications folder, each starting the
// installed product; its uninstaller removes them again, but not a launcher
// that another installation wrote since.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/DevServerProcess.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;

namespace {

std::string Home() { return std::getenv("HOME"); }
std::string Applications() { return std::string(std::getenv("XDG_DATA_HOME")) + "/applications"; }

// In single quotes for sh.
std::string Quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The value of `key` in a desktop entry, with the string escapes undone.
std::string Value(const std::string& entry, const std::string& key) {
    const size_t at = entry.find("\n" + key + "=");
    if (at == std::string::npos) return "(no " + key + ")";
    const size_t from = at + key.size() + 2, to = entry.find('\n', from);
    const std::string raw = entry.substr(from, to - from);
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size()) {
            const char c = raw[++i];
            out += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
        } else {
            out += raw[i];
        }
    }
    return out;
}

// The program Exec= starts: one quoted argument, its escapes and "%%" undone.
std::string ExecProgram(const std::string& entry) {
    const std::string exec = Value(entry, "Exec");
    if (exec.size() < 2 || exec.front() != '"' || exec.back() != '"') return "(not quoted) " + exec;
    std::string out;
    for (size_t i = 1; i + 1 < exec.size(); ++i) {
        if (exec[i] == '\\' && i + 2 < exec.size()) {
            out += exec[++i];
        } else if (exec[i] == '%' && exec[i + 1] == '%') {
            out += '%';
            ++i;
        } else {
            out += exec[i];
        }
    }
    return out;
}

class SamplePackageLaunchers : public testing::Test {
protected:
    void SetUp() override {
        const testsupport::CommandResult built = testsupport::RunCommand(
            std::string(LUMORA_SAMPLE_PACKAGE) + " --out " + Quoted(Home() + "/packages"));
        ASSERT_EQ(built.status, 0) << built.err;
        package = built.out.substr(0, built.out.find('\n'));
        testsupport::MakeDirs(bin);
    }
    // xdg-user-dir as the test wants it: answering `desktop`, or failing
    // when that is empty.
    void FakeXdgUserDir(const std::string& desktop) {
        testsupport::WriteFile(
            bin + "/xdg-user-dir",
            desktop.empty() ? "#!/bin/sh\nexit 1\n" : "#!/bin/sh\necho " + Quoted(desktop) + "\n");
        chmod((bin + "/xdg-user-dir").c_str(), 0755);
    }
    testsupport::CommandResult Install(const std::string& dir, bool desktop, bool menu) {
        return testsupport::RunCommand(
            "PATH=" + Quoted(bin) + ":\"$PATH\" " + Quoted(package) + " /S -console=show" +
            " -dsc=" + (desktop ? "true" : "false") + " -ssc=" + (menu ? "true" : "false") + " " +
            Quoted("/D=" + dir));
    }
    testsupport::CommandResult Uninstall(const std::string& dir) {
        return testsupport::RunCommand(Quoted(dir + "/uninst.ep") + " " + Quoted("_?=" + dir));
    }
    std::string package;
    const std::string bin = testsupport::CurrentTestHome() + "/bin";
    // A folder name that needs every escape of a desktop entry.
    const std::string dir = Home() + "/Apps/my \"odd\" $dir\\with%chars`x`";
};

}  // namespace

TEST_F(SamplePackageLaunchers, EachBoxWritesItsLauncherAndTheUninstallerRemovesIt) {
    struct Case {
        const char* what;
        bool desktop, menu;
        std::string desktopFolder;  // what xdg-user-dir answers ("" fails)
        std::vector<std::string> launchers;
    };
    const std::string chinese = Home() + "/桌面";
    const Case cases[] = {
        {"both boxes",
         true,
         true,
         chinese,
         {chinese + "/lumora.desktop", Applications() + "/lumora.desktop"}},
        {"neither box", false, false, chinese, {}},
        {"desktop without xdg-user-dir's answer",
         true,
         false,
         "",
         {Home() + "/Desktop/lumora.desktop"}},
        {"menu only", false, true, chinese, {Applications() + "/lumora.desktop"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeXdgUserDir(c.desktopFolder);
        const testsupport::CommandResult installed = Install(dir, c.desktop, c.menu);
        ASSERT_EQ(installed.status, 0) << installed.out << installed.err;
        EXPECT_NE(installed.out.find("State=Success"), std::string::npos);
        std::vector<std::string> found;
        for (const std::string& folder : {chinese, Home() + "/Desktop", Applications()}) {
            if (fs::exists(folder + "/lumora.desktop")) found.push_back(folder + "/lumora.desktop");
        }
        std::vector<std::string> expected = c.launchers;
        std::sort(found.begin(), found.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(found, expected);
        for (const std::string& launcher : c.launchers) {
            const std::string entry = "\n" + testsupport::ReadFile(launcher);
            EXPECT_NE(entry.find("\n[Desktop Entry]\n"), std::string::npos) << entry;
            EXPECT_EQ(Value(entry, "Type"), "Application");
            EXPECT_EQ(Value(entry, "Name"), "Lumora");
            EXPECT_EQ(Value(entry, "Path"), dir);
            EXPECT_EQ(ExecProgram(entry), dir + "/lumoraapp.exe") << entry;
            struct stat st {};
            ASSERT_EQ(stat(launcher.c_str(), &st), 0);
            EXPECT_TRUE(st.st_mode & S_IXUSR);
        }
        if (!c.launchers.empty()) {
            // What Exec names is the installed product, and it runs.
            const std::string program =
                ExecProgram("\n" + testsupport::ReadFile(c.launchers.front()));
            EXPECT_EQ(testsupport::RunCommand(Quoted(program)).status, 0);
            EXPECT_TRUE(fs::exists(dir + "/product-started"));
        }
        const testsupport::CommandResult removed = Uninstall(dir);
        ASSERT_EQ(removed.status, 0) << removed.out;
        for (const std::string& launcher : c.launchers) EXPECT_FALSE(fs::exists(launcher));
        EXPECT_FALSE(fs::exists(dir));
    }
}

TEST_F(SamplePackageLaunchers, ALauncherAnotherInstallationWroteSinceStays) {
    FakeXdgUserDir("");
    const std::string first = Home() + "/first", second = Home() + "/second";
    const std::string launcher = Applications() + "/lumora.desktop";
    ASSERT_EQ(Install(first, false, true).status, 0);
    ASSERT_EQ(Install(second, false, true).status, 0);  // writes its own in its place
    ASSERT_EQ(Uninstall(first).status, 0);
    ASSERT_TRUE(fs::exists(launcher));
    EXPECT_EQ(ExecProgram("\n" + testsupport::ReadFile(launcher)), second + "/lumoraapp.exe");
    // A launcher the user keeps there is not the package's either.
    ASSERT_EQ(Uninstall(second).status, 0);
    EXPECT_FALSE(fs::exists(launcher));
    testsupport::WriteFile(launcher, "[Desktop Entry]\nType=Application\nName=Mine\n");
    ASSERT_EQ(Install(first, false, false).status, 0);
    ASSERT_EQ(Uninstall(first).status, 0);
    EXPECT_EQ(testsupport::ReadFile(launcher), "[Desktop Entry]\nType=Application\nName=Mine\n");
}

TEST_F(SamplePackageLaunchers, ALauncherThatCannotBeWrittenIsReportedAndTheInstallStands) {
    FakeXdgUserDir("");
    // The applications folder is a file: no launcher can go there.
    testsupport::MakeDirs(std::getenv("XDG_DATA_HOME"));
    testsupport::WriteFile(Applications(), "not a folder");
    const testsupport::CommandResult installed = Install(dir, true, true);
    EXPECT_EQ(installed.status, 0);
    EXPECT_NE(installed.out.find("State=Success"), std::string::npos);
    EXPECT_NE(installed.err.find("cannot make " + Applications()), std::string::npos)
        << installed.err;
    EXPECT_TRUE(fs::exists(Home() + "/Desktop/lumora.desktop"));
    ASSERT_EQ(Uninstall(dir).status, 0);
    EXPECT_FALSE(fs::exists(Home() + "/Desktop/lumora.desktop"));
    EXPECT_EQ(testsupport::ReadFile(Applications()), "not a folder");
}
