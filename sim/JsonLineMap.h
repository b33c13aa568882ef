// Maps JSON pointers ("/cameras/3/width") to the line where their value
// starts, so scenario errors can name the line. nlohmann-json keeps no
// positions, so this runs its own light scan over text that already parsed.
#pragma once

#include <map>
#include <string>

namespace sim {

class JsonLineMap {
public:
    explicit JsonLineMap(const std::string& text);
    // Line (1-based) of the value at `pointer`, or of its nearest ancestor.
    int LineOf(std::string pointer) const;
    // Line of a byte offset.
    static int LineOfOffset(const std::string& text, size_t offset);

private:
    void Value(const std::string& path);
    void SkipSpace();
    std::string String();

    const std::string& m_text;
    size_t m_pos = 0;
    int m_line = 1;
    std::map<std::string, int> m_lines;
};

}  // namespace sim
