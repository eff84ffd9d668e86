#include <QComboBox>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>

#include "hamlog/hdb_writer.h"
#include "window_fixture.h"

using namespace trelvo;
using trelvo::testing::WindowTest;
using trelvo::testing::WriteBytes;

namespace {

// A real database file with contacts in the given modes, and its master file.
void WriteDatabase(const std::string& hdb, const std::string& mst, const std::vector<std::string>& modes) {
    hamlog::HdbWriter w(hdb, {});
    for (const std::string& m : modes) {
        hamlog::HdbContact c;
        c.call = "JA1ABC";
        c.when = {2024, 5, 3, 12, 0, 0};
        c.mode = m;
        c.freq = "7";
        w.Append(c);
    }
    w.Close();
    NullCallbacks quiet;
    hamlog::WriteMasterFile(mst, {{"100", "札幌市"}, {"101", "函館市"}}, true, std::nullopt, quiet);
}

TEST_F(WindowTest, MissingMasterFileIsReportedAndTheLocationIsNotUsed) {
    WriteDatabase(dir.File("Hamlog.HDB"), dir.File("elsewhere.mst"), {"CW"});
    WriteBytes(Ini(), "[HAMLOG-FOL]\r\nHAMLOG-FN=" + dir.File("Hamlog.HDB") + "\r\n");
    Start();
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>{"MSTﾌｧｲﾙが見つかりません\r\nMSTﾌｧｲﾙはHDBﾌｧｲﾙと同じフォルダに必要です"});
    EXPECT_EQ(form->Model().Location.HamlogDbPath, "");
    EXPECT_EQ(ReadIni("HAMLOG-FOL", "HAMLOG-FN"), dir.File("Hamlog.HDB"));  // kept for the next start
    Item("ChkData")->trigger();
    EXPECT_EQ(dialogs.LastMessage(), "Turbo HAMLOGの場所指定が正しくありません");
}

TEST_F(WindowTest, ExportModeAndModeTableImportOverARealDatabase) {
    WriteDatabase(dir.File("Hamlog.HDB"), dir.File("Hamlog.mst"), {"CW", "SSB", "CW", "FT8", "SSB"});
    WriteBytes(Ini(), "[HAMLOG-FOL]\r\nHAMLOG-FN=" + dir.File("Hamlog.HDB") + "\r\n");
    Start();
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.LastMessage();
    EXPECT_EQ(W<QLabel>("Label5")->text().toStdString(), dir.File("Hamlog.HDB"));

    Item("setHLData")->trigger();
    EXPECT_TRUE(W<QGroupBox>("Frame2")->isVisible());
    EXPECT_FALSE(W<QGroupBox>("Frame1")->isVisible());
    EXPECT_EQ(Box("Text12")->text().toStdString(), "5");
    EXPECT_TRUE(Item("MODCH")->isEnabled());
    for (const char* kind : {"mkADIF", "mkHL2CSV", "mkHL2CSV5", "xxxCC"}) EXPECT_FALSE(Item(kind)->isEnabled()) << kind;

    Item("MODCH")->trigger();
    EXPECT_EQ(dialogs.LastMessage(), "モードの読み込み＆設定が完了しました。");
    auto* combo = W<QComboBox>("Combo1");
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    EXPECT_EQ(items, (QStringList{"MIX", "CW", "SSB", "FT8"}));
    EXPECT_EQ(ReadIni("ModeName", "Mode3N"), "FT8");
    EXPECT_EQ(W<QLabel>("Label6")->text().toStdString(), "5/5");
    EXPECT_TRUE(W<QMenu>("TRELVOMenu")->menuAction()->isEnabled());

    // The next start lists the stored modes.
    form.reset();
    dialogs.messages.clear();
    Start();
    EXPECT_EQ(W<QComboBox>("Combo1")->count(), 4);
}

}  // namespace
