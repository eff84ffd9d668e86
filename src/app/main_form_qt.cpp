#include "app/main_form_qt.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QDir>
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
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

#include "app/text_filters.h"
#include "tools/field_len_qt.h"
#include "importers/adif/adif2hl_form_qt.h"

namespace trelvo::app {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

QLineEdit* NarrowBox(int chars) {
    auto* box = new QLineEdit;
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QLatin1Char('W')) * chars + 12);
    return box;
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
    auto* outer = new QVBoxLayout(central);
    // The active option group sits at the top; the hidden ones take no room.
    outer->addWidget(BuildFrame1());
    outer->addWidget(BuildFrame2());
    outer->addWidget(BuildFrame3());
    outer->addWidget(BuildFrame7());
    outer->addWidget(Add(new QGroupBox("TRELVO5  変換メニュー"), "Frame8"));

    auto* status = new QGridLayout;
    auto* label5 = Add(new QLabel, "Label5");
    label5->setFrameShape(QFrame::StyledPanel);
    label5->setWordWrap(true);
    label5->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label5->setMinimumHeight(label5->fontMetrics().height() * 2 + 8);
    status->addWidget(label5, 0, 0, 1, 2);
    auto* label6 = Add(new QLabel(kCounterIdle), "Label6");
    label6->setFrameShape(QFrame::StyledPanel);
    label6->setAlignment(Qt::AlignCenter);
    label6->setMinimumWidth(label6->fontMetrics().horizontalAdvance("0000000 / 0000000") + 16);
    status->addWidget(label6, 1, 0);
    auto* command1 = Add(new QPushButton("変換開始"), "Command1");
    command1->setMinimumHeight(command1->sizeHint().height() * 3 / 2);
    command1->setAutoFillBackground(true);
    status->addWidget(command1, 1, 1);
    status->setColumnStretch(1, 1);
    outer->addLayout(status);
    outer->addStretch(1);
    setCentralWidget(central);

    connect(command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    // Every text box reports its changes (typed or set) to its change handler.
    for (const auto& [name, object] : controls_)
        if (auto* box = qobject_cast<QLineEdit*>(object))
            connect(box, &QLineEdit::textChanged, this, [this, name = name] { model_.TextChanged(name); });
    qApp->installEventFilter(this);
    setAcceptDrops(true);
}

MainForm::~MainForm() {
    qApp->removeEventFilter(this);
    // The secondary windows report their end to this window: let them go while it still is one.
    CloseFieldLen();
    CloseAdifMapping(false);
}

