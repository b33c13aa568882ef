// The main window's keyboard shortcuts. Pure: a key event in, an action out;
// the main window carries the action out through the same paths as its
// buttons, so rights, the lock and the stream limit apply unchanged.
//
//   1 2 3 4        layout 1, 4, 9, 16 views
//   F11            full screen of the current layout
//   arrows         pan/tilt the selected camera while held
//   + / -          zoom in/out while held
//   Ctrl+S         snapshot of the selected camera
//   Ctrl+R         start/stop local recording of the selected camera
//   L              lock the desktop
//   Ctrl+1..9      open the first nine saved views
//   Ctrl+Shift+A   show/hide each view's figures
#pragma once

#include <UIDefs.h>

namespace kelvo {

enum class KeyCommand { None, Layout, FullScreen, Ptz, Snapshot, Record, Lock, OpenView, Figures };

struct KeyAction {
    KeyCommand command = KeyCommand::None;
    int layout = 0;                  // Layout: columns (= rows); OpenView: saved view index
    const char* ptzSender = nullptr; // Ptz: the panel button the key stands for
    const char* ptzType = nullptr;   // Ptz: "buttondown" or "buttonup"
};

// `message` is WM_KEYDOWN or WM_KEYUP, `vk` and `lParam` as the toolkit
// delivers them (modifiers as MK_* bits, KEY_REPEAT_FLAG on auto-repeat).
KeyAction OperatorKeyFor(DuiLib::UINT message, DuiLib::WPARAM vk, DuiLib::LPARAM lParam);

}  // namespace kelvo
