#include "ui/SequenceControls.h"

#include <cwchar>
#include <cwctype>

#include "ui/LayoutAttr.h"

namespace Toolkit {

namespace {

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
        if (j >= pattern.size() || pattern[j] == 0 || !std::wcschr(L"diuxX", pattern[j]))
            return false;
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
    else if (LayoutAttr::EqualsNoCase(name, L"sequencecount"))
        m_FrameCount = LayoutAttr::ToInt(value);
    else if (LayoutAttr::EqualsNoCase(name, L"sequencespan"))
        m_Span = LayoutAttr::ToInt(value);
    else if (LayoutAttr::EqualsNoCase(name, L"sequenceloop"))
        m_Loop = value != L"false";
    else if (LayoutAttr::EqualsNoCase(name, L"autostart"))
        m_AutoStart = value != L"false";
    else if (LayoutAttr::EqualsNoCase(name, L"sequenceround"))
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

std::wstring CSequenceLabelUI::GetClass() const { return L"SequenceLabel"; }

void* CSequenceLabelUI::GetInterface(const std::wstring& name) {
    if (name == L"SequenceLabel") return this;
    return CLabelUI::GetInterface(name);
}

std::wstring CSequenceButtonUI::GetClass() const { return L"SequenceButton"; }

void* CSequenceButtonUI::GetInterface(const std::wstring& name) {
    if (name == L"SequenceButton") return this;
    return CButtonUI::GetInterface(name);
}

void CSequenceButtonUI::PaintText(cairo_t* cr) {
    const UIRect& o = m_HotTextOffset;
    if (!IsHot() || (o.left == 0 && o.top == 0 && o.right == 0 && o.bottom == 0)) {
        CButtonUI::PaintText(cr);
        return;
    }
    const UIRect saved = m_TextPadding;
    m_TextPadding = {saved.left + o.left, saved.top + o.top, saved.right + o.right,
                     saved.bottom + o.bottom};
    CButtonUI::PaintText(cr);
    m_TextPadding = saved;
}

CControlUI* CreateSequenceControl(const std::wstring& className) {
    if (LayoutAttr::EqualsNoCase(className, L"SequenceLabel")) return new CSequenceLabelUI;
    if (LayoutAttr::EqualsNoCase(className, L"SequenceButton")) return new CSequenceButtonUI;
    return nullptr;
}

}  // namespace Toolkit
