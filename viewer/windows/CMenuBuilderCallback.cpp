#include "CMenuBuilderCallback.h"

#include "CMenuElementUI.h"
#include "CMenuUI.h"

#include <strings.h>

namespace DuiLib {

CControlUI* CMenuBuilderCallback::CreateControl(const char* pstrClass) {
    if (!pstrClass) return nullptr;
    if (strcasecmp(pstrClass, "Menu") == 0) return new CMenuUI;  // ownership passes to the builder
    if (strcasecmp(pstrClass, "MenuElement") == 0) return new CMenuElementUI;
    return nullptr;
}

}  // namespace DuiLib
