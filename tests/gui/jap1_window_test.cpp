#include <QPushButton>

#include "window_fixture.h"

using namespace trelvo;
using namespace trelvo::testing;

namespace {

TEST_F(WindowTest, Jap1FileIsConvertedAtOnceLikeTheCommandLineDoes) {
    std::filesystem::create_directory(dir.File("logs"));
    const std::string input = CopyExample("jap1/JAP1LOG.TXT", "logs/JAP1LOG.TXT");
    CopyExample("jap1/remconv.txt", "remconv.txt");
    Start();
    dialogs.messages.clear();
    EXPECT_FALSE(Item("viewCSVJ")->isEnabled());

    dialogs.openAnswers.push_back(input);
    Item("JAP1CSV")->trigger();
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0].filter, "JAP1 LOGﾃﾞｰﾀ(CSV) (*.TXT)|*.TXT");
    EXPECT_EQ(dialogs.opened[0].startFolder, dir.Path());
    EXPECT_EQ(form->Model().ConversionMode, 9);

    const std::string out = dir.File("JAP2HL.CSV");
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"6 件の変換が正常終了しました。\r\n" + out +
                                                         " をTurbo HAMLOGから読み込んで下さい"});
    EXPECT_EQ(Label("Label6"), "6");
    EXPECT_EQ(ReadIni("JAP1CSV-FOL", "JAP1CSV-FN"), input);
    EXPECT_FALSE(On("Command1"));
    EXPECT_TRUE(MenuOn());
    EXPECT_TRUE(Item("viewCSVJ")->isEnabled());

    ASSERT_EQ(RunCli({"import", "jap1", QString::fromStdString(input), "-o", "cli.csv", "--remconv",
                      QString::fromStdString(dir.File("remconv.txt"))}),
              0);
    EXPECT_EQ(ReadBytes(out), ReadBytes(dir.File("cli.csv")));
    EXPECT_FALSE(ReadBytes(out).empty());

    Item("viewCSVJ")->trigger();
    ASSERT_EQ(dialogs.editorStarts.size(), 1u);
    EXPECT_EQ(dialogs.editorStarts[0], std::make_pair(std::string("NOTEPAD.EXE"), out));

    // The next choice starts in the folder of this one, as remembered in the settings; a
    // cancelled choice runs nothing.
    Item("JAP1CSV")->trigger();
    EXPECT_EQ(dialogs.opened.back().startFolder, dir.File("logs"));
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

// The warnings of a run are listed in the window's language, and the captions of the controls
// the original did not have are in it; the original's own texts stay.
TEST_F(WindowTest, Jap1WarningsAreListedInTheWindowsLanguage) {
    const std::string input = dir.File("BAD.TXT");
    WriteBytes(input,
               "JAP1 LOG DATA (CSV)\r\nheader\r\n"
               "\"JA1ABC\",\"98/07/15 21:05\",\"599599\",\"7\",\"CW\",\"100110\",\"PM95\",\"X\","
               "\"\",\"\",\"\",\"\"\r\n");
    const struct {
        Lang lang;
        const char *checkStd, *warning;
    } cases[] = {
        {Lang::kJapanese, "標準ADIF (ADIF 3.1.4) で出力する",
         "変換中に次の注意がありました (1 件)\r\n{} の 1 件目 (3 行目): QSL 状態 \"X\""},
        {Lang::kEnglish, "Write standard ADIF (ADIF 3.1.4)",
         "The run gave these warnings (1):\r\n{}, record 1 (line 3): QSL status \"X\" ends in \"X\""}};
    for (const auto& c : cases) {
        Start(c.lang);
        EXPECT_EQ(W<QAbstractButton>("CheckStd")->text().toStdString(), c.checkStd);
        dialogs.messages.clear();
        dialogs.openAnswers.push_back(input);
        Item("JAP1CSV")->trigger();
        ASSERT_EQ(dialogs.messages.size(), 2u);
        std::string warning = c.warning;
        warning.replace(warning.find("{}"), 2, input);
        EXPECT_EQ(dialogs.messages[1].rfind(warning, 0), 0u) << dialogs.messages[1];
        EXPECT_EQ(dialogs.messages[0].rfind("1 件の変換が正常終了しました。", 0), 0u);
        form.reset();
    }
}

}  // namespace
