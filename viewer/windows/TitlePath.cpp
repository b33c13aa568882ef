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

namespace {

size_t CharLength(const std::string& s, size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    return c >= 0x81 && c <= 0xFE && i + 1 < s.size() ? 2 : 1;
}

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool ContainsGbk(const std::string& haystack, const std::string& needle) {
    if (needle.empty()) return true;
    for (size_t start = 0; start < haystack.size(); start += CharLength(haystack, start)) {
        if (haystack.size() - start < needle.size()) return false;
        size_t i = 0;
        // Both sides walk by characters, so a two-byte character only ever
        // meets a two-byte character.
        while (i < needle.size()) {
            const size_t len = CharLength(needle, i);
            if (CharLength(haystack, start + i) != len) break;
            if (len == 1 ? Fold(haystack[start + i]) != Fold(needle[i])
                         : haystack.compare(start + i, 2, needle, i, 2) != 0)
                break;
            i += len;
        }
        if (i == needle.size()) return true;
    }
    return false;
}

}  // namespace kelvo
