#pragma once
// Shared set-up of the UI tests: the headless backend with a manual clock,
// the skin package registered as the executable's resource "ZIPRES" 147, a
// layout failure that fails the test instead of ending the process, and an
// owner window built from the main layout.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "toolkit/Toolkit.h"
#include "toolkit/backend/headless/HeadlessBackend.h"
#include "ui/SkinFrame.h"

namespace uitest {

// Readable names for table cases, from their `what` descriptions.
template <class Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    std::string name;
    bool upper = true;
    for (const char* p = info.param.what; *p; ++p) {
        if (std::isalnum(static_cast<unsigned char>(*p))) {
            name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(*p))) : *p;
            upper = false;
        } else {
            upper = true;
        }
    }
    return name;
}

// The bytes of the skin package the build packed from skin/.
const std::vector<uint8_t>& PackageBytes();

class SkinTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    Toolkit::CHeadlessBackend& Backend() { return *Toolkit::CHeadlessBackend::Current(); }
};

// The main layout as a plain skinned window that records the messages 2024
// posted to it.
class OwnerWindow : public CSkinFrame {
public:
    OwnerWindow();
    Toolkit::CControlUI* CreateControl(const std::wstring& className) override;
    Toolkit::LResult HandleMessage(uint32_t msg, Toolkit::WParam wParam,
                                   Toolkit::LParam lParam) override;
    bool Open();

    std::vector<Toolkit::WParam> reports;
};

constexpr uint32_t kReportMessage = Toolkit::WM_USER + 1000;

}  // namespace uitest
