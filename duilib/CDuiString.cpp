#include "CDuiString.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <strings.h>
#include <vector>

namespace DuiLib {

void CDuiString::Assign(const char* s, int len) {
    if (!s) { m_str.clear(); return; }
    if (len < 0) m_str = s; else m_str.assign(s, static_cast<size_t>(len));
}

int CDuiString::Compare(const char* s) const { return m_str.compare(s ? s : ""); }

int CDuiString::CompareNoCase(const char* s) const { return strcasecmp(m_str.c_str(), s ? s : ""); }

void CDuiString::MakeUpper() {
    for (auto& c : m_str) if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

void CDuiString::MakeLower() {
    for (auto& c : m_str) if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

CDuiString CDuiString::Left(int n) const {
    if (n <= 0) return CDuiString();
    return CDuiString(m_str.substr(0, static_cast<size_t>(n)));
}

CDuiString CDuiString::Mid(int pos, int n) const {
    if (pos < 0) pos = 0;
    if (pos >= GetLength()) return CDuiString();
    return CDuiString(m_str.substr(static_cast<size_t>(pos), n < 0 ? std::string::npos : static_cast<size_t>(n)));
}

CDuiString CDuiString::Right(int n) const {
    if (n <= 0) return CDuiString();
    if (n >= GetLength()) return *this;
    return CDuiString(m_str.substr(m_str.size() - static_cast<size_t>(n)));
}

int CDuiString::Find(char c, int start) const {
    if (start < 0 || start > GetLength()) return -1;
    auto p = m_str.find(c, static_cast<size_t>(start));
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CDuiString::Find(const char* s, int start) const {
    if (!s || start < 0 || start > GetLength()) return -1;
    auto p = m_str.find(s, static_cast<size_t>(start));
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CDuiString::Replace(const char* from, const char* to) {
    if (!from || !*from) return 0;
    std::string f(from), t(to ? to : "");
    int count = 0;
    size_t pos = 0;
    while ((pos = m_str.find(f, pos)) != std::string::npos) {
        m_str.replace(pos, f.size(), t);
        pos += t.size();
        ++count;
    }
    return count;
}

int CDuiString::Format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    int n = std::vsnprintf(nullptr, 0, fmt, ap);
    va_end(ap);
    if (n < 0) { va_end(ap2); m_str.clear(); return 0; }
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    std::vsnprintf(buf.data(), buf.size(), fmt, ap2);
    va_end(ap2);
    m_str.assign(buf.data(), static_cast<size_t>(n));
    return n;
}

}  // namespace DuiLib
