#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTimer>

#include "gui/qt/adif2hl_form_qt.h"
#include "importers/adif/adif_reader.h"
#include "window_fixture.h"

#include <map>

using namespace trelvo;
using namespace trelvo::testing;

namespace {

class AdifWindowTest : public WindowTest {
protected:
    adif::ADIF2HL_Form* Mapping() const {
        return qobject_cast<adif::ADIF2HL_Form*>(form->AdifMappingWindow());
    }
    QTableWidget* Grid() const { return Mapping()->Grid(); }
    // The grid row (1..N) of a tag name.
    int RowOf(const std::string& tag) const {
        for (int r = 0; r < Grid()->rowCount(); ++r)
            if (Grid()->item(r, 0)->text().toStdString() == tag) return r + 1;
        ADD_FAILURE() << tag;
        return 0;
    }
    void ClickCell(int row, int column) const {
        const QRect rect = Grid()->visualRect(Grid()->model()->index(row - 1, column));
        QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    bool Marked(int row, int column) const { return Grid()->item(row - 1, column)->text() == "●"; }
    void ChooseFile(const std::string& path) {
        dialogs.openAnswers.push_back(path);
        Item("setADIFData")->trigger();
    }
    void CloseMapping() {
        QAction* close = Mapping()->findChild<QAction*>("SHEETcls");
        ASSERT_NE(close, nullptr);
        close->trigger();
        QApplication::processEvents();  // the closed window deletes itself
    }
};

TEST_F(AdifWindowTest, ChooseMapConvertLikeTheCommandLineDoes) {
    WriteEmptyDatabase();  // the usual Turbo HAMLOG 5 widths, so ADIF values are cut as there
    const std::string input = CopyExample("adif/sample.adi", "sample.adi");
    Start();
    dialogs.messages.clear();

    ChooseFile(input);
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0].title, "ADIF形式 LOGﾃﾞｰﾀの指定");
    EXPECT_EQ(dialogs.opened[0].filter, "ADIF形式 LOGﾃﾞｰﾀ (*.LOG;*.ADI;*.ADIF)|*.LOG;*.ADI;*.ADIF");
    EXPECT_EQ(ReadIni("ADIF-FOL", "ADIF-FileName"), input);
    EXPECT_EQ(W<QGroupBox>("Frame1")->title().toStdString(), "変換ルール( ADIF形式LOG -> HL CSV )");
    EXPECT_EQ(W<QLabel>("Label6")->text().toStdString(), "6 / 17");
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.LastMessage();
    EXPECT_FALSE(W<QPushButton>("Command1")->isEnabled());
    EXPECT_TRUE(Box("Text23")->isEnabled());
    ASSERT_NE(Mapping(), nullptr);
    EXPECT_EQ(Mapping()->windowTitle().toStdString(), "ADIF-Turbo HAMLOG 関連付け");
    EXPECT_EQ(Grid()->rowCount(), 17);
    EXPECT_EQ(Grid()->horizontalHeaderItem(0)->text().toStdString(), "ADIF＼Hamlog");
    EXPECT_EQ(Grid()->horizontalHeaderItem(16)->text().toStdString(), "Remarks1");
    EXPECT_TRUE(Grid()->isColumnHidden(2));

    // Convert before the mapping window was closed does nothing at all.
    form->Model().ConversionMode = 3;
    form->Command1_Click();
    EXPECT_TRUE(dialogs.saved.empty());

    const std::pair<const char*, int> map[] = {
        {"CALL", 1},      {"QSO_DATE", 3},  {"TIME_ON", 4},     {"RST_SENT", 5}, {"RST_RCVD", 6},
        {"FREQ", 7},      {"MODE", 8},      {"GRIDSQUARE", 10}, {"NAME", 11},    {"QTH", 12},
        {"QSL_SENT", 14}, {"QSL_RCVD", 15}, {"COMMENT", 16},    {"BAND", 16}};
    for (const auto& [tag, column] : map) ClickCell(RowOf(tag), column);
    EXPECT_TRUE(Marked(RowOf("BAND"), 16) && Marked(RowOf("COMMENT"), 16));
    if (qEnvironmentVariableIsSet("TRELVO5_SCREENSHOT_MAPPING")) {
        QTest::qWait(50);
        Mapping()->grab().save(qEnvironmentVariable("TRELVO5_SCREENSHOT_MAPPING"));
    }
    const int callRow = RowOf("CALL");
    CloseMapping();
    EXPECT_EQ(form->AdifMappingWindow(), nullptr);
    EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HL1"), std::to_string(callRow));
    EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HLsprm1"), "2");
    EXPECT_EQ(form->Model().AdifMappingReady, 1);
    auto* command1 = W<QPushButton>("Command1");
    EXPECT_TRUE(command1->isEnabled());
    EXPECT_EQ(command1->palette().color(QPalette::Button), QColor(0xC0, 0xFF, 0xC0));

