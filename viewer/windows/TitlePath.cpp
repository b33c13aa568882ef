#include "TitlePath.h"

namespace kelvo {

std::vector<std::string> SplitTitlePath(const std::string& gbk) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < gbk.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(gbk[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < gbk.size()) {
            parts.back() += gbk.substr(i, 2);  // a lead byte takes its trail byte along
            ++i;
        } else if (c == '\\') {
            parts.emplace_back();
        } else {
            parts.back() += gbk[i];
        }
    }
    return parts;
}

std::string LastTitleComponent(const std::string& gbk) { return SplitTitlePath(gbk).back(); }

}  // namespace kelvo
