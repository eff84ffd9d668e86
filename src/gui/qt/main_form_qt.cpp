#include "gui/qt/main_form_qt.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

#include "app/main_form_layout.h"
#include "app/text_filters.h"
#include "gui/qt/adif2hl_form_qt.h"
#include "gui/qt/field_len_qt.h"

namespace trelvo::app {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
std::string S(const QString& s) {
    return s.toStdString();
}

}  // namespace

template <class T>
T* MainForm::Add(T* object, const std::string& name) {
    object->setObjectName(Q(name));
    controls_[name] = object;
    return object;
}

MainForm::MainForm(MainFormConfig config, UiDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), model_(std::move(config), *this, dialogs), dialogs_(dialogs) {
    setObjectName("MainForm");
    setWindowTitle(kProgramTitle);
    BuildMenu();
    auto* central = new QWidget;
    setCentralWidget(central);
    BuildControls(central);
    qApp->installEventFilter(this);
    setAcceptDrops(true);
    PlaceFrames();
}

MainForm::~MainForm() {
    qApp->removeEventFilter(this);
    // The secondary windows report their end to this window: let them go while it still is one.
    CloseFieldLen();
    CloseAdifMapping(false);
}

void MainForm::BuildMenu() {
    fileMenu_ = menuBar()->addMenu(kFileMenuCaption);
    Add(fileMenu_, kFileMenuName);
    auto connectItem = [this](QAction* a, const std::string& name) {
        connect(a, &QAction::triggered, this,
                [this, name] { RunCommand([this, name] { ClickControl(model_, name); }); });
    };
    for (const MenuItemLayout& item : FileMenuItems()) {
        if (!*item.name) {
            fileMenu_->addSeparator();
            continue;
        }
        connectItem(Add(fileMenu_->addAction(item.caption), item.name), item.name);
    }
    for (const MenuItemLayout& item : TopMenuItems()) {
        QAction* a = Add(menuBar()->addAction(item.caption), item.name);
        if (std::string(item.name) == "ConvHelp") connectItem(a, item.name);
    }
}

QRect MainForm::Pixels(const Place& p) const {
    const QFontMetrics fm = fontMetrics();
    const int cx = fm.averageCharWidth(), cy = fm.height();
    return {p.x * cx / 4, p.y * cy / 8, p.width * cx / 4, p.height * cy / 8};
}

void MainForm::BuildControls(QWidget* central) {
    status_ = new QWidget(central);
    std::map<std::string, QWidget*> frames;
    for (const ControlLayout& c : MainFormControls()) {
        QWidget* parent = *c.frame ? frames.at(c.frame) : (c.kind == ControlKind::Frame ? central : status_);
        const std::string name = c.name;
        QWidget* w = nullptr;
        switch (c.kind) {
            case ControlKind::Frame: {
                auto* box = new QGroupBox(c.caption, parent);
                frames[name] = box;
                w = box;
                break;
            }
            case ControlKind::Label: {
                auto* label = new QLabel(c.caption, parent);
                label->setWordWrap(c.place.height > 12);
                if (name == "Label5" || name == "Label6") label->setFrameShape(QFrame::StyledPanel);
                if (name == "Label5") label->setTextInteractionFlags(Qt::TextSelectableByMouse);
                if (name == "Label6") label->setAlignment(Qt::AlignCenter);
                w = label;
                break;
            }
            case ControlKind::CheckBox:
            case ControlKind::OptionButton:
            case ControlKind::Button: {
                QAbstractButton* b = nullptr;
                if (c.kind == ControlKind::CheckBox)
                    b = new QCheckBox(c.caption, parent);
                else if (c.kind == ControlKind::OptionButton)
                    b = new QRadioButton(c.caption, parent);
                else
                    b = new QPushButton(c.caption, parent);
                if (name == "Command1") b->setAutoFillBackground(true);
                connect(b, &QAbstractButton::clicked, this,
                        [this, name] { RunCommand([this, name] { ClickControl(model_, name); }); });
                w = b;
                break;
            }
            case ControlKind::TextBox: {
                auto* box = new QLineEdit(c.caption, parent);
                // Every text box reports its changes (typed or set) to its change handler.
                connect(box, &QLineEdit::textChanged, this, [this, name] { model_.TextChanged(name); });
                w = box;
                break;
            }
            case ControlKind::ListBox: {
                auto* combo = new QComboBox(parent);
                connect(combo, &QComboBox::activated, this, [this](int) { Combo1_Click(); });
                w = combo;
                break;
            }
        }
        Place place = c.place;
        if (c.kind == ControlKind::ListBox) place.height = 12;  // the list drops below
        if (c.kind != ControlKind::Frame || *c.frame)
            w->setGeometry(Pixels(place));
        else
            w->setFixedSize(Pixels(place).size());
        if (*c.tip) w->setToolTip(c.tip);
        if (!name.empty()) Add(w, name);
    }
    for (const ControlLayout& c : MainFormControls())
        if (*c.follows) captionOf_[c.name] = static_cast<QWidget*>(controls_.at(c.follows));
}

