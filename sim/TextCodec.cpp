#include "sim/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

namespace sim {

namespace {

// Runs one iconv conversion; `lossy` replaces bad input bytes with '?'.
std::string Convert(const char* to, const char* from, const std::string& in, bool lossy) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv cannot convert");
    std::string out;
    std::vector<char> buf(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    while (srcLeft > 0) {
        char* dst = buf.data();
        size_t dstLeft = buf.size();
        size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf.data(), dst);
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            if (!lossy) {
                iconv_close(cd);
                throw std::runtime_error("text \"" + in + "\" has no " + to + " form");
            }
            out += '?';
            ++src;
            --srcLeft;
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string TextCodec::Utf8ToGbk(const std::string& utf8) { return Convert("GBK", "UTF-8", utf8, false); }

std::string TextCodec::GbkToUtf8(const std::string& gbk) { return Convert("UTF-8", "GBK", gbk, true); }

}  // namespace sim
