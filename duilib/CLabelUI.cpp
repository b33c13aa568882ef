#include "CLabelUI.h"

#include "CPaintManagerUI.h"
#include "RenderContext.h"
#include "TextCodec.h"

#include <cstdlib>

namespace DuiLib {

CLabelUI::CLabelUI() = default;

RECT CLabelUI::TextRect() const {
    RECT rc = m_rcItem;
    rc.left += m_rcTextPadding.left;
    rc.top += m_rcTextPadding.top;
    rc.right -= m_rcTextPadding.right;
    rc.bottom -= m_rcTextPadding.bottom;
    return rc;
}

SIZE CLabelUI::EstimateSize(SIZE available) {
    SIZE sz = m_cxyFixed;
    if (m_bAutoCalcWidth && m_pManager && m_pManager->GetRenderContext()) {
        std::string utf8 = StripControlBytes(GbkToUtf8Lenient(m_sText.Str()), false);
        sz.cx = m_pManager->GetRenderContext()->MeasureText(utf8, m_pManager->GetFontInfo(m_iFont)).cx +
                m_rcTextPadding.left + m_rcTextPadding.right;
    }
    (void)available;
    return sz;
}

bool CLabelUI::ApplyAttribute(const std::string& n, const std::string& v) {
    const char* val = v.c_str();
    if (n == "align") {
        m_uTextStyle &= ~(DT_CENTER | DT_RIGHT);
        if (v.find("center") != std::string::npos) m_uTextStyle |= DT_CENTER;
        if (v.find("right") != std::string::npos) m_uTextStyle |= DT_RIGHT;
        if (v.find("top") != std::string::npos) m_uTextStyle &= ~(DT_VCENTER | DT_BOTTOM);
        if (v.find("bottom") != std::string::npos) { m_uTextStyle &= ~DT_VCENTER; m_uTextStyle |= DT_BOTTOM; }
    } else if (n == "valign") {
        m_uTextStyle &= ~(DT_VCENTER | DT_BOTTOM);
        if (v == "vcenter" || v == "center") m_uTextStyle |= DT_VCENTER;
        else if (v == "bottom") m_uTextStyle |= DT_BOTTOM;
    } else if (n == "endellipsis") {
        if (ParseBool(v)) m_uTextStyle |= DT_END_ELLIPSIS; else m_uTextStyle &= ~DT_END_ELLIPSIS;
    } else if (n == "wordbreak") {
        if (ParseBool(v)) { m_uTextStyle |= DT_WORDBREAK; m_uTextStyle &= ~DT_SINGLELINE; }
        else m_uTextStyle &= ~DT_WORDBREAK;
    } else if (n == "font") m_iFont = std::atoi(val);
    else if (n == "textcolor") m_dwTextColor = ParseColor(val);
    else if (n == "disabledtextcolor") m_dwDisabledTextColor = ParseColor(val);
    else if (n == "textpadding") { RECT rc; if (ParseRect(val, rc)) m_rcTextPadding = rc; }
    else if (n == "autocalcwidth") m_bAutoCalcWidth = ParseBool(v);
    else if (n == "showhtml" || n == "multiline") {
        // Markup is never interpreted: texts may come from the server.
        if (n == "multiline" && ParseBool(v)) { m_uTextStyle |= DT_WORDBREAK; m_uTextStyle &= ~DT_SINGLELINE; }
    } else return CControlUI::ApplyAttribute(n, v);
    return true;
}

void CLabelUI::PaintText(CRenderContext& ctx) {
    DWORD color = m_dwTextColor;
    if (!m_bEnabled && m_dwDisabledTextColor) color = m_dwDisabledTextColor;
    PaintTextColor(ctx, color);
}

void CLabelUI::PaintTextColor(CRenderContext& ctx, DWORD color) {
    if (m_sText.IsEmpty() || !m_pManager) return;
    if (!color) color = m_pManager->GetDefaultTextColor();
    bool multi = (m_uTextStyle & DT_WORDBREAK) != 0;
    std::string utf8 = StripControlBytes(GbkToUtf8Lenient(m_sText.Str()), multi);
    ctx.DrawText(TextRect(), utf8, m_pManager->GetFontInfo(m_iFont), color, m_uTextStyle);
}

}  // namespace DuiLib