void MainForm::PlaceFrames() {
    Place client;
    const auto places = StackFrames(
        [this](const std::string& frame) {
            auto* w = qobject_cast<QWidget*>(Control(frame));
            return w && !w->isHidden();
        },
        &client);
    for (const StackedPlace& p : places) {
        QWidget* w = p.name.empty() ? status_ : static_cast<QWidget*>(controls_.at(p.name));
        w->setGeometry(Pixels(p.place));
    }
    // The window takes the size of what it shows: it grows for a tall frame and shrinks again.
    centralWidget()->setFixedSize(Pixels(client).size());
    adjustSize();
}

// --------------------------------------------------------------------------------------
// Events

template <class F>
void MainForm::RunCommand(F&& handler) {
    handler();
    if (closeAfterRun_ && !model_.Running()) {
        closeAfterRun_ = false;
        close();
    }
}

void MainForm::Command1_Click() {
    RunCommand([this] { model_.Command1_Click(); });
}

void MainForm::Form_KeyDown(int keyCode, int shift) {
    model_.Form_KeyDown(keyCode, shift);
}

void MainForm::Label21_MouseDown() {
    model_.Label21_MouseDown();
    // The label takes the room of the hidden fields, so its whole text shows.
    if (auto* label = qobject_cast<QLabel*>(Find("Label21"))) {
        label->setWordWrap(true);
        label->setGeometry(Pixels(Label21Expanded()));
        label->raise();
    }
}

void MainForm::Label21_MouseUp() {
    model_.Label21_MouseUp();
    if (auto* label = qobject_cast<QLabel*>(Find("Label21")))
        label->setGeometry(Pixels(FindControl("Label21")->place));
}

void MainForm::TextKeyPress(const std::string& name, char32_t& key) {
    auto* box = qobject_cast<QLineEdit*>(Find(name));
    const int length = box ? static_cast<int>(box->text().size()) : 0;
    const KeyPressOutcome out = FilterKeyPress(TextBoxKindFor(name), key, length);
    key = out.key;
    if (box && out.key != 0 && out.selectLength > 0) {
        const int from = box->hasSelectedText() ? box->selectionStart() : box->cursorPosition();
        const int n = std::min(out.selectLength, static_cast<int>(box->text().size()) - from);
        if (n > 0) box->setSelection(from, n);
    }
}

