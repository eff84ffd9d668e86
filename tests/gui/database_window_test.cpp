#include <QComboBox>
#include <QGroupBox>

#include "hamlog/hand_made_hdb.h"
#include "hamlog/hdb_writer.h"
#include "window_fixture.h"

using namespace trelvo;
using namespace trelvo::testing;

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

TEST_F(WindowTest, ExportModeAndModeTableImportOverARealDatabase) {
    WriteDatabase(dir.File("Hamlog.HDB"), dir.File("Hamlog.mst"), {"CW", "SSB", "CW", "FT8", "SSB"});
    WriteBytes(Ini(), HamlogIni(dir.File("Hamlog.HDB")));
    Start();
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.LastMessage();

    // The states of the controls are checked with a database in memory; here the records and
    // the modes come from the file.
    Item("setHLData")->trigger();
    EXPECT_TRUE(W<QGroupBox>("Frame2")->isVisible());
    EXPECT_EQ(Box("Text12")->text().toStdString(), "5");

    Item("MODCH")->trigger();
    EXPECT_EQ(dialogs.LastMessage(), "モードの読み込み＆設定が完了しました。");
    auto* combo = W<QComboBox>("Combo1");
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    EXPECT_EQ(items, (QStringList{"MIX", "CW", "SSB", "FT8"}));
    EXPECT_EQ(W<QLabel>("Label6")->text().toStdString(), "5/5");

    // The next start lists the stored modes.
    form.reset();
    dialogs.messages.clear();
    Start();
    EXPECT_EQ(W<QComboBox>("Combo1")->count(), 4);
}

}  // namespace
