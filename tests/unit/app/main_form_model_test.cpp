#include "app/main_form_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "app/main_form_layout.h"
#include "fake_view.h"
#include "hamlog/hand_made_hdb.h"
#include "hamlog/memory_library.h"
#include "importers/adif/adif_mapping.h"
#include "scripted_dialogs.h"
#include "settings/ini_store.h"
#include "test_support.h"
#include "text/chars.h"
#include "text/datetime.h"

using namespace trelvo;
using namespace trelvo::testing;

namespace {

constexpr const char* kSetDatabaseFirst = "先ずは\u3000Turbo HAMLOG\u3000の場所を設定して下さい。";
constexpr const char* kMstMissing = "MSTﾌｧｲﾙが見つかりません\r\nMSTﾌｧｲﾙはHDBﾌｧｲﾙと同じフォルダに必要です";

class MainFormModelTest : public ::testing::Test {
protected:
    ScratchDir dir;
    FakeView view;
    ScriptedDialogs dialogs;
    std::unique_ptr<app::MainFormModel> model;

    std::string Ini() const { return dir.File("TRELVO5.INI"); }

    app::MainFormModel& Make() {
        app::MainFormConfig c;
        c.programFolder = dir.Path();
        c.iniPath = Ini();
        c.versionMajor = 1;
        c.versionMinor = 5;
        model = std::make_unique<app::MainFormModel>(c, view, dialogs);
        view.model = model.get();
        return *model;
    }
    app::LoadOutcome Load() { return Make().Form_Load(); }
    void WriteIni(const std::string& text) { WriteBytes(Ini(), text); }
    // An empty database whose first width (CALLS and IGN) is 12, named in the settings.
    void WriteDatabase(const std::string& hdb, const std::string& iniExtra = "") {
        WriteBytes(dir.File(hdb), EmptyHdb(10, 2));
        WriteIni(HamlogIni(dir.File(hdb)) + iniExtra);
    }
    std::string ReadIni(const std::string& section, const std::string& key) {
        settings::IniStore ini(Ini());
        return ini.ReadOr(section, key, "<missing>");
    }
};

TEST_F(MainFormModelTest, FirstStartWithoutSettingsCreatesOnlyTheDataFolder) {
    ASSERT_EQ(Load(), app::LoadOutcome::Shown);
    app::MainFormModel& m = *model;

    const std::string gene = dir.File("GeneData") + "/";
    EXPECT_EQ(m.GeneDataFolder, gene);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("GeneData")));
    EXPECT_EQ(ReadBytes(Ini()), "[GeneData]\r\nGeneDataFol=" + gene + "\r\n");

    EXPECT_EQ(m.EditorPath, "NOTEPAD.EXE");
    EXPECT_EQ(m.DigipanLogPath, "");
    EXPECT_EQ(m.DigipanLogFolder, dir.Path());
    for (const auto& [box, mark] :
         {std::pair{"Text4", "J"}, {"Text5", "*"}, {"Text22", "*"}, {"Text23", "Y"}, {"Text24", "Y"}})
        EXPECT_EQ(view[box].text, mark) << box;
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{kSetDatabaseFirst});
    EXPECT_EQ(m.SelectedMode, "MIX");
    EXPECT_FALSE(view["Label7"].visible);

    // The export range starts as "all data" with today's date in both date boxes.
    const std::string today = text::FormatDateTimePattern(text::LocalNow(), "YYYYMMDD");
    EXPECT_EQ(view["Text7"].text, today);
    EXPECT_EQ(view["Text8"].text, today);
    EXPECT_FALSE(view["Text7"].enabled);
    EXPECT_FALSE(view["Text11"].enabled);
}