bool MainForm::FilterLineEditKey(QLineEdit* box, QKeyEvent* e) {
    const std::string name = S(box->objectName());
    if (TextBoxKindFor(name) == TextBoxKind::Free) return false;
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    char32_t key = 0;
    if (e->key() == Qt::Key_Backspace) {
        key = kBackspace;
    } else {
        const QString t = e->text();
        if (t.isEmpty()) return false;  // arrows, Home, Delete, ...
        const uint code = t.toUcs4().value(0);
        if (code < 32) return false;  // Tab, Return, Esc
        key = code;
    }
    static const std::map<std::string, void (MainForm::*)(char32_t&)> kHandlers = {
        {"Text4", &MainForm::Text4_KeyPress},   {"Text5", &MainForm::Text5_KeyPress},
        {"Text22", &MainForm::Text22_KeyPress}, {"Text23", &MainForm::Text23_KeyPress},
        {"Text24", &MainForm::Text24_KeyPress}, {"Text7", &MainForm::Text7_KeyPress},
        {"Text8", &MainForm::Text8_KeyPress},   {"Text11", &MainForm::Text11_KeyPress},
        {"Text12", &MainForm::Text12_KeyPress}, {"Text3", &MainForm::Text3_KeyPress},
        {"Text6", &MainForm::Text6_KeyPress},   {"Text10", &MainForm::Text10_KeyPress}};
    (this->*kHandlers.at(name))(key);
    if (key == 0) return true;  // discarded
    if (key == kBackspace) {
        box->backspace();
    } else {
        box->insert(QString::fromUcs4(&key, 1));
    }
    return true;
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this) {
            auto* key = static_cast<QKeyEvent*>(event);
            const Qt::KeyboardModifiers mods = key->modifiers();
            const int shift = ((mods & Qt::ShiftModifier) ? 1 : 0) | ((mods & Qt::ControlModifier) ? 2 : 0) |
                              ((mods & Qt::AltModifier) ? 4 : 0);
            if (key->key() == Qt::Key_Escape) {
                Form_KeyDown(27, shift);
                return model_.Running();  // while idle Esc still reaches the controls
            }
            if (key->key() == Qt::Key_Z && shift == 6) {
                Form_KeyDown(90, shift);
                return true;
            }
            if (auto* box = qobject_cast<QLineEdit*>(w)) return FilterLineEditKey(box, key);
        }
    } else if (watched == Find("Label21")) {
        if (type == QEvent::MouseButtonPress) Label21_MouseDown();
        if (type == QEvent::MouseButtonRelease) Label21_MouseUp();
    }
    return QMainWindow::eventFilter(watched, event);
}

namespace {

// The first local file of a drag, or empty.
QString DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return {};
}

}  // namespace

void MainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (!model_.Running() && !DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainForm::dropEvent(QDropEvent* event) {
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty() || model_.Running()) return;
    event->acceptProposedAction();
    const std::string native = S(QDir::toNativeSeparators(path));
    // The drop returns at once; the command runs from the event loop, as a menu command does.
    QTimer::singleShot(0, this,
                       [this, native] { RunCommand([this, native] { model_.FileDropped(native); }); });
}

void MainForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Form_Activate();
    QMainWindow::changeEvent(event);
}

void MainForm::closeEvent(QCloseEvent* event) {
    if (ended_) {
        event->accept();
        return;
    }
    if (model_.Running()) {
        // Stop the conversion first; the window closes when it has returned.
        model_.CancelRequested = 1;
        closeAfterRun_ = true;
        event->ignore();
        return;
    }
    inCloseEvent_ = true;
    model_.Form_Unload();
    inCloseEvent_ = false;
    event->accept();
}

// --------------------------------------------------------------------------------------
// MainFormView

QObject* MainForm::Find(const std::string& name) const {
    auto it = controls_.find(name);
    if (it != controls_.end()) return it->second;
    unknown_.push_back(name);
    return nullptr;
}

QObject* MainForm::Control(const std::string& name) const {
    auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second;
}

void MainForm::SetEnabled(const std::string& name, bool on) {
    if (auto it = captionOf_.find(name); it != captionOf_.end()) it->second->setEnabled(on);
    QObject* o = Find(name);
    if (auto* w = qobject_cast<QWidget*>(o)) {
        if (auto* menu = qobject_cast<QMenu*>(w))
            menu->menuAction()->setEnabled(on);
        else
            w->setEnabled(on);
    } else if (auto* a = qobject_cast<QAction*>(o)) {
        a->setEnabled(on);
    }
}

bool MainForm::Enabled(const std::string& name) const {
    QObject* o = Find(name);
    if (auto* menu = qobject_cast<QMenu*>(o)) return menu->menuAction()->isEnabled();
    // The control's own setting, as it was given, whatever its frame's.
    if (auto* w = qobject_cast<QWidget*>(o)) return !w->testAttribute(Qt::WA_ForceDisabled);
    if (auto* a = qobject_cast<QAction*>(o)) return a->isEnabled();
    return false;
}

void MainForm::SetVisible(const std::string& name, bool on) {
    QObject* o = Find(name);
    if (auto* menu = qobject_cast<QMenu*>(o))
        menu->menuAction()->setVisible(on);
    else if (auto* w = qobject_cast<QWidget*>(o))
        w->setVisible(on);
    else if (auto* a = qobject_cast<QAction*>(o))
        a->setVisible(on);
    const auto& stacked = StackedFrames();
    if (std::find(stacked.begin(), stacked.end(), name) != stacked.end()) PlaceFrames();
}

