// A main window over a scratch program folder, with scripted dialogs.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "app/main_form_qt.h"
#include "scripted_dialogs.h"
#include "settings/ini_store.h"
#include "test_support.h"

namespace trelvo::testing {

class WindowTest : public ::testing::Test {
protected:
    ScratchDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<app::MainForm> form;

    std::string Ini() const { return dir.File("TRELVO5.INI"); }
    app::MainFormConfig Config() const {
        app::MainFormConfig c;
        c.programFolder = dir.Path();
        c.iniPath = Ini();
        c.versionMajor = 1;
        c.versionMinor = 2;
        return c;
    }
    app::MainForm& Make() {
        form = std::make_unique<app::MainForm>(Config(), dialogs);
        return *form;
    }
    app::MainForm& Start() {
        Make();
        EXPECT_EQ(form->Form_Load(), app::LoadOutcome::Shown);
        form->show();
        return *form;
    }
    template <class T>
    T* W(const std::string& name) const {
        T* w = qobject_cast<T*>(form->Control(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QAction* Item(const std::string& name) const { return W<QAction>(name); }
    QLineEdit* Box(const std::string& name) const { return W<QLineEdit>(name); }
    std::string ReadIni(const std::string& section, const std::string& key) const {
        settings::IniStore ini(Ini());
        return ini.ReadOr(section, key, "<missing>");
    }
    void TearDown() override {
        if (form) {
            EXPECT_TRUE(form->UnknownControls().empty()) << form->UnknownControls().front();
        }
        form.reset();
    }
};

}  // namespace trelvo::testing
