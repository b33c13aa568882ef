// A tree shown as a list: every node is a row of the list, indented by depth.
#pragma once

#include "CListElementUI.h"
#include "COptionUI.h"

#include <vector>

namespace DuiLib {

class CTreeViewUI;

// Thread: UI. A node's row holds [indent, folder button, check box, item button] in a horizontal
// layout; child nodes are rows of the same tree view, tracked here without ownership.
class CTreeNodeUI : public CListContainerElementUI {
public:
    CTreeNodeUI();
    const char* GetClass() const override { return "TreeNode"; }

    void SetItemText(const char* text);
    CDuiString GetItemText() const;
    CDuiString GetText() const override { return GetItemText(); }
    void SetText(const char* text) override { SetItemText(text); }
    void SetItemTextColor(DWORD c);
    void SetItemHotTextColor(DWORD c);
    void SetSelItemTextColor(DWORD c);
    void SetSelItemHotTextColor(DWORD c);
    void SetVisibleFolderBtn(bool visible);
    bool GetVisibleFolderBtn() const;
    void SetVisibleCheckBtn(bool visible);
    bool GetVisibleCheckBtn() const;
    bool IsChecked() const;
    void SetChecked(bool check);

    // Inserts a control into the row at index (0 indent, 1 folder, 2 check, 3 item by default).
    bool AddChildControl(CControlUI* control, int index);
    // Appends a child node (ownership goes to the tree view, or stays pending until this node joins one).
    bool AddChildNode(CTreeNodeUI* node);
    bool RemoveChildNode(CTreeNodeUI* node);
    int GetCountChild() const { return static_cast<int>(m_children.size()); }
    CTreeNodeUI* GetChildNode(int index) const;
    CTreeNodeUI* GetParentNode() const { return m_parentNode; }
    int GetTreeLevel() const;
    bool IsExpanded() const { return m_bExpanded; }
    void SetExpanded(bool expand);
    CTreeViewUI* GetTreeView() const { return m_treeView; }

    CHorizontalLayoutUI* GetTreeNodeHoriznotal() const { return m_horiz; }
    CCheckBoxUI* GetFolderButton() const { return m_folder; }
    CCheckBoxUI* GetCheckBox() const { return m_check; }
    COptionUI* GetItemButton() const { return m_item; }

    bool ApplyAttribute(const std::string& name, const std::string& value) override;
    CControlUI* FindControlAt(POINT pt) override;
    void DoEvent(TEventUI& event) override;
    bool Select(bool select = true) override;
    bool IsVisible() const override { return !m_hiddenByCollapse && CListContainerElementUI::IsVisible(); }
    bool IsVisibleSelf() const override { return !m_hiddenByCollapse && m_bVisible; }

private:
    friend class CTreeViewUI;
    void AttachToTree(CTreeViewUI* tree, CTreeNodeUI* parent);
    void UpdateIndent();
    void CollectSubtree(std::vector<CTreeNodeUI*>& out);
    bool AncestorsExpanded() const;

    CHorizontalLayoutUI* m_horiz;  // owned by this container
    CLabelUI* m_indent;
    CCheckBoxUI* m_folder;
    CCheckBoxUI* m_check;
    COptionUI* m_item;
    CTreeNodeUI* m_parentNode = nullptr;
    CTreeViewUI* m_treeView = nullptr;
    std::vector<CTreeNodeUI*> m_children;
    std::vector<std::unique_ptr<CTreeNodeUI>> m_pending;  // children added before joining a tree
    bool m_bExpanded = true;
    bool m_hiddenByCollapse = false;
};

class CTreeViewUI : public CListUI {
public:
    const char* GetClass() const override { return "TreeView"; }
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;
    void SetItemExpand(bool expand, CTreeNodeUI* node);
    void SetVisibleFolderBtn(bool v) { m_bVisibleFolderBtn = v; }
    void SetVisibleCheckBtn(bool v) { m_bVisibleCheckBtn = v; }
    bool ApplyAttribute(const std::string& name, const std::string& value) override;
    void ItemEvent(CControlUI* item, TEventUI& event) override;

private:
    friend class CTreeNodeUI;
    bool InsertNode(CTreeNodeUI* node, CTreeNodeUI* parent);  // takes ownership
    bool m_bVisibleFolderBtn = true;
    bool m_bVisibleCheckBtn = false;
    int m_indent = 16;
};

}  // namespace DuiLib
