#include "ViewsForm.h"

#include <cstdlib>

namespace kelvo {

using namespace DuiLib;

void ViewsForm::InitWindow() {
    Refill("");
    if (auto* seconds = FindControlAs<CEditUI>("txtTourSeconds"))
        seconds->SetText(std::to_string(m_store.TourSeconds()).c_str());
    if (auto* tour = FindControlAs<CButtonUI>("btnTour")) tour->SetText(touring ? "停止轮巡" : "开始轮巡");
}

void ViewsForm::Refill(const std::string& select) {
    auto* list = FindControlAs<CListUI>("listViews");
    if (!list) return;
    list->RemoveAll();
    int index = 0, chosen = -1;
    for (const SavedView& v : m_store.Views()) {
        auto* item = new CListLabelElementUI;
        const std::string hot = index < 9 ? "  (Ctrl+" + std::to_string(index + 1) + ")" : "";
        item->SetText((v.name + hot).c_str());
        item->SetUserData(v.name.c_str());
        item->SetFixedHeight(28);
        list->Add(item);
        if (v.name == select) chosen = index;
        ++index;
    }
    if (chosen >= 0) list->SelectItem(chosen, false, false);
}

std::string ViewsForm::Selected() const {
    auto* list = FindControlAs<CListUI>("listViews");
    const int i = list ? list->GetCurSel() : -1;
    CControlUI* item = list && i >= 0 ? list->GetItemAt(i) : nullptr;
    return item ? item->GetUserData().GetData() : std::string();
}

std::string ViewsForm::TypedName() const {
    auto* edit = FindControlAs<CEditUI>("txtViewName");
    return edit ? edit->GetText().GetData() : std::string();
}

void ViewsForm::Notify(TNotifyUI& msg) {
    // Picking a view puts its name into the box, ready to rename.
    if (msg.pSender && msg.pSender->GetName() == "listViews" && msg.sType == DUI_MSGTYPE_ITEMSELECT) {
        if (auto* edit = FindControlAs<CEditUI>("txtViewName")) edit->SetText(Selected().c_str());
        return;
    }
    CommonWindow::Notify(msg);
}

void ViewsForm::OnClick(TNotifyUI& msg) {
    const CDuiString name = msg.pSender->GetName();
    if (name == "btnViewSave") {
        SavedView view = currentView ? currentView() : SavedView();
        view.name = TypedName();
        if (view.name.empty()) {
            ShowMessage("请输入视图名称！");
            return;
        }
        if (!m_store.Put(view)) {
            ShowMessage("视图名称过长或视图数量已达上限！");
            return;
        }
        if (!m_store.Save()) ShowMessage("视图保存失败，请检查配置文件所在的文件夹是否可写！");
        Refill(view.name);
    } else if (name == "btnViewOpen") {
        const SavedView* view = m_store.Find(Selected());
        if (!view) return;
        const SavedView copy = *view;
        Close(1);
        if (openView) openView(copy);
    } else if (name == "btnViewRename") {
        const std::string from = Selected(), to = TypedName();
        if (from.empty()) return;
        if (!m_store.Rename(from, to)) {
            ShowMessage("该名称不可用，请换一个名称！");
            return;
        }
        m_store.Save();
        Refill(to);
    } else if (name == "btnViewDelete") {
        if (!m_store.Remove(Selected())) return;
        m_store.Save();
        Refill("");
    } else if (name == "btnTour") {
        auto* seconds = FindControlAs<CEditUI>("txtTourSeconds");
        const int s = seconds ? std::atoi(seconds->GetText().GetData()) : 0;
        std::vector<std::string> names;
        for (const SavedView& v : m_store.Views()) names.push_back(v.name);
        m_store.SetTour(names, s);
        m_store.Save();
        if (!touring && m_store.Tour().size() < 2) {
            ShowMessage("轮巡需要至少两个已保存的视图！");
            return;
        }
        touring = !touring;
        if (setTour) setTour(touring, m_store.TourSeconds());
        Close(1);
    } else {
        CommonWindow::OnClick(msg);
    }
}

}  // namespace kelvo
