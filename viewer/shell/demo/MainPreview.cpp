#include "MainPreview.h"

#include <RenderContext.h>
#include <TextCodec.h>

namespace demo {
using namespace DuiLib;

namespace {

// Draws a 2x2 wall of empty views the way the video wall looks before any camera is opened.
class WallPreview : public CControlUI {
public:
    const char* GetClass() const override { return "KelvoPlayer"; }
    void PaintStatusImage(CRenderContext& ctx) override {
        const RECT& rc = m_rcItem;
        int w = (rc.Width() - 2) / 2, h = (rc.Height() - 2) / 2;
        const char* states[4] = {"正在连接...", "无视频", "无视频", "无视频"};
        for (int i = 0; i < 4; ++i) {
            int x = rc.left + (i % 2) * (w + 2), y = rc.top + (i / 2) * (h + 2);
            RECT pane = MakeRect(x, y, x + w, y + h);
            ctx.FillRect(pane, 0xFF000000);
            ctx.DrawText(pane, GbkToUtf8Lenient(states[i]), m_pManager->GetFontInfo(0), 0xFF8A97A5,
                         DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            if (i == 0) ctx.DrawBorder(pane, 2, 0xFF4C9BE8);
        }
    }
};

CTreeNodeUI* MakeNode(const char* text) {
    auto* node = new CTreeNodeUI;
    node->SetItemText(text);
    node->SetItemTextColor(0xFFFFFFFF);
    node->GetFolderButton()->ApplyAttributeList(
        "padding=\"0,7,0,0\" width=\"12\" height=\"12\" selectedimage=\"file='img/treeview_expand.png' source='0,0,12,12' \" "
        "normalimage=\"file='img/treeview_expand.png' source='13,0,25,12'\" ");
    auto* icon = new CControlUI;
    icon->SetFixedWidth(28);
    icon->SetBkImage("file='img/folder.png' dest='5,6,23,20'");
    node->AddChildControl(icon, 3);
    return node;
}

CTreeNodeUI* MakeCamera(const char* text, int state) {
    auto* cam = new CTreeNodeUI;
    cam->SetItemText(text);
    cam->SetItemTextColor(state == 0 ? 0xFF56616D : 0xFFFFFFFF);
    cam->SetVisibleFolderBtn(false);
    auto* icon = new CControlUI;
    icon->SetName("imgState");
    icon->SetFixedWidth(28);
    CDuiString img;
    img.Format("file='img/camera_state.png' source='%d,0,%d,16' dest='8,5,24,21'", state * 16, state * 16 + 16);
    icon->SetBkImage(img);
    cam->AddChildControl(icon, 3);
    return cam;
}

}  // namespace

CControlUI* MainPreview::CreateControl(const char* pstrClass) {
    if (CDuiString(pstrClass).CompareNoCase("KelvoPlayer") == 0) return new WallPreview;
    return nullptr;
}

void MainPreview::InitWindow() {
    if (auto* user = FindControlAs<CLabelUI>("txtUserName")) user->SetText("operator");
    if (auto* lock = FindControlAs<CButtonUI>("btn_lock")) lock->SetEnabled(true);
    if (auto* fit = FindControlAs<COptionUI>("btn_play_fitscreen")) fit->Selected(true, false);
    if (auto* pre = FindControlAs<CComboUI>("comBoxPreName")) pre->SelectItem(0, false, false);
    if (auto* nav = FindControlAs<CComboUI>("comBoxNav")) nav->SelectItem(0, false, false);
    auto* tree = FindControlAs<CTreeViewUI>("treePlaylist");
    if (!tree) return;
    CTreeNodeUI* root = MakeNode("总部园区");
    tree->Add(root);
    CTreeNodeUI* gate = MakeNode("东门");
    root->AddChildNode(gate);
    gate->AddChildNode(MakeCamera("东门入口", 2));
    gate->AddChildNode(MakeCamera("东门停车场", 1));
    CTreeNodeUI* lobby = MakeNode("一号楼大厅");
    root->AddChildNode(lobby);
    lobby->AddChildNode(MakeCamera("前台", 1));
    lobby->AddChildNode(MakeCamera("电梯厅", 0));
    CTreeNodeUI* store = MakeNode("仓库");
    tree->Add(store);
    store->AddChildNode(MakeCamera("仓库北侧", 1));
    store->SetExpanded(false);
    tree->SelectItem(2, false, false);
}

}  // namespace demo