TEST_F(MainFormModelTest, StoredSettingsAreLoadedAndTheModeListFollowsTheCount) {
    WriteIni(
        "[GeneData]\r\nGeneDataFol=" + dir.File("out") +
        "\r\n[TextEditor]\r\nEditor=/usr/bin/vi\r\n[DIGIPAN-FOL]\r\nDIGIPAN-FN=/home/ham/logs/Digipan.LOG\r\n"
        "[QSLcfg]\r\nJmark=\r\nSentMark=S\r\n"
        "[ModeName]\r\nHAMLOG-ModeCount=3\r\nMode1N=CW\r\nMode2N=\r\nMode3N=FM\r\nMode4N=RTTY\r\n");
    ASSERT_EQ(Load(), app::LoadOutcome::Shown);
    EXPECT_EQ(model->GeneDataFolder, dir.File("out"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out")));  // a stored folder is not created
    EXPECT_EQ(model->EditorPath, "/usr/bin/vi");
    EXPECT_EQ(model->DigipanLogPath, "/home/ham/logs/Digipan.LOG");
    EXPECT_EQ(model->DigipanLogFolder, "/home/ham/logs");
    EXPECT_EQ(view["Text4"].text, "");  // an empty mark is a stored mark
    EXPECT_EQ(view["Text5"].text, "S");
    // Only the first three names count, and the empty one is skipped.
    EXPECT_EQ(view["Combo1"].items, (std::vector<std::string>{"MIX", "CW", "FM"}));
}

// What the start-up makes of the database named in the settings.
TEST_F(MainFormModelTest, StartUpMeasuresTheDatabaseOrSaysWhyItCannot) {
    // Without its master file the start-up ends there, and the stored path stays.
    WriteDatabase("Hamlog.HDB", "[ModeName]\r\nMode1N=CW\r\n");
    ASSERT_EQ(Load(), app::LoadOutcome::Shown);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{kMstMissing});
    EXPECT_EQ(model->Location.HamlogDbPath, "");
    EXPECT_EQ(model->Location.HamlogMstPath, "");
    EXPECT_NE(view["Label5"].text, dir.File("Hamlog.HDB"));
    EXPECT_TRUE(view["Combo1"].items.empty());  // the mode list is not filled
    EXPECT_EQ(ReadIni("HAMLOG-FOL", "HAMLOG-FN"), dir.File("Hamlog.HDB"));
    EXPECT_EQ(model->Location.HdbFieldLen[0], 0);

    // A damaged master file is reported and the window still opens.
    WriteBytes(dir.File("Hamlog.mst"), std::string(400, 'x'));
    ASSERT_EQ(Load(), app::LoadOutcome::Shown);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_NE(dialogs.messages[1].find("Turbo HAMLOG のマスターファイルではありません"), std::string::npos);

    // A folder named like the database is not "in use": the message names it and says why.
    WriteBytes(dir.File("Hamlog.mst"), HandMst({}));
    std::filesystem::remove(dir.File("Hamlog.HDB"));
    std::filesystem::create_directory(dir.File("Hamlog.HDB"));
    ASSERT_EQ(Load(), app::LoadOutcome::Shown);
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_EQ(dialogs.messages[2], dir.File("Hamlog.HDB") + ": データベースを開けません: フォルダです");

    // Lower-case extensions on disk: only the extension of the file changes for the master.
    dialogs.messages.clear();
    WriteDatabase("hamlog.hdb");
    WriteBytes(dir.File("hamlog.mst"), HandMst({}));
    ASSERT_EQ(Load(), app::LoadOutcome::Shown);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(view["Label5"].text, dir.File("hamlog.hdb"));
    EXPECT_EQ(model->Location.HamlogDbBase, dir.File("hamlog"));
    EXPECT_EQ(model->Location.HamlogMstPath, dir.File("hamlog") + ".mst");
    EXPECT_EQ(model->Location.HdbFieldLen[0], 12);
    EXPECT_EQ(model->Location.HdbFieldLen[15], 54);
}

TEST_F(MainFormModelTest, ChoosingTheDatabaseLocation) {
    WriteIni("[HAMLOG-FOL]\r\nHAMLOG-FN=/old/place/Hamlog.HDB\r\n");
    Make();
    // Cancelled (what stays is checked on the window): the dialog shows databases only.
    model->SetHlpos_Click();
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0].filter, "Turbo HAMLOG データベース(*.HDB)|*.HDB|");
    EXPECT_TRUE(dialogs.opened[0].mustExist);

    // A file that is not a database: stored at once, then refused.
    dialogs.openAnswers.push_back(dir.File("notes.txt"));
    model->SetHlpos_Click();
    EXPECT_EQ(dialogs.LastMessage(), "Turbo HAMLOGの場所指定が正しくありません");
    EXPECT_EQ(ReadIni("HAMLOG-FOL", "HAMLOG-FN"), dir.File("notes.txt"));
    EXPECT_EQ(model->Location.HamlogMstPath, "");

    // A database without its master file: stored, then cleared for this run.
    WriteBytes(dir.File("Log.HDB"), EmptyHdb(10, 2));
    dialogs.openAnswers.push_back(dir.File("Log.HDB"));
    model->SetHlpos_Click();
    EXPECT_EQ(dialogs.LastMessage(), kMstMissing);
    EXPECT_EQ(model->Location.HamlogDbPath, "");
    EXPECT_EQ(view["Label5"].text, dir.File("Log.HDB"));
    EXPECT_EQ(ReadIni("HAMLOG-FOL", "HAMLOG-FN"), dir.File("Log.HDB"));

    model->ChkData_Click();
    EXPECT_EQ(dialogs.LastMessage(), "Turbo HAMLOGの場所指定が正しくありません");
    EXPECT_FALSE(view.fieldLenShown);

    // With the master file beside it the widths are read.
    WriteBytes(dir.File("Log.mst"), HandMst({}));
    const std::size_t before = dialogs.messages.size();
    dialogs.openAnswers.push_back(dir.File("Log.HDB"));
    model->SetHlpos_Click();
    EXPECT_EQ(dialogs.messages.size(), before);
    EXPECT_EQ(model->Location.HdbFieldLen[0], 12);
}

