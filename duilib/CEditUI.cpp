#include "CEditUI.h"

#include "CPaintManagerUI.h"
#include "ImageCache.h"
#include "RenderContext.h"
#include "TextCodec.h"

#include <SDL.h>
#include <algorithm>

namespace DuiLib {

CEditUI::CEditUI() {
    m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
    m_rcTextPadding = MakeRect(6, 0, 6, 0);
}

void CEditUI::SetText(const char* text) {
    std::string s = StripControlBytes(text ? text : "", false);
    m_sText = s.c_str();
    m_caret = m_anchor = m_sText.GetLength();
    Invalidate();
}

void CEditUI::SetSel(int start, int end) {
    int len = m_sText.GetLength();
    if (end < 0 || end > len) end = len;
    if (start < 0 || start > len) start = len;
    m_anchor = start;
    m_caret = end;
    Invalidate();
}

bool CEditUI::ApplyAttribute(const std::string& n, const std::string& v) {
    if (n == "password") m_bPasswordMode = ParseBool(v);
    else if (n == "readonly") m_bReadOnly = ParseBool(v);
    else if (n == "maxchar") m_iMaxChar = std::atoi(v.c_str());
    else if (n == "normalimage") m_sNormalImage = v.c_str();
    else if (n == "hotimage") m_sHotImage = v.c_str();
    else if (n == "focusedimage") m_sFocusedImage = v.c_str();
    else if (n == "disabledimage") m_sDisabledImage = v.c_str();
    else if (n == "nativebkcolor") m_dwNativeBkColor = ParseColor(v.c_str());
    else if (n == "numberonly" || n == "autoselall" || n == "tipvalue" || n == "tipvaluecolor") {}
    else return CLabelUI::ApplyAttribute(n, v);
    return true;
}

int CEditUI::PrevBoundary(int pos) const {
    const std::string& s = m_sText.Str();
    int p = 0, prev = 0;
    while (p < pos && p < static_cast<int>(s.size())) {
        prev = p;
        p += GbkCharLength(s, static_cast<size_t>(p));
    }
    return prev;
}

int CEditUI::NextBoundary(int pos) const {
    const std::string& s = m_sText.Str();
    if (pos >= static_cast<int>(s.size())) return static_cast<int>(s.size());
    return pos + GbkCharLength(s, static_cast<size_t>(pos));
}

std::string CEditUI::DisplayUtf8(int uptoByte) const {
    std::string part = m_sText.Str().substr(0, static_cast<size_t>(std::max(0, uptoByte)));
    if (!m_bPasswordMode) return GbkToUtf8Lenient(part);
    size_t chars = 0;
    for (size_t i = 0; i < part.size(); i += static_cast<size_t>(GbkCharLength(part, i))) ++chars;
    return std::string(chars, '*');
}

void CEditUI::TextEdited() {
    Invalidate();
    Notify(DUI_MSGTYPE_TEXTCHANGED);
}

void CEditUI::DeleteSelection() {
    int a = std::min(m_anchor, m_caret), b = std::max(m_anchor, m_caret);
    std::string s = m_sText.Str();
    s.erase(static_cast<size_t>(a), static_cast<size_t>(b - a));
    m_sText = s.c_str();
    m_caret = m_anchor = a;
}

void CEditUI::InsertText(const std::string& gbkIn) {
    std::string gbk = StripControlBytes(gbkIn, false);
    if (gbk.empty() && !HasSelection()) return;
    DeleteSelection();
    std::string s = m_sText.Str();
    // Keep whole characters within the byte limit.
    std::string add;
    for (size_t i = 0; i < gbk.size();) {
        size_t n = static_cast<size_t>(GbkCharLength(gbk, i));
        if (m_iMaxChar > 0 && static_cast<int>(s.size() + add.size() + n) > m_iMaxChar) break;
        add.append(gbk, i, n);
        i += n;
    }
    s.insert(static_cast<size_t>(m_caret), add);
    m_sText = s.c_str();
    m_caret = m_anchor = m_caret + static_cast<int>(add.size());
    TextEdited();
}

void CEditUI::MoveCaret(int pos, bool extend) {
    m_caret = std::clamp(pos, 0, m_sText.GetLength());
    if (!extend) m_anchor = m_caret;
    Invalidate();
}

int CEditUI::HitCaret(int x) const {
    if (!m_pManager || !m_pManager->GetRenderContext()) return m_sText.GetLength();
    CRenderContext* ctx = m_pManager->GetRenderContext();
    TFontInfo fi = m_pManager->GetFontInfo(m_iFont);
    int rel = x - (m_rcItem.left + m_rcTextPadding.left) + m_scrollX;
    int best = 0, pos = 0;
    int len = m_sText.GetLength();
    while (pos <= len) {
        int w = ctx->MeasureText(DisplayUtf8(pos), fi).cx;
        if (w > rel) {
            int prevW = ctx->MeasureText(DisplayUtf8(best), fi).cx;
            return (rel - prevW < w - rel) ? best : pos;
        }
        best = pos;
        if (pos == len) break;
        pos = NextBoundary(pos);
    }
    return best;
}

void CEditUI::DoEvent(TEventUI& event) {
    bool editable = IsEnabled() && !m_bReadOnly;
    switch (event.Type) {
    case UIEVENT_MOUSEENTER: m_uButtonState |= UISTATE_HOT; Invalidate(); return;
    case UIEVENT_MOUSELEAVE: m_uButtonState &= ~UISTATE_HOT; Invalidate(); return;
    case UIEVENT_BUTTONDOWN:
        if (IsEnabled()) {
            m_uButtonState |= UISTATE_CAPTURED;
            MoveCaret(HitCaret(event.ptMouse.x), (event.wKeyState & MK_SHIFT) != 0);
        }
        return;
    case UIEVENT_MOUSEMOVE:
        if (m_uButtonState & UISTATE_CAPTURED) MoveCaret(HitCaret(event.ptMouse.x), true);
        return;
    case UIEVENT_BUTTONUP: m_uButtonState &= ~UISTATE_CAPTURED; return;
    case UIEVENT_DBLCLICK: SetSel(0, -1); return;
    case UIEVENT_CHAR:
        if (editable && event.text) InsertText(event.text);
        return;
    case UIEVENT_KEYDOWN: {
        bool shift = (event.wKeyState & MK_SHIFT) != 0;
        bool ctrl = (event.wKeyState & MK_CONTROL) != 0;
        switch (event.chKey) {
        case VK_LEFT: MoveCaret(HasSelection() && !shift ? std::min(m_caret, m_anchor) : PrevBoundary(m_caret), shift); return;
        case VK_RIGHT: MoveCaret(HasSelection() && !shift ? std::max(m_caret, m_anchor) : NextBoundary(m_caret), shift); return;
        case VK_HOME: MoveCaret(0, shift); return;
        case VK_END: MoveCaret(m_sText.GetLength(), shift); return;
        case VK_BACK:
            if (!editable) return;
            if (!HasSelection()) m_anchor = PrevBoundary(m_caret);
            if (HasSelection()) { DeleteSelection(); TextEdited(); }
            return;
        case VK_DELETE:
            if (!editable) return;
            if (!HasSelection()) m_anchor = NextBoundary(m_caret);
            if (HasSelection()) { DeleteSelection(); TextEdited(); }
            return;
        case VK_RETURN: Notify(DUI_MSGTYPE_RETURN); return;
        default: break;
        }
        if (ctrl && event.chKey == 'A') { SetSel(0, -1); return; }
        if (ctrl && (event.chKey == 'C' || event.chKey == 'X') && HasSelection() && !m_bPasswordMode) {
            int a = std::min(m_anchor, m_caret), b = std::max(m_anchor, m_caret);
            SDL_SetClipboardText(GbkToUtf8Lenient(m_sText.Str().substr(static_cast<size_t>(a), static_cast<size_t>(b - a))).c_str());
            if (event.chKey == 'X' && editable) { DeleteSelection(); TextEdited(); }
            return;
        }
        if (ctrl && event.chKey == 'V' && editable) {
            if (char* clip = SDL_GetClipboardText()) {
                std::string text = clip;
                SDL_free(clip);
                InsertText(Utf8ToGbkLenient(text));
            }
            return;
        }
        break;
    }
    default: break;
    }
    CLabelUI::DoEvent(event);
}

void CEditUI::PaintStatusImage(CRenderContext& ctx) {
    bool drawn = false;
    if (!IsEnabled()) drawn = DrawImage(ctx, m_sDisabledImage);
    else if (m_bFocused) drawn = DrawImage(ctx, m_sFocusedImage);
    else if (m_uButtonState & UISTATE_HOT) drawn = DrawImage(ctx, m_sHotImage);
    if (!drawn) DrawImage(ctx, m_sNormalImage);
}

void CEditUI::PaintText(CRenderContext& ctx) {
    if (!m_pManager) return;
    TFontInfo fi = m_pManager->GetFontInfo(m_iFont);
    RECT rc = TextRect();
    int caretX = ctx.MeasureText(DisplayUtf8(m_caret), fi).cx;
    // Keep the caret inside the box by scrolling the text horizontally.
    if (caretX - m_scrollX > rc.Width() - 2) m_scrollX = caretX - rc.Width() + 2;
    if (caretX - m_scrollX < 0) m_scrollX = caretX;
    DWORD color = m_dwTextColor ? m_dwTextColor : m_pManager->GetDefaultTextColor();
    if (!IsEnabled() && m_dwDisabledTextColor) color = m_dwDisabledTextColor;
    int lh = ctx.LineHeight(fi);
    int y = rc.top + (rc.Height() - lh) / 2;
    if (HasSelection() && m_bFocused) {
        int a = ctx.MeasureText(DisplayUtf8(std::min(m_anchor, m_caret)), fi).cx;
        int b = ctx.MeasureText(DisplayUtf8(std::max(m_anchor, m_caret)), fi).cx;
        RECT sel = MakeRect(rc.left + a - m_scrollX, y, rc.left + b - m_scrollX, y + lh);
        RECT clipped;
        if (IntersectRect(clipped, sel, rc)) ctx.FillRect(clipped, 0xFF386382);
    }
    ctx.DrawTextLine(rc.left - m_scrollX, y, DisplayUtf8(m_sText.GetLength()), fi, color, rc);
    if (m_bFocused && IsEnabled() && !m_bReadOnly)
        ctx.FillRect(MakeRect(rc.left + caretX - m_scrollX, y + 1, rc.left + caretX - m_scrollX + 1, y + lh - 1), color);
}

}  // namespace DuiLib
