#include "ExclusiveFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace kelvo {

int ExclusiveFile::Create(const std::string& path) {
    if (path.empty()) {
        errno = ENOENT;
        return -1;
    }
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

std::string ExclusiveFile::NumberedName(const std::string& path, int n) {
    const size_t slash = path.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.find_last_of('.');
    // A leading dot ("/x/.jpg") is a hidden name, not an extension.
    if (dot == std::string::npos || dot <= nameStart) dot = path.size();
    return path.substr(0, dot) + "_" + std::to_string(n) + path.substr(dot);
}

int ExclusiveFile::CreateUnique(const std::string& path, std::string* chosen, int maxTries) {
    for (int n = 0; n <= maxTries; ++n) {
        const std::string name = n == 0 ? path : NumberedName(path, n);
        const int fd = Create(name);
        if (fd >= 0) {
            if (chosen) *chosen = name;
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace kelvo
