// lumora-skin-review OUT_DIR --archive PACKAGE.7z
//
// Renders every window of the skin package with the headless backend, the
// way the installer shows it, and writes one PNG per view into OUT_DIR: the
// four pages of the main window (with the page changes the main window makes),
// the five prompts with the texts the installer gives them, and views with a
// button in its hot and pushed state. Each window is drawn with its shadow
// on a neutral desktop colour so that the shadow can be judged too.
//
// Exit status 0 when every PNG was written; 1 with a message otherwise.

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Resources.h"
#include "toolkit/Toolkit.h"
#include "toolkit/backend/headless/HeadlessBackend.h"
#include "ui/MessageBoxWnd.h"
#include "ui/SequenceControls.h"
#include "ui/SkinFrame.h"
#include "ui/SkinLint.h"

using namespace Toolkit;

namespace {

std::vector<std::string> g_Errors;
int g_Written = 0;
std::filesystem::path g_Out;

void LayoutFailed(const std::wstring& layout, const std::string& reason) {
    g_Errors.push_back(std::string(layout.begin(), layout.end()) + ": " + reason);
}

class ReviewWindow : public CSkinFrame {
public:
    explicit ReviewWindow(const wchar_t* layout) : CSkinFrame(SkinDescription::ForLayout(layout)) {}
    CControlUI* CreateControl(const std::wstring& className) override {
        return CreateSequenceControl(className);
    }
};

// Writes the window with its shadow over a desktop-coloured canvas.
void Write(WindowImplBase& window, const std::string& name) {
    CHeadlessBackend* backend = CHeadlessBackend::Current();
    window.GetManager().EnsureLayout();
    for (const std::string& problem : FindTextProblems(window.GetManager()))
        g_Errors.push_back(name + ": " + problem);
    cairo_surface_t* shot = backend->Snapshot(window, true);
    if (shot == nullptr || cairo_surface_status(shot) != CAIRO_STATUS_SUCCESS) {
        g_Errors.push_back(name + ": no snapshot");
        if (shot) cairo_surface_destroy(shot);
        return;
    }
    const int w = cairo_image_surface_get_width(shot), h = cairo_image_surface_get_height(shot);
    cairo_surface_t* canvas = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w + 40, h + 40);
    cairo_t* cr = cairo_create(canvas);
    cairo_set_source_rgb(cr, 0.93, 0.94, 0.96);
    cairo_paint(cr);
    cairo_set_source_surface(cr, shot, 20, 20);
    cairo_paint(cr);
    cairo_destroy(cr);
    const std::string path = (g_Out / (name + ".png")).string();
    if (cairo_surface_write_to_png(canvas, path.c_str()) != CAIRO_STATUS_SUCCESS)
        g_Errors.push_back(path + ": cannot write");
    else
        ++g_Written;
    cairo_surface_destroy(canvas);
    cairo_surface_destroy(shot);
}

template <class T>
T* Find(WindowImplBase& w, const wchar_t* name, const wchar_t* cls) {
    CControlUI* c = w.GetManager().FindControl(name);
    return c ? static_cast<T*>(c->GetInterface(cls)) : nullptr;
}

void SetVisible(WindowImplBase& w, const wchar_t* name, bool visible) {
    if (CControlUI* c = w.GetManager().FindControl(name)) c->SetVisible(visible);
}

// What the main window does when a page is shown.
void ShowPage(WindowImplBase& w, int page) {
    static const wchar_t* const kBackgrounds[] = {
        L"res\\mainWnd\\bg1.png", L"res\\mainWnd\\bg2.png", L"res\\mainWnd\\bg3.png",
        L"res\\mainWnd\\bg4.png"};
    static const int kTitlePage[] = {1, 1, -1, 2};
    if (auto* tabs = Find<CTabLayoutUI>(w, L"mainTabLt", L"TabLayout"))
        tabs->SelectItem(page, false);
    if (CControlUI* bg = w.GetManager().FindControl(L"winCtn")) bg->SetBkImage(kBackgrounds[page]);
    if (kTitlePage[page] >= 0)
        if (auto* titles = Find<CTabLayoutUI>(w, L"titleTabLt", L"TabLayout"))
            titles->SelectItem(kTitlePage[page], false);
    SetVisible(w, L"titleGrpCtn", page != 2);
    SetVisible(w, L"installLogo", page == 2);
    SetVisible(w, L"backBtn", page == 1);
}

