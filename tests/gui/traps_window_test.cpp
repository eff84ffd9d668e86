// Paths of the window that once ended in a success message over lost data: an ADIF log without
// a database, the kHz choice over MHz frequencies, a dropped text file, zLog without a
// database, Esc in every mode, and the open dialogs.
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "app/ui_dialogs.h"
#include "hamlog/hamlog_messages.h"
#include "window_fixture.h"

using namespace trelvo;
using namespace trelvo::testing;

namespace {

class TrapsTest : public WindowTest {
protected:
    // How many messages hold `text`.
    int MessagesWith(const std::string& text) const {
        return static_cast<int>(
            std::count_if(dialogs.messages.begin(), dialogs.messages.end(),
                          [&](const std::string& m) { return m.find(text) != std::string::npos; }));
    }
    // The ADIF file mapped with CALL, date, time, reports, frequency, mode, name, QTH and comment.
    void ChooseAndMapAdif(const std::string& path) {
        static const std::vector<std::pair<const char*, int>> map = {
            {"CALL", 1}, {"QSO_DATE", 3}, {"TIME_ON", 4}, {"RST_SENT", 5}, {"RST_RCVD", 6},
            {"FREQ", 7}, {"MODE", 8},     {"NAME", 11},   {"QTH", 12},     {"COMMENT", 16}};
        MapAdif(path, map);
    }
    // The example's first contact line, with its frequency replaced by each of `khz`.
    std::string DigipanLog(const std::vector<std::string>& khz) const {
        const std::string example = ReadBytes(Example("digipan/Digipan.LOG"));
        const std::string first = example.substr(0, example.find('\n') + 1);
        std::string log;
        for (const std::string& f : khz) {
            std::string line = first;
            line.replace(line.find("14070.150"), 9, f);
            log += line;
        }
        return log;
    }
};

TEST_F(TrapsTest, AnAdifLogWithoutADatabaseKeepsItsFieldsAndAWrongFrequencyChoiceIsWarned) {
    const std::string input = CopyExample("adif/sample.adi", "sample.adi");
    Start();  // no database: no widths known
    ChooseAndMapAdif(input);
    // ADIF gives MHz: the set-up chooses "変換しない", whatever the DigiPan mode left.
    EXPECT_TRUE(W<QRadioButton>("Option1(2)")->isChecked());
    dialogs.messages.clear();
    dialogs.saveAnswers.push_back(dir.File("window.csv"));
    Convert();
    EXPECT_EQ(MessagesWith(Text(app::kDefaultWidthsWarning, Lang::kJapanese)), 1) << dialogs.LastMessage();
    EXPECT_EQ(MessagesWith("アマチュアバンドの外"), 0);
    // The same bytes as the command line, which uses Turbo HAMLOG's default widths then.
    ASSERT_EQ(
        RunCli({"--ini", "TRELVO5.INI", "import", "adif", "sample.adi", "-o", "cli.csv", "--freq", "as-is",
                "--map",
                "CALL=CALL,QSO_DATE=Date,TIME_ON=Time,RST_SENT=HisRST,RST_RCVD=MyRST,FREQ=Freq,MODE=Mode,"
                "NAME=Name,QTH=QTH,COMMENT=Remarks1"}),
        0);
    const std::string window = ReadBytes(dir.File("window.csv"));
    EXPECT_EQ(window, ReadBytes(dir.File("cli.csv")));
    EXPECT_NE(window.find("\"7.041\""), std::string::npos);
    EXPECT_EQ(window.find("\"\",\"\",\"\",\"\",\"\",\"\""), std::string::npos) << "fields emptied";

    // A kHz choice over these MHz values gives frequencies outside every band: said with the
    // count and the first record.
    W<QRadioButton>("Option1(0)")->setChecked(true);
    dialogs.messages.clear();
    dialogs.saveAnswers.push_back(dir.File("khz.csv"));
    Convert();
    ASSERT_EQ(MessagesWith("アマチュアバンドの外の周波数が 6 件"), 1) << dialogs.LastMessage();
    EXPECT_EQ(MessagesWith("1 行目"), 1);
}

TEST_F(TrapsTest, TheWholeMhzChoiceOverDigipanKhzIsNotTakenForAWrongOne) {
    // 80 m and 160 m contacts: "14070 -> 14" writes 3 and 1, whole MHz of frequencies in a band.
    WriteBytes(dir.File("Band.LOG"), DigipanLog({"3573.000", "1840.000", "24915.000"}));
    Start();
    dialogs.openAnswers.push_back(dir.File("Band.LOG"));
    Item("setDGPData")->trigger();
    for (const char* choice : {"Option1(1)", "Option1(0)"}) {
        SCOPED_TRACE(choice);
        Item("mkCSV")->trigger();
        W<QRadioButton>(choice)->setChecked(true);
        dialogs.messages.clear();
        Convert();
        ASSERT_EQ(MessagesWith("正常終了"), 1);
        EXPECT_EQ(MessagesWith("アマチュアバンドの外"), 0) << dialogs.LastMessage();
        EXPECT_EQ(LineCount(dir.File("GeneData/TRELVO.CSV")), 3);
    }
}

TEST_F(TrapsTest, ZlogWithoutADatabaseSaysWhatIsMissingConvertsAndRemembersThePanel) {
    const std::string zlo = CopyExample("zlog/TRELVO-TEST.ZLO", "TRELVO-TEST.ZLO");
    Start();
    dialogs.messages.clear();
    dialogs.openAnswers.push_back(zlo);
    Item("ZL2HL")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].rfind(hamlog::kMsgLocationNotSet, 0), 0u) << dialogs.messages[0];
    EXPECT_EQ(form->Model().ConversionMode, 7);
    EXPECT_TRUE(W<QGroupBox>("Frame3")->isVisible());

    Click("Check8");
    Box("Text9")->setText("j");  // written as HAMLOG's capital mark
    Click("Option4(0)");
    Click("Check5");
    Box("Text2")->setText("%移動%");
    dialogs.saveAnswers.push_back(dir.File("window.csv"));
    Convert();
    ASSERT_EQ(
        RunCli({"--ini", "TRELVO5.INI", "import", "zlog", "TRELVO-TEST.ZLO", "-o", "cli.csv", "--qsl-issue=J",
                "--memo-to", "remarks1", "--extra", "%移動%", "--extra-to", "remarks1"}),
        0);
    const std::string window = ReadBytes(dir.File("window.csv"));
    EXPECT_EQ(window, ReadBytes(dir.File("cli.csv")));
    EXPECT_NE(window.find("\"J  \""), std::string::npos);
    EXPECT_NE(window.find("\"7\""), std::string::npos) << "a band emptied for want of a width";

    // The next start opens the panel as this run left it.
    Item("Pend")->trigger();
    form.reset();
    Start();
    dialogs.openAnswers.push_back(zlo);
    Item("ZL2HL")->trigger();
    EXPECT_TRUE(W<QCheckBox>("Check8")->isChecked());
    EXPECT_EQ(Box("Text9")->text().toStdString(), "j");
    EXPECT_TRUE(W<QRadioButton>("Option4(0)")->isChecked());
    EXPECT_TRUE(W<QCheckBox>("Check5")->isChecked());
    EXPECT_EQ(Box("Text2")->text().toStdString(), "%移動%");
    EXPECT_TRUE(Box("Text2")->isEnabled());
}

