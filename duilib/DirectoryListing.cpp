#include "DirectoryListing.h"

#include "TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <strings.h>
#include <sys/stat.h>

namespace DuiLib {

bool DirectoryListing::HasExtension(const std::string& name, const std::string& ext) {
    if (ext.empty()) return true;
    if (name.size() <= ext.size()) return false;  // ".wav" alone is a hidden file, not a sound
    return strcasecmp(name.c_str() + name.size() - ext.size(), ext.c_str()) == 0;
}

std::string DirectoryListing::Join(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

std::string DirectoryListing::Parent(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    size_t slash = p.rfind('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return p.substr(0, slash);
}

bool DirectoryListing::ToShown(const std::string& utf8Path, std::string& gbk) { return Utf8ToGbk(utf8Path, gbk); }

bool DirectoryListing::ToDisk(const std::string& gbkPath, std::string& utf8) { return GbkToUtf8(gbkPath, utf8); }

bool DirectoryListing::IsDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DirectoryListing::IsFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryListing::List(const std::string& dir, const std::string& ext, std::vector<Entry>& out) {
    out.clear();
    std::unique_ptr<DIR, int (*)(DIR*)> d(opendir(dir.c_str()), closedir);
    if (!d) return false;
    while (dirent* e = readdir(d.get())) {
        std::string name = e->d_name;
        if (name.empty() || name[0] == '.') continue;
        // Follows links, so a link to a folder is a folder; dangling links drop out.
        std::string full = Join(dir, name);
        Entry entry;
        entry.isDir = IsDirectory(full);
        if (!entry.isDir && (ext.empty() || !IsFile(full) || !HasExtension(name, ext))) continue;
        entry.diskName = name;
        std::string gbk;
        entry.representable = Utf8ToGbk(name, gbk);
        entry.shownName = entry.representable ? gbk : Utf8ToGbkLenient(name);
        out.push_back(std::move(entry));
    }
    std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) {
        if (a.isDir != b.isDir) return a.isDir;
        int c = strcasecmp(a.diskName.c_str(), b.diskName.c_str());
        return c != 0 ? c < 0 : a.diskName < b.diskName;
    });
    return true;
}

DirectoryListing::MakeResult DirectoryListing::MakeFolder(const std::string& parent, const std::string& gbkName,
                                                          std::string& created) {
    created.clear();
    // One path component that stays visible in the chooser once made.
    if (gbkName.empty() || gbkName[0] == '.' || gbkName.size() > 255) return MakeResult::InvalidName;
    for (unsigned char c : gbkName)
        if (c < 0x20 || c == 0x7F || c == '/') return MakeResult::InvalidName;
    std::string utf8;
    if (!GbkToUtf8(gbkName, utf8)) return MakeResult::Unrepresentable;
    std::string shownParent;
    if (!Utf8ToGbk(parent, shownParent)) return MakeResult::Unrepresentable;
    std::string path = Join(parent, utf8);
    if (mkdir(path.c_str(), 0755) != 0) return errno == EEXIST ? MakeResult::Exists : MakeResult::Failed;
    created = path;
    return MakeResult::Created;
}

}  // namespace DuiLib
