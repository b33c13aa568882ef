// The texts the main window shows for session and stream failures (GBK).
#pragma once

#include <string>

namespace kelvo {

std::string SessionErrorText(int value1, int value2);

}  // namespace kelvo
