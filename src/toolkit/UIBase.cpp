#include "toolkit/UIBase.h"

#include <algorithm>

namespace Toolkit {

UIRect UIRect::Intersect(const UIRect& o) const {
    UIRect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
             std::min(bottom, o.bottom)};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

UIRect UIRect::Union(const UIRect& o) const {
    if (IsEmpty()) return o;
    if (o.IsEmpty()) return *this;
    return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
            std::max(bottom, o.bottom)};
}

}  // namespace Toolkit