TEST_F(TrapsTest, EscInEveryModeNeverReplacesTheOutputAndNamesThePartialFile) {
    CopyExampleDatabase();
    const std::string zlo = CopyExample("zlog/TRELVO-TEST.ZLO", "TRELVO-TEST.ZLO");
    const std::string adi = CopyExample("adif/sample.adi", "sample.adi");
    WriteBytes(dir.File("Big.LOG"), DigipanLog(std::vector<std::string>(50, "14070.150")));
    const std::string old = "an earlier result\r\n";
    Start();
    // The partial file is the output's name with "(中止)" before its extension.
    struct Mode {
        const char* name;
        std::string file;                // chosen in the open dialog
        std::vector<const char*> items;  // the commands that enter the mode (ADIF: the mapping)
        std::string output;              // in the scratch folder
        int escAfter;                    // services of the window before Esc: after a record or two
        int records;                     // in the input
    };
    const std::vector<Mode> modes = {
        {"export", "", {"setHLData", "mkHL2CSV"}, "export.csv", 5, 20},
        {"zlog", zlo, {"ZL2HL"}, "ZLOG2HL_out", 5, 10},
        {"adif", adi, {}, "adif.csv", 12, 6},
        // Pass 1 looks once per line, pass 2 twice per contact; the output has a fixed name.
        {"digipan", dir.File("Big.LOG"), {"setDGPData", "mkCSV"}, "GeneData/TRELVO.CSV", 50 + 40, 50},
    };
    for (const Mode& m : modes) {
        SCOPED_TRACE(m.name);
        if (m.items.empty()) ChooseAndMapAdif(m.file);
        if (!m.items.empty() && !m.file.empty()) dialogs.openAnswers.push_back(m.file);
        for (const char* item : m.items) Item(item)->trigger();
        const std::filesystem::path out(dir.File(m.output));
        const std::string output = out.string();
        const std::string keptPath =
            (out.parent_path() / out.stem()).string() + "(中止)" + out.extension().string();
        WriteBytes(output, old);
        dialogs.messages.clear();
        dialogs.saveAnswers = {output};
        PressEscAfter(m.escAfter);
        Convert();
        EXPECT_EQ(ReadBytes(output), old);
        ASSERT_TRUE(std::filesystem::exists(keptPath));
        const int kept = LineCount(keptPath);
        EXPECT_GT(kept, 0);
        EXPECT_LT(kept, m.records);
        EXPECT_EQ(Label("Label6"), app::CancelledCounterText(kept));
        EXPECT_EQ(dialogs.messages, std::vector<std::string>{app::CancelledKeptMessage(kept, keptPath)});
        EXPECT_TRUE(dialogs.editorStarts.empty());
        EXPECT_EQ(form->Model().CancelRequested, 0);
        EXPECT_TRUE(MenuOn());
    }
    EXPECT_TRUE(On("Command1"));  // DigiPan's Convert stays ready for another run
    EXPECT_TRUE(W<QGroupBox>("Frame1")->isEnabled());
}

