// The main of every test executable: each test runs in its own temporary
// home (HOME, XDG_* and TMPDIR), made before the test and removed after it.
#include <gtest/gtest.h>

#include <clocale>
#include <memory>

#include "support/TempHome.h"

namespace {

class TempHomePerTest : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        m_Home = std::make_unique<testsupport::TempHome>();
    }
    void OnTestEnd(const testing::TestInfo&) override { m_Home.reset(); }
    std::unique_ptr<testsupport::TempHome> m_Home;
};

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new TempHomePerTest);
    return RUN_ALL_TESTS();
}
