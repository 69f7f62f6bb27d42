// File > Export Video: the show as an MP4 file anyone can play.
#pragma once

#include <QDialog>
#include <QSize>

#include <optional>

class QComboBox;

namespace brindle {

// Asks for the file (its folder remembered in the settings) and the size,
// exports, and offers to open the folder that holds the video.
void mnuExportVideo_Click();

// The choice of size; exportSize() is empty for the presentation's own.
class ExportSizeDialog : public QDialog {
    Q_OBJECT
public:
    explicit ExportSizeDialog(QWidget* parent = nullptr);
    QSize exportSize() const;

private:
    QComboBox* m_sizes;
};

}  // namespace brindle