TEST_F(MainFormModelTest, ExitWritesTheFiveMarks) {
    ASSERT_EQ(Load(), app::LoadOutcome::Shown);
    view.SetText("Text4", "K");
    view.SetText("Text5", "");
    view.SetText("Text24", "N");
    model->Form_KeyDown(90, 2);  // Ctrl+Z without Alt does nothing
    EXPECT_FALSE(view.endedNow);
    model->Form_Unload();
    EXPECT_TRUE(view.ended);
    EXPECT_EQ(ReadIni("QSLcfg", "Jmark"), "K");
    EXPECT_EQ(ReadIni("QSLcfg", "SentMark"), "");
    EXPECT_EQ(ReadIni("QSLcfg", "RcvMark"), "*");
    EXPECT_EQ(ReadIni("QSLcfg", "ADIFsentMark"), "Y");
    EXPECT_EQ(ReadIni("QSLcfg", "ADIFrcvMark"), "N");
}

TEST_F(MainFormModelTest, ConvertWithoutAnInputAndExportWithoutADatabaseSaySo) {
    ASSERT_EQ(Load(), app::LoadOutcome::Shown);
    dialogs.messages.clear();
    view["Check1"].checked = true;
    view["Check3"].checked = true;
    model->Command1_Click();  // mode 0, no DigiPan log remembered
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>{"DIGIPAN/ADIF の LOGファイルが指定されていません。"});
    EXPECT_EQ(model->QslIssueFlag, 1);
    EXPECT_EQ(model->QslSentFlag, 0);
    EXPECT_EQ(model->JstForJaFlag, 1);

    model->ConversionMode = 3;  // ADIF before the mapping window was closed: nothing at all
    model->Command1_Click();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.saved.empty());

    // The export mode without a database.
    dialogs.messages.clear();
    model->setHLData_Click();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Turbo HAMLOGのデータ場所指定が出来ておりません"});
    EXPECT_FALSE(view["MODCH"].enabled);
    EXPECT_TRUE(view["Frame2"].visible);
}