void MainForm::BuildMenu() {
    fileMenu_ = menuBar()->addMenu("File(&F)");
    Add(fileMenu_, "TRELVOMenu");
    auto item = [this](const char* name, const char* caption, auto handler) {
        QAction* a = Add(fileMenu_->addAction(caption), name);
        connect(a, &QAction::triggered, this, [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); });
    };
    item("SetHlpos", "Turbo HAMLOG V5ﾃﾞｰﾀ(HDB/MST)の場所指定", &MainForm::SetHlpos_Click);
    item("ChkData", "Turbo HAMLOG V5のﾃﾞｰﾀ長確認", &MainForm::ChkData_Click);
    fileMenu_->addSeparator();
    item("setDGPData", "Digipanのlogデータ指定", &MainForm::setDGPData_Click);
    item("mkCSV", "DigipanLog->CSV化(&D)", &MainForm::mkCSV_Click);
    fileMenu_->addSeparator();
    item("setADIFData", "ADIF形式のlogデータ指定", &MainForm::setADIFData_Click);
    item("viewCSV", "完成CSVﾌｧｲﾙの参照(&C)", &MainForm::viewCSV_Click);
    fileMenu_->addSeparator();
    item("ZL2HL", "zLog->CSV化(Turbo HAMLOG V5)", &MainForm::ZL2HL_Click);
    fileMenu_->addSeparator();
    item("setHLData", "Turbo HAMLOGデータ → テキスト変換モードへ", &MainForm::setHLData_Click);
    item("MODCH", "Turbo HAMLOGデータ内登録モードの取得", &MainForm::MODCH_Click);
    item("mkADIF", "Turbo HAMLOGデータのADIF化(&A)", &MainForm::mkADIF_Click);
    item("mkHL2CSV", "Turbo HAMLOGデータのCSVﾌｧｲﾙ化(&S)", &MainForm::mkHL2CSV_Click);
    item("mkHL2CSV5", "Turbo HAMLOGデータのCSVﾌｧｲﾙ化(5系読み込み可)", &MainForm::mkHL2CSV5_Click);
    item("xxxCC", "Turbo HAMLOG旧ﾊﾞｯｸｱｯﾌﾟﾌｧｲﾙ形式ﾃｷｽﾄ出力(&G)", &MainForm::xxxCC_Click);
    item("viewNewADIF", "完成ﾃｷｽﾄﾌｧｲﾙの参照(&V)", &MainForm::viewNewADIF_Click);
    fileMenu_->addSeparator();
    item("JAP1CSV", "JAP1データの指定(個別対応用途）", &MainForm::JAP1CSV_Click);
    item("viewCSVJ", "JAP1-HL変換後ファイルの参照", &MainForm::viewCSVJ_Click);
    fileMenu_->addSeparator();
    item("edSet", "お気に入りﾃｷｽﾄｴﾃﾞｨﾀの登録", &MainForm::edSet_Click);
    fileMenu_->addSeparator();
    item("Pend", "終了(&X)", &MainForm::Pend_Click);

    QAction* help = Add(menuBar()->addAction("Help"), "ConvHelp");
    connect(help, &QAction::triggered, this, [this] { ConvHelp_Click(); });
    Add(menuBar()->addAction(QString()), "verdisp");
}

QWidget* MainForm::BuildFrame1() {
    auto* frame = Add(new QGroupBox("変換ルール( Digipan.LOG -> Turbo HAMLOG用 CSV)"), "Frame1");
    // Columns: mark check box, its box, a gap, ADIF caption, its box.
    auto* grid = new QGridLayout(frame);
    auto* freq = new QButtonGroup(frame);
    const char* freqCaptions[4] = {"14070 (KHz) -> 14.070(MHz)", "14070 (KHz) -> 14(MHz)",
                                   "変換しない(元々MHz台ﾃﾞｰﾀ)", "Meter表記   -> MHz表記"};
    for (int i = 0; i < 4; ++i) {
        auto* r = Add(new QRadioButton(freqCaptions[i]), "Option1(" + std::to_string(i) + ")");
        freq->addButton(r, i);
        grid->addWidget(r, i / 2, i % 2 == 0 ? 0 : 3, 1, 2);
    }
    auto mark = [&](int row, const char* check, const char* caption, const char* box) {
        grid->addWidget(Add(new QCheckBox(caption), check), row, 0);
        grid->addWidget(Add(NarrowBox(3), box), row, 1);
    };
    mark(2, "Check1", "QSL発行区分=", "Text4");
    mark(3, "Check2", "QSL発行済ﾏｰｸ   =", "Text5");
    mark(4, "Check4", "QSL受領ﾏｰｸ     =", "Text22");
    grid->addWidget(new QLabel("未ﾁｪｯｸ状態では変換しないでｽﾙｰになります"), 5, 0, 1, 2);
    grid->addWidget(Add(new QCheckBox("JA局はLOG-TIMEをJSTに変換"), "Check3"), 2, 3, 1, 2);
    auto adifMark = [&](int row, const char* caption, const char* box) {
        auto* label = new QLabel(caption);
        captionOf_[box] = label;  // greyed with its box
        grid->addWidget(label, row, 3);
        grid->addWidget(Add(NarrowBox(3), box), row, 4);
    };
    adifMark(3, "ADIF上の発行済み文字 =", "Text23");
    adifMark(4, "ADIF上の受領済み文字 =", "Text24");
    grid->setColumnMinimumWidth(2, 16);
    grid->setColumnStretch(2, 1);
    grid->setColumnStretch(5, 1);
    return frame;
}

