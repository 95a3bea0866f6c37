// Layout XML of a skin through the dialog builder, with the installer's own
// controls: every attribute reader (numbers, rectangles, colours, image
// attribute lists, fonts, the shadow's window attributes) meets the text,
// the tree is laid out at the window's size and at extreme ones, and painted.
//
// Input: the layout file.
//
// Properties: a refused layout says why; the rest is for the sanitizers
// (overflowing geometry, bad reads, leaks).
#include <cairo.h>

#include <algorithm>
#include <string>

#include "FuzzSupport.h"
#include "toolkit/Toolkit.h"
#include "toolkit/UIAttrParse.h"
#include "toolkit/backend/headless/HeadlessBackend.h"
#include "ui/SequenceControls.h"
#include "ui/SkinLint.h"
#include "ui/WndShadow.h"
#include "utils/Text.h"

namespace {

using namespace Toolkit;

// The installer's classes, as its windows create them.
class Factory : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(const std::wstring& className) override {
        return CreateSequenceControl(className);
    }
};

void Paint(CPaintManagerUI& manager, UISize size) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.cx, size.cy);
    cairo_t* cr = cairo_create(s);
    manager.Paint(cr, {0, 0, size.cx, size.cy});
    cairo_destroy(cr);
    cairo_surface_destroy(s);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::PrivateHome();
    UseHeadlessBackend();
    CHeadlessBackend::Current()->SetManualClock(true);
    // Images named by the layouts come from the test skin.
    CPaintManagerUI::SetResourcePath(Utils::FromUtf8(LUMORA_SOURCE_DIR) +
                                     L"/tests/toolkit/data/skin/");
    CPaintManagerUI::SetTextTableEntry(L"1", L"安装");
    CPaintManagerUI::SetTextTableEntry(L"2", L"A text long enough to wrap and be cut short");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string xml(reinterpret_cast<const char*>(data), size);
    CPaintManagerUI manager;
    CDialogBuilder builder;
    Factory factory;
    CControlUI* root = builder.CreateFromText(xml, &factory, &manager);
    if (!root) {
        FUZZ_CHECK(!builder.GetLastError().empty(), "a refused layout without a reason");
        return 0;
    }
    manager.AttachDialog(root);

    UISize window = manager.GetInitSize();
    window.cx = std::clamp(window.cx, 1, 320);
    window.cy = std::clamp(window.cy, 1, 240);
    for (UISize s : {window, UISize{1, 1}, UISize{kMaxLayoutCoordinate, 3}}) {
        manager.SetClientSize(s);
        manager.EnsureLayout();
    }
    manager.SetClientSize(window);
    manager.EnsureLayout();
    Paint(manager, window);
    FindTextProblems(manager);

    CWndShadow shadow;
    if (shadow.ApplyWindowAttributes(manager)) {
        int dx = 0, dy = 0;
        if (cairo_surface_t* s = RenderShadow(shadow.Settings(), window.cx, window.cy,
                                              manager.GetRoundCorner(), &dx, &dy))
            cairo_surface_destroy(s);
    }
    return 0;
}
