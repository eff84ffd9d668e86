#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>

#include "importers/adif/adif_reader.h"
#include "window_fixture.h"

#include <map>

using namespace trelvo;
using namespace trelvo::testing;

namespace {

using AdifWindowTest = WindowTest;

TEST_F(AdifWindowTest, ChooseMapConvertLikeTheCommandLineDoes) {
    WriteEmptyDatabase();  // the usual Turbo HAMLOG 5 widths, so ADIF values are cut as there
    const std::string input = CopyExample("adif/sample.adi", "sample.adi");
    Start();
    dialogs.messages.clear();

    ChooseAdif(input);
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0].filter, "ADIF形式 LOGﾃﾞｰﾀ (*.LOG;*.ADI;*.ADIF)|*.LOG;*.ADI;*.ADIF");
    EXPECT_EQ(ReadIni("ADIF-FOL", "ADIF-FileName"), input);
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.LastMessage();
    ASSERT_NE(Mapping(), nullptr);
    EXPECT_EQ(Grid()->rowCount(), 17);
    EXPECT_EQ(Grid()->horizontalHeaderItem(16)->text().toStdString(), "Remarks1");
    EXPECT_TRUE(Grid()->isColumnHidden(2));

    const std::pair<const char*, int> map[] = {
        {"CALL", 1},      {"QSO_DATE", 3},  {"TIME_ON", 4},     {"RST_SENT", 5}, {"RST_RCVD", 6},
        {"FREQ", 7},      {"MODE", 8},      {"GRIDSQUARE", 10}, {"NAME", 11},    {"QTH", 12},
        {"QSL_SENT", 14}, {"QSL_RCVD", 15}, {"COMMENT", 16},    {"BAND", 16}};
    for (const auto& [tag, column] : map) ClickCell(RowOf(tag), column);
    EXPECT_TRUE(Marked(RowOf("BAND"), 16) && Marked(RowOf("COMMENT"), 16));
    const int callRow = RowOf("CALL");
    CloseMapping();
    EXPECT_EQ(form->AdifMappingWindow(), nullptr);
    EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HL1"), std::to_string(callRow));
    EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HLsprm1"), "2");

    const std::string out = dir.File("out.csv");
    dialogs.saveAnswers.push_back(out);
    QTest::mouseClick(W<QPushButton>("Command1"), Qt::LeftButton);
    ASSERT_EQ(dialogs.saved.size(), 1u);
    EXPECT_EQ(dialogs.saved[0].filter, "CSV形式LOGﾃﾞｰﾀ (*.CSV)|*.CSV");
    EXPECT_EQ(dialogs.saved[0].startFolder, dir.File("GeneData") + "/");
    EXPECT_EQ(dialogs.saved[0].proposedName.rfind("CSVLOG_", 0), 0u);
    EXPECT_TRUE(dialogs.saved[0].overwritePrompt);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{adif::AdifCompletionMessage(6, out)});
    EXPECT_EQ(ReadIni("ADIF-LOG", "ADIF-LOGFOL"), dir.Path());
    EXPECT_TRUE(Item("viewCSV")->isEnabled());
    EXPECT_TRUE(On("Command1"));

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
    ChooseAdif(input);
    ASSERT_NE(Mapping(), nullptr);
    // The rules of the marks are checked on the grid's model; here the clicks reach it.
    ClickCell(1, 1);
    ClickCell(2, 1);  // CALL moves to row 2
    EXPECT_FALSE(Marked(1, 1));
    EXPECT_TRUE(Marked(2, 1));
    ClickCell(1, 9);
    ClickCell(2, 0);  // the tag name clears its row
    EXPECT_FALSE(Marked(2, 1));

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
    ChooseAdif(input);
    ASSERT_NE(Mapping(), nullptr);
    EXPECT_TRUE(Marked(1, 9));
    EXPECT_EQ(Mapping()->findChild<QLineEdit*>("Text1")->text().toStdString(), "JA1ZZZ/1");
    EXPECT_TRUE(Mapping()->findChild<QRadioButton*>("Option1(0)")->isChecked());
    Mapping()->ConvHelp_Click();
    Mapping()->viewADIF_Click();
    EXPECT_EQ(dialogs.helpTopics, std::vector<int>{2});
    ASSERT_EQ(dialogs.editorStarts.size(), 1u);
    EXPECT_EQ(dialogs.editorStarts[0].second, input);

    // Leaving the program with the window open stores its marks.
    ClickCell(3, 11);
    Item("Pend")->trigger();
    EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HL11"), "3");
}

TEST_F(AdifWindowTest, AFileWithFewerThanTwoTagsIsRefused) {
    WriteBytes(dir.File("one.adi"), "x\r\n<EOH>\r\n<CALL:4>W1AW <EOR>\r\n<CALL:4>K1AB <EOR>\r\n");
    Start();
    dialogs.messages.clear();
    ChooseAdif(dir.File("one.adi"));
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"選択したファイルが正しくない可能性があります"});
    EXPECT_EQ(form->AdifMappingWindow(), nullptr);
    EXPECT_FALSE(On("Command1"));

    // A cancelled choice leaves Convert off and starts no prescan.
    Item("setADIFData")->trigger();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_FALSE(On("Command1"));
}

