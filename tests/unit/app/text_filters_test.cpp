#include "app/text_filters.h"

#include <gtest/gtest.h>

#include "app/ui_dialogs.h"
#include "tools/field_len.h"

using namespace trelvo;
using app::FilterKeyPress;
using app::KeyPressOutcome;
using app::TextBoxKind;

TEST(TextFilters, EachBoxFollowsItsRule) {
    EXPECT_EQ(app::TextBoxKindFor("Text4"), TextBoxKind::QslMark);
    EXPECT_EQ(app::TextBoxKindFor("Text24"), TextBoxKind::QslMark);
    EXPECT_EQ(app::TextBoxKindFor("Text8"), TextBoxKind::Date);
    EXPECT_EQ(app::TextBoxKindFor("Text12"), TextBoxKind::RecordNumber);
    EXPECT_EQ(app::TextBoxKindFor("Text10"), TextBoxKind::CutCount);
    EXPECT_EQ(app::TextBoxKindFor("Text2"), TextBoxKind::Free);

    // (Typing into the window's boxes is checked with the real widgets; these are the cases it
    // does not type.) QSL marks overtype one character, whatever it is; dates take Backspace;
    // record numbers refuse letters; cut counts keep digits; other boxes take everything.
    EXPECT_EQ(FilterKeyPress(TextBoxKind::QslMark, U'*', 1), (KeyPressOutcome{U'*', 1}));
    EXPECT_EQ(FilterKeyPress(TextBoxKind::QslMark, U'済', 0), (KeyPressOutcome{U'済', 1}));
    EXPECT_EQ(FilterKeyPress(TextBoxKind::Date, app::kBackspace, 8), (KeyPressOutcome{app::kBackspace, 1}));
    EXPECT_EQ(FilterKeyPress(TextBoxKind::RecordNumber, U'x', 4), (KeyPressOutcome{0, 0}));
    EXPECT_EQ(FilterKeyPress(TextBoxKind::CutCount, U'3', 1), (KeyPressOutcome{U'3', 1}));
    EXPECT_EQ(FilterKeyPress(TextBoxKind::Free, U'a', 1), (KeyPressOutcome{U'a', 0}));
}

TEST(DialogFilters, PairsBecomeEntriesWithBothCases) {
    using E = app::DialogFilterEntry;
    EXPECT_EQ(app::ParseDialogFilter("ADIF形式 LOGﾃﾞｰﾀ (*.LOG;*.ADI)|*.LOG;*.ADI"),
              (std::vector<E>{{"ADIF形式 LOGﾃﾞｰﾀ (*.LOG;*.ADI)", {"*.LOG", "*.ADI"}}}));
    EXPECT_EQ(app::ParseDialogFilter("(*.CSV)|*.CSV|(*.TXT)|*.TXT|"),
              (std::vector<E>{{"(*.CSV)", {"*.CSV"}}, {"(*.TXT)", {"*.TXT"}}}));
    EXPECT_TRUE(app::ParseDialogFilter("").empty());
    EXPECT_TRUE(app::ParseDialogFilter("no patterns|").empty());

    EXPECT_EQ(app::DialogNameFilters("コードテーブル(*.TBL)|*.tbl"),
              std::vector<std::string>{"コードテーブル(*.TBL) (*.tbl *.TBL)"});
    EXPECT_EQ(app::DialogNameFilters("Digipan LOGﾃﾞｰﾀ (*.LOG)|*.LOG"),
              std::vector<std::string>{"Digipan LOGﾃﾞｰﾀ (*.LOG) (*.LOG *.log)"});

    // The extension a save dialog adds: only where the first entry names exactly one.
    const std::pair<const char*, const char*> suffixes[] = {
        {"CSV形式LOGﾃﾞｰﾀ (*.CSV)|*.CSV", "CSV"},
        {"ADIF (*.ADI)|*.ADI|all|*", "ADI"},
        {"ADIF形式 LOGﾃﾞｰﾀ (*.LOG;*.ADI)|*.LOG;*.ADI", ""},
        {"all|*", ""},
        {"x|*.*", ""},
        {"", ""}};
    for (const auto& [filter, suffix] : suffixes) EXPECT_EQ(app::DefaultSuffix(filter), suffix) << filter;
}

TEST(FieldLenWindow, ShowsTheWidthsThatLimitTheAdifImport) {
    hamlog::HdbFieldLengths l{};
    for (std::size_t i = 0; i < l.size(); ++i) l[i] = static_cast<int>(100 + i);
    l[0] = 12;
    const auto e = tools::FieldLenEntries(l);
    const char* titles[8] = {"Call", "Freq", "Mode", "My", "His", "Name", "QTH", "Remk"};
    const int widths[8] = {12, 111, 112, 110, 109, 113, 114, 115};
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(e[i].title, titles[i]);
        EXPECT_EQ(e[i].width, widths[i]) << titles[i];
    }
}
