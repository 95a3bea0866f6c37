#pragma once
// CMessageBoxWnd: every prompt of the installer. One of five layouts of the
// skin package is shown modally over the owner window; the answer says which
// button ended it:
//
//   0  "okBtn" was clicked
//   1  "cancelBtn" was clicked, or the prompt ended without any click
//   2  any other clickable control was clicked (the close button "closebtn")
//
// While the prompt runs the owner is disabled, but every message posted to
// the owner (pipeline reports) is still dispatched by the prompt's loop.
// UI thread only.
#include <functional>
#include <string>

#include "ui/SkinFrame.h"

class CMessageBoxWnd : public CSkinFrame {
public:
    enum Answer : int { kAnswerOk = 0, kAnswerCancel = 1, kAnswerOther = 2 };

    // Shows the prompt with `skin` over `owner` and returns the answer. A
    // null `text` or `caption` leaves the layout's own; either is set only
    // when the layout has "textLbl" or "captionLbl". When the owner is
    // destroyed meanwhile, the prompt goes with it and the answer is 1.
    static int Show(Toolkit::WindowHandle owner, const SkinDescription& skin,
                    const wchar_t* text = nullptr, const wchar_t* caption = nullptr);

    // Runs for every prompt after it is set up and before its modal loop:
    // lets tests drive the prompt (post a click into its loop). Empty by
    // default; null removes it.
    using ShowHook = std::function<void(CMessageBoxWnd&)>;
    static void SetShowHook(ShowHook hook);

    explicit CMessageBoxWnd(const SkinDescription& skin);
    ~CMessageBoxWnd() override;

    Toolkit::LResult HandleMessage(uint32_t msg, Toolkit::WParam wParam,
                                   Toolkit::LParam lParam) override;
    void InitWindow() override;
    void OnClick(Toolkit::TNotifyUI& msg) override;
    Toolkit::CControlUI* CreateControl(const std::wstring& className) override;

    int GetAnswer() const { return m_Result; }

private:
    int m_Result = kAnswerCancel;
    Toolkit::CButtonUI* m_OkBtn = nullptr;
    Toolkit::CButtonUI* m_CancelBtn = nullptr;
    Toolkit::CLabelUI* m_TextLbl = nullptr;
    Toolkit::CLabelUI* m_CaptionLbl = nullptr;
};
