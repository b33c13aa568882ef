// Conversions between the scenario's UTF-8 and the GBK bytes the wire carries.
#pragma once

#include <string>

namespace sim {

class TextCodec {
public:
    // Throws std::runtime_error when the text has no GBK form.
    static std::string Utf8ToGbk(const std::string& utf8);
    // Undecodable bytes become '?'.
    static std::string GbkToUtf8(const std::string& gbk);
};

}  // namespace sim
