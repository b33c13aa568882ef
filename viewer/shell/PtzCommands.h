// Which PTZ command a button of the PTZ panel sends, and with which
// parameter. Pure: the main window feeds it the sender's name, the
// notification type and the panel's state.
#pragma once

namespace kelvo {

enum class PtzParameter { None, Speed, Preset, Zero };

struct PtzAction {
    int command = 0;
    PtzParameter parameter = PtzParameter::None;  // None: nothing to send
};

// `navIndex` is the selected index of "comBoxNav", or -1 when the box is
// missing. Sender names compare case-insensitively; type is "buttondown",
// "buttonup" or "click".
PtzAction PtzActionFor(const char* sender, const char* type, int navIndex);

// The value sent with an action: speed for movement, preset box index + 1
// (0 with nothing selected) for presets, 0 for "delete all".
int PtzParameterValue(const PtzAction& action, int speed, int presetIndex);

}  // namespace kelvo