QWidget* MainForm::BuildFrame2() {
    auto* frame = Add(new QGroupBox("Turbo HAMLOGデータ → テキスト変換設定"), "Frame2");
    auto* grid = new QGridLayout(frame);
    auto* range = new QButtonGroup(frame);
    const char* rangeCaptions[3] = {"Turbo HAMLOGの全データを変換", "範囲指定(日付)", "範囲指定(RecNo)"};
    for (int i = 0; i < 3; ++i) {
        auto* r = Add(new QRadioButton(rangeCaptions[i]), "Option2(" + std::to_string(i) + ")");
        range->addButton(r, i);
        grid->addWidget(r, i, 0);
    }
    connect(range, &QButtonGroup::idClicked, this, [this](int id) { Option2_Click(id); });
    auto pair = [&](int row, const char* from, const char* to, int chars) {
        auto* line = new QHBoxLayout;
        line->addWidget(Add(NarrowBox(chars), from));
        line->addWidget(new QLabel("～"));
        line->addWidget(Add(NarrowBox(chars), to));
        line->addStretch(1);
        grid->addLayout(line, row, 1);
    };
    pair(1, "Text7", "Text8", 8);
    pair(2, "Text11", "Text12", 7);
    auto* combo = Add(new QComboBox, "Combo1");
    combo->setMinimumContentsLength(10);
    connect(combo, &QComboBox::activated, this, [this](int) { Combo1_Click(); });
    grid->addWidget(combo, 0, 1);
    auto* check9 = Add(new QCheckBox("MHz → kHz に変換する"), "Check9");
    auto* check10 = Add(new QCheckBox("Code変換＆出力を\u3000行わない"), "Check10");
    auto* check11 = Add(new QCheckBox("町村コードを削除する"), "Check11");
    connect(check9, &QCheckBox::clicked, this, [this] { Check9_Click(); });
    connect(check10, &QCheckBox::clicked, this, [this] { Check10_Click(); });
    connect(check11, &QCheckBox::clicked, this, [this] { Check11_Click(); });
    grid->addWidget(check9, 3, 0);
    grid->addWidget(check10, 4, 0);
    grid->addWidget(check11, 5, 0);
    auto* standard = Add(new QCheckBox("標準ADIF (ADIF 3.1.4) で出力する"), "CheckStd");
    connect(standard, &QCheckBox::clicked, this, [this] { CheckStd_Click(); });
    grid->addWidget(standard, 6, 0);
    auto* label7 = Add(new QLabel("時間は全てUTCに変換されます"), "Label7");
    label7->setWordWrap(true);
    grid->addWidget(label7, 3, 1, 3, 1);
    grid->setColumnStretch(1, 1);
    return frame;
}

