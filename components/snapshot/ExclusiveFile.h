#pragma once
#include <string>

namespace kelvo {

// Creates files that never replace an existing one. Names made from the local
// time clash when two are made within one second; the numbered variants
// ("20240102030405_1.jpg", "_2", ...) keep both.
// Thread: any (no shared state; O_EXCL settles races between threads).
class ExclusiveFile {
public:
    // Creates `path` (O_CREAT | O_EXCL, mode 0644) for writing. Returns the
    // descriptor (caller owns it) or -1 with errno set.
    static int Create(const std::string& path);

    // Creates `path`, or when it exists the first free numbered variant.
    // Returns the descriptor (caller owns it) and the name in *chosen, or -1
    // with errno set (any failure other than a clash ends the search).
    static int CreateUnique(const std::string& path, std::string* chosen, int maxTries = 1000);

    // `path` with "_n" inserted before the extension of its last component.
    static std::string NumberedName(const std::string& path, int n);
};

}  // namespace kelvo
