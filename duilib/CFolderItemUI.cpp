#include "CFolderItemUI.h"

#include <memory>

namespace DuiLib {
namespace {
constexpr int kIndent = 16;
constexpr DWORD kTextColor = 0xFFEBEBEB;
constexpr DWORD kUnshowableColor = 0xFF8A97A5;  // still listed, so the user sees why it cannot be chosen
// The tree's arrow strip: left half closed, right half open.
constexpr const char* kClosed = "file='img/treeview_expand.png' source='0,0,12,12' dest='0,6,12,18'";
constexpr const char* kOpen = "file='img/treeview_expand.png' source='13,0,25,12' dest='0,6,12,18'";
}  // namespace

CFolderItemUI::CFolderItemUI(std::string path, const std::string& text, int depth, bool isDir, bool showable)
    : m_path(std::move(path)), m_depth(depth), m_isDir(isDir), m_showable(showable) {
    auto indent = std::make_unique<CControlUI>();
    indent->SetFixedWidth(6 + depth * kIndent);
    indent->SetMouseEnabled(false);
    auto expander = std::make_unique<CButtonUI>();
    m_expander = expander.get();
    m_expander->SetFixedWidth(12);
    m_expander->SetKeyboardEnabled(false);
    m_expander->SetVisible(isDir);
    auto spacer = std::make_unique<CControlUI>();
    spacer->SetFixedWidth(12);
    spacer->SetMouseEnabled(false);
    spacer->SetVisible(!isDir);  // files line up with folder names
    auto label = std::make_unique<CLabelUI>();
    m_label = label.get();
    m_label->SetText(text.c_str());
    m_label->SetTextColor(showable ? kTextColor : kUnshowableColor);
    m_label->SetTextStyle(DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS);
    m_label->SetTextPadding(MakeRect(6, 0, 4, 0));
    m_label->SetMouseEnabled(false);
    Add(indent.release());
    Add(expander.release());
    Add(spacer.release());
    Add(label.release());
    SetExpanded(false);
}

void CFolderItemUI::SetExpanded(bool expanded) {
    m_expanded = expanded;
    m_expander->SetNormalImage(expanded ? kOpen : kClosed);
}

CDuiString CFolderItemUI::GetText() const { return m_label->GetText(); }

CControlUI* CFolderItemUI::FindControlAt(POINT pt) {
    if (!IsVisible() || !m_rcItem.Contains(pt)) return nullptr;
    if (m_expander->IsVisible() && m_expander->GetPos().Contains(pt)) return m_expander;
    return IsMouseEnabled() ? this : nullptr;
}

}  // namespace DuiLib