bool MainForm::Visible(const std::string& name) const {
    QObject* o = Find(name);
    if (auto* menu = qobject_cast<QMenu*>(o)) return menu->menuAction()->isVisible();
    if (auto* w = qobject_cast<QWidget*>(o)) return !w->isHidden();
    if (auto* a = qobject_cast<QAction*>(o)) return a->isVisible();
    return false;
}

void MainForm::SetText(const std::string& name, const std::string& text) {
    QObject* o = Find(name);
    const QString t = Q(text);
    if (auto* e = qobject_cast<QLineEdit*>(o))
        e->setText(t);
    else if (auto* l = qobject_cast<QLabel*>(o))
        l->setText(t);
    else if (auto* g = qobject_cast<QGroupBox*>(o))
        g->setTitle(t);
    else if (auto* b = qobject_cast<QAbstractButton*>(o))
        b->setText(t);
    else if (auto* c = qobject_cast<QComboBox*>(o))
        c->setCurrentText(t);
    else if (auto* m = qobject_cast<QMenu*>(o))
        m->setTitle(t);
    else if (auto* a = qobject_cast<QAction*>(o))
        a->setText(t);
}

std::string MainForm::Text(const std::string& name) const {
    QObject* o = Find(name);
    if (auto* e = qobject_cast<QLineEdit*>(o)) return S(e->text());
    if (auto* l = qobject_cast<QLabel*>(o)) return S(l->text());
    if (auto* g = qobject_cast<QGroupBox*>(o)) return S(g->title());
    if (auto* b = qobject_cast<QAbstractButton*>(o)) return S(b->text());
    if (auto* c = qobject_cast<QComboBox*>(o)) return S(c->currentText());
    if (auto* m = qobject_cast<QMenu*>(o)) return S(m->title());
    if (auto* a = qobject_cast<QAction*>(o)) return S(a->text());
    return {};
}

void MainForm::SetChecked(const std::string& name, bool on) {
    if (auto* b = qobject_cast<QAbstractButton*>(Find(name))) b->setChecked(on);
}

bool MainForm::Checked(const std::string& name) const {
    auto* b = qobject_cast<QAbstractButton*>(Find(name));
    return b && b->isChecked();
}

void MainForm::ClearList(const std::string& name) {
    if (auto* c = qobject_cast<QComboBox*>(Find(name))) c->clear();
}

void MainForm::AddListItem(const std::string& name, const std::string& item) {
    if (auto* c = qobject_cast<QComboBox*>(Find(name))) c->addItem(Q(item));
}

void MainForm::SetBackColor(const std::string& name, std::optional<std::uint32_t> bgr) {
    auto* w = qobject_cast<QWidget*>(Find(name));
    if (!w) return;
    QPalette p = w->palette();
    if (bgr) {
        const QColor c(static_cast<int>(*bgr & 0xFF), static_cast<int>((*bgr >> 8) & 0xFF),
                       static_cast<int>((*bgr >> 16) & 0xFF));
        p.setColor(QPalette::Button, c);
    } else {
        p.setColor(QPalette::Button, QApplication::palette(w).color(QPalette::Button));
    }
    w->setPalette(p);
}

void MainForm::SetFocusTo(const std::string& name) {
    if (auto* w = qobject_cast<QWidget*>(Find(name))) w->setFocus(Qt::OtherFocusReason);
}

void MainForm::ShowTextFor(const std::string& name, const std::string& text, int milliseconds,
                           const std::string& then) {
    SetText(name, text);
    QTimer::singleShot(milliseconds, this, [this, name, text, then] {
        if (Text(name) == text) SetText(name, then);
    });
}

void MainForm::ServiceEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void MainForm::OpenFileMenu() {
    if (isVisible() && fileMenu_->menuAction()->isEnabled())
        menuBar()->setActiveAction(fileMenu_->menuAction());
}