    // ADIF frequencies are in MHz: the ADIF set-up chooses "変換しない".
    EXPECT_TRUE(W<QRadioButton>("Option1(2)")->isChecked());
    const std::string out = dir.File("out.csv");
    dialogs.saveAnswers.push_back(out);
    QTest::mouseClick(command1, Qt::LeftButton);
    ASSERT_EQ(dialogs.saved.size(), 1u);
    EXPECT_EQ(dialogs.saved[0].title, "CSV形式LOGﾃﾞｰﾀ保存");
    EXPECT_EQ(dialogs.saved[0].filter, "CSV形式LOGﾃﾞｰﾀ (*.CSV)|*.CSV");
    EXPECT_EQ(dialogs.saved[0].startFolder, dir.File("GeneData") + "/");
    EXPECT_EQ(dialogs.saved[0].proposedName.rfind("CSVLOG_", 0), 0u);
    EXPECT_TRUE(dialogs.saved[0].overwritePrompt);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], adif::AdifCompletionMessage(6, out));
    EXPECT_EQ(ReadIni("ADIF-LOG", "ADIF-LOGFOL"), dir.Path());
    EXPECT_TRUE(Item("viewCSV")->isEnabled());
    EXPECT_TRUE(command1->isEnabled());

    ASSERT_EQ(RunCli({"--ini", "TRELVO5.INI", "import", "adif", QString::fromStdString(input), "-o",
                      "cli.csv", "--db", QString::fromStdString(dir.File("Hamlog.HDB"))}),
              0);
    EXPECT_EQ(ReadBytes(out), ReadBytes(dir.File("cli.csv")));
    EXPECT_EQ(LineCount(out), 6);

    Item("viewCSV")->trigger();
    ASSERT_EQ(dialogs.editorStarts.size(), 1u);
    EXPECT_EQ(dialogs.editorStarts[0].second, out);
}

TEST_F(AdifWindowTest, MappingClicksFollowTheRules) {
    const std::string input = CopyExample("adif/sample.adi", "sample.adi");
    Start();
    ChooseFile(input);
    ASSERT_NE(Mapping(), nullptr);
    // The rules of the marks are checked on the grid's model; here the clicks reach it.
    const int a = 1, b = 2, c = 3;
    ClickCell(a, 1);
    ClickCell(b, 1);  // CALL moves to b
    EXPECT_FALSE(Marked(a, 1));
    EXPECT_TRUE(Marked(b, 1));
    ClickCell(a, 9);
    ClickCell(b, 0);  // the tag name clears its row
    EXPECT_FALSE(Marked(b, 1));

    // The fixed text is kept for the run; its target starts at "無効" each time.
    auto* text1 = Mapping()->findChild<QLineEdit*>("Text1");
    EXPECT_FALSE(text1->isEnabled());
    Mapping()->findChild<QRadioButton*>("Option1(2)")->click();
    EXPECT_TRUE(text1->isEnabled());
    text1->setText("JA1ZZZ/1");
    CloseMapping();
    EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HL9"), "1");
    EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HL1"), "0");
    EXPECT_EQ(form->Model().FixedText, "JA1ZZZ/1");

    // The same file again: the marks come back by row, the fixed text too.
    ChooseFile(input);
    ASSERT_NE(Mapping(), nullptr);
    EXPECT_TRUE(Marked(a, 9));
    EXPECT_EQ(Mapping()->findChild<QLineEdit*>("Text1")->text().toStdString(), "JA1ZZZ/1");
    EXPECT_TRUE(Mapping()->findChild<QRadioButton*>("Option1(0)")->isChecked());
    Mapping()->ConvHelp_Click();
    Mapping()->viewADIF_Click();
    EXPECT_EQ(dialogs.helpTopics, std::vector<int>{2});
    ASSERT_EQ(dialogs.editorStarts.size(), 1u);
    EXPECT_EQ(dialogs.editorStarts[0].second, input);

    // Leaving the program with the window open stores its marks.
    ClickCell(c, 11);
    Item("Pend")->trigger();
    EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HL11"), "3");
}

TEST_F(AdifWindowTest, AFileWithFewerThanTwoTagsIsRefused) {
    WriteBytes(dir.File("one.adi"), "x\r\n<EOH>\r\n<CALL:4>W1AW <EOR>\r\n<CALL:4>K1AB <EOR>\r\n");
    Start();
    dialogs.messages.clear();
    ChooseFile(dir.File("one.adi"));
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"選択したファイルが正しくない可能性があります"});
    EXPECT_EQ(form->AdifMappingWindow(), nullptr);
    EXPECT_FALSE(W<QPushButton>("Command1")->isEnabled());

    // A cancelled choice leaves Convert off and starts no prescan.
    Item("setADIFData")->trigger();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_FALSE(W<QPushButton>("Command1")->isEnabled());
}

