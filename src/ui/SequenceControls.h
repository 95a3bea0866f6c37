#pragma once
// Frame-sequence controls: a label and a button that play an animation of
// numbered image files by switching their background image on their own
// control timer 2100. Layouts make them with the elements "SequenceLabel"
// and "SequenceButton" through a window's builder callback.
//
// Attributes (applied in the order of the element; others go to the base):
//   sequencebkimage  pattern with one integer conversion, e.g.
//                    "res\mainWnd\installBtnAnimate\%.3d.png" (name compared exactly)
//   sequencecount    number of frames        sequencespan   ms between frames
//   sequenceloop     play again after the end
//   autostart        start when the control joins a window
//   sequenceround    forward, then backward
// The three switches are true unless the value is exactly "false". Names
// other than "sequencebkimage" are compared without regard to case.
// UI thread only.
#include <string>

#include "toolkit/Toolkit.h"

namespace Toolkit {

constexpr uintptr_t kSequenceTimerId = 2100;

// The animation state both controls share, and its tick.
class CSequenceAnimation {
public:
    virtual ~CSequenceAnimation() = default;

    void SetSequenceImage(const std::wstring& pattern) { m_SequenceImage = pattern; }
    const std::wstring& GetSequenceImage() const { return m_SequenceImage; }
    void SetFrameCount(int count) { m_FrameCount = count; }
    int GetFrameCount() const { return m_FrameCount; }
    void SetSpan(int ms) { m_Span = ms; }
    int GetSpan() const { return m_Span; }
    bool IsAutoStart() const { return m_AutoStart; }
    bool IsLoop() const { return m_Loop; }
    bool IsRound() const { return m_Round; }
    bool IsForward() const { return m_Forward; }
    int GetFrameIndex() const { return m_FrameIndex; }

    // One timer tick: shows the next frame or ends a run that does not
    // loop. Returns the frame shown, or -1 when none was (empty pattern,
    // a run that ended, or a pattern that cannot be formatted).
    int Tick();

    // Formats the pattern with `frame` into at most 259 characters. False
    // when the pattern does not hold exactly one integer conversion (%d, %i,
    // %u, %x or %X with flags, width and precision; "%%" is a percent sign)
    // or the result is too long: layouts are data, never a format string.
    static bool FormatFrame(const std::wstring& pattern, int frame, std::wstring* out);

protected:
    // Applies a sequence attribute; false when `name` is not one of them.
    bool SetSequenceAttribute(const std::wstring& name, const std::wstring& value);
    // What the control does with a frame and with the end of a run.
    virtual void ShowFrameImage(const std::wstring& image) = 0;
    virtual void StopTimer() = 0;

    std::wstring m_SequenceImage;
    bool m_AutoStart = false;
    bool m_Loop = true;
    bool m_Forward = true;
    bool m_Round = false;
    int m_FrameIndex = 0;
    int m_FrameCount = 0;
    int m_Span = 30;
};

// What both controls do over their toolkit base: the attributes, the timer
// 2100 (started on joining a window with "autostart", by Start, stopped at
// the end of a run and at destruction) and the frames as background image.
template <class Base>
class TSequenceControl : public Base, public CSequenceAnimation {
public:
    ~TSequenceControl() override { KillSequenceTimer(); }

    bool SetAttribute(const std::wstring& name, const std::wstring& value) override {
        return SetSequenceAttribute(name, value) || Base::SetAttribute(name, value);
    }
    void OnInit() override {
        Base::OnInit();
        if (m_AutoStart) StartSequenceTimer();
    }
    void HandleEvent(TUIEvent& event) override {
        Base::HandleEvent(event);
        if (event.type == UIEventType::Timer) Tick();
    }

    // Restarts from frame 0 at the current span.
    void Start() {
        m_FrameIndex = 0;
        StartSequenceTimer();
    }

protected:
    void ShowFrameImage(const std::wstring& image) override {
        this->SetBkImage(image);
        this->Invalidate();
    }
    void StopTimer() override { KillSequenceTimer(); }

private:
    void StartSequenceTimer() {
        if (this->m_Manager)
            this->m_Manager->SetTimer(this, kSequenceTimerId,
                                      static_cast<uint32_t>(m_Span > 1 ? m_Span : 1));
    }
    void KillSequenceTimer() {
        if (this->m_Manager) this->m_Manager->KillTimer(this, kSequenceTimerId);
    }
};

class CSequenceLabelUI : public TSequenceControl<CLabelUI> {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
};

class CSequenceButtonUI : public TSequenceControl<CButtonUI> {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    // Two texts kept for the owner, and the shift of the text while hot (added
    // to the text padding: left, top, right, bottom). No attribute sets them.
    void SetFirstText(const std::wstring& text) { m_FirstText = text; }
    const std::wstring& GetFirstText() const { return m_FirstText; }
    void SetSecondText(const std::wstring& text) { m_SecondText = text; }
    const std::wstring& GetSecondText() const { return m_SecondText; }
    void SetHotTextOffset(const UIRect& rc) {
        m_HotTextOffset = rc;
        Invalidate();
    }
    const UIRect& GetHotTextOffset() const { return m_HotTextOffset; }
    void PaintText(cairo_t* cr) override;

private:
    std::wstring m_FirstText, m_SecondText;
    UIRect m_HotTextOffset;
};

// The builder callback's share: a new sequence control for "SequenceLabel"
// or "SequenceButton" (any case), null for any other class.
CControlUI* CreateSequenceControl(const std::wstring& className);

}  // namespace Toolkit
