#include "ui/SkinFrame.h"

SkinDescription SkinDescription::ForLayout(const std::wstring& layoutFile) {
    SkinDescription skin;
    skin.layoutFile = layoutFile;
    const size_t dot = layoutFile.rfind(L'.');
    skin.windowClassName = dot == std::wstring::npos ? layoutFile : layoutFile.substr(0, dot);
    return skin;
}

CSkinFrame::CSkinFrame(const SkinDescription& skin) : m_Skin(skin) {}

CSkinFrame::~CSkinFrame() = default;

Toolkit::ResourceKind CSkinFrame::GetResourceKind() const {
    return static_cast<Toolkit::ResourceKind>(m_Skin.resourceKind);
}

void CSkinFrame::InitWindow() {
    SetStyle(GetStyle() & kSkinFrameStyleMask);
    if (m_Shadow.ApplyWindowAttributes(m_Manager)) m_Shadow.Create(this);
}
