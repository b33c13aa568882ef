#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>

namespace kelvo::testsupport {

// A fresh directory under the system temp folder, removed with its contents.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kelvo-media-XXXXXX").string();
        if (char* p = mkdtemp(tmpl.data())) m_path = p;
    }
    ~TempDir() {
        std::error_code ec;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

}  // namespace kelvo::testsupport
