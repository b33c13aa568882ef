#include "AlarmCenterWnd.h"

#include "AlarmMessages.h"

#include <ctime>
#include <string>

namespace kelvo {
using namespace DuiLib;

namespace {

CLabelUI* Cell(const std::string& text, int width, const char* color) {
    auto* cell = new CLabelUI;
    cell->SetText(text.c_str());
    if (width > 0) cell->SetFixedWidth(width);
    cell->SetAttribute("textcolor", color);
    cell->SetAttribute("textpadding", "8,0,4,0");
    cell->SetAttribute("endellipsis", "true");
    cell->SetMouseEnabled(false);
    return cell;
}

}  // namespace

std::string AlarmCenterWnd::TimeText(int64_t time) {
    const time_t t = static_cast<time_t>(time);
    tm local{};
    char buf[32] = {};
    if (!localtime_r(&t, &local) || !strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local)) return "-";
    return buf;
}

std::string AlarmCenterWnd::StateText(const AlarmList::Row& row) {
    if (row.acknowledged) return "已确认";
    if (row.snoozed) return "已静音";
    return "未确认";
}

void AlarmCenterWnd::InitWindow() { Refresh(); }

void AlarmCenterWnd::Refresh() {
    auto* list = FindControlAs<CListUI>("listAlarms");
    auto* count = FindControlAs<CLabelUI>("labelCount");
    if (!list || !count) return;
    m_refreshing = true;
    list->RemoveAll();
    int selectIndex = -1;
    for (const AlarmList::Row& row : m_list.Rows()) {
        auto* item = new CListContainerElementUI;
        item->SetFixedHeight(28);
        item->SetTag(static_cast<UINT_PTR>(row.id));
        const char* color = row.acknowledged || row.snoozed ? "#FF8A97A5" : "#FFEBEBEB";
        item->Add(Cell(TimeText(row.time), 150, color));
        item->Add(Cell(row.titlePath, 0, color));
        item->Add(Cell(row.region.region == AlarmList::kNoRegion ? "-" : std::to_string(row.region.region), 60, color));
        item->Add(Cell(std::to_string(row.region.type), 60, color));
        item->Add(Cell(StateText(row), 70, row.acknowledged || row.snoozed ? color : "#FFE5484D"));
        list->Add(item);
        if (row.id == m_selected) selectIndex = list->GetCount() - 1;
    }
    if (selectIndex >= 0)
        list->SelectItem(selectIndex, false, false);
    else
        m_selected = 0;  // the row was dropped from the list
    count->SetText(("未确认报警：" + std::to_string(m_list.UnacknowledgedCount())).c_str());
    m_refreshing = false;
}

void AlarmCenterWnd::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_ITEMSELECT && msg.pSender && msg.pSender->GetName() == "listAlarms") {
        if (!m_refreshing) {
            auto* list = static_cast<CListUI*>(msg.pSender);
            CControlUI* item = list->GetItemAt(static_cast<int>(msg.wParam));
            m_selected = item ? static_cast<uint64_t>(item->GetTag()) : 0;
        }
        return;
    }
    if (msg.sType == DUI_MSGTYPE_ITEMACTIVATE && msg.pSender) {
        m_selected = static_cast<uint64_t>(msg.pSender->GetTag());
        PlayFromHere();
        return;
    }
    CommonWindow::Notify(msg);
}

void AlarmCenterWnd::OnClick(TNotifyUI& msg) {
    const CDuiString name = msg.pSender ? msg.pSender->GetName() : CDuiString();
    if (name == "btnAck") {
        if (m_selected) m_list.Acknowledge(m_selected);
    } else if (name == "btnAckAll") {
        m_list.AcknowledgeAll();
    } else if (name == "btnSnooze5m") {
        SnoozeSelected(AlarmList::Snooze::FiveMinutes);
    } else if (name == "btnSnooze1h") {
        SnoozeSelected(AlarmList::Snooze::OneHour);
    } else if (name == "btnSnoozeTomorrow") {
        SnoozeSelected(AlarmList::Snooze::UntilTomorrow);
    } else if (name == "btnPlayback") {
        PlayFromHere();
    } else {
        CommonWindow::OnClick(msg);
        return;
    }
    Refresh();
}

void AlarmCenterWnd::SnoozeSelected(AlarmList::Snooze span) {
    if (const AlarmList::Row* row = m_list.Find(m_selected)) m_list.SnoozeCamera(row->key, span);
}

void AlarmCenterWnd::PlayFromHere() {
    const AlarmList::Row* row = m_list.Find(m_selected);
    if (!row) return;
    PostAlarmPlayback(m_owner, AlarmPlayback{row->key, row->titlePath, row->time});
}

}  // namespace kelvo