// The file's broken tags (a date twice, a last record without <EOR>) are listed in Japanese.
TEST_F(AdifWindowTest, LinesEndingInLfAloneAreReadWithoutAskingAndBrokenTagsListedInJapanese) {
    const std::string input = dir.File("lf.adi");
    WriteBytes(input,
               "x\n<EOH>\n<CALL:4>W1AW <QSO_DATE:8>20240101 <EOR>\n<CALL:4>K1AB <QSO_DATE:8>20240102 "
               "<QSO_DATE:8>20240103 <EOR>\n<CALL:4>K1CD <QSO_DATE:8>20240104\n");
    WriteEmptyDatabase();  // no note about default widths
    Start();
    dialogs.messages.clear();
    MapAdif(input, {{"CALL", adif::kColCall}, {"QSO_DATE", adif::kColDate}});
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(Label("Label6"), "2 / 2");
    dialogs.saveAnswers.push_back(dir.File("out.csv"));
    Convert();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0], adif::AdifCompletionMessage(2, dir.File("out.csv")));
    EXPECT_EQ(dialogs.messages[1], "変換中に次の注意がありました (2 件)\r\n" + input +
                                       ": 2 件目のレコード (4 行目まで): タグ QSO_DATE が二度あります。"
                                       "閉じていないタグか <EOR> のために二つのレコードを一つとして読んだよう"
                                       "です。後の値を使います\r\n" +
                                       input +
                                       ": 最後のレコード (5 行目から) に <EOR> が無いので、変換しません");
}

// The counter during the prescan, as the window shows it each time it is serviced.
TEST_F(AdifWindowTest, PrescanCounterShowsRecordsAndNamesAfterEachRecord) {
    const std::string input = CopyExample("adif/sample.adi", "sample.adi");
    Start();
    std::vector<std::string> seen;
    std::function<void()> watch = [&] {
        if (!form->Model().Running()) return;
        seen.push_back(Label("Label6"));
        QMetaObject::invokeMethod(form.get(), watch, Qt::QueuedConnection);
    };
    QTimer::singleShot(0, form.get(), [&] { watch(); });
    ChooseAdif(input);
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
    EXPECT_EQ(Label("Label6"), "6 / 17");
}

// Files whose tags come in other orders: A is CALL, QSO_DATE, COMMENT; B is QSO_DATE, TIME_ON,
// CALL. Marks stored for one file meet the other.
TEST_F(AdifWindowTest, OtherTagNamesAskWhetherTheMarksFollowTheirTags) {
    WriteBytes(dir.File("a.adi"),
               "made by hand <EOH>\r\n<CALL:5>JA1AA <QSO_DATE:8>20240101 <COMMENT:2>hi <EOR>\r\n");
    WriteBytes(dir.File("b.adi"),
               "made by hand <EOH>\r\n<QSO_DATE:8>20240102 <TIME_ON:4>1300 <CALL:5>JA1AB <EOR>\r\n");
    Start();
    ChooseAdif(dir.File("a.adi"));
    ASSERT_NE(Mapping(), nullptr);
    EXPECT_TRUE(dialogs.questions.empty());  // nothing stored: an empty grid, no question
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= adif::kColumnCount; ++c) EXPECT_FALSE(Marked(r, c));
    ClickCell(1, adif::kColCall);
    ClickCell(2, adif::kColDate);
    ClickCell(3, adif::kColRemarks1);
    CloseMapping();
    EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HL1name"), "CALL");
    EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HL16name"), "COMMENT");

    // Yes: each mark moves to the row of its tag, and the tags B lacks are listed. Convert
    // waits for the new window to be closed.
    dialogs.messages.clear();
    dialogs.yesNoAnswers.push_back(true);
    ChooseAdif(dir.File("b.adi"));
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0], Text(adif::kMismatchQuestion, Lang::kJapanese));
    ASSERT_NE(Mapping(), nullptr);
    EXPECT_EQ(form->Model().AdifMappingReady, 0);
    EXPECT_FALSE(On("Command1"));
    EXPECT_TRUE(Marked(3, adif::kColCall));
    EXPECT_TRUE(Marked(1, adif::kColDate));
    EXPECT_FALSE(Marked(1, adif::kColCall));
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>{"このファイルにないタグの関連付けは外しました: COMMENT"});

    // A chosen while B's window is open: B's marks go to the settings first. No: the marks
    // stay on their rows.
    dialogs.messages.clear();
    dialogs.yesNoAnswers.push_back(false);
    ChooseAdif(dir.File("a.adi"));
    EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HL1"), "3");
    EXPECT_EQ(ReadIni("ADIF2HL_CFG", "ADIF2HL1name"), "CALL");
    ASSERT_EQ(dialogs.questions.size(), 2u);
    ASSERT_NE(Mapping(), nullptr);
    EXPECT_TRUE(Marked(3, adif::kColCall));  // the row of CALL in B, COMMENT here
    EXPECT_TRUE(Marked(1, adif::kColDate));
    EXPECT_FALSE(Marked(1, adif::kColCall));
    EXPECT_TRUE(dialogs.messages.empty());

    // The same file again: its names now match what is stored, so nothing is asked.
    CloseMapping();
    ChooseAdif(dir.File("a.adi"));
    EXPECT_EQ(dialogs.questions.size(), 2u);
}

TEST_F(AdifWindowTest, AutoSetChoosesWhatTheCommandLinesAutoMapChooses) {
    const std::string input = CopyExample("adif/sample.adi", "sample.adi");
    Start();
    ChooseAdif(input);
    ASSERT_NE(Mapping(), nullptr);
    ClickCell(RowOf("CALL"), adif::kColRemarks2);  // replaced by the automatic choice
    QAction* autoSet = Mapping()->findChild<QAction*>("AutoSet");
    ASSERT_NE(autoSet, nullptr);
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
    const QRegularExpressionMatch m = QRegularExpression("map: (\\S+)").match(out);
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
