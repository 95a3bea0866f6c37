#pragma once
// Shared pieces of the toolkit tests: a headless backend with a manual
// clock per test, the test skin (embedded as "ZIPRES" 147 in the test
// executable, and on disk under data/), and a window that records what it
// is told.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "toolkit/Toolkit.h"
#include "toolkit/backend/headless/HeadlessBackend.h"
#include "utils/Text.h"

namespace tktest {

inline std::wstring DataDir() { return Utils::FromUtf8(TOOLKIT_TEST_DATA) + L"/"; }
inline std::wstring SkinDir() { return DataDir() + L"skin/"; }

class HeadlessTest : public testing::Test {
protected:
    void SetUp() override {
        Toolkit::UseHeadlessBackend();
        backend = Toolkit::CHeadlessBackend::Current();
        backend->SetManualClock(true);
        Toolkit::CResourceManager::Instance().Reset();
        Toolkit::CImageCache::Instance().Clear();
        Toolkit::CMessageLoop::Instance().ClearQuit();
        Toolkit::CPaintManagerUI::SetResourcePath(SkinDir());
    }
    void TearDown() override {
        Toolkit::CMessageLoop::Instance().RunPending();
        Toolkit::SetBackend(nullptr);
    }
    Toolkit::CHeadlessBackend* backend = nullptr;
};

// A window over the test skin that records notifications as
// "type name wParam".
class TestWindow : public Toolkit::WindowImplBase {
public:
    std::wstring layout = L"MAINWND.xml";
    Toolkit::ResourceKind kind = Toolkit::ResourceKind::ArchiveResource;
    std::wstring folder = SkinDir();
    std::vector<std::wstring> notes;
    int initCalls = 0;
    std::function<Toolkit::LResult(uint32_t, Toolkit::WParam, Toolkit::LParam, bool&)> custom;
    std::function<Toolkit::CControlUI*(const std::wstring&)> factory;
    std::function<void(Toolkit::TNotifyUI&)> onNotify;

    std::wstring GetWindowClassName() const override { return L"TestWnd"; }
    std::wstring GetLayoutFile() const override { return layout; }
    Toolkit::ResourceKind GetResourceKind() const override { return kind; }
    int GetResourceNumber() const override { return 147; }
    std::wstring GetResourceFolder() const override { return folder; }
    void InitWindow() override { ++initCalls; }
    void Notify(Toolkit::TNotifyUI& msg) override {
        std::wstring name = msg.pSender ? msg.pSender->GetName() : L"";
        if (msg.sType != L"setfocus" && msg.sType != L"killfocus")
            notes.push_back(msg.sType + L" " + name + L" " + std::to_wstring(msg.wParam));
        if (onNotify) onNotify(msg);
        WindowImplBase::Notify(msg);
    }
    Toolkit::LResult HandleCustomMessage(uint32_t msg, Toolkit::WParam w, Toolkit::LParam l,
                                         bool& handled) override {
        if (custom) return custom(msg, w, l, handled);
        return WindowImplBase::HandleCustomMessage(msg, w, l, handled);
    }
    Toolkit::CControlUI* CreateControl(const std::wstring& cls) override {
        return factory ? factory(cls) : nullptr;
    }
    template <class T>
    T* Find(const std::wstring& name) {
        return static_cast<T*>(m_Manager.FindControl(name));
    }
};

// Reads one pixel of an ARGB32 surface as 0xAARRGGBB.
inline uint32_t Pixel(cairo_surface_t* s, int x, int y) {
    cairo_surface_flush(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    return reinterpret_cast<const uint32_t*>(data + y * stride)[x];
}

}  // namespace tktest
