#include "app/adif_mapping_window.h"

namespace trelvo::app {

void RestoreMappingMarks(adif::AdifMappingModel& model, settings::IniStore& ini, UiDialogs& dialogs,
                         Lang lang) {
    model.LoadFromIni(ini);
    if (!model.StoredNamesDiffer(ini) ||
        !dialogs.AskYesNo(Text(kMismatchQuestion, lang), MessageIcon::Question, {}))
        return;
    const std::vector<std::string> dropped = model.LoadFromIniByName(ini);
    if (dropped.empty()) return;
    std::string list;
    for (const std::string& d : dropped) list += (list.empty() ? "" : ", ") + d;
    dialogs.Message(Render(Message(kDroppedMessage).Arg("tags", list), lang), MessageIcon::Information, {});
}

}  // namespace trelvo::app
