// A main window made of a table: each control is a record of its state. Setting a text box's
// text runs the model's change handler, as the real window does. Every name the model reads or
// sets is noted in `addressed`.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/main_form_model.h"
#include "app/main_form_view.h"

namespace trelvo::testing {

class FakeView : public app::MainFormView {
public:
    struct Control {
        bool enabled = true;
        bool visible = true;
        bool checked = false;
        std::string text;
        std::vector<std::string> items;
        std::optional<std::uint32_t> backColor;
    };

    app::MainFormModel* model = nullptr;  // receives the change handlers
    std::map<std::string, Control> controls;
    bool otherInstance = false;
    std::optional<hamlog::HdbFieldLengths> fieldLenShown;
    bool ended = false, endedNow = false;
    std::string focus;
    mutable std::set<std::string> addressed;

    Control& operator[](const std::string& name) { return controls[name]; }

    void SetEnabled(const std::string& n, bool on) override { Set(n).enabled = on; }
    bool Enabled(const std::string& n) const override { return Get(n).enabled; }
    void SetVisible(const std::string& n, bool on) override { Set(n).visible = on; }
    bool Visible(const std::string& n) const override { return Get(n).visible; }
    void SetText(const std::string& n, const std::string& t) override {
        bool changed = Set(n).text != t;
        controls[n].text = t;
        if (changed && model && n.rfind("Text", 0) == 0) model->TextChanged(n);
    }
    std::string Text(const std::string& n) const override { return Get(n).text; }
    void SetChecked(const std::string& n, bool on) override {
        // Option buttons of one group ("Option1(2)") clear their siblings.
        std::size_t paren = n.find('(');
        if (on && paren != std::string::npos)
            for (auto& [name, c] : controls)
                if (name != n && name.compare(0, paren + 1, n, 0, paren + 1) == 0) c.checked = false;
        Set(n).checked = on;
    }
    bool Checked(const std::string& n) const override { return Get(n).checked; }
    void ClearList(const std::string& n) override { Set(n).items.clear(); }
    void AddListItem(const std::string& n, const std::string& item) override { Set(n).items.push_back(item); }
    void SetBackColor(const std::string& n, std::optional<std::uint32_t> c) override { Set(n).backColor = c; }
    void SetFocusTo(const std::string& n) override { addressed.insert(focus = n); }
    void ServiceEvents() override {}
    void OpenFileMenu() override {}
    void SetBusy(bool) override {}
    bool AnotherInstanceRunning() override { return otherInstance; }
    void ShowFieldLen(const hamlog::HdbFieldLengths& l) override { fieldLenShown = l; }
    void CloseFieldLen() override { fieldLenShown.reset(); }
    struct MappingRequest {
        std::vector<std::string> tagNames;
        std::string fixedText, adifPath;
    };
    std::optional<MappingRequest> mappingShown;
    void ShowAdifMapping(const std::vector<std::string>& names, const std::string& fixedText,
                         const std::string& adifPath) override {
        mappingShown = MappingRequest{names, fixedText, adifPath};
    }
    void CloseAdifMapping(bool) override { mappingShown.reset(); }
    void EndProgram() override { ended = true; }
    void EndProgramNow() override { endedNow = true; }

private:
    Control& Set(const std::string& n) {
        addressed.insert(n);
        return controls[n];
    }
    Control Get(const std::string& n) const {
        addressed.insert(n);
        auto it = controls.find(n);
        return it == controls.end() ? Control{} : it->second;
    }
};

}  // namespace trelvo::testing
