// The local file system as the folder and file choosers see it: names on disk are UTF-8, the
// toolkit's texts are GBK, and a name that has no GBK form is shown but never handed out.
#pragma once

#include <string>
#include <vector>

namespace DuiLib {

// Thread: any (no shared state).
class DirectoryListing {
public:
    struct Entry {
        std::string diskName;  // as on disk (UTF-8, or any bytes)
        std::string shownName; // GBK; lenient ('?' for bytes without a GBK form)
        bool isDir = false;
        bool representable = false;  // diskName has an exact GBK form
    };

    enum class MakeResult { Created, InvalidName, Unrepresentable, Exists, Failed };

    // Visible sub-folders of utf8Dir and, when extension is not empty, the files whose name ends
    // in it (case-insensitive, e.g. ".wav"). Hidden entries (leading '.') are left out; folders
    // first, then by name. False when the folder cannot be read.
    static bool List(const std::string& utf8Dir, const std::string& extension, std::vector<Entry>& out);
    static bool HasExtension(const std::string& name, const std::string& extension);
    static std::string Join(const std::string& utf8Dir, const std::string& name);
    static std::string Parent(const std::string& utf8Path);  // "/" for "/" and top-level entries
    // Exact conversions of a whole path; false when any byte has no counterpart.
    static bool ToShown(const std::string& utf8Path, std::string& gbk);
    static bool ToDisk(const std::string& gbkPath, std::string& utf8);
    // Makes folder gbkName (typed text) inside utf8Parent; created gets the new folder's path.
    static MakeResult MakeFolder(const std::string& utf8Parent, const std::string& gbkName, std::string& created);
    static bool IsDirectory(const std::string& utf8Path);
    static bool IsFile(const std::string& utf8Path);
};

}  // namespace DuiLib
