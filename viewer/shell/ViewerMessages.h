// Private window messages of the viewer (handled on the UI thread).
#pragma once

#include <UIDefs.h>

constexpr DuiLib::UINT WM_LOGIN = 0x0600;          // to LoginForm: run the login; to its owner: wParam user, lParam password
constexpr DuiLib::UINT WM_SESSION_EVENT = 0x0601;
// A second copy of the program asks this one to come to the front.
constexpr DuiLib::UINT WM_RAISE_MAIN = 0x0602;
constexpr DuiLib::UINT WM_WALL_UPDATE = 0x0900;
constexpr DuiLib::UINT WM_MPU_STYLE = 0x0A00;
constexpr DuiLib::UINT WM_RECORD_EVENT = 0x0A00;
constexpr DuiLib::UINT WM_FOCUS_PASSWORD = 0x1500;
constexpr DuiLib::UINT WM_MENU_COMMAND = 0x9632;
