#include "SkinFixture.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <fstream>
#include <iterator>

#include "platform/Resources.h"
#include "ui/SequenceControls.h"
#include "ui/WndShadow.h"

using namespace Toolkit;

namespace uitest {

namespace {

void FailOnLayout(const std::wstring& layoutFile, const std::string& reason) {
    ADD_FAILURE() << "layout " << std::string(layoutFile.begin(), layoutFile.end())
                  << " failed: " << reason;
}

// Pango keeps its font map and fontconfig its caches for the life of the
// process; releasing them at the end keeps the leak checker to our own code.
class FontCacheRelease : public ::testing::Environment {
public:
    void TearDown() override {
        pango_cairo_font_map_set_default(nullptr);
        FcFini();
    }
};
const auto* const g_FontCacheRelease = ::testing::AddGlobalTestEnvironment(new FontCacheRelease);

}  // namespace

const std::vector<uint8_t>& PackageBytes() {
    static const std::vector<uint8_t> bytes = [] {
        std::ifstream in(LUMORA_TEST_SKIN_PACKAGE, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }();
    return bytes;
}

void SkinTest::SetUp() {
    ASSERT_FALSE(PackageBytes().empty()) << "no skin package at " << LUMORA_TEST_SKIN_PACKAGE;
    Platform::RegisterResource("ZIPRES", 147, PackageBytes().data(), PackageBytes().size());
    UseHeadlessBackend();
    ASSERT_NE(CHeadlessBackend::Current(), nullptr);
    Backend().SetManualClock(true);
    WindowImplBase::SetLayoutFailureHandler(FailOnLayout);
    CWndShadow::Initialize();
}

void SkinTest::TearDown() { CMessageLoop::Instance().ClearQuit(); }

OwnerWindow::OwnerWindow() : CSkinFrame(SkinDescription::ForLayout(L"MainWnd.xml")) {}

CControlUI* OwnerWindow::CreateControl(const std::wstring& className) {
    return CreateSequenceControl(className);
}

LResult OwnerWindow::HandleMessage(uint32_t msg, WParam wParam, LParam lParam) {
    if (msg == kReportMessage) reports.push_back(wParam);
    return CSkinFrame::HandleMessage(msg, wParam, lParam);
}

bool OwnerWindow::Open() {
    return Create(0, L"Lumora", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0) != 0 &&
           GetManager().GetRoot() != nullptr;
}

}  // namespace uitest
