#include "XmlFile.h"

#include <fstream>
#include <iterator>
#include <tinyxml.h>

namespace DuiLib {

bool IsWellFormedUtf8(const std::string& text) {
    const size_t n = text.size();
    for (size_t i = 0; i < n;) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t more = 0;
        if (c < 0x80) more = 0;
        else if (c >= 0xC2 && c <= 0xDF) more = 1;
        else if (c >= 0xE0 && c <= 0xEF) more = 2;
        else if (c >= 0xF0 && c <= 0xF4) more = 3;
        else return false;
        if (more && i + more >= n) return false;
        for (size_t k = 1; k <= more; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += more + 1;
    }
    return true;
}

bool LoadXmlFile(TiXmlDocument& doc, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || !IsWellFormedUtf8(raw)) return false;
    std::string text;
    text.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\r') text += raw[i];
        else if (i + 1 >= raw.size() || raw[i + 1] != '\n') text += '\n';
    }
    doc.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
    return !doc.Error();
}

}  // namespace DuiLib
