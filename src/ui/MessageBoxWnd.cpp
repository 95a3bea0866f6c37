#include "ui/MessageBoxWnd.h"

#include "ui/SequenceControls.h"

using namespace Toolkit;

namespace {

CMessageBoxWnd::ShowHook& Hook() {
    static CMessageBoxWnd::ShowHook hook;
    return hook;
}

template <class T>
T* FindAs(CPaintManagerUI& manager, const wchar_t* name, const wchar_t* cls) {
    CControlUI* control = manager.FindControl(name);
    return control ? static_cast<T*>(control->GetInterface(cls)) : nullptr;
}

}  // namespace

void CMessageBoxWnd::SetShowHook(ShowHook hook) { Hook() = std::move(hook); }

CMessageBoxWnd::CMessageBoxWnd(const SkinDescription& skin) : CSkinFrame(skin) {}

CMessageBoxWnd::~CMessageBoxWnd() = default;

int CMessageBoxWnd::Show(WindowHandle owner, const SkinDescription& skin, const wchar_t* text,
                         const wchar_t* caption) {
    CMessageBoxWnd box(skin);
    // Created hidden: ShowModal shows it once it is centred, so it never
    // appears first at the default place.
    if (box.Create(owner, L"消息框", WS_OVERLAPPEDWINDOW, 0) == 0) return box.m_Result;
    if (text != nullptr && box.m_TextLbl != nullptr) box.m_TextLbl->SetText(text);
    if (caption != nullptr && box.m_CaptionLbl != nullptr) box.m_CaptionLbl->SetText(caption);
    box.CenterWindow();
    if (Hook()) Hook()(box);
    box.ShowModal();
    // ShowModal returns once the window is gone, however it went.
    if (box.IsAlive()) box.DestroyWindow();
    return box.m_Result;
}

LResult CMessageBoxWnd::HandleMessage(uint32_t msg, WParam wParam, LParam lParam) {
    return CSkinFrame::HandleMessage(msg, wParam, lParam);
}

void CMessageBoxWnd::InitWindow() {
    CSkinFrame::InitWindow();
    SetStyle((GetStyle() & 0xFF3EFFFF) | 0x06000000);
    SetExStyle(GetExStyle() & ~WS_EX_TOPMOST);
    m_OkBtn = FindAs<CButtonUI>(m_Manager, L"okBtn", L"Button");
    m_CancelBtn = FindAs<CButtonUI>(m_Manager, L"cancelBtn", L"Button");
    m_TextLbl = FindAs<CLabelUI>(m_Manager, L"textLbl", L"Label");
    m_CaptionLbl = FindAs<CLabelUI>(m_Manager, L"captionLbl", L"Label");
}

void CMessageBoxWnd::OnClick(TNotifyUI& msg) {
    const std::wstring name = msg.pSender ? msg.pSender->GetName() : std::wstring();
    if (name == L"okBtn") {
        m_Result = kAnswerOk;
        Close(1);
    } else if (name == L"cancelBtn") {
        m_Result = kAnswerCancel;
        Close(1);
    } else {
        CSkinFrame::OnClick(msg);
        m_Result = kAnswerOther;
    }
}

CControlUI* CMessageBoxWnd::CreateControl(const std::wstring& className) {
    return CreateSequenceControl(className);
}
