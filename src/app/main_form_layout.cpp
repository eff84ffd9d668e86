#include "app/main_form_layout.h"

#include <algorithm>
#include <array>
#include <map>

#include "app/main_form_model.h"
#include "export/export_writers.h"

namespace trelvo::app {

// The export kinds are numbered as the modes that run them.
static_assert(kModeAdifExport == static_cast<int>(exports::ExportKind::kAdif));
static_assert(kModeCsvExport == static_cast<int>(exports::ExportKind::kCsv));
static_assert(kModeBackupTextExport == static_cast<int>(exports::ExportKind::kBackup));
static_assert(kModeCsv5Export == static_cast<int>(exports::ExportKind::kCsv5));

namespace {

using K = ControlKind;

// Column of the right half of the wide frames.
constexpr int R = 168;

const ControlLayout kControls[] = {
    // --- Frame1: the DigiPan and ADIF imports ---------------------------------------------
    {"Frame1", K::Frame, "変換ルール( Digipan.LOG -> Turbo HAMLOG用 CSV)", "", {0, 0, 332, 96}},
    {"Option1(0)", K::OptionButton, "14070 (KHz) -> 14.070(MHz)", "Frame1", {8, 12, 150, 10}},
    {"Option1(1)", K::OptionButton, "14070 (KHz) -> 14(MHz)", "Frame1", {R, 12, 150, 10}},
    {"Option1(2)", K::OptionButton, "変換しない(元々MHz台ﾃﾞｰﾀ)", "Frame1", {8, 24, 150, 10}},
    {"Option1(3)", K::OptionButton, "Meter表記   -> MHz表記", "Frame1", {R, 24, 150, 10}},
    {"Check1", K::CheckBox, "QSL発行区分=", "Frame1", {8, 40, 84, 10}},
    {"Text4", K::TextBox, "", "Frame1", {94, 38, 24, 12}},
    {"Check2", K::CheckBox, "QSL発行済ﾏｰｸ   =", "Frame1", {8, 54, 84, 10}},
    {"Text5", K::TextBox, "", "Frame1", {94, 52, 24, 12}},
    {"Check4", K::CheckBox, "QSL受領ﾏｰｸ     =", "Frame1", {8, 68, 84, 10}},
    {"Text22", K::TextBox, "", "Frame1", {94, 66, 24, 12}},
    {"", K::Label, "未ﾁｪｯｸ状態では変換しないでｽﾙｰになります", "Frame1", {8, 82, 156, 10}},
    {"Check3", K::CheckBox, "JA局はLOG-TIMEをJSTに変換", "Frame1", {R, 40, 156, 10}},
    {"Label23", K::Label, "ADIF上の発行済み文字 =", "Frame1", {R, 55, 100, 10}},
    {"Text23", K::TextBox, "", "Frame1", {R + 104, 52, 24, 12}, "", "Label23"},
    {"Label24", K::Label, "ADIF上の受領済み文字 =", "Frame1", {R, 69, 100, 10}},
    {"Text24", K::TextBox, "", "Frame1", {R + 104, 66, 24, 12}, "", "Label24"},

    // --- Frame2: the HAMLOG exports ---------------------------------------------------------
    {"Frame2", K::Frame, "Turbo HAMLOGデータ → テキスト変換設定", "", {0, 0, 332, 112}},
    {"Option2(0)", K::OptionButton, "Turbo HAMLOGの全データを変換", "Frame2", {8, 12, 140, 10}},
    {"Option2(1)", K::OptionButton, "範囲指定(日付)", "Frame2", {8, 26, 140, 10}},
    {"Option2(2)", K::OptionButton, "範囲指定(RecNo)", "Frame2", {8, 40, 140, 10}},
    {"Combo1", K::ListBox, "", "Frame2", {156, 10, 90, 120}},
    {"Text7", K::TextBox, "", "Frame2", {156, 24, 48, 12}},
    {"", K::Label, "～", "Frame2", {208, 26, 10, 10}},
    {"Text8", K::TextBox, "", "Frame2", {222, 24, 48, 12}},
    {"Text11", K::TextBox, "", "Frame2", {156, 38, 44, 12}},
    {"", K::Label, "～", "Frame2", {208, 40, 10, 10}},
    {"Text12", K::TextBox, "", "Frame2", {222, 38, 44, 12}},
    {"Check9", K::CheckBox, "MHz → kHz に変換する", "Frame2", {8, 56, 150, 10}},
    {"Check10", K::CheckBox, "Code変換＆出力を\u3000行わない", "Frame2", {8, 68, 150, 10}},
    {"Check11", K::CheckBox, "町村コードを削除する", "Frame2", {8, 80, 150, 10}},
    {.name = "CheckStd",
     .kind = K::CheckBox,
     .caption = "",
     .frame = "Frame2",
     .place = {8, 94, 170, 10},
     .captionId = "app.caption.standard-adif"},
    {"Label7", K::Label, "時間は全てUTCに変換されます", "Frame2", {R, 58, 150, 30}},

    // --- Frame3: the zLog import --------------------------------------------------------------
    {"Frame3", K::Frame, "変換ルール( zLog -> Turbo HAMLOG用 CSV)", "", {0, 0, 332, 156}},
    {"Label11", K::Label, "", "Frame3", {8, 13, 156, 10}},
    {"Check6", K::CheckBox, "DX局はLOG TimeをUTCに変換", "Frame3", {R, 12, 156, 10}},
    {"Check8",
     K::CheckBox,
     "QSL発行区分=",
     "Frame3",
     {8, 28, 74, 10},
     "未ﾁｪｯｸ状態では変換しないでｽﾙｰになります"},
    {"Text9", K::TextBox, "", "Frame3", {84, 26, 24, 12}},
    {"Check7", K::CheckBox, "QTH変換", "Frame3", {R, 28, 100, 10}, "RcvNumがJCCGｺｰﾄﾞの場合"},
    {"Check5", K::CheckBox, "追加情報を→", "Frame3", {8, 42, 64, 10}, "% で囲った移動先地などを書きます"},
    {"Text2", K::TextBox, "", "Frame3", {74, 40, 120, 12}, "追加情報はこちらへ記入します"},
    {"Option6(0)", K::OptionButton, "Remarks1", "Frame3", {200, 42, 56, 10}},
    {"Option6(1)", K::OptionButton, "Remarks2", "Frame3", {260, 42, 56, 10}},
    {"", K::Label, "Remarks1 へ", "Frame3", {33, 58, 46, 10}},
    {"", K::Label, "Remarks2 へ", "Frame3", {81, 58, 46, 10}},
    {"", K::Label, "変換しない", "Frame3", {129, 58, 38, 10}},
    {"Frame4", K::Frame, "RcvNum", "Frame3", {8, 68, 156, 24}, "受信したRS(T)を除いたｺﾝﾃｽﾄﾅﾝﾊﾞｰです"},
    {"Option3(0)", K::OptionButton, "", "Frame4", {44, 10, 12, 10}},
    {"Option3(1)", K::OptionButton, "", "Frame4", {92, 10, 12, 10}},
    {"Option3(2)", K::OptionButton, "", "Frame4", {140, 10, 12, 10}},
    {"Frame5", K::Frame, "memo", "Frame3", {8, 94, 156, 24}},
    {"Option4(0)", K::OptionButton, "", "Frame5", {44, 10, 12, 10}},
    {"Option4(1)", K::OptionButton, "", "Frame5", {92, 10, 12, 10}},
    {"Option4(2)", K::OptionButton, "", "Frame5", {140, 10, 12, 10}},
    {"Frame6", K::Frame, "Contest名", "Frame3", {8, 120, 156, 24}},
    {"Option5(0)", K::OptionButton, "", "Frame6", {44, 10, 12, 10}},
    {"Option5(1)", K::OptionButton, "", "Frame6", {92, 10, 12, 10}},
    {"Option5(2)", K::OptionButton, "", "Frame6", {140, 10, 12, 10}},
    {"", K::Label, "MODEの変換定義", "Frame3", {R, 58, 150, 10}},
    {"", K::Label, "CW", "Frame3", {R, 72, 30, 10}},
    {"Text1(0)", K::TextBox, "", "Frame3", {R + 30, 70, 40, 12}},
    {"", K::Label, "SSB", "Frame3", {R + 76, 72, 30, 10}},
    {"Text1(1)", K::TextBox, "", "Frame3", {R + 106, 70, 40, 12}},
    {"", K::Label, "FM", "Frame3", {R, 86, 30, 10}},
    {"Text1(2)", K::TextBox, "", "Frame3", {R + 30, 84, 40, 12}},
    {"", K::Label, "AM", "Frame3", {R + 76, 86, 30, 10}},
    {"Text1(3)", K::TextBox, "", "Frame3", {R + 106, 84, 40, 12}},
    {"", K::Label, "RTTY", "Frame3", {R, 100, 30, 10}},
    {"Text1(4)", K::TextBox, "", "Frame3", {R + 30, 98, 40, 12}},
    {"", K::Label, "Other", "Frame3", {R + 76, 100, 30, 10}},
    {"Text1(5)", K::TextBox, "", "Frame3", {R + 106, 98, 40, 12}},
    {"", K::Label, "FT4", "Frame3", {R, 114, 30, 10}},
    {"Text1(6)", K::TextBox, "", "Frame3", {R + 30, 112, 40, 12}},
    {"", K::Label, "FT8", "Frame3", {R + 76, 114, 30, 10}},
    {"Text1(7)", K::TextBox, "", "Frame3", {R + 106, 112, 40, 12}},
    {.name = "CheckZlogFreq",
     .kind = K::CheckBox,
     .caption = "",
     .frame = "Frame3",
     .place = {R, 128, 156, 10},
     .captionId = "app.caption.zlox-freq"},
    {.name = "CheckZlogNoQsl",
     .kind = K::CheckBox,
     .caption = "",
     .frame = "Frame3",
     .place = {R, 140, 156, 10},
     .captionId = "app.caption.zlox-no-qsl"},

    // --- Frame7: the contest-number editor ----------------------------------------------------
    {"Frame7", K::Frame, "", "", {0, 0, 332, 136}},
    {"", K::Label, "ｺﾝﾃｽﾄﾅﾝﾊﾞｰの前", "Frame7", {8, 14, 76, 10}},
    {"Text3", K::TextBox, "", "Frame7", {86, 12, 24, 12}},
    {"", K::Label, "文字を削除します", "Frame7", {114, 14, 150, 10}},
    {"", K::Label, "ｺﾝﾃｽﾄﾅﾝﾊﾞｰの後", "Frame7", {8, 28, 76, 10}},
    {"Text6", K::TextBox, "", "Frame7", {86, 26, 24, 12}},
    {"", K::Label, "文字を削除します", "Frame7", {114, 28, 150, 10}},
    {"", K::Label, "ｺﾝﾃｽﾄﾅﾝﾊﾞｰ先頭", "Frame7", {8, 42, 76, 10}},
    {"Text10", K::TextBox, "", "Frame7", {86, 40, 24, 12}},
    {"", K::Label, "文字が市区郡を表している", "Frame7", {114, 42, 150, 10}},
    {"Label21", K::Label, "TRELVOでいうｺﾝﾃｽﾄﾅﾝﾊﾞｰとはRS(T)を除いた部分です", "Frame7", {8, 56, 316, 10}},
    {"Command3",
     K::Button,
     "独特のｺﾝﾃｽﾄﾅﾝﾊﾞｰﾃｰﾌﾞﾙを読み込む",
     "Frame7",
     {8, 70, 156, 16},
     "例えば静岡ｺﾝの\u3000NU=>,沼津市=>1803"},
    {"Command4", K::Button, "←編集", "Frame7", {168, 70, 56, 16}},
    {"Command2", K::Button, "閉じる(決定)", "Frame7", {228, 70, 96, 16}},
    {"", K::Label, "例　 3文字で  0013101(Serial+JCC/G) → 3101 の様になります", "Frame7", {8, 90, 316, 10}},
    {"", K::Label, "例　 1文字で  3101M(JCC/G+PWR) → 3101 の様になります", "Frame7", {8, 100, 316, 10}},
    {"", K::Label, "例　 3文字で  W01HK → 220101 の様になります(京都ｺﾝﾃｽﾄ)", "Frame7", {8, 110, 316, 10}},
    {"",
     K::Label,
     "　　   31M(都道府県+PWR)の場合 → 31 になり'岡山県'を返します",
     "Frame7",
     {8, 120, 316, 10}},

    // --- Frame8: never shown ------------------------------------------------------------------
    {"Frame8", K::Frame, "TRELVO5  変換メニュー", "", {0, 0, 332, 20}},

    // --- the status area under the frames -------------------------------------------------------
    {"Label5", K::Label, "", "", {0, 0, 332, 20}},
    {"Label6", K::Label, kCounterIdle, "", {0, 24, 108, 20}},
    {"Command1", K::Button, "変換開始", "", {112, 24, 220, 20}},
};

const char* const kStacked[] = {"Frame1", "Frame2", "Frame3", "Frame7", "Frame8"};

const MenuItemLayout kFileItems[] = {
    {"SetHlpos", "Turbo HAMLOG V5ﾃﾞｰﾀ(HDB/MST)の場所指定"},
    {"ChkData", "Turbo HAMLOG V5のﾃﾞｰﾀ長確認"},
    {"", ""},
    {"setDGPData", "Digipanのlogデータ指定"},
    {"mkCSV", "DigipanLog->CSV化(&D)"},
    {"", ""},
    {"setADIFData", "ADIF形式のlogデータ指定"},
    {"viewCSV", "完成CSVﾌｧｲﾙの参照(&C)"},
    {"", ""},
    {"ZL2HL", "zLog->CSV化(Turbo HAMLOG V5)"},
    {"", ""},
    {"setHLData", "Turbo HAMLOGデータ → テキスト変換モードへ"},
    {"MODCH", "Turbo HAMLOGデータ内登録モードの取得"},
    {"mkADIF", "Turbo HAMLOGデータのADIF化(&A)"},
    {"mkHL2CSV", "Turbo HAMLOGデータのCSVﾌｧｲﾙ化(&S)"},
    {"mkHL2CSV5", "Turbo HAMLOGデータのCSVﾌｧｲﾙ化(5系読み込み可)"},
    {"xxxCC", "Turbo HAMLOG旧ﾊﾞｯｸｱｯﾌﾟﾌｧｲﾙ形式ﾃｷｽﾄ出力(&G)"},
    {"viewNewADIF", "完成ﾃｷｽﾄﾌｧｲﾙの参照(&V)"},
    {"", ""},
    {"JAP1CSV", "JAP1データの指定(個別対応用途）"},
    {"viewCSVJ", "JAP1-HL変換後ファイルの参照"},
    {"", ""},
    {"edSet", "お気に入りﾃｷｽﾄｴﾃﾞｨﾀの登録"},
    {"", ""},
    {"Pend", "終了(&X)"},
};

const MenuItemLayout kTopItems[] = {{"ConvHelp", "Help"}, {"verdisp", ""}};

}  // namespace

std::span<const char* const> StackedFrames() {
    return kStacked;
}
std::span<const ControlLayout> MainFormControls() {
    return kControls;
}
std::span<const MenuItemLayout> FileMenuItems() {
    return kFileItems;
}
std::span<const MenuItemLayout> TopMenuItems() {
    return kTopItems;
}

const ControlLayout* FindControl(std::string_view name) {
    if (name.empty()) return nullptr;
    for (const ControlLayout& c : kControls)
        if (name == c.name) return &c;
    return nullptr;
}

std::vector<std::string> FramesAround(const ControlLayout& control) {
    std::vector<std::string> frames;
    for (const ControlLayout* c = &control; c && *c->frame; c = FindControl(c->frame))
        frames.emplace_back(c->frame);
    return frames;
}

std::vector<std::string> FramesAround(std::string_view name) {
    const ControlLayout* c = FindControl(name);
    return c ? FramesAround(*c) : std::vector<std::string>{};
}

Place Label21Expanded() {
    return {8, 10, 316, 56};
}

Place StatusArea() {
    return {0, 0, 332, 44};
}

std::vector<StackedPlace> StackFrames(const std::function<bool(const std::string&)>& shown, Place* client) {
    std::vector<StackedPlace> out;
    int y = kWindowMargin, width = 0;
    for (const char* frame : kStacked) {
        if (!shown(frame)) continue;
        const Place p = FindControl(frame)->place;
        out.push_back({frame, {kWindowMargin, y, p.width, p.height}});
        y += p.height + kStackGap;
        width = std::max(width, p.width);
    }
    const Place s = StatusArea();
    out.push_back({"", {kWindowMargin, y, s.width, s.height}});
    y += s.height + kWindowMargin;
    width = std::max(width, s.width);
    if (client) *client = {0, 0, width + 2 * kWindowMargin, y};
    return out;
}

std::vector<std::string> AllControlNames() {
    std::vector<std::string> names{kFileMenuName};
    for (const MenuItemLayout& m : kFileItems)
        if (*m.name) names.emplace_back(m.name);
    for (const MenuItemLayout& m : kTopItems) names.emplace_back(m.name);
    for (const ControlLayout& c : kControls)
        if (*c.name) names.emplace_back(c.name);
    return names;
}

bool ClickControl(MainFormModel& m, const std::string& name) {
    using Handler = void (MainFormModel::*)();
    static const std::map<std::string, Handler, std::less<>> kHandlers = {
        {"Command1", &MainFormModel::Command1_Click},
        {"SetHlpos", &MainFormModel::SetHlpos_Click},
        {"ChkData", &MainFormModel::ChkData_Click},
        {"setDGPData", &MainFormModel::setDGPData_Click},
        {"mkCSV", &MainFormModel::mkCSV_Click},
        {"setADIFData", &MainFormModel::setADIFData_Click},
        {"viewCSV", &MainFormModel::viewCSV_Click},
        {"ZL2HL", &MainFormModel::ZL2HL_Click},
        {"setHLData", &MainFormModel::setHLData_Click},
        {"MODCH", &MainFormModel::MODCH_Click},
        {"mkADIF", &MainFormModel::mkADIF_Click},
        {"mkHL2CSV", &MainFormModel::mkHL2CSV_Click},
        {"mkHL2CSV5", &MainFormModel::mkHL2CSV5_Click},
        {"xxxCC", &MainFormModel::xxxCC_Click},
        {"viewNewADIF", &MainFormModel::viewNewADIF_Click},
        {"JAP1CSV", &MainFormModel::JAP1CSV_Click},
        {"viewCSVJ", &MainFormModel::viewCSVJ_Click},
        {"edSet", &MainFormModel::edSet_Click},
        {"Pend", &MainFormModel::Pend_Click},
        {"ConvHelp", &MainFormModel::ConvHelp_Click},
        {"Check9", &MainFormModel::Check9_Click},
        {"Check10", &MainFormModel::Check10_Click},
        {"Check11", &MainFormModel::Check11_Click},
        {"CheckStd", &MainFormModel::CheckStd_Click},
        {"Check5", &MainFormModel::Check5_Click},
        {"Check7", &MainFormModel::Check7_Click},
        {"Command2", &MainFormModel::Command2_Click},
        {"Command3", &MainFormModel::Command3_Click},
        {"Command4", &MainFormModel::Command4_Click},
    };
    if (auto it = kHandlers.find(name); it != kHandlers.end()) {
        (m.*(it->second))();
        return true;
    }
    if (name.starts_with("Option2(") && name.size() == 10) {
        m.Option2_Click(name[8] - '0');
        return true;
    }
    return false;
}

}  // namespace trelvo::app
