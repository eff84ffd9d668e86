#include "gui/qt/field_len_qt.h"

#include <QGridLayout>
#include <QLabel>

#include "tools/field_len.h"

namespace trelvo::tools {

FieldLen::FieldLen(const hamlog::HdbFieldLengths& lengths, QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("FieldLen");
    setWindowTitle(kFieldLenCaption);
    auto* grid = new QGridLayout(this);
    auto* heading = new QLabel(kFieldLenHeading);
    heading->setObjectName("Label1");
    heading->setWordWrap(true);
    grid->addWidget(heading, 0, 0, 1, 8);
    const auto entries = FieldLenEntries(lengths);
    for (int i = 0; i < 8; ++i) {
        const FieldLenEntry& e = entries[static_cast<std::size_t>(i)];
        auto* title = new QLabel(QString::fromStdString(e.title));
        title->setObjectName(QString("Label3(%1)").arg(i));
        title->setAlignment(Qt::AlignCenter);
        auto* value = new QLabel(QString::number(e.width));
        value->setObjectName(QString("Label2(%1)").arg(i));
        value->setAlignment(Qt::AlignCenter);
        value->setFrameShape(QFrame::StyledPanel);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance("0000") + 12);
        grid->addWidget(title, 1, i);
        grid->addWidget(value, 2, i);
    }
}

}  // namespace trelvo::tools
