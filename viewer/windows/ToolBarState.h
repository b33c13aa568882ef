// What the floating toolbar shows, decided from the selected camera's stream
// and view alone, so that the rules can be checked without windows.
#pragma once

#include <UIDefs.h>

namespace kelvo {

// What the toolbar needs to know about the selected camera's stream.
struct StreamFacts {
    bool camera = false;  // a camera is shown in the selected view
    bool playing = false;
    bool recording = false;
    bool hasAudio = false;
    bool audioEnabled = false;
    bool talk = false;  // open or pending
};

struct ButtonState {
    bool visible = true;
    bool enabled = false;
    bool checked = false;  // option buttons only
    bool operator==(const ButtonState& o) const {
        return visible == o.visible && enabled == o.enabled && checked == o.checked;
    }
};

struct ToolBarButtons {
    ButtonState stop, snappic, localrec, stoprec, audio, call;
    bool operator==(const ToolBarButtons& o) const {
        return stop == o.stop && snappic == o.snappic && localrec == o.localrec && stoprec == o.stoprec &&
               audio == o.audio && call == o.call;
    }
    bool operator!=(const ToolBarButtons& o) const { return !(*this == o); }
};

ToolBarButtons ToolBarButtonsFor(const StreamFacts& facts);

// The toolbar's screen rectangle over the bottom of a view given in screen
// coordinates; empty (zero width) when the view is too narrow to hold it.
DuiLib::RECT ToolBarRectFor(const DuiLib::RECT& viewOnScreen);

}  // namespace kelvo
