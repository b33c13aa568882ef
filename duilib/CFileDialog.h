// Modal folder and file choosers over the local file system, drawn by the toolkit
// (skin "FileDialog.xml" in the skin folder under the instance path).
#pragma once

#include "CFolderItemUI.h"
#include "DirectoryListing.h"
#include "WindowImplBase.h"

#include <string>
#include <vector>

namespace DuiLib {

// Thread: UI. Lives on its opener's stack for one modal run; never deletes itself.
// Result 1: a path was chosen (GetPath); anything else: cancelled.
// Keys on the tree: Up/Down move, Right expands (then enters), Left collapses (then goes up),
// Enter chooses (or opens a folder when files are wanted), Escape cancels. Enter in the
// folder-name field makes the folder.
class CFileDialog : public WindowImplBase {
public:
    enum class Mode { Folder, OpenFile };

    explicit CFileDialog(Mode mode);
    const char* GetWindowClassName() const override { return "FileDialog"; }

    // Set before Create. Texts are GBK. extension like ".wav" (matched case-insensitively).
    void SetFilter(const char* label, const char* extension);
    void SetInitialPath(const std::string& gbkPath);

    // The chosen path (GBK), set when the dialog ends with 1.
    const std::string& GetPath() const { return m_path; }

    // Runs the chooser modally over owner; true with chosen set when the user picked one.
    static bool BrowseForFolder(HWND owner, const std::string& initialGbk, std::string& chosen);
    static bool OpenFile(HWND owner, const char* filterLabel, const char* extension, const std::string& initialGbk,
                         std::string& chosen);

    // --- what the controls and keys do (also driven by tests)
    // Lists and expands the tree down to utf8Path and selects the deepest row reached.
    CFolderItemUI* ExpandTo(const std::string& utf8Path);
    CFolderItemUI* GetSelectedItem() const;
    // The rows right below a folder (empty while it is collapsed) and a row's folder.
    std::vector<CFolderItemUI*> ChildrenOf(const CFolderItemUI* item) const;
    CFolderItemUI* ParentOf(const CFolderItemUI* item) const;
    // Lists a folder's entries below it (lazily: only now), or removes them.
    void Expand(CFolderItemUI* item);
    void Collapse(CFolderItemUI* item);
    // Chooses the selected entry: closes with 1, or shows why not and stays open.
    bool Accept();
    // Makes a folder inside the selected folder (an empty name picks a free default name).
    bool CreateFolder(const std::string& gbkName);
    // The message shown for the last refusal (GBK), empty when none.
    std::string GetErrorText() const;

protected:
    CDuiString GetSkinFolder() override { return "skin/"; }
    CDuiString GetSkinFile() override { return "FileDialog.xml"; }
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    void OnClick(TNotifyUI& msg) override;
    bool ResponseDefaultKeyEvent(WPARAM wParam) override;
    LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

private:
    bool Run(HWND owner, std::string& chosen);  // modal; true with chosen set on 1
    void Select(CFolderItemUI* item);
    void MoveSelection(int step);
    void OnSelectionChanged();
    void Activate(CFolderItemUI* item);
    void ShowError(const char* utf8Text, const std::string& gbkDetail = std::string());
    std::string StartPath() const;
    CListUI* List() const;
    CFolderItemUI* ItemAt(int index) const;

    Mode m_mode;
    std::string m_filterLabel;  // GBK
    std::string m_extension;    // empty for folders only
    std::string m_initial;      // GBK
    std::string m_path;         // GBK result
};

}  // namespace DuiLib
