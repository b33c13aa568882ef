#include "CFileDialog.h"

#include "CEditUI.h"
#include "CListUI.h"
#include "CLabelUI.h"
#include "TextCodec.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace DuiLib {
namespace {

// This file is compiled as UTF-8; the toolkit's texts are GBK.
std::string T(const char* utf8) { return Utf8ToGbkLenient(utf8); }

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/' && DirectoryListing::IsDirectory(home)) return home;
    return "/";
}

}  // namespace

CFileDialog::CFileDialog(Mode mode) : m_mode(mode) {}

void CFileDialog::SetFilter(const char* label, const char* extension) {
    m_filterLabel = label ? label : "";
    m_extension = extension ? extension : "";
}

void CFileDialog::SetInitialPath(const std::string& gbkPath) { m_initial = gbkPath; }

bool CFileDialog::Run(HWND owner, std::string& chosen) {
    if (!Create(owner, "", UI_WNDSTYLE_DIALOG, 0)) return false;
    CenterWindow();
    if (ShowModal() != 1) return false;
    chosen = m_path;
    return true;
}

bool CFileDialog::BrowseForFolder(HWND owner, const std::string& initialGbk, std::string& chosen) {
    CFileDialog dlg(Mode::Folder);
    dlg.SetInitialPath(initialGbk);
    return dlg.Run(owner, chosen);
}

bool CFileDialog::OpenFile(HWND owner, const char* filterLabel, const char* extension, const std::string& initialGbk,
                           std::string& chosen) {
    CFileDialog dlg(Mode::OpenFile);
    dlg.SetFilter(filterLabel, extension);
    dlg.SetInitialPath(initialGbk);
    return dlg.Run(owner, chosen);
}

CListUI* CFileDialog::List() const { return FindControlAs<CListUI>("listFolders"); }

CFolderItemUI* CFileDialog::ItemAt(int index) const {
    CListUI* list = List();
    return list ? dynamic_cast<CFolderItemUI*>(list->GetItemAt(index)) : nullptr;
}

void CFileDialog::InitWindow() {
    bool files = m_mode == Mode::OpenFile;
    if (auto* title = FindControlAs<CLabelUI>("labelTitle"))
        title->SetText(T(files ? "打开" : "选择文件夹").c_str());
    SetWindowText(GetHWND(), T(files ? "打开" : "选择文件夹").c_str());
    if (auto* filter = FindControlAs<CLabelUI>("labelFilter")) {
        filter->SetVisible(files);
        filter->SetText((T("文件类型：") + m_filterLabel).c_str());
    }
    // Files are only picked; new folders belong to the folder chooser.
    if (CControlUI* row = m_pm.FindControl("rowNewFolder")) row->SetVisible(!files);
    CListUI* list = List();
    if (!list) return;
    list->Add(new CFolderItemUI("/", "/", 0, true, true));  // owned by the list
    if (!ExpandTo(StartPath())) Select(ItemAt(0));
    list->SetFocus();
}

std::string CFileDialog::StartPath() const {
    std::string disk;
    if (!m_initial.empty() && m_initial[0] == '/' && DirectoryListing::ToDisk(m_initial, disk)) {
        if (DirectoryListing::IsDirectory(disk)) return disk;
        if (m_mode == Mode::OpenFile && DirectoryListing::IsFile(disk)) return disk;
        std::string parent = DirectoryListing::Parent(disk);
        if (DirectoryListing::IsDirectory(parent)) return parent;
    }
    return HomeFolder();
}

std::vector<CFolderItemUI*> CFileDialog::ChildrenOf(const CFolderItemUI* item) const {
    std::vector<CFolderItemUI*> out;
    CListUI* list = List();
    if (!list || !item) return out;
    for (int i = list->GetItemIndex(const_cast<CFolderItemUI*>(item)) + 1; i < list->GetCount(); ++i) {
        CFolderItemUI* row = ItemAt(i);
        if (!row || row->GetDepth() <= item->GetDepth()) break;
        if (row->GetDepth() == item->GetDepth() + 1) out.push_back(row);
    }
    return out;
}

CFolderItemUI* CFileDialog::ParentOf(const CFolderItemUI* item) const {
    CListUI* list = List();
    if (!list || !item) return nullptr;
    for (int i = list->GetItemIndex(const_cast<CFolderItemUI*>(item)) - 1; i >= 0; --i) {
        CFolderItemUI* row = ItemAt(i);
        if (row && row->GetDepth() < item->GetDepth()) return row;
    }
    return nullptr;
}

void CFileDialog::Expand(CFolderItemUI* item) {
    CListUI* list = List();
    if (!list || !item || !item->IsDir() || item->IsExpanded()) return;
    item->SetExpanded(true);
    std::vector<DirectoryListing::Entry> entries;
    const std::string& dir = item->GetPath();
    if (!DirectoryListing::List(dir, m_mode == Mode::OpenFile ? m_extension : std::string(), entries)) {
        ShowError("无法打开此文件夹。");
        return;
    }
    int at = list->GetItemIndex(item) + 1;
    for (const auto& e : entries) {
        auto* row = new CFolderItemUI(DirectoryListing::Join(dir, e.diskName), e.shownName, item->GetDepth() + 1,
                                      e.isDir, item->IsShowable() && e.representable);
        list->AddAt(row, at++);  // owned by the list
    }
}

