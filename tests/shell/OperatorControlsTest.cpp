// The PTZ panel's command table and the keyboard shortcuts.
#include "OperatorKeys.h"
#include "PtzCommands.h"

#include <gtest/gtest.h>

#include <string>

using namespace kelvo;
using namespace DuiLib;

namespace {

struct PtzRow {
    const char* sender;
    const char* type;
    int nav;
    int command;  // 0: nothing sent
    int speed, preset, expected;
};

TEST(PtzTable, EveryButtonSendsItsCommandAndParameter) {
    const PtzRow rows[] = {
        {"btnPtzleft", "buttondown", 0, 1, 40, 2, 40},     {"btnPtzleft", "buttonup", 0, 2, 40, 2, 40},
        {"btnPtzRight", "buttondown", 0, 3, 7, 0, 7},      {"btnPtzRight", "buttonup", 0, 4, 7, 0, 7},
        {"btnPtzUp", "buttondown", 0, 5, 50, 0, 50},       {"btnPtzUp", "buttonup", 0, 6, 50, 0, 50},
        {"btnPtzDown", "buttondown", 0, 7, 50, 0, 50},     {"btnPtzDown", "buttonup", 0, 8, 50, 0, 50},
        {"btnPtzReset", "click", 0, 9, 33, 4, 33},         {"btnPtzZoomIn", "buttondown", 0, 18, 1, 0, 1},
        {"btnPtzZoomIn", "buttonup", 0, 19, 1, 0, 1},      {"btnPtzZoomOut", "buttondown", 0, 20, 1, 0, 1},
        {"btnPtzZoomOut", "buttonup", 0, 21, 1, 0, 1},     {"btnPtzFocusNear", "buttondown", 0, 22, 9, 0, 9},
        {"btnPtzFocusNear", "buttonup", 0, 23, 9, 0, 9},   {"btnPtzFocusFar", "buttondown", 0, 24, 9, 0, 9},
        {"btnPtzFocusFar", "buttonup", 0, 25, 9, 0, 9},    {"btnPtzLightAdd", "buttondown", 0, 26, 9, 0, 9},
        {"btnPtzLightAdd", "buttonup", 0, 27, 9, 0, 9},    {"btnPtzLightDec", "buttondown", 0, 28, 9, 0, 9},
        {"btnPtzLightDec", "buttonup", 0, 29, 9, 0, 9},    {"btnPtzNav", "buttondown", 2, 30, 60, 0, 60},
        {"btnPtzNav", "buttonup", 1, 31, 60, 0, 60},       {"btnPtzNav", "buttondown", 0, 32, 60, 0, 60},
        {"btnPtzNav", "buttonup", 0, 33, 60, 0, 60},       {"btnPtzAddPre", "click", 0, 34, 50, 4, 5},
        {"btnPtzCallPre", "click", 0, 35, 50, 0, 1},       {"btnPtzDelPre", "click", 0, 36, 50, 8, 9},
        // "Delete all" ignores the preset box; an empty box gives preset 0.
        {"btnPtzDelAllPre", "click", 0, 37, 50, 6, 0},     {"btnPtzCallPre", "click", 0, 35, 50, -1, 0},
        // Names compare without case.
        {"BTNPTZLEFT", "buttondown", 0, 1, 5, 0, 5},
        // Combinations outside the table send nothing.
        {"btnPtzleft", "click", 0, 0, 0, 0, 0},            {"btnPtzReset", "buttondown", 0, 0, 0, 0, 0},
        {"btnPtzAddPre", "buttonup", 0, 0, 0, 0, 0},       {"btnPtzShow", "click", 0, 0, 0, 0, 0},
        {"btnPtzNav", "buttondown", -1, 0, 0, 0, 0},       {"btnPtzUp", "setfocus", 0, 0, 0, 0, 0},
    };
    for (const PtzRow& r : rows) {
        SCOPED_TRACE(std::string(r.sender) + " " + r.type + " nav " + std::to_string(r.nav));
        const PtzAction a = PtzActionFor(r.sender, r.type, r.nav);
        if (r.command == 0) {
            EXPECT_EQ(a.parameter, PtzParameter::None);
            continue;
        }
        EXPECT_EQ(a.command, r.command);
        EXPECT_EQ(PtzParameterValue(a, r.speed, r.preset), r.expected);
    }
    EXPECT_EQ(PtzActionFor(nullptr, "click", 0).parameter, PtzParameter::None);
}

KeyAction Down(WPARAM vk, LPARAM mods = 0) { return OperatorKeyFor(WM_KEYDOWN, vk, mods); }

TEST(OperatorKeys, LayoutsFullScreenLockAndCommands) {
    for (int k = 1; k <= 4; ++k) {
        const KeyAction a = Down('0' + k);
        EXPECT_EQ(a.command, KeyCommand::Layout);
        EXPECT_EQ(a.layout, k);
    }
    EXPECT_EQ(Down('5').command, KeyCommand::None);
    EXPECT_EQ(Down(VK_F11).command, KeyCommand::FullScreen);
    EXPECT_EQ(Down('L').command, KeyCommand::Lock);
    EXPECT_EQ(Down('S', MK_CONTROL).command, KeyCommand::Snapshot);
    EXPECT_EQ(Down('R', MK_CONTROL).command, KeyCommand::Record);
    // Without Ctrl, S and R are plain letters; with Alt nothing is ours.
    EXPECT_EQ(Down('S').command, KeyCommand::None);
    EXPECT_EQ(Down('1', MK_ALT).command, KeyCommand::None);
    EXPECT_EQ(Down('L', MK_CONTROL).command, KeyCommand::None);
    const KeyAction view = Down('9', MK_CONTROL);
    EXPECT_EQ(view.command, KeyCommand::OpenView);
    EXPECT_EQ(view.layout, 8);
    EXPECT_EQ(Down('0', MK_CONTROL).command, KeyCommand::None);
    // The figures overlay wants both modifiers: Ctrl+A alone is not ours.
    EXPECT_EQ(Down('A', MK_CONTROL | MK_SHIFT).command, KeyCommand::Figures);
    EXPECT_EQ(Down('A', MK_CONTROL).command, KeyCommand::None);
    EXPECT_EQ(Down('A', MK_SHIFT).command, KeyCommand::None);
    // One action per press: auto-repeat and releases do nothing.
    EXPECT_EQ(Down('S', MK_CONTROL | KEY_REPEAT_FLAG).command, KeyCommand::None);
    EXPECT_EQ(OperatorKeyFor(WM_KEYUP, '1', 0).command, KeyCommand::None);
}

TEST(OperatorKeys, HeldArrowsAndZoomStartOnceAndStopOnRelease) {
    struct Row {
        WPARAM vk;
        const char* sender;
    } rows[] = {{VK_LEFT, "btnPtzleft"},     {VK_RIGHT, "btnPtzRight"},    {VK_UP, "btnPtzUp"},
                {VK_DOWN, "btnPtzDown"},     {VK_ADD, "btnPtzZoomIn"},     {VK_OEM_PLUS, "btnPtzZoomIn"},
                {VK_SUBTRACT, "btnPtzZoomOut"}, {VK_OEM_MINUS, "btnPtzZoomOut"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.sender);
        const KeyAction press = Down(r.vk);
        ASSERT_EQ(press.command, KeyCommand::Ptz);
        EXPECT_STREQ(press.ptzSender, r.sender);
        EXPECT_STREQ(press.ptzType, "buttondown");
        EXPECT_EQ(Down(r.vk, KEY_REPEAT_FLAG).command, KeyCommand::None);
        const KeyAction release = OperatorKeyFor(WM_KEYUP, r.vk, 0);
        ASSERT_EQ(release.command, KeyCommand::Ptz);
        EXPECT_STREQ(release.ptzType, "buttonup");
        // The key maps to a real panel command both ways.
        EXPECT_NE(PtzActionFor(press.ptzSender, press.ptzType, 0).command, 0);
        EXPECT_NE(PtzActionFor(release.ptzSender, release.ptzType, 0).command, 0);
    }
    EXPECT_EQ(OperatorKeyFor(WM_CHAR, VK_LEFT, 0).command, KeyCommand::None);
}

}  // namespace
