// The toolkit's byte string (GBK text in the program).
#pragma once

#include <string>

namespace DuiLib {

class CDuiString {
public:
    CDuiString() = default;
    CDuiString(const char* s) : m_str(s ? s : "") {}  // NOLINT: implicit like DuiLib's
    CDuiString(const std::string& s) : m_str(s) {}    // NOLINT
    CDuiString(const char* s, int len) : m_str(s ? std::string(s, len < 0 ? 0 : len) : std::string()) {}

    const char* GetData() const { return m_str.c_str(); }
    operator const char*() const { return m_str.c_str(); }  // NOLINT
    const std::string& Str() const { return m_str; }
    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    char GetAt(int i) const { return m_str[static_cast<size_t>(i)]; }

    void Assign(const char* s, int len = -1);
    void Append(const char* s) { m_str += (s ? s : ""); }
    CDuiString& operator=(const char* s) { m_str = s ? s : ""; return *this; }
    CDuiString& operator+=(const char* s) { Append(s); return *this; }
    CDuiString& operator+=(const CDuiString& s) { m_str += s.m_str; return *this; }
    CDuiString& operator+=(char c) { m_str += c; return *this; }
    friend CDuiString operator+(const CDuiString& a, const CDuiString& b) { return CDuiString(a.m_str + b.m_str); }
    friend CDuiString operator+(const CDuiString& a, const char* b) { return CDuiString(a.m_str + (b ? b : "")); }

    bool operator==(const char* s) const { return m_str == (s ? s : ""); }
    bool operator!=(const char* s) const { return !(*this == s); }
    bool operator==(const CDuiString& s) const { return m_str == s.m_str; }
    bool operator!=(const CDuiString& s) const { return m_str != s.m_str; }
    bool operator<(const CDuiString& s) const { return m_str < s.m_str; }

    int Compare(const char* s) const;
    // ASCII-only case folding: GBK trail bytes are never letters that matter here.
    int CompareNoCase(const char* s) const;
    void MakeUpper();
    void MakeLower();
    CDuiString Left(int n) const;
    CDuiString Mid(int pos, int n = -1) const;
    CDuiString Right(int n) const;
    int Find(char c, int start = 0) const;
    int Find(const char* s, int start = 0) const;
    int Replace(const char* from, const char* to);
    int Format(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

private:
    std::string m_str;
};

// Without these, "text" == str would compare pointers through the conversion to const char*.
inline bool operator==(const char* a, const CDuiString& b) { return b == a; }
inline bool operator!=(const char* a, const CDuiString& b) { return b != a; }

}  // namespace DuiLib
