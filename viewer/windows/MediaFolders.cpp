#include "MediaFolders.h"

#include <sys/stat.h>

#include <cerrno>

#include <TextCodec.h>

#include "TitlePath.h"

namespace kelvo {

namespace {

bool EnsureDir(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    return mkdir(path.c_str(), 0755) == 0 || (errno == EEXIST && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

// Cut to at most `max` bytes without splitting a UTF-8 character.
std::string CutUtf8(const std::string& s, size_t max) {
    if (s.size() <= max) return s;
    size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    return s.substr(0, n);
}

}  // namespace

std::string SafeFolderName(const std::string& gbk) {
    std::string clean;
    bool onlyDots = true;
    for (size_t i = 0; i < gbk.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(gbk[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < gbk.size()) {
            clean += gbk.substr(i, 2);
            ++i;
            onlyDots = false;
            continue;
        }
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\')
            clean += '_';
        else
            clean += static_cast<char>(c);
        if (c != '.') onlyDots = false;
    }
    if (clean.empty() || onlyDots) return "_";
    return CutUtf8(DuiLib::GbkToUtf8Lenient(clean), 255);
}

std::string MakeTitleFolder(const std::string& gbkBase, const std::string& gbkTitlePath) {
    std::string base = DuiLib::GbkToUtf8Lenient(gbkBase);
    if (base.empty() || base[0] != '/') return "";
    // Every level of the base, from the root.
    std::string path = "/";
    size_t pos = 1;
    while (pos <= base.size()) {
        size_t slash = base.find('/', pos);
        if (slash == std::string::npos) slash = base.size();
        if (slash > pos) {
            path += base.substr(pos, slash - pos);
            if (!EnsureDir(path)) return "";
            path += "/";
        }
        pos = slash + 1;
    }
    for (const std::string& part : SplitTitlePath(gbkTitlePath)) {
        if (part.empty()) continue;
        path += SafeFolderName(part);
        if (!EnsureDir(path)) return "";
        path += "/";
    }
    return path;
}

}  // namespace kelvo
