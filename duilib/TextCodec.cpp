#include "TextCodec.h"

#include <cerrno>
#include <iconv.h>

namespace DuiLib {
namespace {

bool IsAscii(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

// Opening a descriptor costs far more than converting a label, so each thread keeps its own.
struct Descriptor {
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
    Descriptor(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Descriptor() { if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd); }
};

iconv_t Open(const char* to) {
    thread_local Descriptor toUtf8("UTF-8", "GBK");
    thread_local Descriptor toGbk("GBK", "UTF-8");
    iconv_t cd = (to[0] == 'U') ? toUtf8.cd : toGbk.cd;
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv(cd, nullptr, nullptr, nullptr, nullptr);  // reset state
    return cd;
}

// One conversion. ASCII is the same in both encodings and skips iconv.
bool Convert(const char* to, const char* from, const std::string& in, std::string& out, bool lenient) {
    out.clear();
    if (in.empty()) return true;
    if (IsAscii(in)) { out = in; return true; }
    iconv_t cd = Open(to);
    (void)from;
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string result;
    result.resize(in.size() * 4 + 8);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = &result[0];
    size_t dstLeft = result.size();
    bool ok = true;
    while (srcLeft > 0) {
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            size_t used = result.size() - dstLeft;
            result.resize(result.size() * 2);
            dst = &result[used];
            dstLeft = result.size() - used;
            continue;
        }
        if (!lenient) { ok = false; break; }
        // Skip one bad byte and mark it.
        if (dstLeft < 1) {
            size_t used = result.size() - dstLeft;
            result.resize(result.size() * 2);
            dst = &result[used];
            dstLeft = result.size() - used;
        }
        *dst++ = '?';
        --dstLeft;
        ++src;
        --srcLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    if (!ok) return false;
    result.resize(result.size() - dstLeft);
    out.swap(result);
    return true;
}

}  // namespace

bool GbkToUtf8(const std::string& gbk, std::string& utf8) {
    if (Convert("UTF-8", "GBK", gbk, utf8, false)) return true;
    utf8.clear();
    return false;
}

bool Utf8ToGbk(const std::string& utf8, std::string& gbk) {
    if (Convert("GBK", "UTF-8", utf8, gbk, false)) return true;
    gbk.clear();
    return false;
}

std::string GbkToUtf8Lenient(const std::string& gbk) {
    std::string out;
    Convert("UTF-8", "GBK", gbk, out, true);
    return out;
}

std::string Utf8ToGbkLenient(const std::string& utf8) {
    std::string out;
    Convert("GBK", "UTF-8", utf8, out, true);
    return out;
}

std::string StripControlBytes(const std::string& text, bool keepNewlines) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c == '\n' && keepNewlines) { out += '\n'; continue; }
        if (c < 0x20 || c == 0x7F) continue;
        out += static_cast<char>(c);
    }
    return out;
}

int GbkCharLength(const std::string& text, size_t pos) {
    unsigned char c = static_cast<unsigned char>(text[pos]);
    if (c >= 0x81 && c <= 0xFE && pos + 1 < text.size()) return 2;
    return 1;
}

}  // namespace DuiLib
