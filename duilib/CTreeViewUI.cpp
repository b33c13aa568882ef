#include "CTreeViewUI.h"

#include "CPaintManagerUI.h"
#include "TextCodec.h"

#include <algorithm>

namespace DuiLib {
namespace {

// The folder button: checked means collapsed.
class CTreeFolderButtonUI : public CCheckBoxUI {
public:
    explicit CTreeFolderButtonUI(CTreeNodeUI* node) : m_node(node) {}
    void Selected(bool selected, bool notify = true) override {
        bool changed = selected != m_bSelected;
        CCheckBoxUI::Selected(selected, notify);
        if (changed && m_node->IsExpanded() == selected) m_node->SetExpanded(!selected);
    }
private:
    CTreeNodeUI* m_node;  // the node owning this button
};

}  // namespace

CTreeNodeUI::CTreeNodeUI() {
    auto horiz = std::make_unique<CHorizontalLayoutUI>();
    m_horiz = horiz.get();
    m_horiz->SetMouseEnabled(false);
    auto indent = std::make_unique<CLabelUI>();
    m_indent = indent.get();
    m_indent->SetVisible(false);
    auto folder = std::make_unique<CTreeFolderButtonUI>(this);
    m_folder = folder.get();
    m_folder->SetFixedWidth(16);
    m_folder->SetKeyboardEnabled(false);
    auto check = std::make_unique<CCheckBoxUI>();
    m_check = check.get();
    m_check->SetFixedWidth(16);
    m_check->SetVisible(false);
    m_check->SetKeyboardEnabled(false);
    auto item = std::make_unique<COptionUI>();
    m_item = item.get();
    m_item->SetMouseEnabled(false);
    m_item->SetKeyboardEnabled(false);
    m_item->SetTextStyle(DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS);
    m_item->SetTextPadding(MakeRect(4, 0, 4, 0));
    m_horiz->Add(indent.release());
    m_horiz->Add(folder.release());
    m_horiz->Add(check.release());
    m_horiz->Add(item.release());
    CListContainerElementUI::AddAt(horiz.release(), 0);
}

void CTreeNodeUI::SetItemText(const char* text) { m_item->SetText(text); }
CDuiString CTreeNodeUI::GetItemText() const { return m_item->GetText(); }
void CTreeNodeUI::SetItemTextColor(DWORD c) { m_item->SetTextColor(c); }
namespace {
std::string ColorText(DWORD c) {
    CDuiString s;
    s.Format("#%08X", c);
    return s.Str();
}
}  // namespace
void CTreeNodeUI::SetItemHotTextColor(DWORD c) { m_item->ApplyAttribute("hottextcolor", ColorText(c)); }
void CTreeNodeUI::SetSelItemTextColor(DWORD c) { m_item->ApplyAttribute("selectedtextcolor", ColorText(c)); }
void CTreeNodeUI::SetSelItemHotTextColor(DWORD c) { SetSelItemTextColor(c); }
void CTreeNodeUI::SetVisibleFolderBtn(bool v) { m_folder->SetVisible(v); }
bool CTreeNodeUI::GetVisibleFolderBtn() const { return m_folder->IsVisibleSelf(); }
void CTreeNodeUI::SetVisibleCheckBtn(bool v) { m_check->SetVisible(v); }
bool CTreeNodeUI::GetVisibleCheckBtn() const { return m_check->IsVisibleSelf(); }
bool CTreeNodeUI::IsChecked() const { return m_check->GetCheck(); }
void CTreeNodeUI::SetChecked(bool check) { m_check->SetCheck(check, false); }

bool CTreeNodeUI::AddChildControl(CControlUI* control, int index) {
    if (index < 0 || index > m_horiz->GetCount()) index = m_horiz->GetCount();
    return m_horiz->AddAt(control, index);
}

bool CTreeNodeUI::AddChildNode(CTreeNodeUI* node) {
    if (!node) return false;
    node->m_parentNode = this;
    m_children.push_back(node);
    if (m_treeView) return m_treeView->InsertNode(node, this);
    m_pending.emplace_back(node);
    return true;
}

bool CTreeNodeUI::RemoveChildNode(CTreeNodeUI* node) {
    auto it = std::find(m_children.begin(), m_children.end(), node);
    if (it == m_children.end()) return false;
    if (m_treeView) return m_treeView->Remove(node);
    m_children.erase(it);
    m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(), [&](auto& p) { return p.get() == node; }),
                    m_pending.end());
    return true;
}

CTreeNodeUI* CTreeNodeUI::GetChildNode(int index) const {
    if (index < 0 || index >= GetCountChild()) return nullptr;
    return m_children[static_cast<size_t>(index)];
}

int CTreeNodeUI::GetTreeLevel() const {
    int level = 0;
    for (CTreeNodeUI* p = m_parentNode; p; p = p->m_parentNode) ++level;
    return level;
}

bool CTreeNodeUI::AncestorsExpanded() const {
    for (CTreeNodeUI* p = m_parentNode; p; p = p->m_parentNode)
        if (!p->m_bExpanded) return false;
    return true;
}

void CTreeNodeUI::CollectSubtree(std::vector<CTreeNodeUI*>& out) {
    for (CTreeNodeUI* c : m_children) {
        out.push_back(c);
        c->CollectSubtree(out);
    }
}

void CTreeNodeUI::SetExpanded(bool expand) {
    if (m_bExpanded == expand) return;
    m_bExpanded = expand;
    if (m_folder->IsSelected() == expand) m_folder->Selected(!expand, false);
    std::vector<CTreeNodeUI*> sub;
    CollectSubtree(sub);
    for (CTreeNodeUI* n : sub) n->m_hiddenByCollapse = !n->AncestorsExpanded();
    NeedParentUpdate();
    Notify(DUI_MSGTYPE_ITEMEXPAND, expand ? 1 : 0);
}

