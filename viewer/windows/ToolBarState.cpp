#include "ToolBarState.h"

namespace kelvo {

namespace {
constexpr int kBarHeight = 25;
constexpr int kBarBottomGap = 26;  // from the view's bottom edge to the bar's top
}  // namespace

ToolBarButtons ToolBarButtonsFor(const StreamFacts& f) {
    ToolBarButtons b;
    const bool live = f.camera && f.playing;
    b.stop.enabled = b.snappic.enabled = live;
    b.localrec.enabled = live && !f.recording;
    b.localrec.visible = !(live && f.recording);
    b.stoprec.enabled = b.stoprec.visible = live && f.recording;
    b.audio.enabled = live && f.hasAudio;
    b.audio.checked = live && f.hasAudio && f.audioEnabled;
    b.call.enabled = live;
    b.call.checked = live && f.talk;
    return b;
}

DuiLib::RECT ToolBarRectFor(const DuiLib::RECT& view) {
    const int width = view.Width() - 2;
    if (width <= 0) return DuiLib::RECT{};
    const int top = view.bottom - kBarBottomGap;
    return DuiLib::MakeRect(view.left + 1, top, view.left + 1 + width, top + kBarHeight);
}

}  // namespace kelvo
