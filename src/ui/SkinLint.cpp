#include "ui/SkinLint.h"

#include "utils/Text.h"

using namespace Toolkit;

namespace {

std::string NameOf(CControlUI* c) {
    return Utils::ToUtf8(c->GetName().empty() ? c->GetClass() : c->GetName());
}

}  // namespace

std::vector<std::string> FindTextProblems(CPaintManagerUI& manager) {
    std::vector<std::string> problems;
    if (manager.GetRoot() == nullptr) return problems;
    struct Text {
        CControlUI* control;
        UIRect box;
    };
    std::vector<Text> texts;
    manager.GetRoot()->FindControl(
        [&](CControlUI* c) {
            auto* label = static_cast<CLabelUI*>(c->GetInterface(L"Label"));
            if (!label || c->GetInterface(L"Edit") || c->GetText().empty() || !c->IsVisible())
                return false;
            const UIRect& pad = label->GetTextPadding();
            const UIRect pos = c->GetPos();
            const UIRect rc{pos.left + pad.left, pos.top + pad.top, pos.right - pad.right,
                            pos.bottom - pad.bottom};
            const bool multi = label->IsMultiLine();
            const UISize size =
                CCanvas::MeasureText(c->GetText(), manager.GetFont(label->GetFont()),
                                     multi ? std::max(rc.Width(), 1) : 0);
            if (size.cx > rc.Width() || size.cy > rc.Height())
                problems.push_back("text of " + NameOf(c) + " needs " + std::to_string(size.cx) +
                                   "x" + std::to_string(size.cy) + ", has " +
                                   std::to_string(rc.Width()) + "x" + std::to_string(rc.Height()));
            // Where the text is drawn inside its rectangle.
            const uint32_t style = label->GetTextStyle();
            int x = rc.left, y = rc.top;
            if (style & DT_CENTER) x = rc.left + (rc.Width() - size.cx) / 2;
            if (style & DT_RIGHT) x = rc.right - size.cx;
            if (style & DT_VCENTER) y = rc.top + (rc.Height() - size.cy) / 2;
            if (style & DT_BOTTOM) y = rc.bottom - size.cy;
            // A text too big for its control is cut at its edges (reported above).
            texts.push_back({c, UIRect{x, y, x + size.cx, y + size.cy}.Intersect(rc)});
            return false;
        },
        UIFIND_VISIBLE);
    for (size_t i = 0; i < texts.size(); ++i)
        for (size_t j = i + 1; j < texts.size(); ++j)
            if (!texts[i].box.Intersect(texts[j].box).IsEmpty())
                problems.push_back("texts of " + NameOf(texts[i].control) + " and " +
                                   NameOf(texts[j].control) + " overlap");
    return problems;
}
