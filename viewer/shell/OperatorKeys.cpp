#include "OperatorKeys.h"

#include <cstring>

namespace kelvo {

using namespace DuiLib;

namespace {

const char* PtzSenderFor(WPARAM vk) {
    switch (vk) {
    case VK_LEFT: return "btnPtzleft";
    case VK_RIGHT: return "btnPtzRight";
    case VK_UP: return "btnPtzUp";
    case VK_DOWN: return "btnPtzDown";
    case VK_ADD: case VK_OEM_PLUS: return "btnPtzZoomIn";
    case VK_SUBTRACT: case VK_OEM_MINUS: return "btnPtzZoomOut";
    default: return nullptr;
    }
}

}  // namespace

KeyAction OperatorKeyFor(UINT message, WPARAM vk, LPARAM lParam) {
    KeyAction action;
    const bool down = message == WM_KEYDOWN;
    if (!down && message != WM_KEYUP) return action;
    const bool ctrl = (lParam & MK_CONTROL) != 0, alt = (lParam & MK_ALT) != 0;
    const bool repeat = (lParam & KEY_REPEAT_FLAG) != 0;
    if (alt) return action;
    if (const char* sender = PtzSenderFor(vk); sender && !ctrl) {
        // Held keys repeat: the camera gets one start and one stop.
        if (repeat) return action;
        action.command = KeyCommand::Ptz;
        action.ptzSender = sender;
        action.ptzType = down ? "buttondown" : "buttonup";
        return action;
    }
    if (!down || repeat) return action;
    if (ctrl) {
        if (vk == 'A' && (lParam & MK_SHIFT)) action.command = KeyCommand::Figures;
        if (vk == 'S') action.command = KeyCommand::Snapshot;
        if (vk == 'R') action.command = KeyCommand::Record;
        if (vk >= '1' && vk <= '9') {
            action.command = KeyCommand::OpenView;
            action.layout = static_cast<int>(vk - '1');
        }
        return action;
    }
    if (vk >= '1' && vk <= '4') {
        action.command = KeyCommand::Layout;
        action.layout = static_cast<int>(vk - '0');
    } else if (vk == VK_F11) {
        action.command = KeyCommand::FullScreen;
    } else if (vk == 'L') {
        action.command = KeyCommand::Lock;
    }
    return action;
}

}  // namespace kelvo