// The file's broken tags (a date twice, a last record without <EOR>) are listed in Japanese.
TEST_F(AdifWindowTest, LinesEndingInLfAloneAreReadWithoutAskingAndBrokenTagsListedInJapanese) {
    std::string text =
        "x\n<EOH>\n<CALL:4>W1AW <QSO_DATE:8>20240101 <EOR>\n<CALL:4>K1AB <QSO_DATE:8>20240102 "
        "<QSO_DATE:8>20240103 <EOR>\n<CALL:4>K1CD <QSO_DATE:8>20240104\n";
    const std::string input = dir.File("lf.adi");
    WriteBytes(input, text);
    WriteEmptyDatabase();  // no note about default widths
    Start();
    dialogs.messages.clear();
    ChooseFile(input);
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(W<QLabel>("Label6")->text().toStdString(), "2 / 2");
    ASSERT_NE(Mapping(), nullptr);
    ClickCell(RowOf("CALL"), adif::kColCall);
    ClickCell(RowOf("QSO_DATE"), adif::kColDate);
    CloseMapping();
    dialogs.saveAnswers.push_back(dir.File("out.csv"));
    QTest::mouseClick(W<QPushButton>("Command1"), Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0], adif::AdifCompletionMessage(2, dir.File("out.csv")));
    EXPECT_EQ(dialogs.messages[1], "変換中に次の注意がありました (2 件)\r\n" + input +
                                       ": 2 件目のレコード (4 行目まで): タグ QSO_DATE が二度あります。"
                                       "閉じていないタグか <EOR> のために二つのレコードを一つとして読んだよう"
                                       "です。後の値を使います\r\n" +
                                       input +
                                       ": 最後のレコード (5 行目から) に <EOR> が無いので、変換しません");
}

}  // namespace

namespace {

// The counter during the prescan, as the window shows it each time it is serviced.
TEST_F(AdifWindowTest, PrescanCounterShowsRecordsAndNamesAfterEachRecord) {
    const std::string input = CopyExample("adif/sample.adi", "sample.adi");
    Start();
    std::vector<std::string> seen;
    std::function<void()> watch = [&] {
        if (!form->Model().Running()) return;
        seen.push_back(W<QLabel>("Label6")->text().toStdString());
        QMetaObject::invokeMethod(form.get(), watch, Qt::QueuedConnection);
    };
    QTimer::singleShot(0, form.get(), [&] { watch(); });
    ChooseFile(input);
    ASSERT_FALSE(seen.empty());
    const QRegularExpression pair("^(\\d+) / (\\d+)$");
    int lastRecords = 0;
    for (const std::string& s : seen) {
        if (s == "件数ｶｳﾝﾀ") continue;  // before the first record
        const QRegularExpressionMatch m = pair.match(QString::fromStdString(s));
        ASSERT_TRUE(m.hasMatch()) << s;
        EXPECT_GE(m.captured(1).toInt(), lastRecords);
        EXPECT_GT(m.captured(2).toInt(), 0) << s;
        lastRecords = m.captured(1).toInt();
    }
    EXPECT_GT(lastRecords, 0);
    EXPECT_EQ(W<QLabel>("Label6")->text().toStdString(), "6 / 17");
}

// A new file chosen while the mapping window is open: the marks go to the settings first.
TEST_F(AdifWindowTest, MarksAreStoredWhenANewFileReplacesTheMappingWindow) {
    const std::string input = CopyExample("adif/sample.adi", "sample.adi");
    Start();
    ChooseFile(input);
    ASSERT_NE(Mapping(), nullptr);
    const int call = RowOf("CALL");
    ClickCell(call, adif::kColCall);
    ClickCell(RowOf("QSO_DATE"), adif::kColDate);
    EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HL1"), "<missing>");

    ChooseFile(input);
    EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HL1"), std::to_string(call));
    EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HL3"), std::to_string(RowOf("QSO_DATE")));
    // The new window shows them again, and Convert waits for it to be closed.
    ASSERT_NE(Mapping(), nullptr);
    EXPECT_TRUE(Marked(call, adif::kColCall));
    EXPECT_EQ(form->Model().AdifMappingReady, 0);
    EXPECT_FALSE(W<QPushButton>("Command1")->isEnabled());
}

}  // namespace

