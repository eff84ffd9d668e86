#include "app/adif_mapping_window.h"

namespace trelvo::app {

void RestoreMappingMarks(adif::AdifMappingModel& model, settings::IniStore& ini, UiDialogs& dialogs) {
    model.LoadFromIni(ini);
    if (!model.StoredNamesDiffer(ini) || !dialogs.AskYesNo(kMismatchQuestion, MessageIcon::Question, {}))
        return;
    const std::vector<std::string> dropped = model.LoadFromIniByName(ini);
    if (dropped.empty()) return;
    std::string list;
    for (const std::string& d : dropped) list += (list.empty() ? "" : ", ") + d;
    dialogs.Message(std::string(kDroppedMessage) + list, MessageIcon::Information, {});
}

}  // namespace trelvo::app
