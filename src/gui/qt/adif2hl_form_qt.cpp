#include "gui/qt/adif2hl_form_qt.h"

#include <algorithm>

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/errors.h"
#include "importers/adif/adif_reader.h"

namespace trelvo::adif {
namespace {

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Column widths are given in twips; 15 twips make a pixel on a 96-dpi screen.
int Twips(int twips) {
    return twips / 15;
}

}  // namespace

ADIF2HL_Form::ADIF2HL_Form(std::vector<std::string> tagNames, std::string fixedText, settings::IniStore& ini,
                           app::UiDialogs& dialogs, std::string editorPath, std::string adifPath,
                           QWidget* owner, Lang lang)
    : QWidget(owner, Qt::Window),
      model_(std::move(tagNames), std::move(fixedText)),
      ini_(ini),
      dialogs_(dialogs),
      editorPath_(std::move(editorPath)),
      adifPath_(std::move(adifPath)),
      lang_(lang) {
    setObjectName("ADIF2HL_Form");
    setWindowTitle(app::kMappingTitle);
    auto* layout = new QVBoxLayout(this);

    auto* menu = new QMenuBar;
    QAction* close = menu->addAction("設定完了（閉じる）(&X)");
    close->setObjectName("SHEETcls");
    connect(close, &QAction::triggered, this, [this] { SHEETcls_Click(); });
    QAction* view = menu->addAction("対象ADIF参照(&V)");
    view->setObjectName("viewADIF");
    connect(view, &QAction::triggered, this, [this] { viewADIF_Click(); });
    QAction* autoSet = menu->addAction("自動設定");
    autoSet->setObjectName("AutoSet");
    connect(autoSet, &QAction::triggered, this, [this] { AutoSet_Click(); });
    QAction* help = menu->addAction("Ｈｅｌｐ(&H)");
    help->setObjectName("ConvHelp");
    connect(help, &QAction::triggered, this, [this] { ConvHelp_Click(); });
    layout->setMenuBar(menu);

    // The grid: column 0 the tag names, columns 1..17 the HAMLOG columns.
    const int rows = model_.RowCount();
    grid_ = new QTableWidget(rows, kColumnCount + 1);
    grid_->setObjectName("MSFlexGrid1");
    QStringList titles{Q(kCornerTitle)};
    for (int c = 1; c <= kColumnCount; ++c) titles << Q(ColumnTitle(c));
    grid_->setHorizontalHeaderLabels(titles);
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setSectionsClickable(false);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->setFocusPolicy(Qt::NoFocus);
    // The widths in twips, widened where this system's font needs more room for a title or
    // a tag name.
    const QFontMetrics fm = grid_->fontMetrics();
    int nameWidth = fm.horizontalAdvance(titles[0]);
    for (int r = 1; r <= rows; ++r)
        nameWidth = std::max(nameWidth, fm.horizontalAdvance(Q(model_.RowTitle(r))));
    grid_->setColumnWidth(0, std::max(Twips(1200), nameWidth + 12));
    for (int c = 1; c <= kColumnCount; ++c)
        grid_->setColumnWidth(c, std::max(Twips(c <= 13 ? 700 : 850), fm.horizontalAdvance(titles[c]) + 12));
    grid_->setColumnHidden(kColHidden, true);  // no title and no width: never marked
    const int rowHeight = grid_->fontMetrics().height() + 4;
    const QColor tinted(0xC0, 0xFF, 0xFF);  // the light cyan of every other row
    const QColor plain = palette().color(QPalette::Base);
    for (int r = 0; r < rows; ++r) {
        grid_->setRowHeight(r, rowHeight);
        for (int c = 0; c <= kColumnCount; ++c) {
            auto* item = new QTableWidgetItem(c == 0 ? Q(model_.RowTitle(r + 1)) : QString());
            item->setFlags(Qt::ItemIsEnabled);
            item->setTextAlignment(c == 0 ? (Qt::AlignLeft | Qt::AlignVCenter)
                                          : Qt::Alignment(Qt::AlignCenter));
            item->setBackground(r % 2 == 0 ? tinted : plain);
            item->setForeground(QColor(Qt::black));
            grid_->setItem(r, c, item);
        }
    }
    int width = 2 * grid_->frameWidth();
    for (int c = 0; c <= kColumnCount; ++c)
        if (!grid_->isColumnHidden(c)) width += grid_->columnWidth(c);
    const int height =
        2 * grid_->frameWidth() + grid_->horizontalHeader()->sizeHint().height() + rows * rowHeight;
    const QScreen* screen = QApplication::primaryScreen();
    const int maxHeight = screen ? screen->availableGeometry().height() * 2 / 3 : 600;
    grid_->setFixedWidth(width + (height > maxHeight ? grid_->verticalScrollBar()->sizeHint().width() : 0));
    grid_->setFixedHeight(std::min(height, maxHeight));
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(grid_, &QTableWidget::cellClicked, this, [this](int r, int c) { MSFlexGrid1_Click(r + 1, c); });
    auto* hint = new QLabel(QString::fromStdString(Text(kHintText, lang_)));
    hint->setObjectName("LabelHint");
    hint->setWordWrap(true);
    hint->setMaximumWidth(grid_->width());
    layout->addWidget(hint);
    layout->addWidget(grid_);

    // The fixed text appended to Remarks1 or Remarks2.
    auto* frame2 = new QGroupBox("定形文字の付加(Remarks欄へ加筆します)");
    frame2->setObjectName("Frame2");
    auto* fixed = new QHBoxLayout(frame2);
    text1_ = new QLineEdit(Q(model_.FixedText()));
    text1_->setObjectName("Text1");
    fixed->addWidget(text1_, 1);
    auto* targets = new QButtonGroup(frame2);
    const char* captions[3] = {"無効", "Remarks1 へ", "Remarks2 へ"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QRadioButton(captions[i]);
        b->setObjectName(QString("Option1(%1)").arg(i));
        targets->addButton(b, i);
        fixed->addWidget(b);
    }
    targets->button(0)->setChecked(true);
    text1_->setEnabled(false);
    connect(targets, &QButtonGroup::idClicked, this, [this](int id) { Option1_Click(id); });
    layout->addWidget(frame2);

    auto* frame1 = new QGroupBox("備考（変換ルールについて）");
    frame1->setObjectName("Frame1");
    auto* notes = new QVBoxLayout(frame1);
    for (const char* note :
         {"ADIFのフィールド名が「JCC」「JCG」「AJA」 とあればTurbo "
          "HAMLOGのCode欄へ自動的に転記しますので、これらはチェックしなくても構いません",
          "Turbo HAMLOG Ver5系ではModeにMax16Byte使えますのでモード変換は行いません。Turbo "
          "HAMLOG\u3000Ver5系導入時に変換しておいて下さい。"}) {
        auto* l = new QLabel(note);
        l->setWordWrap(true);
        notes->addWidget(l);
    }
    frame2->setMaximumWidth(grid_->width());
    frame1->setMaximumWidth(grid_->width());
    layout->addWidget(frame1);

    app::RestoreMappingMarks(model_, ini_, dialogs_, lang_);
    ShowMarks();
}

void ADIF2HL_Form::AutoSet_Click() {
    bool sendersView = false;
    try {
        sendersView = IsSendersViewProgram(ReadAdifProgramId(adifPath_));
    } catch (const Error&) {
        // the file went away since it was chosen: the usual choice; the conversion will say so
    }
    model_.AutoMap(sendersView);
    ShowMarks();
}

void ADIF2HL_Form::ShowMarks() {
    for (int r = 1; r <= model_.RowCount(); ++r)
        for (int c = 1; c <= kColumnCount; ++c)
            grid_->item(r - 1, c)->setText(model_.IsMarked(r, c) ? Q(kMarkText) : QString());
}

void ADIF2HL_Form::MSFlexGrid1_Click(int row, int column) {
    model_.Click(row, column);
    ShowMarks();
}

void ADIF2HL_Form::SHEETcls_Click() {
    close();
}

void ADIF2HL_Form::viewADIF_Click() {
    dialogs_.StartEditor(editorPath_, adifPath_);
}

void ADIF2HL_Form::ConvHelp_Click() {
    dialogs_.ShowHelp(2);
}

void ADIF2HL_Form::Option1_Click(int index) {
    model_.SetTarget(static_cast<FixedTextTarget>(index));
    text1_->setEnabled(index != 0);
}

void ADIF2HL_Form::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        model_.SetFixedText(text1_->text().toStdString());
        const AdifMapping mapping = model_.Close(ini_);
        Q_EMIT MappingClosed(mapping);
    }
    event->accept();
}

}  // namespace trelvo::adif