TEST_F(MainFormModelTest, EditorChoice) {
    ASSERT_EQ(Load(), app::LoadOutcome::Shown);
    model->edSet_Click();
    EXPECT_EQ(dialogs.opened.back().title, "お気に入りの Editor の場所を指定します");
    EXPECT_EQ(dialogs.opened.back().startFolder, dir.Path());
    EXPECT_EQ(dialogs.LastMessage(), "現在設定されている Editor はNOTEPAD.EXE です。");
    EXPECT_EQ(ReadIni("TextEditor", "Editor"), "<missing>");

    dialogs.openAnswers.push_back("/usr/bin/mousepad");
    const std::size_t before = dialogs.messages.size();
    model->edSet_Click();
    EXPECT_EQ(dialogs.messages.size(), before);
    EXPECT_EQ(model->EditorPath, "/usr/bin/mousepad");
    EXPECT_EQ(ReadIni("TextEditor", "Editor"), "/usr/bin/mousepad");

    model->ConvHelp_Click();
    EXPECT_EQ(dialogs.helpTopics, std::vector<int>{1});
}

// The code boxes, the kHz box and the typing rules are checked on the window.
TEST_F(MainFormModelTest, BoxesAndOptionsReachTheModel) {
    Make();
    model->Option2_Click(2);
    EXPECT_FALSE(view["Text7"].enabled || view["Text8"].enabled);
    EXPECT_TRUE(view["Text11"].enabled && view["Text12"].enabled);
    model->Option2_Click(1);
    EXPECT_TRUE(view["Text7"].enabled && view["Text8"].enabled);
    EXPECT_FALSE(view["Text11"].enabled || view["Text12"].enabled);

    view["Command1"].enabled = false;
    view["Combo1"].text = "CW";
    model->Combo1_Click();
    EXPECT_EQ(model->SelectedMode, "CW");
    EXPECT_TRUE(view["Command1"].enabled);

    view.SetText("Text6", "12");
    EXPECT_EQ(model->BackCut, 12);
    view.SetText("Text6", "");  // emptied: becomes "0" at once
    EXPECT_EQ(model->BackCut, 0);
    view.SetText("Text22", "R");
    EXPECT_EQ(model->Marks.rcvd, "R");

    model->ZlogChosen = true;  // (without it the focus goes to the issue mark, checked on the window)
    model->Form_Activate();
    EXPECT_EQ(view.focus, "Text9");
}

TEST_F(MainFormModelTest, UnavailableCommandsStayDisabled) {
    Make();
    model->SetUnavailable({"ZL2HL", "mkADIF"});
    ASSERT_EQ(model->Form_Load(), app::LoadOutcome::Shown);
    EXPECT_FALSE(view["ZL2HL"].enabled);
    EXPECT_TRUE(view["SetHlpos"].enabled);
}

// A valid database location whose library is `lib` (records in memory).
class DatabaseTest : public MainFormModelTest {
protected:
    hamlog::MemoryHamlogLibrary* lib = nullptr;
    void SetUp() override {
        WriteDatabase("Hamlog.HDB");
        WriteBytes(
            dir.File("Hamlog.mst"),
            HandMst(
                {{"0101", "a"}, {"0102", "b"}, {"0103", "c"}, {"0104", "d"}, {"0105", "e"}}));  // three read
        Make();
        auto l = std::make_unique<hamlog::MemoryHamlogLibrary>();
        lib = l.get();
        model->SetLibrary(std::move(l));
    }
    void AddRecord(const std::string& mode, bool deleted = false) {
        hamlog::MemoryHamlogRecord r;
        r.fields[hamlog::kFieldCall] = "JA1ABC";
        r.fields[hamlog::kFieldMode] = mode;
        r.deleted = deleted;
        lib->records.push_back(r);
    }
    // Chooses the ADIF file and closes the mapping window with the marks `map` sets.
    void MapAdif(const std::string& file, const std::function<void(adif::AdifMappingModel&)>& map) {
        dialogs.openAnswers.push_back(dir.File(file));
        model->setADIFData_Click();
        ASSERT_TRUE(view.mappingShown);
        adif::AdifMappingModel mapping(view.mappingShown->tagNames);
        map(mapping);
        model->AdifMappingClosed(mapping.Close(model->Ini()));
    }
};

TEST_F(DatabaseTest, AnOldLibraryIsReportedAtStartUp) {
    lib->version = 0x50250;  // 502.5 rounds to 502
    ASSERT_EQ(model->Form_Load(), app::LoadOutcome::Shown);
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>{"Turbo HAMLOGのバージョンが古いです、Ver5.03までは上げて下さい"});
    EXPECT_EQ(dialogs.titles, std::vector<std::string>{"KOVRA5"});
}