void CTreeNodeUI::UpdateIndent() {
    int level = GetTreeLevel();
    int step = m_treeView ? m_treeView->m_indent : 16;
    m_indent->SetFixedWidth(level * step);
    m_indent->SetVisible(level > 0);
}

void CTreeNodeUI::AttachToTree(CTreeViewUI* tree, CTreeNodeUI* parent) {
    m_treeView = tree;
    m_parentNode = parent;
    m_hiddenByCollapse = !AncestorsExpanded();
    UpdateIndent();
    auto pending = std::move(m_pending);
    m_pending.clear();
    for (auto& child : pending) tree->InsertNode(child.release(), this);
}

bool CTreeNodeUI::ApplyAttribute(const std::string& n, const std::string& v) {
    if (n == "text") SetItemText(v.c_str());
    else if (n == "folderattr") m_folder->ApplyAttributeList(v.c_str());
    else if (n == "checkboxattr") m_check->ApplyAttributeList(v.c_str());
    else if (n == "itemattr") m_item->ApplyAttributeList(v.c_str());
    else if (n == "horizattr") m_horiz->ApplyAttributeList(v.c_str());
    else if (n == "dotlineattr") m_indent->ApplyAttributeList(v.c_str());
    else if (n == "itemtextcolor") m_item->SetTextColor(ParseColor(v.c_str()));
    else if (n == "itemhottextcolor") m_item->ApplyAttribute("hottextcolor", v);
    else if (n == "selitemtextcolor" || n == "selitemhottextcolor") m_item->ApplyAttribute("selectedtextcolor", v);
    else if (n == "visiblefolderbtn") SetVisibleFolderBtn(ParseBool(v));
    else if (n == "visiblecheckbtn") SetVisibleCheckBtn(ParseBool(v));
    else return CListContainerElementUI::ApplyAttribute(n, v);
    return true;
}

CControlUI* CTreeNodeUI::FindControlAt(POINT pt) {
    if (!IsVisible() || !m_rcItem.Contains(pt)) return nullptr;
    if (m_folder->IsVisible() && m_folder->GetPos().Contains(pt)) return m_folder;
    if (m_check->IsVisible() && m_check->GetPos().Contains(pt)) return m_check;
    return m_bMouseEnabled ? this : nullptr;
}

void CTreeNodeUI::DoEvent(TEventUI& event) { CListContainerElementUI::DoEvent(event); }

bool CTreeNodeUI::Select(bool select) {
    m_item->Selected(select, false);
    return CListContainerElementUI::Select(select);
}

bool CTreeViewUI::Add(CControlUI* control) {
    if (auto* node = dynamic_cast<CTreeNodeUI*>(control)) return InsertNode(node, nullptr);
    return CListUI::Add(control);
}

bool CTreeViewUI::AddAt(CControlUI* control, int index) {
    bool ok = CListUI::AddAt(control, index);
    if (ok) if (auto* node = dynamic_cast<CTreeNodeUI*>(control)) if (!node->m_treeView) node->AttachToTree(this, nullptr);
    return ok;
}

bool CTreeViewUI::InsertNode(CTreeNodeUI* node, CTreeNodeUI* parent) {
    int index = GetCount();
    if (parent) {
        std::vector<CTreeNodeUI*> sub;
        parent->CollectSubtree(sub);
        CControlUI* last = parent;
        for (CTreeNodeUI* n : sub)
            if (n != node && GetItemIndex(n) >= 0) last = n;
        index = GetItemIndex(last) + 1;
    }
    node->m_treeView = this;
    if (!m_bVisibleFolderBtn) node->SetVisibleFolderBtn(false);
    if (m_bVisibleCheckBtn) node->SetVisibleCheckBtn(true);
    if (!CListUI::AddAt(node, index)) return false;
    node->AttachToTree(this, parent);
    return true;
}

bool CTreeViewUI::Remove(CControlUI* control) {
    auto* node = dynamic_cast<CTreeNodeUI*>(control);
    if (!node) return CListUI::Remove(control);
    std::vector<CTreeNodeUI*> sub;
    node->CollectSubtree(sub);
    if (CTreeNodeUI* parent = node->m_parentNode) {
        auto& kids = parent->m_children;
        kids.erase(std::remove(kids.begin(), kids.end(), node), kids.end());
    }
    for (auto it = sub.rbegin(); it != sub.rend(); ++it) CListUI::Remove(*it);
    return CListUI::Remove(node);
}

void CTreeViewUI::RemoveAll() { CListUI::RemoveAll(); }

void CTreeViewUI::SetItemExpand(bool expand, CTreeNodeUI* node) {
    if (node) node->SetExpanded(expand);
}

bool CTreeViewUI::ApplyAttribute(const std::string& n, const std::string& v) {
    if (n == "visiblefolderbtn") m_bVisibleFolderBtn = ParseBool(v);
    else if (n == "visiblecheckbtn") m_bVisibleCheckBtn = ParseBool(v);
    else if (n == "indent") m_indent = std::atoi(v.c_str());
    else if (n == "itemminwidth") {}
    else return CListUI::ApplyAttribute(n, v);
    return true;
}

void CTreeViewUI::ItemEvent(CControlUI* item, TEventUI& event) {
    if (event.Type == UIEVENT_DBLCLICK) {
        if (auto* node = dynamic_cast<CTreeNodeUI*>(item))
            if (node->GetCountChild() > 0) node->SetExpanded(!node->IsExpanded());
    }
    CListUI::ItemEvent(item, event);
}

}  // namespace DuiLib
