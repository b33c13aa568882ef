// A skin file of one window in a scratch folder, removed with the object.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace wintest {

class TempSkin {
public:
    // `window`: the skin's <Window> element; the file is `name`.xml.
    TempSkin(const std::string& name, const std::string& window) {
        char tmpl[] = "/tmp/kelvo-skin-XXXXXX";
        if (const char* dir = mkdtemp(tmpl)) m_dir = dir;
        m_path = m_dir + "/" + name + ".xml";
        std::ofstream(m_path) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" << window << "\n";
    }
    ~TempSkin() {
        unlink(m_path.c_str());
        rmdir(m_dir.c_str());
    }
    TempSkin(const TempSkin&) = delete;
    TempSkin& operator=(const TempSkin&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_dir, m_path;
};

}  // namespace wintest