TEST_F(DatabaseTest, ExportModeCountsTheRecordsAndTheModeTableIsImported) {
    for (const char* m : {"CW", "SSB", "RTTY", "TTY", "FM"}) AddRecord(m);
    AddRecord("AM", true);  // deleted: not read
    ASSERT_EQ(model->Form_Load(), app::LoadOutcome::Shown);
    EXPECT_EQ(model->Master.MasterCount, 3);
    EXPECT_TRUE(dialogs.messages.empty());

    model->setHLData_Click();
    EXPECT_TRUE(view["Frame2"].visible && view["Frame2"].enabled);
    EXPECT_FALSE(view["Frame1"].visible);
    EXPECT_FALSE(view["Combo1"].visible);
    EXPECT_EQ(view["Text11"].text, "1");
    EXPECT_EQ(view["Text12"].text, "6");
    EXPECT_EQ(view["Label7"].text,
              "範囲指定完了後、メニューの 「File(F)」 から希望する出力形式を選択して下さい");
    EXPECT_TRUE(view["MODCH"].enabled);
    EXPECT_TRUE(view["mkADIF"].enabled);
    EXPECT_FALSE(lib->IsOpen());

    model->MODCH_Click();
    EXPECT_EQ(view["Combo1"].items, (std::vector<std::string>{"MIX", "CW", "SSB", "RTTY", "FM"}));
    EXPECT_EQ(ReadIni("ModeName", "HAMLOG-ModeCount"), "4");
    EXPECT_EQ(ReadIni("ModeName", "Mode3N"), "RTTY");
    EXPECT_EQ(ReadIni("ModeName", "Mode5N"), "");
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"モードの読み込み＆設定が完了しました。"});
    EXPECT_EQ(view["Label6"].text, "5/6");
    EXPECT_TRUE(view["TRELVOMenu"].enabled);
    EXPECT_FALSE(view["Command1"].enabled);

    model->Form_Unload();
    EXPECT_NE(lib->TakeLog().find("HamlogClose"), std::string::npos);
}

TEST_F(DatabaseTest, ThirteenModesStopTheImportAndAnUnopenableDatabaseChangesNothing) {
    for (int i = 1; i <= 14; ++i) AddRecord("M" + std::string(1, static_cast<char>('A' + i)));
    ASSERT_EQ(model->Form_Load(), app::LoadOutcome::Shown);
    model->MODCH_Click();
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"モード数が予想数を超えました(^^ゞ",
                                                          "モードの読み込み＆設定が完了しました。"}));
    EXPECT_EQ(view["Combo1"].items.size(), 13u);
    EXPECT_EQ(ReadIni("ModeName", "HAMLOG-ModeCount"), "12");

    lib->openResult = 1;
    dialogs.messages.clear();
    model->MODCH_Click();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Turbo HAMLOGデータがOpen出来ません。"});
    EXPECT_EQ(view["Combo1"].items.size(), 13u);
    EXPECT_TRUE(view["TRELVOMenu"].enabled);
}

