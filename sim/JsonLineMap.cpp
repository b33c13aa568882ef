#include "sim/JsonLineMap.h"

namespace sim {

JsonLineMap::JsonLineMap(const std::string& text) : m_text(text) {
    SkipSpace();
    Value("");
}

int JsonLineMap::LineOfOffset(const std::string& text, size_t offset) {
    int line = 1;
    for (size_t i = 0; i < offset && i < text.size(); ++i)
        if (text[i] == '\n') ++line;
    return line;
}

int JsonLineMap::LineOf(std::string pointer) const {
    for (;;) {
        auto it = m_lines.find(pointer);
        if (it != m_lines.end()) return it->second;
        size_t slash = pointer.rfind('/');
        if (slash == std::string::npos) return 1;
        pointer.resize(slash);
    }
}

void JsonLineMap::SkipSpace() {
    while (m_pos < m_text.size()) {
        char c = m_text[m_pos];
        if (c == '\n') ++m_line;
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') break;
        ++m_pos;
    }
}

std::string JsonLineMap::String() {
    std::string out;
    ++m_pos;  // opening quote
    while (m_pos < m_text.size() && m_text[m_pos] != '"') {
        if (m_text[m_pos] == '\\') ++m_pos;
        if (m_pos < m_text.size()) out += m_text[m_pos++];
    }
    ++m_pos;
    return out;
}

static std::string Escape(const std::string& token) {
    std::string out;
    for (char c : token) {
        if (c == '~') out += "~0";
        else if (c == '/') out += "~1";
        else out += c;
    }
    return out;
}

void JsonLineMap::Value(const std::string& path) {
    if (m_pos >= m_text.size()) return;
    m_lines.emplace(path, m_line);
    char c = m_text[m_pos];
    if (c == '{') {
        ++m_pos;
        for (;;) {
            SkipSpace();
            if (m_pos >= m_text.size() || m_text[m_pos] == '}') { ++m_pos; return; }
            if (m_text[m_pos] == ',') { ++m_pos; continue; }
            std::string key = String();
            SkipSpace();
            if (m_pos < m_text.size() && m_text[m_pos] == ':') ++m_pos;
            SkipSpace();
            Value(path + "/" + Escape(key));
        }
    } else if (c == '[') {
        ++m_pos;
        int index = 0;
        for (;;) {
            SkipSpace();
            if (m_pos >= m_text.size() || m_text[m_pos] == ']') { ++m_pos; return; }
            if (m_text[m_pos] == ',') { ++m_pos; continue; }
            Value(path + "/" + std::to_string(index++));
        }
    } else if (c == '"') {
        String();
    } else {
        while (m_pos < m_text.size() && m_text[m_pos] != ',' && m_text[m_pos] != '}' &&
               m_text[m_pos] != ']' && m_text[m_pos] != '\n')
            ++m_pos;
    }
}

}  // namespace sim
