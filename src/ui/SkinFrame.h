#pragma once
// CSkinFrame: the base of the installer's windows. It names the window's skin
// (where the package is, which layout, which window class) and owns the
// window's drop shadow, which it configures from the layout's root element
// when the window is initialised. UI thread only.
#include <string>

#include "toolkit/Toolkit.h"
#include "ui/WndShadow.h"

// Where a window's skin lives.
struct SkinDescription {
    int resourceKind = 4;      // 4: the archive in the executable's resources
    int resourceNumber = 147;  // "ZIPRES" number of the skin package
    std::wstring skinFolder;   // appended to the executable's folder; empty here
    std::wstring layoutFile;   // e.g. "MainWnd.xml"
    std::wstring windowClassName;

    // The package's description for `layoutFile`: kind 4, number 147, no
    // folder, and the class name cut from the file name at its last dot.
    static SkinDescription ForLayout(const std::wstring& layoutFile);
};

class CSkinFrame : public Toolkit::WindowImplBase {
public:
    explicit CSkinFrame(const SkinDescription& skin);
    ~CSkinFrame() override;

    std::wstring GetWindowClassName() const override { return m_Skin.windowClassName; }
    std::wstring GetSkinFolder() const override { return m_Skin.skinFolder; }
    std::wstring GetLayoutFile() const override { return m_Skin.layoutFile; }
    Toolkit::ResourceKind GetResourceKind() const override;
    int GetResourceNumber() const override { return m_Skin.resourceNumber; }

    // Removes the caption and maximise-box styles and sets up the shadow
    // from the root attributes ("showshadow" and the others). Subclasses call
    // it first from their own InitWindow.
    void InitWindow() override;

    const SkinDescription& GetSkin() const { return m_Skin; }
    CWndShadow& GetShadow() { return m_Shadow; }

protected:
    SkinDescription m_Skin;
    CWndShadow m_Shadow;
};

// The style bits the skinned windows drop: caption and maximise box.
constexpr uint32_t kSkinFrameStyleMask = 0xFF3EFFFF;
