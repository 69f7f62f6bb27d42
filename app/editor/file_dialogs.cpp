#include "app/editor/file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QRegularExpression>

namespace brindle {

namespace {

constexpr int kPreviewWidth = 176;
constexpr int kPreviewHeight = 132;

// Shows the picture under the cursor of the dialog's list, scaled into the
// label; anything that is not a picture leaves the label empty.
void showPreview(QLabel* label, const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid()) {
        reader.setScaledSize(size.scaled(kPreviewWidth, kPreviewHeight, Qt::KeepAspectRatio));
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        label->clear();
        return;
    }
    label->setPixmap(QPixmap::fromImage(image));
}

}  // namespace

QString chooseFileToOpen(QWidget* parent, const QString& title, const QString& filter,
                         const QString& folder, bool withPreview) {
    QFileDialog dialog(parent, title, folder);
    dialog.setObjectName("OpenFileDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The string table's texts already name their patterns.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(files::nameFilters(filter));
    if (withPreview) {
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
            auto* preview = new QLabel(&dialog);
            preview->setObjectName("Preview");
            preview->setFixedSize(kPreviewWidth, kPreviewHeight);
            preview->setAlignment(Qt::AlignCenter);
            preview->setFrameShape(QFrame::StyledPanel);
            grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
            QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                             [preview](const QString& path) { showPreview(preview, path); });
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

QString chooseFileToSave(QWidget* parent, const QString& title, const QString& filter,
                         const QString& folder, bool confirmOverwrite) {
    QFileDialog dialog(parent, title, folder);
    dialog.setObjectName("SaveFileDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !confirmOverwrite);
    dialog.setNameFilters(files::nameFilters(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    QString file = dialog.selectedFiles().constFirst();
    if (QFileInfo(file).suffix().isEmpty()) {
        // "Text (*.txt *.rt)" gives ".txt".
        const QString chosen = dialog.selectedNameFilter();
        const qsizetype star = chosen.lastIndexOf("(*.");
        if (star >= 0) {
            const QString rest = chosen.mid(star + 2);
            file += rest.left(rest.indexOf(QRegularExpression("[ )]")));
        }
    }
    return file;
}

}  // namespace brindle
