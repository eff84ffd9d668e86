// The window "Turbo HAMLOGの各ﾃﾞｰﾀ項目長": the database's field widths that limit the ADIF
// import. It only shows them.
#pragma once

#include <QWidget>

#include "hamlog/hdb_header.h"

namespace trelvo::tools {

class FieldLen : public QWidget {
    Q_OBJECT

public:
    // The widths are read once, when the window is made.
    explicit FieldLen(const hamlog::HdbFieldLengths& lengths, QWidget* owner = nullptr);
};

}  // namespace trelvo::tools
