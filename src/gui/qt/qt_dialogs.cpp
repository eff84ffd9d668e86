#include "gui/qt/qt_dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QTextBrowser>
#include <QTranslator>
#include <QUrl>
#include <QVBoxLayout>

#include "app/main_form_model.h"

// The help page is compiled into the window library; a static library needs its resources
// registered by hand.
static void InitHelpResource() {
    Q_INIT_RESOURCE(trelvo5_gui);
}

namespace trelvo::gui {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// Messages are written with CR LF between their lines.
QString MessageText(const std::string& text) {
    return Q(text).replace("\r\n", "\n");
}

QString Title(const std::string& title) {
    return Q(title.empty() ? std::string(app::kProgramTitle) : title);
}

QMessageBox::Icon BoxIcon(app::MessageIcon icon) {
    switch (icon) {
        case app::MessageIcon::Information:
            return QMessageBox::Information;
        case app::MessageIcon::Question:
            return QMessageBox::Question;
        case app::MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case app::MessageIcon::Critical:
            return QMessageBox::Critical;
        case app::MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

std::unique_ptr<QTranslator> InstallQtJapanese(const QString& programFolder) {
    auto translator = std::make_unique<QTranslator>();
    for (const QString& folder : {QLibraryInfo::path(QLibraryInfo::TranslationsPath), programFolder}) {
        if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_", folder) &&
            QCoreApplication::installTranslator(translator.get()))
            return translator;
    }
    return nullptr;
}

HelpWindow::HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window), browser_(new QTextBrowser) {
    InitHelpResource();
    setObjectName("HelpWindow");
    setWindowTitle("TRELVO5 Help");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    browser_->setOpenExternalLinks(true);
    browser_->setSource(QUrl("qrc:/help/TRELVO5.html"));
    resize(720, 640);
}

void HelpWindow::ShowTopic(int context) {
    browser_->scrollToAnchor(QString("context%1").arg(context));
}

std::optional<std::string> QtDialogs::RunFileDialog(const app::FileDialogRequest& request, bool save) {
    QFileDialog dialog(owner_, Q(request.title), Q(request.startFolder));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!save && request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    QStringList filters;
    for (const std::string& f : app::DialogNameFilters(request.filter)) filters << Q(f);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    // A name typed without an extension gets the filter's one (Turbo HAMLOG lists *.CSV only).
    if (save) dialog.setDefaultSuffix(Q(app::DefaultSuffix(request.filter)));
    if (!request.proposedName.empty()) dialog.selectFile(Q(request.proposedName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().front()).toStdString();
}

std::optional<std::string> QtDialogs::OpenFile(const app::FileDialogRequest& request) {
    return RunFileDialog(request, false);
}

std::optional<std::string> QtDialogs::SaveFile(const app::FileDialogRequest& request) {
    return RunFileDialog(request, true);
}

void QtDialogs::Message(const std::string& text, app::MessageIcon icon, const std::string& title) {
    QMessageBox box(BoxIcon(icon), Title(title), MessageText(text), QMessageBox::Ok, owner_);
    box.exec();
}

bool QtDialogs::AskYesNo(const std::string& text, app::MessageIcon icon, const std::string& title) {
    QMessageBox box(BoxIcon(icon), Title(title), MessageText(text), QMessageBox::Yes | QMessageBox::No,
                    owner_);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::StartEditor(const std::string& editor, const std::string& file) {
    if (QProcess::startDetached(Q(editor), {Q(file)})) return;
    // The usual default names an editor this system does not have: let the desktop open
    // the file with its own choice instead.
    if (Q(editor).compare("NOTEPAD.EXE", Qt::CaseInsensitive) == 0)
        QDesktopServices::openUrl(QUrl::fromLocalFile(Q(file)));
}

void QtDialogs::ShowHelp(int context) {
    if (!help_) help_ = new HelpWindow(owner_);
    help_->ShowTopic(context);
    help_->show();
    help_->raise();
    help_->activateWindow();
}

}  // namespace trelvo::gui
