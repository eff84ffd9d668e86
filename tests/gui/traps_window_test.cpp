// Paths of the window that once ended in a success message over lost data: an ADIF log without
// a database, the kHz choice over MHz frequencies, a dropped text file, zLog without a
// database, Esc in every mode, and the open dialogs.
#include <QAction>
#include <QCheckBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "app/ui_dialogs.h"
#include "hamlog/hamlog_messages.h"
#include "gui/qt/adif2hl_form_qt.h"
#include "window_fixture.h"

using namespace trelvo;
using namespace trelvo::testing;

namespace {

class TrapsTest : public WindowTest {
protected:
    void Click(const std::string& name) { W<QAbstractButton>(name)->click(); }
    void Convert() { W<QPushButton>("Command1")->click(); }
    std::string Label6() const { return W<QLabel>("Label6")->text().toStdString(); }
    // How many messages hold `text`.
    int MessagesWith(const std::string& text) const {
        return static_cast<int>(
            std::count_if(dialogs.messages.begin(), dialogs.messages.end(),
                          [&](const std::string& m) { return m.find(text) != std::string::npos; }));
    }
    // The ADIF file chosen and the mapping window closed with CALL, date, time, reports,
    // frequency, mode, name, QTH and comment mapped.
    void ChooseAndMapAdif(const std::string& path) {
        dialogs.openAnswers.push_back(path);
        Item("setADIFData")->trigger();
        auto* mapping = qobject_cast<adif::ADIF2HL_Form*>(form->AdifMappingWindow());
        ASSERT_NE(mapping, nullptr);
        QTableWidget* grid = mapping->Grid();
        const std::pair<const char*, int> map[] = {
            {"CALL", 1}, {"QSO_DATE", 3}, {"TIME_ON", 4}, {"RST_SENT", 5}, {"RST_RCVD", 6},
            {"FREQ", 7}, {"MODE", 8},     {"NAME", 11},   {"QTH", 12},     {"COMMENT", 16}};
        for (const auto& [tag, column] : map)
            for (int r = 0; r < grid->rowCount(); ++r)
                if (grid->item(r, 0)->text().toStdString() == tag) {
                    const QRect rect = grid->visualRect(grid->model()->index(r, column));
                    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
                }
        mapping->findChild<QAction*>("SHEETcls")->trigger();
        QApplication::processEvents();
    }
    void Drop(const std::string& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &drop);
        QApplication::processEvents();
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
    EXPECT_EQ(MessagesWith(app::kDefaultWidthsWarning), 1) << dialogs.LastMessage();
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
    const std::string example = ReadBytes(Example("digipan/Digipan.LOG"));
    const std::string first = example.substr(0, example.find('\n') + 1);
    std::string log;
    for (const char* khz : {"3573.000", "1840.000", "24915.000"}) {
        std::string line = first;
        line.replace(line.find("14070.150"), 9, khz);
        log += line;
    }
    WriteBytes(dir.File("Band.LOG"), log);
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

TEST_F(TrapsTest, ADroppedTextFileWaitsForConvertAndFindingNoRecordKeepsTheOutput) {
    WriteBytes(dir.File("shopping.txt"), "milk\r\neggs\r\n");
    WriteBytes(dir.File("JAP2HL.CSV"), "six records of an earlier run\r\n");
    Start();
    dialogs.messages.clear();
    Drop(dir.File("shopping.txt"));
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.LastMessage();
    EXPECT_EQ(form->Model().ConversionMode, 9);
    EXPECT_EQ(W<QLabel>("Label5")->text().toStdString(), dir.File("shopping.txt"));
    EXPECT_TRUE(W<QPushButton>("Command1")->isEnabled());

    Convert();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0],
              app::NothingFoundMessage(dir.File("shopping.txt"), dir.File("JAP2HL.CSV"), true));
    EXPECT_EQ(MessagesWith("正常終了"), 0);
    EXPECT_EQ(ReadBytes(dir.File("JAP2HL.CSV")), "six records of an earlier run\r\n");
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
    const std::string old = "an earlier result\r\n";
    Start();
    struct Mode {
        const char* name;
        std::function<void()> enter;
        std::string output, kept;
        int escAfter;  // services of the window before Esc: after a record or two
    };
    const std::vector<Mode> modes = {
        {"export",
         [&] {
             Item("setHLData")->trigger();
             Item("mkHL2CSV")->trigger();
         },
         dir.File("export.csv"), dir.File("export(中止).csv"), 5},
        {"zlog",
         [&] {
             dialogs.openAnswers.push_back(zlo);
             Item("ZL2HL")->trigger();
         },
         dir.File("ZLOG2HL_out"), dir.File("ZLOG2HL_out(中止)"), 5},
        {"adif", [&] { ChooseAndMapAdif(adi); }, dir.File("adif.csv"), dir.File("adif(中止).csv"), 12},
    };
    for (const Mode& m : modes) {
        SCOPED_TRACE(m.name);
        m.enter();
        WriteBytes(m.output, old);
        dialogs.messages.clear();
        dialogs.saveAnswers.push_back(m.output);
        PressEscAfter(m.escAfter);
        Convert();
        EXPECT_EQ(ReadBytes(m.output), old);
        ASSERT_TRUE(std::filesystem::exists(m.kept));
        const int kept = LineCount(m.kept);
        EXPECT_GT(kept, 0);
        EXPECT_LT(kept, m.name == std::string("export") ? 20 : m.name == std::string("zlog") ? 10 : 6);
        EXPECT_EQ(Label6(), app::CancelledCounterText(kept));
        EXPECT_EQ(MessagesWith(app::CancelledKeptMessage(kept, m.kept)), 1) << dialogs.LastMessage();
        EXPECT_EQ(MessagesWith("正常終了"), 0);
        EXPECT_EQ(MessagesWith("を保存しました"), 0);
        EXPECT_TRUE(dialogs.editorStarts.empty());
        EXPECT_EQ(form->Model().CancelRequested, 0);
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
