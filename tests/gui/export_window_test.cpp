#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "window_fixture.h"

using namespace trelvo;
using namespace trelvo::testing;

namespace {

class ExportWindowTest : public WindowTest {
protected:
    // The example database, set in the settings, and the window in its export mode.
    void StartInExportMode() {
        CopyExampleDatabase();
        Start();
        dialogs.messages.clear();
        Item("setHLData")->trigger();
    }
    std::string Caption(const std::string& frame) const { return W<QGroupBox>(frame)->title().toStdString(); }
    bool Shown(const std::string& name) const {
        return form->Model().ConversionMode >= 0 && W<QWidget>(name)->isVisible();
    }
    void Range(int option, const char* from, const char* to) {
        W<QRadioButton>("Option2(" + std::to_string(option) + ")")->click();
        Box(option == 1 ? "Text7" : "Text11")->setText(from);
        Box(option == 1 ? "Text8" : "Text12")->setText(to);
    }
    // The file without the line that holds the time of writing.
    static std::string WithoutTimestamp(std::string s) {
        const std::size_t at = s.find("<CREATED_TIMESTAMP:");
        if (at != std::string::npos) s.erase(at, s.find('\n', at) - at);
        return s;
    }
};

TEST_F(ExportWindowTest, EachKindShowsItsOptions) {
    StartInExportMode();
    EXPECT_TRUE(Item("mkADIF")->isEnabled());
    EXPECT_FALSE(On("Command1"));

    struct Kind {
        const char* item;
        int mode;
        const char* caption;
        bool adifOptions, modeList;
        const char* label7;  // nullptr: hidden
    } kinds[] = {
        {"mkADIF", 2, "Turbo HAMLOGデータ → ADIF 変換設定", true, false, "時間は全てUTCに変換されます"},
        {"mkHL2CSV", 4, "Turbo HAMLOGデータ → CSV 変換設定", false, false, nullptr},
        {"mkHL2CSV5", 6, "Turbo HAMLOGデータ → CSV 変換設定", false, false, nullptr},
        {"xxxCC", 5, "Turbo HAMLOGデータ→テキスト(HL旧ﾊﾞｯｸｱｯﾌﾟﾌｧｲﾙ形式)変換設定", false, true, "モード選択"},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.item);
        W<QCheckBox>("Check9")->setChecked(true);
        form->Model().ExportKhz = 1;
        Item(k.item)->trigger();
        EXPECT_EQ(form->Model().ConversionMode, k.mode);
        EXPECT_EQ(Caption("Frame2"), k.caption);
        EXPECT_TRUE(W<QGroupBox>("Frame2")->isVisible());
        EXPECT_FALSE(W<QGroupBox>("Frame1")->isVisible());
        for (const char* c : {"Check9", "Check10", "Check11", "CheckStd"})
            EXPECT_EQ(Shown(c), k.adifOptions) << c;
        EXPECT_EQ(form->Model().ExportKhz, k.adifOptions ? 1 : 0);
        EXPECT_EQ(Shown("Combo1"), k.modeList);
        EXPECT_EQ(Shown("Label7"), k.label7 != nullptr);
        if (k.label7) {
            EXPECT_EQ(Label("Label7"), k.label7);
        }
        EXPECT_TRUE(On("Command1"));
        EXPECT_EQ(Label("Label6"), "件数ｶｳﾝﾀ");
    }

    // The two code boxes exclude each other; ADIF clears them; standard ADIF has no kHz.
    Item("mkADIF")->trigger();
    W<QCheckBox>("Check10")->click();
    W<QCheckBox>("Check11")->click();
    EXPECT_FALSE(W<QCheckBox>("Check10")->isChecked());
    EXPECT_EQ(form->Model().ExportTownCodeOff, 1);
    EXPECT_EQ(form->Model().ExportCodeOff, 0);
    Item("mkADIF")->trigger();
    EXPECT_FALSE(W<QCheckBox>("Check11")->isChecked());
    EXPECT_EQ(form->Model().ExportTownCodeOff, 0);
    W<QCheckBox>("CheckStd")->click();
    EXPECT_FALSE(W<QCheckBox>("Check9")->isChecked());
    EXPECT_FALSE(W<QCheckBox>("Check9")->isEnabled());
    EXPECT_EQ(form->Model().ExportStandard, 1);
}

TEST_F(ExportWindowTest, ACancelledSaveSaysNothingAndTheDateCheckStopsConvertWithItsMessage) {
    StartInExportMode();
    Item("xxxCC")->trigger();
    Convert();  // the save dialog is cancelled: the run ends without a word
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.LastMessage();
    EXPECT_FALSE(On("Command1"));

    dialogs.saved.clear();
    Item("mkHL2CSV")->trigger();
    const struct {
        const char *from, *to, *message;
    } cases[] = {
        {"2024010", "20241231", "日付の桁数不正、８桁必要です"},
        {"20240230", "20241231", "開始日付の指定が不正です（あり得ない日にち）"},
        {"20240101", "20241301", "終了日付の指定が不正です（あり得ない日にち）"},
    };
    for (const auto& c : cases) {
        Range(1, c.from, c.to);
        Convert();
        EXPECT_EQ(dialogs.LastMessage(), c.message);
        // Nothing was asked or written; Convert, the menu and the panel are usable again.
        EXPECT_TRUE(dialogs.saved.empty());
        EXPECT_TRUE(On("Command1"));
        EXPECT_TRUE(W<QGroupBox>("Frame2")->isEnabled());
        EXPECT_TRUE(MenuOn());
    }
}

