// The main of every test executable: each test runs in its own temporary
// home (HOME, XDG_* and TMPDIR), made before the test and removed after it.
#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "support/TempHome.h"

namespace {

// True while a live (not zombie) process runs under one of the product's
// names: a product that a test started detached may still be finishing when
// the next test asks whether the product runs.
bool ProductProcessRuns() {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string pid = e.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(e.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const size_t open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close + 2 >= line.size())
            continue;
        const std::string comm = line.substr(open + 1, close - open - 1);
        const char state = line[close + 2];
        if (state == 'Z' || state == 'X') continue;
        if (comm == "lumoraapp.exe" || comm == "lumoratool_un_a") return true;
    }
    return false;
}

void WaitForProductProcesses() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ProductProcessRuns() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

class TempHomePerTest : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        WaitForProductProcesses();
        m_Home = std::make_unique<testsupport::TempHome>();
    }
    void OnTestEnd(const testing::TestInfo&) override {
        WaitForProductProcesses();
        m_Home.reset();
    }
    std::unique_ptr<testsupport::TempHome> m_Home;
};

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new TempHomePerTest);
    return RUN_ALL_TESTS();
}
