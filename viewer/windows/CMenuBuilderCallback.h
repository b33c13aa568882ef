// Makes the menu classes while a menu skin is built.
#pragma once

#include <UIlib.h>

namespace DuiLib {

// "Menu" -> CMenuUI, "MenuElement" -> CMenuElementUI (any case); other classes to the toolkit.
class CMenuBuilderCallback : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(const char* pstrClass) override;
};

}  // namespace DuiLib
