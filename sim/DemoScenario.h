// The built-in demo: three sites, eighteen cameras, the demo account and
// one account per refusal, served when no scenario file is given.
#pragma once

#include <string>

namespace sim {

class DemoScenario {
public:
    static const std::string& Json();  // UTF-8 scenario text
};

}  // namespace sim