QWidget* MainForm::BuildFrame3() {
    auto* frame = Add(new QGroupBox("変換ルール( zLog -> Turbo HAMLOG用 CSV)"), "Frame3");
    auto* grid = new QGridLayout(frame);
    grid->addWidget(Add(new QLabel, "Label11"), 0, 0);
    grid->addWidget(Add(new QCheckBox("DX局はLOG TimeをUTCに変換"), "Check6"), 0, 1);
    auto* mark = new QHBoxLayout;
    auto* check8 = Add(new QCheckBox("QSL発行区分="), "Check8");
    check8->setToolTip("未ﾁｪｯｸ状態では変換しないでｽﾙｰになります");
    mark->addWidget(check8);
    mark->addWidget(Add(NarrowBox(3), "Text9"));
    mark->addStretch(1);
    grid->addLayout(mark, 1, 0);
    auto* check7 = Add(new QCheckBox("QTH変換"), "Check7");
    check7->setToolTip("RcvNumがJCCGｺｰﾄﾞの場合");
    connect(check7, &QCheckBox::clicked, this, [this] { model_.Check7_Click(); });
    grid->addWidget(check7, 1, 1);
    auto* extra = new QHBoxLayout;
    auto* check5 = Add(new QCheckBox("追加情報を→"), "Check5");
    check5->setToolTip("% で囲った移動先地などを書きます");
    connect(check5, &QCheckBox::clicked, this, [this] { model_.Check5_Click(); });
    extra->addWidget(check5);
    auto* text2 = Add(new QLineEdit, "Text2");
    text2->setToolTip("追加情報はこちらへ記入します");
    extra->addWidget(text2);
    extra->addWidget(Add(new QRadioButton("Remarks1"), "Option6(0)"));
    extra->addWidget(Add(new QRadioButton("Remarks2"), "Option6(1)"));
    grid->addLayout(extra, 2, 0, 1, 2);

    // The three option rows of the zLog mode: received number, memo, contest name.
    auto* rows = new QGridLayout;
    const char* headings[] = {"Remarks1 へ", "Remarks2 へ", "変換しない"};
    for (int c = 0; c < 3; ++c) rows->addWidget(new QLabel(headings[c]), 0, c);
    const struct {
        const char* frame;
        const char* caption;
        const char* option;
    } groups[] = {{"Frame4", "RcvNum", "Option3"}, {"Frame5", "memo", "Option4"}, {"Frame6", "Contest名", "Option5"}};
    int row = 1;
    for (const auto& g : groups) {
        auto* box = Add(new QGroupBox(g.caption), g.frame);
        auto* h = new QHBoxLayout(box);
        for (int i = 0; i < 3; ++i)
            h->addWidget(Add(new QRadioButton, std::string(g.option) + "(" + std::to_string(i) + ")"));
        rows->addWidget(box, row++, 0, 1, 3);
    }
    static_cast<QGroupBox*>(Find("Frame4"))->setToolTip("受信したRS(T)を除いたｺﾝﾃｽﾄﾅﾝﾊﾞｰです");
    grid->addLayout(rows, 3, 0);

    // The mode names, and the two options of the extended (.ZLOX) file.
    auto* modes = new QGridLayout;
    modes->addWidget(new QLabel("MODEの変換定義"), 0, 0, 1, 4);
    const char* modeLabels[] = {"CW", "SSB", "FM", "AM", "RTTY", "Other", "FT4", "FT8"};
    for (int i = 0; i < 8; ++i) {
        modes->addWidget(new QLabel(modeLabels[i]), 1 + i / 2, (i % 2) * 2);
        modes->addWidget(Add(NarrowBox(6), "Text1(" + std::to_string(i) + ")"), 1 + i / 2, (i % 2) * 2 + 1);
    }
    modes->addWidget(Add(new QCheckBox("ZLOXの周波数を書く"), "CheckZlogFreq"), 5, 0, 1, 4);
    modes->addWidget(Add(new QCheckBox("ZLOXのQSL不要は発行区分を空白"), "CheckZlogNoQsl"), 6, 0, 1, 4);
    grid->addLayout(modes, 3, 1);
    return frame;
}

