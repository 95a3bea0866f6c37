// lumora-skinview LAYOUT [--archive FILE] [--png OUT] [--tree]
//
// Shows one layout of the built-in skin package (or of the 7z archive FILE):
// --png writes it as painted by the headless backend, --tree prints the
// control tree as JSON (class, name, rectangle in window pixels, visible,
// enabled, text) for tests that need to know where to click; without either
// it opens the layout in a window. Classes the toolkit does not know (the
// installer's own controls) are shown as plain labels that keep their
// images and geometry.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "toolkit/Toolkit.h"
#include "toolkit/backend/headless/HeadlessBackend.h"
#include "utils/Text.h"

using namespace Toolkit;

namespace {

// Stands in for a class of the program: takes every attribute a label takes
// and quietly accepts the rest.
class PlaceholderUI : public CLabelUI {
public:
    explicit PlaceholderUI(std::wstring cls) : m_Class(std::move(cls)) {}
    std::wstring GetClass() const override { return m_Class; }
    bool SetAttribute(const std::wstring& name, const std::wstring& value) override {
        if (!CLabelUI::SetAttribute(name, value)) m_Attributes[name] = value;
        return true;
    }

private:
    std::wstring m_Class;
};

class ViewWindow : public WindowImplBase {
public:
    std::wstring layout;
    std::wstring folder;
    bool builtIn = true;

    std::wstring GetWindowClassName() const override { return L"SkinView"; }
    std::wstring GetLayoutFile() const override { return layout; }
    ResourceKind GetResourceKind() const override {
        return builtIn ? ResourceKind::ArchiveResource : ResourceKind::Folder;
    }
    int GetResourceNumber() const override { return 147; }
    std::wstring GetResourceFolder() const override {
        return folder.empty() ? WindowImplBase::GetResourceFolder() : folder;
    }
    CControlUI* CreateControl(const std::wstring& cls) override { return new PlaceholderUI(cls); }
    void InitWindow() override { SetIcon(145); }
};

std::string Json(const std::wstring& text) {
    std::string in = Utils::ToUtf8(text), out = "\"";
    for (unsigned char c : in) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out.push_back(static_cast<char>(c));
                }
        }
    }
    return out + "\"";
}

void PrintTree(CControlUI* c, int depth, std::string& out) {
    std::string pad(depth * 2, ' ');
    const UIRect& r = c->GetPos();
    char rect[96];
    std::snprintf(rect, sizeof rect, "[%d, %d, %d, %d]", r.left, r.top, r.right, r.bottom);
    out += pad + "{\"class\": " + Json(c->GetClass()) + ", \"name\": " + Json(c->GetName()) +
           ", \"rect\": " + rect + ", \"visible\": " + (c->IsVisible() ? "true" : "false") +
           ", \"enabled\": " + (c->IsEnabled() ? "true" : "false") +
           ", \"text\": " + Json(c->GetText());
    auto* box = static_cast<CContainerUI*>(c->GetInterface(L"Container"));
    if (box && box->GetCount() > 0) {
        out += ", \"children\": [\n";
        for (int i = 0; i < box->GetCount(); ++i) {
            PrintTree(box->GetItemAt(i), depth + 1, out);
            out += i + 1 < box->GetCount() ? ",\n" : "\n";
        }
        out += pad + "]";
    }
    out += "}";
}

void LayoutFailed(const std::wstring& layout, const std::string& reason) {
    std::fprintf(stderr, "lumora-skinview: %s: %s\n", Utils::ToUtf8(layout).c_str(),
                 reason.c_str());
    ShowFatalMessage(L"加载资源文件失败", L"Skin");
    std::exit(1);
}

int Usage() {
    std::fputs("usage: lumora-skinview LAYOUT [--archive FILE] [--png OUT] [--tree]\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string layout, archive, png;
    bool tree = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--archive" && i + 1 < argc) {
            archive = argv[++i];
        } else if (a == "--png" && i + 1 < argc) {
            png = argv[++i];
        } else if (a == "--tree") {
            tree = true;
        } else if (a == "-h" || a == "--help") {
            Usage();
            return 0;
        } else if (!a.empty() && a[0] != '-' && layout.empty()) {
            layout = a;
        } else {
            return Usage();
        }
    }
    if (layout.empty()) return Usage();

    bool headless = tree || !png.empty();
    if (headless) {
        UseHeadlessBackend();
    } else {
        std::string error;
        if (!UseGtkBackend(&error)) {
            std::fprintf(stderr, "lumora-skinview: %s (use --png or --tree without a display)\n",
                         error.c_str());
            return 1;
        }
    }
    WindowImplBase::SetLayoutFailureHandler(&LayoutFailed);

    ViewWindow window;
    window.layout = Utils::FromUtf8(layout);
    if (!archive.empty()) {
        std::ifstream in(archive, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "lumora-skinview: cannot read %s\n", archive.c_str());
            return 1;
        }
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
        std::string error;
        if (!CResourceManager::Instance().OpenArchive(L"file", bytes, &error)) {
            std::fprintf(stderr, "lumora-skinview: %s: %s\n", archive.c_str(), error.c_str());
            return 1;
        }
        size_t slash = archive.rfind('/');
        window.folder =
            Utils::FromUtf8(slash == std::string::npos ? "./" : archive.substr(0, slash + 1));
        window.builtIn = false;
    }
    if (!window.Create(0, L"lumora-skinview " + window.layout, WS_OVERLAPPEDWINDOW, 0)) {
        std::fputs("lumora-skinview: no window could be created\n", stderr);
        return 1;
    }
    if (!window.GetManager().GetRoot()) {
        std::fputs("lumora-skinview: the executable holds no skin package (build skin/ first)\n",
                   stderr);
        return 1;
    }
    // Attributes the toolkit ignored, for whoever writes the layout.
    CDialogBuilder check;
    CPaintManagerUI scratch;
    if (CControlUI* again = check.Create(window.layout, &window, &scratch)) delete again;
    for (const std::wstring& u : check.Unknown())
        std::fprintf(stderr, "lumora-skinview: ignored: %s\n", Utils::ToUtf8(u).c_str());

    window.GetManager().EnsureLayout();
    if (!png.empty()) {
        if (!CHeadlessBackend::Current()->WritePng(window, png)) {
            std::fprintf(stderr, "lumora-skinview: cannot write %s\n", png.c_str());
            return 1;
        }
    }
    if (tree) {
        std::string out;
        PrintTree(window.GetManager().GetRoot(), 0, out);
        std::printf("%s\n", out.c_str());
    }
    if (!headless) {
        window.CenterWindow();
        window.ShowModal();
    }
    return 0;
}