TEST_F(ExportWindowTest, EveryKindWritesWhatTheCommandLineWrites) {
    StartInExportMode();
    const std::string db = dir.File("Hamlog.HDB");
    const struct {
        const char* item;
        const char* kind;
        int option;
        const char *from, *to;
        int count;
        const char* title;
        const char* proposed;
    } cases[] = {
        {"mkADIF", "adif", 2, "15", "2", 14, "ADIF LOGﾃﾞｰﾀ保存(ADIF形式)", "ADIFLOG_"},
        {"mkHL2CSV", "csv", 1, "20240901", "20240301", 10, "CSV LOGﾃﾞｰﾀ保存(CSV形式)", "HL5CSVLOG_"},
        {"mkHL2CSV5", "csv5", 0, "", "", 20, "CSV LOGﾃﾞｰﾀ保存(CSV形式)", "HL5CSVLOG_"},
        {"xxxCC", "backup", 2, "", "3", 3, "旧ﾊﾞｯｸｱｯﾌﾟﾌｧｲﾙ形式TXT LOGﾃﾞｰﾀ保存(TXT形式)", "HL5BAK0001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        Item("setHLData")->trigger();
        Item(c.item)->trigger();
        QStringList range;
        if (c.option == 0)
            W<QRadioButton>("Option2(0)")->click();
        else
            Range(c.option, c.from, c.to);
        if (c.option == 1) range = {"--from-date", c.from, "--to-date", c.to};
        if (c.option == 2) range = {"--from-record", c.from, "--to-record", c.to};
        const std::string out = dir.File(std::string("window.") + c.kind);
        dialogs.saveAnswers.push_back(out);
        Convert();
        ASSERT_FALSE(dialogs.saved.empty());
        EXPECT_EQ(dialogs.saved.back().title, c.title);
        EXPECT_EQ(dialogs.saved.back().proposedName.rfind(c.proposed, 0), 0u);
        EXPECT_EQ(dialogs.LastMessage(),
                  std::to_string(c.count) + "件の変換が終了しました。\r\n保存ファイルは " + out);
        EXPECT_FALSE(On("Command1"));
        EXPECT_TRUE(Item("viewNewADIF")->isEnabled());
        if (c.option == 2 && *c.from == '\0') {
            EXPECT_EQ(Box("Text11")->text().toStdString(), "1");
        }
        EXPECT_EQ(ReadIni("ADIF-LOG", "ADIF-LOGFOL"), dir.Path());

        QString said;
        ASSERT_EQ(
            RunCli(QStringList{"export", c.kind, QString::fromStdString(db), "-o", "cli.out"} + range, &said),
            0)
            << said.toStdString();
        EXPECT_EQ(ReadBytes(out), ReadBytes(dir.File("cli.out")));
        EXPECT_EQ(LineCount(out), c.count + (c.option == 2 && std::string(c.kind) == "adif" ? 1 : 0));
    }
    EXPECT_EQ(Label("Label6"), "3/3");
    Item("viewNewADIF")->trigger();
    ASSERT_EQ(dialogs.editorStarts.size(), 1u);
    EXPECT_EQ(dialogs.editorStarts[0].second, dir.File("window.backup"));

    // Standard ADIF from the window: the same as --standard but for the time it was written.
    Item("setHLData")->trigger();
    Item("mkADIF")->trigger();
    W<QCheckBox>("CheckStd")->click();
    dialogs.saveAnswers.push_back(dir.File("standard.adi"));
    Convert();
    ASSERT_EQ(RunCli({"export", "adif", QString::fromStdString(db), "-o", "cli.adi", "--standard"}), 0);
    EXPECT_EQ(WithoutTimestamp(ReadBytes(dir.File("standard.adi"))),
              WithoutTimestamp(ReadBytes(dir.File("cli.adi"))));
    EXPECT_NE(ReadBytes(dir.File("standard.adi")).find("<ADIF_VER:5>3.1.4"), std::string::npos);
}

// The states of the controls are checked with a database in memory; here the modes come from
// the file, and the next start lists them.
TEST_F(ExportWindowTest, TheModeTableIsImportedFromTheDatabaseFile) {
    StartInExportMode();
    Item("MODCH")->trigger();
    EXPECT_EQ(dialogs.LastMessage(), "モードの読み込み＆設定が完了しました。");
    const auto modes = [this] {
        QStringList items;
        for (int i = 0; i < W<QComboBox>("Combo1")->count(); ++i)
            items << W<QComboBox>("Combo1")->itemText(i);
        return items;
    };
    const QStringList all = {"MIX", "CW", "SSB", "FM", "FT8", "RTTY", "AM"};
    EXPECT_EQ(modes(), all);
    EXPECT_EQ(Label("Label6"), "20/20");
    form.reset();
    Start();
    EXPECT_EQ(modes(), all);
}

}  // namespace
