// Private window messages of the viewer (handled on the UI thread).
#pragma once

#include <UIDefs.h>

constexpr DuiLib::UINT WM_LOGIN = 0x0600;          // to LoginForm: run the login; to its owner: wParam user, lParam password
constexpr DuiLib::UINT WM_SESSION_EVENT = 0x0601;
// A second copy of the program asks this one to come to the front.
constexpr DuiLib::UINT WM_RAISE_MAIN = 0x0602;
// The process was asked to end (SIGTERM/SIGINT): close without asking.
constexpr DuiLib::UINT WM_QUIT_REQUEST = 0x0603;
constexpr DuiLib::UINT WM_WALL_UPDATE = 0x0900;
constexpr DuiLib::UINT WM_MPU_STYLE = 0x0A00;
constexpr DuiLib::UINT WM_RECORD_EVENT = 0x0A00;
constexpr DuiLib::UINT WM_FOCUS_PASSWORD = 0x1500;
constexpr DuiLib::UINT WM_MENU_COMMAND = 0x9632;
// Camera commands of the context menus, to the main window; key and title
// travel as heap strings owned by the message.
constexpr DuiLib::UINT WM_NODE_CAMERAS = 0x3400;
constexpr DuiLib::UINT WM_CAMERA_OPEN = 0x3401;
constexpr DuiLib::UINT WM_CAMERA_CLOSE = 0x3402;
constexpr DuiLib::UINT WM_CAMERA_AUDIO = 0x3403;
constexpr DuiLib::UINT WM_CAMERA_TALK = 0x3404;
constexpr DuiLib::UINT WM_CAMERA_RECORD = 0x3405;
constexpr DuiLib::UINT WM_CAMERA_SNAPSHOT = 0x3406;
constexpr DuiLib::UINT WM_CAMERA_RECORD_QUERY = 0x3407;
// A camera's alarm went on: lParam the key (heap string owned by the message).
constexpr DuiLib::UINT WM_CAMERA_ALARM = 0x3410;
