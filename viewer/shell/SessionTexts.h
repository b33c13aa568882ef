// The texts the main window shows for session and stream failures (GBK).
#pragma once

#include <string>

namespace kelvo {

std::string SessionErrorText(int value1, int value2);

// The grid a wall of `n` videos grows to (span 1); false above 64.
bool GridForCount(int n, int* columns, int* rows);

}  // namespace kelvo
