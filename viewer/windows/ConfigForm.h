// The settings window: paths, server, start-up, display and alarm switches.
#pragma once

#include "ClientConfig.h"
#include "CommonWindow.h"

#include <string>

namespace kelvo {

// Thread: UI. Lives on its opener's stack for one modal run; never deletes itself.
// Result 1: settings saved (the opener re-reads the settings object); 2: cancelled.
class ConfigForm : public CommonWindow {
public:
    // config: borrowed, must outlive the window (the program's one settings object by default).
    explicit ConfigForm(ClientConfig& config = ClientConfig::Instance()) : m_config(config) {}
    ~ConfigForm() override = default;

    const char* GetWindowClassName() const override { return "ConfigForm"; }

    // The decimal text-to-integer reading of the number fields: leading blanks and sign, then the
    // leading digits ("12ab" is 12, "abc" is 0), saturated to the int range.
    static int ParseLeadingInt(const std::string& text);

protected:
    DuiLib::CDuiString GetSkinFile() override { return "ConfigForm.xml"; }
    void InitWindow() override;
    void Notify(DuiLib::TNotifyUI& msg) override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    DuiLib::LRESULT HandleMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam) override;
    bool ResponseDefaultKeyEvent(DuiLib::WPARAM wParam) override;

private:
    // Modal choosers starting at the current value; true with a GBK path when the user chose one.
    bool ChooseFolder(const std::string& current, std::string& chosen);
    bool ChooseSoundFile(const std::string& current, std::string& chosen);
    void Save();
    // Shows text, focuses the field and returns true when the field is empty.
    bool RefuseEmpty(const char* field, const char* text);
    std::string FieldText(const char* name) const;
    void SetFieldText(const char* name, const std::string& text, bool readOnly);
    void SetCheck(const char* name, int value);
    int Checked(const char* name) const;

    ClientConfig& m_config;
};

}  // namespace kelvo
