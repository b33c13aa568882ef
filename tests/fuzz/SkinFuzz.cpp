// Skin XML: the dialog builder on any document (includes of itself too), the tree
// attached to a paint manager, laid out and drawn once into its off-screen surface.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <UIlib.h>

namespace {

class ProgramControls : public DuiLib::IDialogBuilderCallback {
public:
    DuiLib::CControlUI* CreateControl(const char* cls) override {
        // Classes the program supplies itself; containers stand in for them.
        static const char* const kProgramClasses[] = {"KelvoPlayer", "VideoPlayer", "DateTimePicker", "Menu",
                                                      "MenuElement"};
        for (const char* c : kProgramClasses)
            if (strcasecmp(c, cls) == 0) return new DuiLib::CContainerUI;
        return nullptr;
    }
};

const std::string& SkinFolder() {
    static const std::string folder = [] {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        char tmpl[] = "/tmp/kelvo-fuzz-skin-XXXXXX";
        std::string root = std::string(mkdtemp(tmpl)) + "/";
        std::string skin = root + "skin/";
        mkdir(skin.c_str(), 0700);
        DuiLib::CPaintManagerUI::SetInstancePath(root.c_str());
        DuiLib::CPaintManagerUI::SetResourcePath(skin.c_str());
        if (!DuiLib::CPaintManagerUI::EnsureVideo()) std::abort();
        return skin;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& skin = SkinFolder();
    std::ofstream(skin + "fuzz.xml", std::ios::binary).write(reinterpret_cast<const char*>(data), size);
    ProgramControls callback;
    DuiLib::CPaintManagerUI pm;
    DuiLib::CDialogBuilder builder;
    DuiLib::CControlUI* root = builder.Create("fuzz.xml", nullptr, &callback, &pm);
    if (!root) return 0;
    // The window's size comes from the program's own skin; keep the surface small.
    DuiLib::SIZE sz = pm.GetInitSize();
    if (sz.cx < 0 || sz.cx > 1600 || sz.cy < 0 || sz.cy > 1200) pm.SetInitSize(800, 600);
    if (!pm.AttachDialog(root)) return 0;
    pm.FindControl("player");
    pm.Paint();
    return 0;
}