QWidget* MainForm::BuildFrame7() {
    auto* frame = Add(new QGroupBox, "Frame7");
    auto* grid = new QGridLayout(frame);
    auto count = [&](int row, const char* before, const char* box, const char* after) {
        grid->addWidget(new QLabel(before), row, 0);
        grid->addWidget(Add(NarrowBox(3), box), row, 1);
        grid->addWidget(new QLabel(after), row, 2);
    };
    count(0, "ｺﾝﾃｽﾄﾅﾝﾊﾞｰの前", "Text3", "文字を削除します");
    count(1, "ｺﾝﾃｽﾄﾅﾝﾊﾞｰの後", "Text6", "文字を削除します");
    count(2, "ｺﾝﾃｽﾄﾅﾝﾊﾞｰ先頭", "Text10", "文字が市区郡を表している");
    auto* label21 = Add(new QLabel("TRELVOでいうｺﾝﾃｽﾄﾅﾝﾊﾞｰとはRS(T)を除いた部分です"), "Label21");
    label21->setWordWrap(true);
    grid->addWidget(label21, 3, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    auto* command3 = Add(new QPushButton("独特のｺﾝﾃｽﾄﾅﾝﾊﾞｰﾃｰﾌﾞﾙを読み込む"), "Command3");
    command3->setToolTip("例えば静岡ｺﾝの\u3000NU=>,沼津市=>1803");
    connect(command3, &QPushButton::clicked, this, [this] { model_.Command3_Click(); });
    buttons->addWidget(command3);
    auto* command4 = Add(new QPushButton("←編集"), "Command4");
    connect(command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    buttons->addWidget(command4);
    auto* command2 = Add(new QPushButton("閉じる(決定)"), "Command2");
    connect(command2, &QPushButton::clicked, this, [this] { model_.Command2_Click(); });
    buttons->addWidget(command2);
    grid->addLayout(buttons, 4, 0, 1, 3);
    int row = 5;
    for (const char* example : {"例　 3文字で  0013101(Serial+JCC/G) → 3101 の様になります",
                                "例　 1文字で  3101M(JCC/G+PWR) → 3101 の様になります",
                                "例　 3文字で  W01HK → 220101 の様になります(京都ｺﾝﾃｽﾄ)",
                                "　　   31M(都道府県+PWR)の場合 → 31 になり'岡山県'を返します"})
        grid->addWidget(new QLabel(example), row++, 0, 1, 3);
    return frame;
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

void MainForm::Form_KeyDown(int keyCode, int shift) { model_.Form_KeyDown(keyCode, shift); }

void MainForm::Label21_MouseDown() {
    model_.Label21_MouseDown();
    // The label takes the room of the hidden fields, so its whole text shows.
    if (auto* label = qobject_cast<QLabel*>(Find("Label21"))) {
        auto* grid = static_cast<QGridLayout*>(label->parentWidget()->layout());
        grid->addWidget(label, 0, 0, 4, 3);
        label->raise();
    }
}

void MainForm::Label21_MouseUp() {
    model_.Label21_MouseUp();
    if (auto* label = qobject_cast<QLabel*>(Find("Label21"))) {
        auto* grid = static_cast<QGridLayout*>(label->parentWidget()->layout());
        grid->addWidget(label, 3, 0, 1, 3);
    }
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
    QTimer::singleShot(0, this, [this, native] { RunCommand([this, native] { model_.FileDropped(native); }); });
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
        if (auto* menu = qobject_cast<QMenu*>(w)) menu->menuAction()->setEnabled(on);
        else w->setEnabled(on);
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
    if (auto* menu = qobject_cast<QMenu*>(o)) menu->menuAction()->setVisible(on);
    else if (auto* w = qobject_cast<QWidget*>(o)) w->setVisible(on);
    else if (auto* a = qobject_cast<QAction*>(o)) a->setVisible(on);
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
    if (auto* e = qobject_cast<QLineEdit*>(o)) e->setText(t);
    else if (auto* l = qobject_cast<QLabel*>(o)) l->setText(t);
    else if (auto* g = qobject_cast<QGroupBox*>(o)) g->setTitle(t);
    else if (auto* b = qobject_cast<QAbstractButton*>(o)) b->setText(t);
    else if (auto* c = qobject_cast<QComboBox*>(o)) c->setCurrentText(t);
    else if (auto* m = qobject_cast<QMenu*>(o)) m->setTitle(t);
    else if (auto* a = qobject_cast<QAction*>(o)) a->setText(t);
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

void MainForm::ServiceEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void MainForm::OpenFileMenu() {
    if (isVisible() && fileMenu_->menuAction()->isEnabled()) menuBar()->setActiveAction(fileMenu_->menuAction());
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
    return "TRELVO5-" + QCryptographicHash::hash(lockPath.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
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
        const QByteArray key = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
        lockPath = QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation)).filePath("TRELVO5-" + key + ".lock");
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
    auto* w = new adif::ADIF2HL_Form(tagNames, fixedText, model_.Ini(), dialogs_, model_.EditorPath, adifPath, this);
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