void CFileDialog::Collapse(CFolderItemUI* item) {
    CListUI* list = List();
    if (!list || !item || !item->IsExpanded()) return;
    item->SetExpanded(false);
    // Listed afresh on the next expansion, so folders made elsewhere show up.
    int at = list->GetItemIndex(item) + 1;
    while (CFolderItemUI* row = ItemAt(at)) {
        if (row->GetDepth() <= item->GetDepth()) break;
        list->Remove(row);
    }
    if (list->GetCurSel() < 0) Select(item);
}

CFolderItemUI* CFileDialog::ExpandTo(const std::string& utf8Path) {
    CFolderItemUI* cur = ItemAt(0);
    if (!cur || utf8Path.empty() || utf8Path[0] != '/') return nullptr;
    size_t pos = 1;
    while (pos < utf8Path.size()) {
        size_t end = utf8Path.find('/', pos);
        if (end == std::string::npos) end = utf8Path.size();
        std::string part = utf8Path.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty() || part == ".") continue;
        Expand(cur);
        std::string want = DirectoryListing::Join(cur->GetPath(), part);
        CFolderItemUI* next = nullptr;
        for (CFolderItemUI* child : ChildrenOf(cur))
            if (child->GetPath() == want) next = child;
        if (!next) break;  // hidden or gone: stop at the nearest listed folder
        cur = next;
    }
    Select(cur);
    return cur;
}

CFolderItemUI* CFileDialog::GetSelectedItem() const {
    CListUI* list = List();
    return list ? ItemAt(list->GetCurSel()) : nullptr;
}

void CFileDialog::Select(CFolderItemUI* item) {
    CListUI* list = List();
    if (!list || !item) return;
    int index = list->GetItemIndex(item);
    // Rows just listed have no place yet, and the list scrolls to the selection by its place.
    m_pm.UpdateLayout();
    if (index >= 0) list->SelectItem(index, false, false);
    OnSelectionChanged();
}

void CFileDialog::OnSelectionChanged() {
    CFolderItemUI* item = GetSelectedItem();
    if (auto* label = FindControlAs<CLabelUI>("labelPath"))
        label->SetText(item ? Utf8ToGbkLenient(item->GetPath()).c_str() : "");
    if (item && !item->IsShowable())
        ShowError("此路径含有本程序无法表示的字符，不能选用。请选择或新建其他文件夹。");
    else
        ShowError("");
}

void CFileDialog::MoveSelection(int step) {
    CListUI* list = List();
    if (!list) return;
    int next = list->GetCurSel() + step;
    if (next < 0 || next >= list->GetCount()) return;
    list->SelectItem(next, true, false);
    OnSelectionChanged();
}

void CFileDialog::ShowError(const char* utf8Text, const std::string& gbkDetail) {
    if (auto* label = FindControlAs<CLabelUI>("labelError")) label->SetText((T(utf8Text) + gbkDetail).c_str());
}

std::string CFileDialog::GetErrorText() const {
    auto* label = FindControlAs<CLabelUI>("labelError");
    return label ? label->GetText().Str() : std::string();
}

bool CFileDialog::Accept() {
    CFolderItemUI* item = GetSelectedItem();
    bool wantDir = m_mode == Mode::Folder;
    if (!item || item->IsDir() != wantDir) {
        ShowError(wantDir ? "请选择一个文件夹。" : "请选择一个文件。");
        return false;
    }
    const std::string& disk = item->GetPath();
    std::string shown;
    if (!item->IsShowable() || !DirectoryListing::ToShown(disk, shown)) {
        ShowError("此路径含有本程序无法表示的字符，不能选用。请选择或新建其他文件夹。");
        return false;
    }
    if (wantDir ? !DirectoryListing::IsDirectory(disk) : !DirectoryListing::IsFile(disk)) {
        ShowError(wantDir ? "此文件夹已不存在。" : "此文件已不存在。");
        return false;
    }
    m_path = shown;
    Close(1);
    return true;
}