void MainForm::SetBusy(bool busy) {
    if (busy) {
        if (busyDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busyDepth_ > 0 && --busyDepth_ == 0) {
        QApplication::restoreOverrideCursor();
    }
}

namespace {

// The local socket of a running copy: beside its lock file where the system allows such a
// name, else a name made from the lock file's path.
QString InstanceSocketName(const QString& lockPath) {
    const QString beside = lockPath.left(lockPath.size() - 5) + ".sock";
#ifndef Q_OS_WIN
    if (beside.toLocal8Bit().size() < 100) return beside;
#endif
    return "TRELVO5-" +
           QCryptographicHash::hash(lockPath.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
}

}  // namespace

bool MainForm::AnotherInstanceRunning() {
    if (instanceLock_) return false;
    // The lock sits beside the settings file, so two copies never write it at once.
    const QString folder = QFileInfo(Q(model_.Config().iniPath)).absolutePath();
    QString lockPath = QDir(folder).filePath("TRELVO5.lock");
    auto lock = std::make_unique<QLockFile>(lockPath);
    lock->setStaleLockTime(0);
    bool locked = lock->tryLock(0);
    if (!locked && lock->error() != QLockFile::LockFailedError) {
        // The folder cannot be written: hold the lock in the temporary folder instead.
        const QByteArray key =
            QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
        lockPath = QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation))
                       .filePath("TRELVO5-" + key + ".lock");
        lock = std::make_unique<QLockFile>(lockPath);
        lock->setStaleLockTime(0);
        locked = lock->tryLock(0) || lock->error() != QLockFile::LockFailedError;
    }
    const QString socketName = InstanceSocketName(lockPath);
    if (!locked) {
        // Another copy runs: ask it to come to the front, then end.
        QLocalSocket socket;
        socket.connectToServer(socketName);
        if (socket.waitForConnected(2000)) {
            socket.write("raise\n");
            socket.waitForBytesWritten(2000);
            socket.disconnectFromServer();
        }
        return true;
    }
    instanceLock_ = std::move(lock);
    instanceServer_ = new QLocalServer(this);
    QLocalServer::removeServer(socketName);  // left by a copy that did not end cleanly
    if (instanceServer_->listen(socketName)) {
        connect(instanceServer_, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* s = instanceServer_->nextPendingConnection()) {
                connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
                connect(s, &QLocalSocket::readyRead, this, [this, s] {
                    if (s->readAll().contains("raise")) RaiseWindow();
                });
            }
        });
    }
    return false;
}

void MainForm::RaiseWindow() {
    ++raiseRequests_;
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void MainForm::ShowFieldLen(const hamlog::HdbFieldLengths& lengths) {
    CloseFieldLen();
    fieldLen_ = new tools::FieldLen(lengths, this);
    fieldLen_->setAttribute(Qt::WA_DeleteOnClose);
    connect(fieldLen_, &QObject::destroyed, this, [this] { fieldLen_ = nullptr; });
    fieldLen_->show();
}

void MainForm::CloseFieldLen() {
    if (fieldLen_) {
        tools::FieldLen* w = fieldLen_;
        fieldLen_ = nullptr;
        w->disconnect(this);
        w->close();
        delete w;
    }
}

void MainForm::ShowAdifMapping(const std::vector<std::string>& tagNames, const std::string& fixedText,
                               const std::string& adifPath) {
    CloseAdifMapping(false);
    auto* w = new adif::ADIF2HL_Form(tagNames, fixedText, model_.Ini(), dialogs_, model_.EditorPath, adifPath,
                                     this, model_.Config().lang);
    w->setAttribute(Qt::WA_DeleteOnClose);
    connect(w, &adif::ADIF2HL_Form::MappingClosed, this,
            [this](const adif::AdifMapping& mapping) { model_.AdifMappingClosed(mapping); });
    connect(w, &QObject::destroyed, this, [this] { adifMapping_ = nullptr; });
    adifMapping_ = w;
    w->show();
}

void MainForm::CloseAdifMapping(bool closingActions) {
    if (!adifMapping_) return;
    QWidget* w = adifMapping_;
    if (closingActions) {
        w->close();  // stores the marks and hands the map over; deletes itself
        return;
    }
    adifMapping_ = nullptr;
    w->disconnect(this);
    delete w;
}

void MainForm::EndProgram() {
    ended_ = true;
    CloseFieldLen();
    CloseAdifMapping(false);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible() && w->parentWidget() == this) w->close();
    if (!inCloseEvent_) close();
    if (instanceServer_) instanceServer_->close();
    instanceLock_.reset();
    QCoreApplication::quit();
}

void MainForm::EndProgramNow() {
    endedNow_ = true;
    EndProgram();
}

}  // namespace trelvo::app
