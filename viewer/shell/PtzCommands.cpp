#include "PtzCommands.h"

#include <strings.h>

#include <cstring>

namespace kelvo {

namespace {

struct Row {
    const char* sender;
    int down, up, click;
    PtzParameter parameter;
};

constexpr Row kRows[] = {
    {"btnPtzleft", 1, 2, 0, PtzParameter::Speed},
    {"btnPtzRight", 3, 4, 0, PtzParameter::Speed},
    {"btnPtzUp", 5, 6, 0, PtzParameter::Speed},
    {"btnPtzDown", 7, 8, 0, PtzParameter::Speed},
    {"btnPtzReset", 0, 0, 9, PtzParameter::Speed},
    {"btnPtzZoomIn", 18, 19, 0, PtzParameter::Speed},
    {"btnPtzZoomOut", 20, 21, 0, PtzParameter::Speed},
    {"btnPtzFocusNear", 22, 23, 0, PtzParameter::Speed},
    {"btnPtzFocusFar", 24, 25, 0, PtzParameter::Speed},
    {"btnPtzLightAdd", 26, 27, 0, PtzParameter::Speed},
    {"btnPtzLightDec", 28, 29, 0, PtzParameter::Speed},
    {"btnPtzAddPre", 0, 0, 34, PtzParameter::Preset},
    {"btnPtzCallPre", 0, 0, 35, PtzParameter::Preset},
    {"btnPtzDelPre", 0, 0, 36, PtzParameter::Preset},
    {"btnPtzDelAllPre", 0, 0, 37, PtzParameter::Zero},
};

int Pick(const Row& row, const char* type) {
    if (std::strcmp(type, "buttondown") == 0) return row.down;
    if (std::strcmp(type, "buttonup") == 0) return row.up;
    if (std::strcmp(type, "click") == 0) return row.click;
    return 0;
}

}  // namespace

PtzAction PtzActionFor(const char* sender, const char* type, int navIndex) {
    if (!sender || !type) return {};
    if (strcasecmp(sender, "btnPtzNav") == 0) {
        if (navIndex < 0) return {};
        // The navigation box chooses between two command pairs.
        const Row nav = navIndex != 0 ? Row{"", 30, 31, 0, PtzParameter::Speed}
                                      : Row{"", 32, 33, 0, PtzParameter::Speed};
        const int command = Pick(nav, type);
        return command ? PtzAction{command, PtzParameter::Speed} : PtzAction{};
    }
    for (const Row& row : kRows) {
        if (strcasecmp(sender, row.sender) != 0) continue;
        const int command = Pick(row, type);
        return command ? PtzAction{command, row.parameter} : PtzAction{};
    }
    return {};
}

int PtzParameterValue(const PtzAction& action, int speed, int presetIndex) {
    switch (action.parameter) {
    case PtzParameter::Speed: return speed;
    case PtzParameter::Preset: return presetIndex + 1;  // nothing selected (-1) gives 0
    default: return 0;
    }
}

}  // namespace kelvo