namespace {

// Two files whose tags come in other orders; the second has no COMMENT.
constexpr const char* kFileA =
    "made by hand <EOH>\r\n<CALL:5>JA1AA <QSO_DATE:8>20240101 <COMMENT:2>hi <EOR>\r\n";
constexpr const char* kFileB =
    "made by hand <EOH>\r\n<QSO_DATE:8>20240102 <TIME_ON:4>1300 <CALL:5>JA1AB <EOR>\r\n";

class AdifMismatchTest : public AdifWindowTest {
protected:
    // Marks CALL, QSO_DATE and COMMENT on file A and closes the window.
    void MapFileA() {
        WriteBytes(dir.File("a.adi"), kFileA);
        WriteBytes(dir.File("b.adi"), kFileB);
        Start();
        ChooseFile(dir.File("a.adi"));
        ASSERT_NE(Mapping(), nullptr);
        EXPECT_TRUE(dialogs.questions.empty());  // nothing stored: an empty grid, no question
        for (int r = 1; r <= 3; ++r)
            for (int c = 1; c <= adif::kColumnCount; ++c) EXPECT_FALSE(Marked(r, c));
        ClickCell(RowOf("CALL"), adif::kColCall);
        ClickCell(RowOf("QSO_DATE"), adif::kColDate);
        ClickCell(RowOf("COMMENT"), adif::kColRemarks1);
        CloseMapping();
        EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HL1name"), "CALL");
        EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HL16name"), "COMMENT");
    }
};

TEST_F(AdifMismatchTest, YesMovesEachMarkToTheRowOfItsTagAndListsTheMissingOnes) {
    MapFileA();
    dialogs.messages.clear();
    dialogs.yesNoAnswers.push_back(true);
    ChooseFile(dir.File("b.adi"));
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0], Text(adif::kMismatchQuestion, Lang::kJapanese));
    ASSERT_NE(Mapping(), nullptr);
    EXPECT_TRUE(Marked(RowOf("CALL"), adif::kColCall));
    EXPECT_TRUE(Marked(RowOf("QSO_DATE"), adif::kColDate));
    EXPECT_FALSE(Marked(1, adif::kColCall));  // row 1 is QSO_DATE now
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "このファイルにないタグの関連付けは外しました: COMMENT");
}

TEST_F(AdifMismatchTest, NoKeepsTheMarksOnTheirRows) {
    MapFileA();
    dialogs.messages.clear();
    dialogs.yesNoAnswers.push_back(false);
    ChooseFile(dir.File("b.adi"));
    ASSERT_EQ(dialogs.questions.size(), 1u);
    ASSERT_NE(Mapping(), nullptr);
    EXPECT_TRUE(Marked(1, adif::kColCall));  // the row of CALL in file A, QSO_DATE here
    EXPECT_TRUE(Marked(2, adif::kColDate));
    EXPECT_TRUE(Marked(3, adif::kColRemarks1));
    EXPECT_TRUE(dialogs.messages.empty());

    // The same file again: its names now match what is stored, so nothing is asked.
    CloseMapping();
    ChooseFile(dir.File("b.adi"));
    EXPECT_EQ(dialogs.questions.size(), 1u);
}

TEST_F(AdifWindowTest, AutoSetChoosesWhatTheCommandLinesAutoMapChooses) {
    const std::string input = CopyExample("adif/sample.adi", "sample.adi");
    Start();
    ChooseFile(input);
    ASSERT_NE(Mapping(), nullptr);
    auto* hint = Mapping()->findChild<QLabel*>("LabelHint");
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->text().toStdString(), Text(adif::kHintText, Lang::kJapanese));
    ClickCell(RowOf("CALL"), adif::kColRemarks2);  // replaced by the automatic choice
    QAction* autoSet = Mapping()->findChild<QAction*>("AutoSet");
    ASSERT_NE(autoSet, nullptr);
    EXPECT_EQ(autoSet->text().toStdString(), "自動設定");
    autoSet->trigger();
    EXPECT_FALSE(Marked(RowOf("CALL"), adif::kColRemarks2));
    std::map<std::string, int> rows;
    for (int r = 1; r <= Grid()->rowCount(); ++r) rows[Grid()->item(r - 1, 0)->text().toStdString()] = r;
    CloseMapping();

    // The command line's choice, printed as TAG=COLUMN pairs, gives the same stored rows.
    QString out;
    ASSERT_EQ(RunCli({"--ini", "cli.ini", "import", "adif", QString::fromStdString(input), "--map", "auto",
                      "-o", "cli.csv"},
                     &out),
              0);
    const QRegularExpression pairs("map: (\\S+)");
    const QRegularExpressionMatch m = pairs.match(out);
    ASSERT_TRUE(m.hasMatch()) << out.toStdString();
    int checked = 0;
    for (const QString& p : m.captured(1).split(',')) {
        const QStringList tc = p.split('=');
        ASSERT_EQ(tc.size(), 2);
        const int column = adif::ColumnFromTitle(tc[1].toStdString());
        EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HL" + std::to_string(column)),
                  std::to_string(rows[tc[0].toStdString()]))
            << p.toStdString();
        ++checked;
    }
    EXPECT_GE(checked, 5);
    EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HL17"), "0");
}

}  // namespace
