// Open-file dialogs of the editor, with filters in the "text|patterns|..."
// form of the string table.
#pragma once

#include "platform/files.h"

#include <QString>

class QWidget;

namespace brindle {

// An open-file dialog for one existing file, with a picture preview beside
// the list when withPreview is set. Empty when cancelled.
QString chooseFileToOpen(QWidget* parent, const QString& title, const QString& filter,
                         const QString& folder, bool withPreview);

// A save-file dialog, with an overwrite prompt unless the caller asks
// about replacing a file itself. A name typed without an extension gets the
// first extension of the chosen filter. Empty when cancelled.
QString chooseFileToSave(QWidget* parent, const QString& title, const QString& filter,
                         const QString& folder, bool confirmOverwrite = true);

}  // namespace brindle