void Hover(WindowImplBase& w, const wchar_t* name, bool press) {
    CControlUI* c = w.GetManager().FindControl(name);
    if (c == nullptr) {
        g_Errors.push_back("no control " + std::string(name, name + wcslen(name)));
        return;
    }
    w.GetManager().EnsureLayout();
    const UIRect rc = c->GetPos();
    const UIPoint pt{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    CHeadlessBackend::Current()->MouseMove(w, pt);
    if (press) CHeadlessBackend::Current()->MouseDown(w, pt);
    if (!c->IsHot())
        g_Errors.push_back("no hot state on " + std::string(name, name + wcslen(name)));
}

// Lets go of the mouse away from every button, so that nothing is clicked.
void Release(WindowImplBase& w) {
    CHeadlessBackend::Current()->MouseMove(w, {3, 120});
    CHeadlessBackend::Current()->MouseUp(w, {3, 120});
}

void MainWindow() {
    {
        ReviewWindow w(L"MainWnd.xml");
        if (!w.Create(0, L"Lumora", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0)) return;
        if (auto* name = Find<CLabelUI>(w, L"softNameLbl", L"Label")) {
            name->SetFixedWidth(name->GetTextExtent(L"Lumora").cx);
            name->SetText(L"Lumora");
        }
        if (CControlUI* edit = w.GetManager().FindControl(L"installDirEdit"))
            edit->SetText(L"/home/user/.local/opt/lumoratool");
        ShowPage(w, 0);
        Write(w, "MainWnd-page0-quick-install");
        Hover(w, L"defaultInstallBtn", false);
        Write(w, "MainWnd-page0-install-hot");
        Hover(w, L"defaultInstallBtn", true);
        Write(w, "MainWnd-page0-install-pushed");
        Release(w);
        SetVisible(w, L"tipLbl", true);
        Hover(w, L"customeBtn", false);
        Write(w, "MainWnd-page0-tip-and-link-hot");
        SetVisible(w, L"tipLbl", false);

        ShowPage(w, 1);
        Write(w, "MainWnd-page1-custom-install");
        Hover(w, L"chDirBtn", false);
        Write(w, "MainWnd-page1-folder-hot");
        if (auto* ds = Find<CCheckBoxUI>(w, L"createQSCb", L"CheckBox")) ds->Selected(false, false);
        if (CControlUI* b = w.GetManager().FindControl(L"customeInstallBtn")) b->SetEnabled(false);
        Hover(w, L"backBtn", false);
        Write(w, "MainWnd-page1-unchecked-disabled-back-hot");

        ShowPage(w, 2);
        Release(w);
        if (auto* label = Find<CLabelUI>(w, L"progressLb", L"Label"))
            label->SetText(L"正在安装中:35%，请稍候...");
        if (auto* bar = Find<CProgressUI>(w, L"installPrg", L"Progress")) bar->SetValue(35);
        if (auto* anim = Find<CSequenceLabelUI>(w, L"progressAnLb", L"SequenceLabel")) {
            anim->Start();
            for (int i = 0; i < 7; ++i) anim->Tick();
        }
        Write(w, "MainWnd-page2-installing");

        ShowPage(w, 3);
        SetVisible(w, L"softNameLbl", true);
        Write(w, "MainWnd-page3-finished");
        Hover(w, L"openProduceBtn", false);
        Write(w, "MainWnd-page3-open-hot");
        w.DestroyWindow();
    }
}

void Prompt(const wchar_t* layout, const wchar_t* text, const wchar_t* caption, const char* name,
            const wchar_t* hover) {
    CMessageBoxWnd box(SkinDescription::ForLayout(layout));
    if (!box.Create(0, L"消息框", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0)) return;
    if (text)
        if (CControlUI* c = box.GetManager().FindControl(L"textLbl")) c->SetText(text);
    if (caption)
        if (CControlUI* c = box.GetManager().FindControl(L"captionLbl")) c->SetText(caption);
    Write(box, name);
    if (hover) {
        Hover(box, hover, false);
        Write(box, std::string(name) + "-hot");
        Hover(box, hover, true);
        Write(box, std::string(name) + "-pushed");
        Release(box);
    }
    box.DestroyWindow();
}

}  // namespace

int main(int argc, char** argv) {
    std::string archive;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--archive" && i + 1 < argc)
            archive = argv[++i];
        else if (g_Out.empty() && a.rfind("--", 0) != 0)
            g_Out = a;
        else {
            std::fprintf(stderr, "usage: lumora-skin-review OUT_DIR --archive PACKAGE.7z\n");
            return 1;
        }
    }
    if (g_Out.empty() || archive.empty()) {
        std::fprintf(stderr, "usage: lumora-skin-review OUT_DIR --archive PACKAGE.7z\n");
        return 1;
    }
    std::ifstream in(archive, std::ios::binary);
    static std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.empty()) {
        std::fprintf(stderr, "lumora-skin-review: cannot read the package %s\n", archive.c_str());
        return 1;
    }
    std::error_code ec;
    std::filesystem::create_directories(g_Out, ec);
    if (ec) {
        std::fprintf(stderr, "lumora-skin-review: %s: %s\n", g_Out.c_str(), ec.message().c_str());
        return 1;
    }
    Platform::RegisterResource("ZIPRES", 147, bytes.data(), bytes.size());
    UseHeadlessBackend();
    CHeadlessBackend::Current()->SetManualClock(true);
    WindowImplBase::SetLayoutFailureHandler(LayoutFailed);
    CWndShadow::Initialize();

    MainWindow();
    Prompt(L"ExitTipWnd.xml", nullptr, nullptr, "ExitTipWnd", L"okBtn");
    Prompt(L"NetworkTipWnd.xml", nullptr, nullptr, "NetworkTipWnd", L"okBtn");
    Prompt(L"InstalledPathTipWnd.xml", nullptr, nullptr, "InstalledPathTipWnd", L"cancelBtn");
    Prompt(L"MessageBox1Wnd.xml", L"安装程序检测到Lumora\r\n正在运行，请退出程序后再安装",
           L"温馨提示", "MessageBox1Wnd", L"closebtn");
    Prompt(L"MessageBox2Wnd.xml", L"当前网络环境较差，请在网络通畅时进行安装", L"温馨提示",
           "MessageBox2Wnd", nullptr);

    // Drop the font caches so that leak checkers see only real leaks.
    pango_cairo_font_map_set_default(nullptr);
    FcFini();

    for (const std::string& e : g_Errors)
        std::fprintf(stderr, "lumora-skin-review: %s\n", e.c_str());
    std::printf("lumora-skin-review: wrote %d images to %s\n", g_Written, g_Out.c_str());
    return g_Errors.empty() ? 0 : 1;
}