bool CFileDialog::CreateFolder(const std::string& gbkName) {
    CFolderItemUI* parent = GetSelectedItem();
    if (parent && !parent->IsDir()) parent = ParentOf(parent);
    if (!parent) parent = ItemAt(0);
    if (!parent) return false;
    if (!parent->IsShowable()) {
        ShowError("此位置或名称含有无法在磁盘上表示的字符，不能新建文件夹。");
        return false;
    }
    std::string name = gbkName, created;
    DirectoryListing::MakeResult r;
    if (name.empty()) {
        // A free default name, as other desktops do.
        const std::string base = T("新建文件夹");
        int n = 1;
        do {
            name = n == 1 ? base : base + " (" + std::to_string(n) + ")";
            r = DirectoryListing::MakeFolder(parent->GetPath(), name, created);
        } while (r == DirectoryListing::MakeResult::Exists && ++n < 100);
    } else {
        r = DirectoryListing::MakeFolder(parent->GetPath(), name, created);
    }
    int error = errno;
    switch (r) {
    case DirectoryListing::MakeResult::Created: break;
    case DirectoryListing::MakeResult::InvalidName:
        ShowError("文件夹名称无效：不能以“.”开头，不能含有“/”或控制字符。");
        return false;
    case DirectoryListing::MakeResult::Unrepresentable:
        ShowError("此位置或名称含有无法在磁盘上表示的字符，不能新建文件夹。");
        return false;
    case DirectoryListing::MakeResult::Exists:
        ShowError("同名的文件或文件夹已存在：", name);
        return false;
    case DirectoryListing::MakeResult::Failed:
        ShowError("无法新建文件夹：", Utf8ToGbkLenient(std::strerror(error)));
        return false;
    }
    // Listed again so the new folder takes its sorted place.
    Collapse(parent);
    Expand(parent);
    for (CFolderItemUI* child : ChildrenOf(parent))
        if (child->GetPath() == created) Select(child);
    if (auto* edit = FindControlAs<CEditUI>("txtFolderName")) edit->SetText("");
    return true;
}

void CFileDialog::Activate(CFolderItemUI* item) {
    if (!item) return;
    if (!item->IsDir()) Accept();
    else if (item->IsExpanded()) Collapse(item);
    else Expand(item);
}

void CFileDialog::Notify(TNotifyUI& msg) {
    CListUI* list = List();
    if (msg.sType == DUI_MSGTYPE_ITEMSELECT && msg.pSender == list) {
        OnSelectionChanged();
    } else if (msg.sType == DUI_MSGTYPE_ITEMACTIVATE && list && msg.pSender && msg.pSender->GetParent() == list) {
        Activate(dynamic_cast<CFolderItemUI*>(msg.pSender));  // a double click
    } else if (msg.sType == DUI_MSGTYPE_CLICK && msg.pSender && list && msg.pSender->GetParent() &&
               msg.pSender->GetParent()->GetParent() == list) {
        auto* row = dynamic_cast<CFolderItemUI*>(msg.pSender->GetParent());
        if (row && msg.pSender == row->GetExpander()) {
            Select(row);
            Activate(row);
            return;
        }
    }
    WindowImplBase::Notify(msg);
}

void CFileDialog::OnClick(TNotifyUI& msg) {
    const CDuiString& name = msg.pSender->GetName();
    if (name == "btnOK") {
        Accept();
    } else if (name == "btnCancel" || name == "closebtn") {
        Close(2);
    } else if (name == "btnNewFolder") {
        auto* edit = FindControlAs<CEditUI>("txtFolderName");
        CreateFolder(edit ? edit->GetText().Str() : std::string());
    } else {
        WindowImplBase::OnClick(msg);
    }
}

bool CFileDialog::ResponseDefaultKeyEvent(WPARAM wParam) {
    if (wParam == VK_ESCAPE) {
        Close(2);
        return true;
    }
    return false;
}

LRESULT CFileDialog::OnKeyDown(UINT, WPARAM wParam, LPARAM, bool& bHandled) {
    bHandled = true;
    CControlUI* focus = m_pm.GetFocus();
    if (focus && focus->GetName() == "txtFolderName") {
        if (wParam == VK_RETURN) CreateFolder(focus->GetText().Str());
        else if (wParam == VK_ESCAPE) Close(2);
        else bHandled = false;  // typing and caret keys stay with the field
        return 0;
    }
    if (auto* button = dynamic_cast<CButtonUI*>(focus)) {
        // Reached by Tab: Enter presses the button rather than choosing.
        if (wParam == VK_RETURN) button->Activate();
        else if (wParam == VK_ESCAPE) Close(2);
        else bHandled = false;
        return 0;
    }
    CFolderItemUI* item = GetSelectedItem();
    switch (wParam) {
    case VK_UP: MoveSelection(-1); break;
    case VK_DOWN: MoveSelection(1); break;
    case VK_RIGHT:
        if (item && item->IsDir()) {
            if (!item->IsExpanded()) Expand(item);
            else if (!ChildrenOf(item).empty()) Select(ChildrenOf(item).front());
        }
        break;
    case VK_LEFT:
        if (item && item->IsExpanded()) Collapse(item);
        else if (CFolderItemUI* parent = ParentOf(item)) Select(parent);
        break;
    case VK_RETURN:
        if (m_mode == Mode::OpenFile && item && item->IsDir()) Activate(item);
        else Accept();
        break;
    case VK_ESCAPE: Close(2); break;
    default: bHandled = false; break;
    }
    return 0;
}

}  // namespace DuiLib