// Esc with the first look the run takes at the window: nothing written, nothing said, and the
// counter says so for three seconds.
TEST_F(TrapsTest, EscBeforeTheFirstRecordWritesNothingAndSaysNothing) {
    CopyExampleDatabase();
    const std::string jap1 = CopyExample("jap1/JAP1LOG.TXT", "JAP1LOG.TXT");
    Start();
    const struct {
        const char* name;
        std::string file;                // chosen in the open dialog
        std::vector<const char*> items;  // the commands before the run
        const char* start;               // the command that starts it; Convert when null
        std::string output;
        bool convertOn;  // after the run
    } modes[] = {
        {"export", "", {"setHLData", "mkHL2CSV5"}, nullptr, dir.File("esc.csv"), false},
        {"jap1", jap1, {}, "JAP1CSV", dir.File("JAP2HL.CSV"), true},
    };
    for (const auto& m : modes) {
        SCOPED_TRACE(m.name);
        dialogs.messages.clear();
        for (const char* item : m.items) Item(item)->trigger();
        if (!m.file.empty()) dialogs.openAnswers.push_back(m.file);
        dialogs.saveAnswers = {m.output};
        QTimer::singleShot(0, form.get(), [this] { QTest::keyClick(form.get(), Qt::Key_Escape); });
        if (m.start)
            Item(m.start)->trigger();
        else
            Convert();
        EXPECT_TRUE(dialogs.messages.empty()) << dialogs.LastMessage();
        EXPECT_EQ(form->Model().CancelRequested, 0);
        EXPECT_EQ(Label("Label6"), app::CancelledCounterText(0));
        EXPECT_TRUE(QTest::qWaitFor([this] { return W<QLabel>("Label6")->text() == "件数ｶｳﾝﾀ"; }, 5000));
        EXPECT_EQ(On("Command1"), m.convertOn);
        EXPECT_TRUE(MenuOn());
        EXPECT_LT(ReadBytes(m.output).size(), 100u);
    }
}

TEST_F(TrapsTest, OpenDialogsTakeOnlyExistingFilesAndTheAdifOneListsAdif) {
    CopyExampleDatabase();
    Start();
    for (const char* item : {"setDGPData", "setADIFData", "JAP1CSV", "ZL2HL", "SetHlpos"})
        Item(item)->trigger();
    ASSERT_EQ(dialogs.opened.size(), 5u);
    for (const app::FileDialogRequest& r : dialogs.opened) EXPECT_TRUE(r.mustExist) << r.title;
    const std::vector<std::string> filters = app::DialogNameFilters(dialogs.opened[1].filter);
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_NE(filters[0].find("*.adif"), std::string::npos) << filters[0];
    EXPECT_NE(filters[0].find("*.adi "), std::string::npos) << filters[0];
}

}  // namespace