TEST_F(DatabaseTest, AdifRunStopsWhenTheMeterQuestionIsRefused) {
    WriteBytes(dir.File("bands.adi"),
               "log\r\n<EOH>\r\n<CALL:6>JA1ABC <QSO_DATE:8>20240503 <BAND:3>40M <EOR>\r\n"
               "<CALL:4>W1AW <QSO_DATE:8>20240504 <BAND:3>20M <EOR>\r\n");
    ASSERT_EQ(model->Form_Load(), app::LoadOutcome::Shown);
    // The mapping window (checked with the real widgets) closes with BAND as the frequency.
    MapAdif("bands.adi", [this](adif::AdifMappingModel& mapping) {
        EXPECT_EQ(view.mappingShown->tagNames, (std::vector<std::string>{"CALL", "QSO_DATE", "BAND"}));
        mapping.Click(1, adif::kColCall);
        mapping.Click(2, adif::kColDate);
        mapping.Click(3, adif::kColFreq);
    });

    // No: the run stops before the first line.
    dialogs.saveAnswers.push_back(dir.File("out.csv"));
    dialogs.yesNoAnswers.push_back(false);
    model->Command1_Click();
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.LastMessage(), "ReadDat error");
    EXPECT_EQ(view["Command1"].backColor, std::nullopt);
    EXPECT_TRUE(view["Command1"].enabled);
    EXPECT_EQ(ReadBytes(dir.File("out.csv")), "");

    // Yes: option 3 is chosen from then on and the bands become MHz.
    dialogs.saveAnswers.push_back(dir.File("out.csv"));
    dialogs.yesNoAnswers.push_back(true);
    model->Command1_Click();
    EXPECT_TRUE(view["Option1(3)"].checked);
    EXPECT_NE(dialogs.LastMessage().find("2 件の変換が正常終了しました。"), std::string::npos);
    const std::string csv = ReadBytes(dir.File("out.csv"));
    EXPECT_NE(csv.find("\"7\""), std::string::npos) << csv;
    EXPECT_NE(csv.find("\"14\""), std::string::npos) << csv;
    dialogs.saveAnswers.push_back(dir.File("again.csv"));
    model->Command1_Click();  // asked once per file only
    EXPECT_EQ(dialogs.questions.size(), 2u);
    EXPECT_EQ(ReadBytes(dir.File("again.csv")), csv);
}

// Names are cut at character boundaries unless the settings ask for the old rule by hand.
TEST_F(DatabaseTest, AdifNamesKeepTheirLastCharacterUnlessLegacyCutIsSet) {
    WriteBytes(dir.File("names.adi"),
               "log\r\n<EOH>\r\n<CALL:6>JA1ABC <QSO_DATE:8>20240503 <NAME:4>\x8C\x92\x88\xEA <EOR>\r\n");
    ASSERT_EQ(model->Form_Load(), app::LoadOutcome::Shown);
    auto convert = [&](const std::string& out) {
        MapAdif("names.adi", [](adif::AdifMappingModel& mapping) { mapping.AutoMap(); });
        dialogs.saveAnswers.push_back(dir.File(out));
        model->Command1_Click();
    };
    convert("chars.csv");
    EXPECT_NE(ReadBytes(dir.File("chars.csv")).find("\"\x8C\x92\x88\xEA\""), std::string::npos);  // 健一

    settings::IniStore ini(Ini());
    ini.CurrentIniSection = settings::kUiSection;
    ini.WriteIniValue("LegacyCut", "1");
    convert("legacy.csv");
    EXPECT_NE(ReadBytes(dir.File("legacy.csv")).find("\"\x8C\x92\""), std::string::npos);  // 健
}

TEST(MainFormText, VersionAndPathParts) {
    EXPECT_EQ(app::VersionText(1, 5, 0), "Ver 1.05");
    EXPECT_EQ(app::VersionText(1, 5, 10), "Ver 1.05A");
    EXPECT_EQ(app::VersionText(2, 12, 0x1F), "Ver 2.121F");
    EXPECT_EQ(app::FolderOf("/a/b/c.LOG"), "/a/b");
    EXPECT_EQ(app::FolderOf("C:\\LOG\\Digipan.LOG"), "C:\\LOG");
    EXPECT_EQ(app::FolderOf("Digipan.LOG"), "");
    EXPECT_EQ(app::FileNameOf("/a/b/c.zlo"), "c.zlo");
}

