// The ADIF mapping window "ADIF-Turbo HAMLOG 関連付け" without its widgets: its captions and
// what it does on opening, shared by the Qt and the Win32 view. The grid's logic is
// adif::AdifMappingModel.
#pragma once

#include "app/ui_dialogs.h"
#include "core/message.h"
#include "importers/adif/adif_mapping.h"
#include "settings/ini_store.h"

namespace trelvo::app {

inline constexpr const char* kMappingTitle = "ADIF-Turbo HAMLOG 関連付け";
// The menu bar: name and caption of each item.
inline constexpr const char* kMappingMenu[][2] = {
    {"SHEETcls", "設定完了（閉じる）(&X)"},
    {"viewADIF", "対象ADIF参照(&V)"},
    {"AutoSet", "自動設定"},
    {"ConvHelp", "Ｈｅｌｐ(&H)"},
};
inline constexpr const char* kMappingFixedFrame = "定形文字の付加(Remarks欄へ加筆します)";
inline constexpr const char* kMappingTargets[3] = {"無効", "Remarks1 へ", "Remarks2 へ"};
inline constexpr const char* kMappingNotesFrame = "備考（変換ルールについて）";
inline constexpr const char* kMappingNotes[2] = {
    "ADIFのフィールド名が「JCC」「JCG」「AJA」 とあればTurbo HAMLOGのCode欄へ自動的に転記しますので、"
    "これらはチェックしなくても構いません",
    "Turbo HAMLOG Ver5系ではModeにMax16Byte使えますのでモード変換は行いません。Turbo "
    "HAMLOG\u3000Ver5系導入時に"
    "変換しておいて下さい。",
};
// The light cyan of every other grid row (0xBBGGRR).
inline constexpr unsigned kMappingTint = 0xFFFFC0;

// Catalog ids: the question asked when the stored marks were made on a file with other tags
// on those rows, the message listing the tags this file lacks ({tags}), and the hint above
// the grid.
inline constexpr const char* kMismatchQuestion = "app.mapping.mismatch";
inline constexpr const char* kDroppedMessage = "app.mapping.dropped";
inline constexpr const char* kHintText = "app.mapping.hint";

// The marks the window opens with: those stored by row; when this file has other tags on
// those rows, the user is offered the stored marks by tag name (and told which were dropped).
void RestoreMappingMarks(adif::AdifMappingModel& model, settings::IniStore& ini, UiDialogs& dialogs,
                         Lang lang = Lang::kJapanese);

}  // namespace trelvo::app
