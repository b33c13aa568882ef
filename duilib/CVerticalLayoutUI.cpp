#include "CVerticalLayoutUI.h"

#include <algorithm>

namespace DuiLib {

std::vector<int> DistributeExtent(int total, const std::vector<int>& fixed, const std::vector<int>& minv,
                                  const std::vector<int>& maxv, const std::vector<int>& pad, int childPadding) {
    size_t n = fixed.size();
    std::vector<int> out(n, 0);
    if (n == 0) return out;
    int used = childPadding * static_cast<int>(n - 1);
    int adjustable = 0;
    for (size_t i = 0; i < n; ++i) {
        used += pad[i];
        if (fixed[i] > 0) { out[i] = fixed[i]; used += fixed[i]; }
        else ++adjustable;
    }
    int remain = std::max(0, total - used);
    // Share what is left; a child clamped by min/max leaves its difference to the others.
    std::vector<bool> done(n, false);
    for (size_t i = 0; i < n; ++i) done[i] = fixed[i] > 0;
    bool changed = true;
    while (adjustable > 0 && changed) {
        changed = false;
        int share = remain / adjustable;
        for (size_t i = 0; i < n; ++i) {
            if (done[i]) continue;
            int v = std::clamp(share, minv[i], std::max(minv[i], maxv[i]));
            if (v != share) {
                out[i] = v;
                done[i] = true;
                remain = std::max(0, remain - v);
                --adjustable;
                changed = true;
            }
        }
    }
    if (adjustable > 0) {
        int share = remain / adjustable;
        int extra = remain - share * adjustable;
        for (size_t i = 0; i < n; ++i) {
            if (done[i]) continue;
            out[i] = share + (--adjustable == 0 ? extra : 0);  // the last one takes the rounding rest
        }
    }
    return out;
}

void CVerticalLayoutUI::LayoutChildren(const RECT& content) {
    std::vector<CControlUI*> kids;
    std::vector<int> fixed, minv, maxv, pad;
    SIZE avail{content.Width(), content.Height()};
    for (auto& c : m_items) {
        if (!c->IsVisibleSelf() || c->IsFloat()) continue;
        kids.push_back(c.get());
        SIZE sz = c->EstimateSize(avail);
        fixed.push_back(sz.cy);
        minv.push_back(c->GetMinHeight());
        maxv.push_back(c->GetMaxHeight());
        pad.push_back(c->GetPadding().top + c->GetPadding().bottom);
    }
    std::vector<int> h = DistributeExtent(content.Height(), fixed, minv, maxv, pad, m_iChildPadding);
    int y = content.top - (m_bVScroll ? m_scrollY : 0);
    int contentHeight = 0;
    for (size_t i = 0; i < kids.size(); ++i) {
        CControlUI* c = kids[i];
        const RECT& p = c->GetPadding();
        SIZE sz = c->EstimateSize(avail);
        int w = sz.cx > 0 ? sz.cx : content.Width() - p.left - p.right;
        w = std::clamp(w, c->GetMinWidth(), std::max(c->GetMinWidth(), c->GetMaxWidth()));
        y += p.top;
        c->SetPos(MakeRect(content.left + p.left, y, content.left + p.left + w, y + h[i]), false);
        y += h[i] + p.bottom + m_iChildPadding;
        contentHeight += p.top + h[i] + p.bottom + (i > 0 ? m_iChildPadding : 0);
    }
    FinishScroll(contentHeight, content);
}

void CHorizontalLayoutUI::LayoutChildren(const RECT& content) {
    std::vector<CControlUI*> kids;
    std::vector<int> fixed, minv, maxv, pad;
    SIZE avail{content.Width(), content.Height()};
    for (auto& c : m_items) {
        if (!c->IsVisibleSelf() || c->IsFloat()) continue;
        kids.push_back(c.get());
        SIZE sz = c->EstimateSize(avail);
        fixed.push_back(sz.cx);
        minv.push_back(c->GetMinWidth());
        maxv.push_back(c->GetMaxWidth());
        pad.push_back(c->GetPadding().left + c->GetPadding().right);
    }
    std::vector<int> w = DistributeExtent(content.Width(), fixed, minv, maxv, pad, m_iChildPadding);
    int x = content.left;
    for (size_t i = 0; i < kids.size(); ++i) {
        CControlUI* c = kids[i];
        const RECT& p = c->GetPadding();
        SIZE sz = c->EstimateSize(avail);
        int h = sz.cy > 0 ? sz.cy : content.Height() - p.top - p.bottom;
        h = std::clamp(h, c->GetMinHeight(), std::max(c->GetMinHeight(), c->GetMaxHeight()));
        x += p.left;
        c->SetPos(MakeRect(x, content.top + p.top, x + w[i], content.top + p.top + h), false);
        x += w[i] + p.right + m_iChildPadding;
    }
}

}  // namespace DuiLib
