// The real dialogs: Qt file dialogs and message boxes, the text editor started as a separate
// program, and the help window.
#pragma once

#include <QPointer>
#include <QString>

#include <QWidget>
#include <memory>

#include "app/ui_dialogs.h"

class QTextBrowser;
class QTranslator;

namespace trelvo::gui {

// Qt's own Japanese texts (はい/いいえ/キャンセル, the file dialog), from Qt's translations
// folder or beside the program. Installed into the application while the result lives;
// nullptr when no translation was found.
std::unique_ptr<QTranslator> InstallQtJapanese(const QString& programFolder);

// The help in its own window, opened at a topic.
class HelpWindow : public QWidget {
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* owner = nullptr);
    // 1 the main window, 2 the ADIF mapping window.
    void ShowTopic(int context);
    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};

class QtDialogs : public app::UiDialogs {
public:
    // Dialogs and messages are placed over `owner` (the main window).
    void SetOwner(QWidget* owner) { owner_ = owner; }

    std::optional<std::string> OpenFile(const app::FileDialogRequest& request) override;
    std::optional<std::string> SaveFile(const app::FileDialogRequest& request) override;
    void Message(const std::string& text, app::MessageIcon icon, const std::string& title) override;
    bool AskYesNo(const std::string& text, app::MessageIcon icon, const std::string& title) override;
    void StartEditor(const std::string& editor, const std::string& file) override;
    void ShowHelp(int context) override;

    HelpWindow* Help() const { return help_; }

private:
    std::optional<std::string> RunFileDialog(const app::FileDialogRequest& request, bool save);

    QPointer<QWidget> owner_;
    QPointer<HelpWindow> help_;
};

}  // namespace trelvo::gui
