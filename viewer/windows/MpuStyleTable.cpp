#include "MpuStyleTable.h"

#include <cstring>
#include <iterator>

namespace kelvo {
namespace {

// The ids do not always follow the button names: "btn_style_9" is 3011 and the "_avr" variants
// have ids of their own. scripts/make-icons.py draws the buttons from the same grids.
const MpuStyle kStyles[] = {
    {"btn_style_6", 3006, 3, 3, 2},       {"btn_style_8", 3008, 4, 4, 3},
    {"btn_style_9", 3011, 4, 3, 2},       {"btn_style_10", 3010, 5, 5, 4},
    {"btn_style_12", 3012, 6, 6, 5},      {"btn_style_12_avr", 3013, 4, 3, 1},
    {"btn_style_16", 3016, 8, 8, 7},      {"btn_style_17", 3017, 5, 5, 3},
    {"btn_style_17_avr", 3018, 5, 4, 2},  {"btn_style_20", 3020, 5, 4, 1},
    {"btn_style_25", 3025, 5, 5, 1},      {"btn_style_30", 3030, 6, 5, 1},
    {"btn_style_34", 3034, 7, 7, 4},      {"btn_style_34_avr", 3035, 7, 6, 3},
    {"btn_style_36", 3036, 6, 6, 1},      {"btn_style_42", 3042, 7, 6, 1},
    {"btn_style_48", 3048, 8, 7, 4},      {"btn_style_49", 3049, 7, 7, 1},
    {"btn_style_49_avr", 3050, 8, 8, 4},  {"btn_style_56", 3056, 8, 7, 1},
    {"btn_style_63", 3063, 9, 7, 1},      {"btn_style_64", 3064, 8, 8, 1},
};

}  // namespace

const MpuStyle* MpuStyles(std::size_t& count) {
    count = std::size(kStyles);
    return kStyles;
}

const MpuStyle* FindMpuStyleByButton(const char* name) {
    if (!name) return nullptr;
    for (const MpuStyle& s : kStyles)
        if (std::strcmp(s.button, name) == 0) return &s;
    return nullptr;
}

const MpuStyle* FindMpuStyleById(int id) {
    for (const MpuStyle& s : kStyles)
        if (s.id == id) return &s;
    return nullptr;
}

}  // namespace kelvo
