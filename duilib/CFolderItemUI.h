// One row of the choosers' folder tree: indent, expander, name. The tree is a flat list whose
// rows carry their depth; a folder's children are the deeper rows right below it.
#pragma once

#include "CButtonUI.h"
#include "CListElementUI.h"

#include <string>

namespace DuiLib {

// Thread: UI. Owned by its list.
class CFolderItemUI : public CListContainerElementUI {
public:
    // path: as on disk (UTF-8); text: GBK; showable: the whole path has a GBK form.
    CFolderItemUI(std::string path, const std::string& text, int depth, bool isDir, bool showable);
    const char* GetClass() const override { return "FolderItem"; }

    const std::string& GetPath() const { return m_path; }
    int GetDepth() const { return m_depth; }
    bool IsDir() const { return m_isDir; }
    bool IsShowable() const { return m_showable; }
    bool IsExpanded() const { return m_expanded; }
    void SetExpanded(bool expanded);
    CButtonUI* GetExpander() const { return m_expander; }
    CDuiString GetText() const override;

    CControlUI* FindControlAt(POINT pt) override;

private:
    std::string m_path;
    int m_depth;
    bool m_isDir;
    bool m_showable;
    bool m_expanded = false;
    CButtonUI* m_expander;  // owned by this row
    CLabelUI* m_label;      // owned by this row
};

}  // namespace DuiLib