// Every name the model addresses while it goes through each menu command, drop and option must
// be a control of the layout (both views build their widgets from it, so a name missing here is
// a control missing in both windows).
TEST_F(MainFormModelTest, EveryNameTheModelAddressesIsAControlOfTheLayout) {
    const std::string examples = std::string(TRELVO5_EXAMPLES_DIR) + "/";
    for (const char* f : {"hamlog/Hamlog.HDB", "hamlog/Hamlog.mst", "digipan/Digipan.LOG", "adif/sample.adi",
                          "zlog/TRELVO-TEST.ZLO", "jap1/JAP1LOG.TXT"})
        std::filesystem::copy_file(examples + f, dir.File(std::filesystem::path(f).filename().string()));
    WriteIni(HamlogIni(dir.File("Hamlog.HDB")));
    app::MainFormModel& m = Make();
    m.SetServiceInterval(std::chrono::milliseconds(0));
    ASSERT_EQ(m.Form_Load(), app::LoadOutcome::Shown);

    // Each command, with its file chosen, then every option and button the window has.
    const std::map<std::string, std::string> files = {{"setDGPData", "Digipan.LOG"},
                                                      {"setADIFData", "sample.adi"},
                                                      {"ZL2HL", "TRELVO-TEST.ZLO"},
                                                      {"JAP1CSV", "JAP1LOG.TXT"}};
    for (const char* name :
         {"setDGPData", "mkCSV",       "Command1", "setADIFData", "viewCSV",  "ZL2HL",      "Check5",
          "Check7",     "Command4",    "Command2", "setHLData",   "mkADIF",   "Option2(1)", "Option2(2)",
          "Check9",     "Check10",     "Check11",  "CheckStd",    "mkHL2CSV", "mkHL2CSV5",  "xxxCC",
          "Command1",   "viewNewADIF", "JAP1CSV",  "viewCSVJ",    "ChkData",  "edSet",      "ConvHelp"}) {
        if (files.contains(name)) dialogs.openAnswers.push_back(dir.File(files.at(name)));
        EXPECT_TRUE(app::ClickControl(m, name)) << name;
        dialogs.openAnswers.clear();
    }
    m.Label21_MouseDown();
    m.Label21_MouseUp();
    m.Combo1_Click();
    for (const char* f : {"Digipan.LOG", "sample.adi", "JAP1LOG.TXT", "Hamlog.HDB", "other.xyz"})
        m.FileDropped(dir.File(f));
    m.Form_Activate();
    m.Form_Unload();

    const std::vector<std::string> all = app::AllControlNames();
    const std::set<std::string> layout(all.begin(), all.end());
    EXPECT_EQ(layout.size(), all.size()) << "a name is given twice";
    EXPECT_GT(view.addressed.size(), 60u);
    for (const std::string& n : view.addressed)
        EXPECT_TRUE(layout.contains(n)) << n << " is not in the layout";
}

TEST(MainFormLayout, FramesHoldTheirControlsAndTheWindowFitsWhatItShows) {
    std::set<std::string> seenFrames;
    for (const app::ControlLayout& c : app::MainFormControls()) {
        if (*c.frame) {
            ASSERT_TRUE(seenFrames.contains(c.frame))
                << c.name << ": its frame " << c.frame << " comes later";
            const app::Place f = app::FindControl(c.frame)->place;
            EXPECT_LE(c.place.x + c.place.width, f.width) << c.name << " sticks out of " << c.frame;
            if (c.kind != app::ControlKind::ListBox) {
                EXPECT_LE(c.place.y + c.place.height, f.height) << c.name << " sticks out of " << c.frame;
            }
        }
        if (c.kind == app::ControlKind::Frame) seenFrames.insert(c.name);
        if (*c.follows) {
            EXPECT_NE(app::FindControl(c.follows), nullptr) << c.follows;
        }
        // Option buttons of one group sit in one frame, so each view makes them exclusive.
        if (c.kind == app::ControlKind::OptionButton) {
            const std::string group = std::string(c.name).substr(0, std::string(c.name).find('('));
            EXPECT_STREQ(app::FindControl(group + "(0)")->frame, c.frame) << c.name;
        }
    }
    app::Place small, large;
    app::StackFrames([](const std::string& f) { return f == "Frame1"; }, &small);
    const auto places =
        app::StackFrames([](const std::string& f) { return f == "Frame3" || f == "Frame7"; }, &large);
    ASSERT_EQ(places.size(), 3u);
    EXPECT_EQ(places[1].place.y, places[0].place.y + places[0].place.height + app::kStackGap);
    EXPECT_GT(large.height, small.height);
    EXPECT_EQ(small.height, app::kWindowMargin * 2 + app::FindControl("Frame1")->place.height +
                                app::kStackGap + app::StatusArea().height);
}

}  // namespace
