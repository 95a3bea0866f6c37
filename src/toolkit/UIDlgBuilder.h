#pragma once
// CDialogBuilder: an XML layout (pugixml) to a control tree. The root
// element ("Window") gives the window attributes and holds <Font> elements
// (id, name, size, bold, underline, italic, default) and one top control.
// Element names are control classes; a name the toolkit does not know is
// offered to the builder callback first.
#include <string>
#include <vector>

#include "toolkit/UIControl.h"

namespace Toolkit {

class CPaintManagerUI;

class IDialogBuilderCallback {
public:
    virtual ~IDialogBuilderCallback() = default;
    // A new control for `className` or null when the callback has none.
    // Called only for element names the toolkit does not know.
    virtual CControlUI* CreateControl(const std::wstring& className) = 0;
};

class CDialogBuilder {
public:
    // Reads `layoutFile` through the resource manager (archive, then the
    // resource folder). Null on failure; GetLastError says why.
    CControlUI* Create(const std::wstring& layoutFile, IDialogBuilderCallback* callback,
                       CPaintManagerUI* manager, CControlUI* parent = nullptr);
    // The same from XML text in memory.
    CControlUI* CreateFromText(const std::string& utf8Xml, IDialogBuilderCallback* callback,
                               CPaintManagerUI* manager, CControlUI* parent = nullptr);

    // A built-in control for a class name, null if unknown.
    static CControlUI* CreateBuiltIn(const std::wstring& className);

    const std::string& GetLastError() const { return m_Error; }
    // "Class.attribute" for each attribute no control accepted, and
    // "Class" for each element no one could build (skipped with its children).
    const std::vector<std::wstring>& Unknown() const { return m_Unknown; }

private:
    std::string m_Error;
    std::vector<std::wstring> m_Unknown;
};

}  // namespace Toolkit
