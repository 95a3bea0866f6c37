#include "ui/SequenceControls.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace Toolkit {

namespace {

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return i == a.size() && b[i] == 0;
}

// Leading blanks, an optional sign, then decimal digits; none gives 0.
int ToInt(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && std::iswspace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    long long v = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) v = std::min(v * 10 + (text[i] - L'0'), 1LL << 31);
    return static_cast<int>(std::clamp(negative ? -v : v, -(1LL << 31), (1LL << 31) - 1));
}

constexpr size_t kFrameNameMax = 260;  // characters, with the terminator

}  // namespace

bool CSequenceAnimation::FormatFrame(const std::wstring& pattern, int frame, std::wstring* out) {
    // Find the one conversion and check that nothing else would consume an
    // argument.
    bool found = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != L'%') continue;
        if (i + 1 < pattern.size() && pattern[i + 1] == L'%') {
            ++i;
            continue;
        }
        if (found) return false;  // a second conversion
        size_t j = i + 1;
        while (j < pattern.size() && pattern[j] != 0 && std::wcschr(L"-+ #0", pattern[j])) ++j;
        while (j < pattern.size() && std::iswdigit(pattern[j])) ++j;
        if (j < pattern.size() && pattern[j] == L'.') {
            ++j;
            while (j < pattern.size() && std::iswdigit(pattern[j])) ++j;
        }
        if (j >= pattern.size() || pattern[j] == 0 || !std::wcschr(L"diuxX", pattern[j])) return false;
        found = true;
        i = j;
    }
    if (!found) return false;
    wchar_t buffer[kFrameNameMax];
    const int n = std::swprintf(buffer, kFrameNameMax, pattern.c_str(), frame);
    if (n < 0 || static_cast<size_t>(n) >= kFrameNameMax) return false;
    out->assign(buffer, static_cast<size_t>(n));
    return true;
}

bool CSequenceAnimation::SetSequenceAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"sequencebkimage")
        m_SequenceImage = value;
    else if (EqualsNoCase(name, L"sequencecount"))
        m_FrameCount = ToInt(value);
    else if (EqualsNoCase(name, L"sequencespan"))
        m_Span = ToInt(value);
    else if (EqualsNoCase(name, L"sequenceloop"))
        m_Loop = value != L"false";
    else if (EqualsNoCase(name, L"autostart"))
        m_AutoStart = value != L"false";
    else if (EqualsNoCase(name, L"sequenceround"))
        m_Round = value != L"false";
    else
        return false;
    return true;
}

int CSequenceAnimation::Tick() {
    if (m_SequenceImage.empty()) return -1;
    if (m_Forward && m_FrameIndex >= m_FrameCount) {
        if (m_Round) {
            m_Forward = false;
            m_FrameIndex = m_FrameCount - 2;
        } else {
            m_FrameIndex = 0;
            if (!m_Loop) {
                StopTimer();
                return -1;
            }
        }
    }
    // "<= 0" rather than "== 0": a round trip over fewer than two frames
    // turns back below 0 and would otherwise count down for ever.
    if (!m_Forward && m_FrameIndex <= 0) {
        if (m_Round) m_Forward = true;
        m_FrameIndex = 0;
        if (!m_Loop) {
            StopTimer();
            return -1;
        }
    }
    const int shown = m_FrameIndex;
    std::wstring image;
    if (!FormatFrame(m_SequenceImage, shown, &image)) return -1;
    ShowFrameImage(image);
    m_FrameIndex += m_Forward ? 1 : -1;
    return shown;
}

// ------------------------------------------------------------- the label

CSequenceLabelUI::~CSequenceLabelUI() {
    if (m_Manager) m_Manager->KillTimer(this, kSequenceTimerId);
}

std::wstring CSequenceLabelUI::GetClass() const { return L"SequenceLabel"; }

void* CSequenceLabelUI::GetInterface(const std::wstring& name) {
    if (name == L"SequenceLabel") return this;
    return CLabelUI::GetInterface(name);
}

bool CSequenceLabelUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    return SetSequenceAttribute(name, value) || CLabelUI::SetAttribute(name, value);
}

void CSequenceLabelUI::OnInit() {
    CLabelUI::OnInit();
    if (m_AutoStart && m_Manager) m_Manager->SetTimer(this, kSequenceTimerId, static_cast<uint32_t>(std::max(m_Span, 1)));
}

void CSequenceLabelUI::Start() {
    m_FrameIndex = 0;
    if (m_Manager) m_Manager->SetTimer(this, kSequenceTimerId, static_cast<uint32_t>(std::max(m_Span, 1)));
}

void CSequenceLabelUI::HandleEvent(TUIEvent& event) {
    CLabelUI::HandleEvent(event);
    if (event.type == UIEventType::Timer) Tick();
}

void CSequenceLabelUI::ShowFrameImage(const std::wstring& image) {
    SetBkImage(image);
    Invalidate();
}

void CSequenceLabelUI::StopTimer() {
    if (m_Manager) m_Manager->KillTimer(this, kSequenceTimerId);
}

// ------------------------------------------------------------ the button

CSequenceButtonUI::~CSequenceButtonUI() {
    if (m_Manager) m_Manager->KillTimer(this, kSequenceTimerId);
}

std::wstring CSequenceButtonUI::GetClass() const { return L"SequenceButton"; }

void* CSequenceButtonUI::GetInterface(const std::wstring& name) {
    if (name == L"SequenceButton") return this;
    return CButtonUI::GetInterface(name);
}

bool CSequenceButtonUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    return SetSequenceAttribute(name, value) || CButtonUI::SetAttribute(name, value);
}

void CSequenceButtonUI::OnInit() {
    CButtonUI::OnInit();
    if (m_AutoStart && m_Manager) m_Manager->SetTimer(this, kSequenceTimerId, static_cast<uint32_t>(std::max(m_Span, 1)));
}

void CSequenceButtonUI::Start() {
    m_FrameIndex = 0;
    if (m_Manager) m_Manager->SetTimer(this, kSequenceTimerId, static_cast<uint32_t>(std::max(m_Span, 1)));
}

void CSequenceButtonUI::HandleEvent(TUIEvent& event) {
    CButtonUI::HandleEvent(event);
    if (event.type == UIEventType::Timer) Tick();
}

void CSequenceButtonUI::PaintText(cairo_t* cr) {
    const UIRect& o = m_HotTextOffset;
    if (!IsHot() || (o.left == 0 && o.top == 0 && o.right == 0 && o.bottom == 0)) {
        CButtonUI::PaintText(cr);
        return;
    }
    const UIRect saved = m_TextPadding;
    m_TextPadding = {saved.left + o.left, saved.top + o.top, saved.right + o.right, saved.bottom + o.bottom};
    CButtonUI::PaintText(cr);
    m_TextPadding = saved;
}

void CSequenceButtonUI::ShowFrameImage(const std::wstring& image) {
    SetBkImage(image);
    Invalidate();
}

void CSequenceButtonUI::StopTimer() {
    if (m_Manager) m_Manager->KillTimer(this, kSequenceTimerId);
}

CControlUI* CreateSequenceControl(const std::wstring& className) {
    if (EqualsNoCase(className, L"SequenceLabel")) return new CSequenceLabelUI;
    if (EqualsNoCase(className, L"SequenceButton")) return new CSequenceButtonUI;
    return nullptr;
}

}  // namespace Toolkit
