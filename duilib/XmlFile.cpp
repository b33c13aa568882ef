#include "XmlFile.h"

#include <fstream>
#include <iterator>
#include <tinyxml.h>

namespace DuiLib {
namespace {
// Longer than the longest step TinyXML takes from one byte (a 4-byte lead).
constexpr size_t kPadding = 16;
}  // namespace

bool LoadXmlFile(TiXmlDocument& doc, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return false;
    std::string text;
    text.reserve(raw.size() + kPadding);
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\r') text += raw[i];
        else if (i + 1 >= raw.size() || raw[i + 1] != '\n') text += '\n';
    }
    text.append(kPadding, '\0');
    doc.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
    return !doc.Error();
}

}  // namespace DuiLib
