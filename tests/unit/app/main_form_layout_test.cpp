// The window's layout against the model: every name the model addresses while it goes through
// each menu command, drop and option must be a control of the layout (both views build their
// widgets from it, so a name missing here is a control missing in both windows).
#include "app/main_form_layout.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "app/main_form_model.h"
#include "fake_view.h"
#include "hamlog/hand_made_hdb.h"
#include "scripted_dialogs.h"
#include "test_support.h"

using namespace trelvo;
using trelvo::testing::WriteBytes;

namespace {

// The table view, noting every name the model reads or sets.
class RecordingView : public trelvo::testing::FakeView {
public:
    std::set<std::string> addressed;
    void SetEnabled(const std::string& n, bool on) override { Note(n), FakeView::SetEnabled(n, on); }
    bool Enabled(const std::string& n) const override { return Note(n), FakeView::Enabled(n); }
    void SetVisible(const std::string& n, bool on) override { Note(n), FakeView::SetVisible(n, on); }
    bool Visible(const std::string& n) const override { return Note(n), FakeView::Visible(n); }
    void SetText(const std::string& n, const std::string& t) override { Note(n), FakeView::SetText(n, t); }
    std::string Text(const std::string& n) const override { return Note(n), FakeView::Text(n); }
    void SetChecked(const std::string& n, bool on) override { Note(n), FakeView::SetChecked(n, on); }
    bool Checked(const std::string& n) const override { return Note(n), FakeView::Checked(n); }
    void ClearList(const std::string& n) override { Note(n), FakeView::ClearList(n); }
    void AddListItem(const std::string& n, const std::string& i) override {
        Note(n), FakeView::AddListItem(n, i);
    }
    void SetBackColor(const std::string& n, std::optional<std::uint32_t> c) override {
        Note(n), FakeView::SetBackColor(n, c);
    }
    void SetFocusTo(const std::string& n) override { Note(n), FakeView::SetFocusTo(n); }
    void ShowTextFor(const std::string& n, const std::string& t, int ms, const std::string& then) override {
        Note(n), FakeView::ShowTextFor(n, t, ms, then);
    }

private:
    void Note(const std::string& n) const { const_cast<RecordingView*>(this)->addressed.insert(n); }
};

TEST(MainFormLayout, EveryNameTheModelAddressesIsAControlOfTheLayout) {
    trelvo::testing::ScratchDir dir;
    const std::string examples = std::string(TRELVO5_EXAMPLES_DIR) + "/";
    for (const char* f : {"hamlog/Hamlog.HDB", "hamlog/Hamlog.mst", "digipan/Digipan.LOG", "adif/sample.adi",
                          "zlog/TRELVO-TEST.ZLO", "jap1/JAP1LOG.TXT"})
        std::filesystem::copy_file(examples + f, dir.File(std::filesystem::path(f).filename().string()));
    WriteBytes(dir.File("TRELVO5.INI"), trelvo::testing::HamlogIni(dir.File("Hamlog.HDB")));

    RecordingView view;
    trelvo::testing::ScriptedDialogs dialogs;
    app::MainFormConfig config;
    config.programFolder = dir.Path();
    config.iniPath = dir.File("TRELVO5.INI");
    app::MainFormModel model(config, view, dialogs);
    view.model = &model;
    model.SetServiceInterval(std::chrono::milliseconds(0));
    ASSERT_EQ(model.Form_Load(), app::LoadOutcome::Shown);

    // Each command with its file chosen, then every option and button the window has.
    const std::pair<const char*, std::string> commands[] = {
        {"setDGPData", dir.File("Digipan.LOG")},
        {"mkCSV", ""},
        {"Command1", ""},
        {"setADIFData", dir.File("sample.adi")},
        {"viewCSV", ""},
        {"ZL2HL", dir.File("TRELVO-TEST.ZLO")},
        {"Check5", ""},
        {"Check7", ""},
        {"Command4", ""},
        {"Command2", ""},
        {"setHLData", ""},
        {"mkADIF", ""},
        {"Option2(1)", ""},
        {"Option2(2)", ""},
        {"Check9", ""},
        {"Check10", ""},
        {"Check11", ""},
        {"CheckStd", ""},
        {"mkHL2CSV", ""},
        {"mkHL2CSV5", ""},
        {"xxxCC", ""},
        {"Command1", ""},
        {"viewNewADIF", ""},
        {"JAP1CSV", dir.File("JAP1LOG.TXT")},
        {"viewCSVJ", ""},
        {"ChkData", ""},
        {"edSet", ""},
        {"ConvHelp", ""},
    };
    for (const auto& [name, file] : commands) {
        if (!file.empty()) dialogs.openAnswers.push_back(file);
        EXPECT_TRUE(app::ClickControl(model, name)) << name;
        dialogs.openAnswers.clear();
    }
    model.Label21_MouseDown();
    model.Label21_MouseUp();
    model.Combo1_Click();
    for (const char* f : {"Digipan.LOG", "sample.adi", "JAP1LOG.TXT", "Hamlog.HDB", "other.xyz"})
        model.FileDropped(dir.File(f));
    model.Form_Activate();
    model.Form_Unload();

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
