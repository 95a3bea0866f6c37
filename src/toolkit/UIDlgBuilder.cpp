#include "toolkit/UIDlgBuilder.h"

#include <cstring>
#include <pugixml.hpp>

#include "toolkit/UIContainer.h"
#include "toolkit/UIControls.h"
#include "toolkit/UIManager.h"
#include "toolkit/UIResource.h"
#include "utils/Log.h"
#include "utils/Text.h"

namespace Toolkit {

namespace {

std::wstring W(const char* utf8) { return Utils::FromUtf8(utf8 ? utf8 : ""); }

}  // namespace

CControlUI* CDialogBuilder::CreateBuiltIn(const std::wstring& className) {
    using Factory = CControlUI* (*)();
    static const std::pair<const wchar_t*, Factory> kClasses[] = {
        {L"Control", [] { return static_cast<CControlUI*>(new CControlUI); }},
        {L"Container", [] { return static_cast<CControlUI*>(new CContainerUI); }},
        {L"VerticalLayout", [] { return static_cast<CControlUI*>(new CVerticalLayoutUI); }},
        {L"HorizontalLayout", [] { return static_cast<CControlUI*>(new CHorizontalLayoutUI); }},
        {L"TabLayout", [] { return static_cast<CControlUI*>(new CTabLayoutUI); }},
        {L"Label", [] { return static_cast<CControlUI*>(new CLabelUI); }},
        {L"Text", [] { return static_cast<CControlUI*>(new CLabelUI); }},
        {L"Button", [] { return static_cast<CControlUI*>(new CButtonUI); }},
        {L"Option", [] { return static_cast<CControlUI*>(new COptionUI); }},
        {L"CheckBox", [] { return static_cast<CControlUI*>(new CCheckBoxUI); }},
        {L"Edit", [] { return static_cast<CControlUI*>(new CEditUI); }},
        {L"Progress", [] { return static_cast<CControlUI*>(new CProgressUI); }},
        {L"Combo", [] { return static_cast<CControlUI*>(new CComboUI); }},
    };
    for (const auto& [name, make] : kClasses) {
        if (className == name) return make();
    }
    return nullptr;
}

CControlUI* CDialogBuilder::Create(const std::wstring& layoutFile, IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager, CControlUI* parent) {
    m_Error.clear();
    m_Unknown.clear();
    std::vector<uint8_t> bytes;
    if (!CResourceManager::Instance().ReadFile(layoutFile, &bytes)) {
        m_Error = "layout not found: " + Utils::ToUtf8(layoutFile);
        return nullptr;
    }
    CControlUI* root =
        CreateFromText(std::string(bytes.begin(), bytes.end()), callback, manager, parent);
    if (!root) m_Error = Utils::ToUtf8(layoutFile) + ": " + m_Error;
    return root;
}

namespace {

struct BuildContext {
    IDialogBuilderCallback* callback;
    std::vector<std::wstring>* unknown;
};

CControlUI* BuildControl(const pugi::xml_node& node, BuildContext& ctx) {
    std::wstring cls = W(node.name());
    CControlUI* control = CDialogBuilder::CreateBuiltIn(cls);
    if (!control && ctx.callback) control = ctx.callback->CreateControl(cls);
    if (!control) {
        ctx.unknown->push_back(cls);
        return nullptr;
    }
    for (const pugi::xml_attribute& a : node.attributes()) {
        std::wstring name = W(a.name());
        if (!control->SetAttribute(name, W(a.value()))) ctx.unknown->push_back(cls + L"." + name);
    }
    if (auto* container = static_cast<CContainerUI*>(control->GetInterface(L"Container"))) {
        for (const pugi::xml_node& child : node.children()) {
            if (child.type() != pugi::node_element) continue;
            if (CControlUI* c = BuildControl(child, ctx)) container->Add(c);
        }
        // The page to show is known only now that the pages exist.
        if (auto* tab = static_cast<CTabLayoutUI*>(control->GetInterface(L"TabLayout"))) {
            if (pugi::xml_attribute sel = node.attribute("selectedid")) {
                tab->SetAttribute(L"selectedid", W(sel.value()));
            }
        }
    }
    return control;
}

int LineOf(const std::string& text, ptrdiff_t offset) {
    int line = 1;
    for (ptrdiff_t i = 0; i < offset && i < static_cast<ptrdiff_t>(text.size()); ++i) {
        if (text[i] == '\n') ++line;
    }
    return line;
}

}  // namespace

CControlUI* CDialogBuilder::CreateFromText(const std::string& utf8Xml,
                                           IDialogBuilderCallback* callback,
                                           CPaintManagerUI* manager, CControlUI* parent) {
    m_Error.clear();
    pugi::xml_document doc;
    pugi::xml_parse_result r =
        doc.load_buffer(utf8Xml.data(), utf8Xml.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!r) {
        m_Error = std::string("XML error at line ") + std::to_string(LineOf(utf8Xml, r.offset)) +
                  ": " + r.description();
        return nullptr;
    }
    pugi::xml_node top = doc.document_element();
    if (!top) {
        m_Error = "the layout has no element";
        return nullptr;
    }
    BuildContext ctx{callback, &m_Unknown};
    CControlUI* root = nullptr;
    if (std::strcmp(top.name(), "Window") == 0) {
        if (manager) {
            for (const pugi::xml_attribute& a : top.attributes())
                manager->SetWindowAttribute(W(a.name()), W(a.value()));
        }
        for (const pugi::xml_node& child : top.children()) {
            if (child.type() != pugi::node_element) continue;
            if (std::strcmp(child.name(), "Font") == 0) {
                TFontInfo f;
                f.face = W(child.attribute("name").value());
                if (pugi::xml_attribute size = child.attribute("size"))
                    f.size = ParseCoordinate(W(size.value()));
                f.bold = ParseBool(W(child.attribute("bold").value()));
                f.underline = ParseBool(W(child.attribute("underline").value()));
                f.italic = ParseBool(W(child.attribute("italic").value()));
                int id = child.attribute("id").as_int(-1);
                bool isDefault = ParseBool(W(child.attribute("default").value()));
                if (manager) manager->AddFont(id, f, isDefault);
                continue;
            }
            if (std::strcmp(child.name(), "Default") == 0 ||
                std::strcmp(child.name(), "Image") == 0)
                continue;
            if (root) {
                m_Unknown.push_back(W(child.name()) + L" (a second top control)");
                continue;
            }
            root = BuildControl(child, ctx);
        }
    } else {
        root = BuildControl(top, ctx);
    }
    if (!root) {
        m_Error = "the layout has no control the toolkit can build";
        return nullptr;
    }
    if (parent) {
        if (auto* container = static_cast<CContainerUI*>(parent->GetInterface(L"Container")))
            container->Add(root);
    }
    return root;
}

}  // namespace Toolkit
