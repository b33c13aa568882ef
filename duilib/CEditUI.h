// Single-line text entry drawn by the toolkit; typed UTF-8 arrives as GBK.
#pragma once

#include "CLabelUI.h"

namespace DuiLib {

class CEditUI : public CLabelUI {
public:
    CEditUI();
    const char* GetClass() const override { return "Edit"; }
    bool IsTabStop() const override { return m_bKeyboardEnabled && !m_bReadOnly; }
    bool WantsMouse() const override { return true; }

    void SetText(const char* text) override;  // from code: no "textchanged"
    bool IsPasswordMode() const { return m_bPasswordMode; }
    void SetPasswordMode(bool on) { m_bPasswordMode = on; Invalidate(); }
    bool IsReadOnly() const { return m_bReadOnly; }
    void SetReadOnly(bool ro) { m_bReadOnly = ro; Invalidate(); }
    void SetMaxChar(int n) { m_iMaxChar = n; }
    int GetMaxChar() const { return m_iMaxChar; }
    void SetSel(int start, int end);  // byte offsets at character boundaries; -1 = end
    int GetCaret() const { return m_caret; }
    bool HasSelection() const { return m_anchor != m_caret; }

    bool ApplyAttribute(const std::string& name, const std::string& value) override;
    void DoEvent(TEventUI& event) override;
    void PaintStatusImage(CRenderContext& ctx) override;
    void PaintText(CRenderContext& ctx) override;

protected:
    void InsertText(const std::string& gbk);
    void DeleteSelection();
    void MoveCaret(int pos, bool extend);
    int PrevBoundary(int pos) const;
    int NextBoundary(int pos) const;
    std::string DisplayUtf8(int uptoByte) const;  // shown text (masked in password mode) up to a byte
    int HitCaret(int x) const;
    void TextEdited();

    bool m_bPasswordMode = false;
    bool m_bReadOnly = false;
    int m_iMaxChar = 255;
    int m_caret = 0;
    int m_anchor = 0;
    int m_scrollX = 0;
    CDuiString m_sNormalImage, m_sHotImage, m_sFocusedImage, m_sDisabledImage;
    DWORD m_dwNativeBkColor = 0;
};

}  // namespace DuiLib
