// The rights document of a login reply: the "right" element and the weekly
// "time_list" schedule of an account.
#pragma once

#include <string>

#include "sim/Scenario.h"

namespace sim {

class RightsDocument {
public:
    static std::string For(const Account& account);
};

}  // namespace sim
