#include "platform/dialogs/file_dialogs.h"

#include "platform/dialogs/message_boxes.h"
#include "platform/files.h"

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

// A preview of the picture under the cursor, right of the dialog's list.
void addPreview(QFileDialog& dialog) {
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid) {
        return;
    }
    auto* preview = new QLabel(&dialog);
    preview->setObjectName("Preview");
    preview->setFixedSize(kPreviewWidth, kPreviewHeight);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                     [preview](const QString& path) { showPreview(preview, path); });
}

// The file name with the first extension of the chosen filter when it has
// none: "Text (*.txt *.rt)" gives ".txt".
QString withFilterExtension(QString file, const QString& chosenFilter) {
    if (QFileInfo(file).suffix().isEmpty()) {
        const qsizetype star = chosenFilter.lastIndexOf("(*.");
        if (star >= 0) {
            const QString rest = chosenFilter.mid(star + 2);
            file += rest.left(rest.indexOf(QRegularExpression("[ )]")));
        }
    }
    return file;
}

// The whole text of the chosen filter. With the details hidden the dialog
// answers only the filter's name ("Real Text File:"), without its patterns.
QString chosenFilter(const QFileDialog& dialog) {
    const QString shown = dialog.selectedNameFilter();
    for (const QString& filter : dialog.nameFilters()) {
        if (filter.startsWith(shown)) {
            return filter;
        }
    }
    return shown;
}

// Open: one existing file, with a preview when asked. Save: a name to
// write, with an overwrite prompt; a name typed without an extension gets
// the chosen filter's. Empty when cancelled.
QString runDialog(QWidget* parent, const FileDialogRequest& r) {
    const bool save = r.kind == FileDialogKind::Save;
    QFileDialog dialog(parent, r.title, r.folder);
    dialog.setObjectName(save ? "SaveFileDialog" : "OpenFileDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The string table's texts already name their patterns.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, save && !r.confirmOverwrite);
    dialog.setNameFilters(files::nameFilters(r.filter));
    if (save && !r.proposedName.isEmpty()) {
        dialog.selectFile(r.proposedName);
    }
    if (!save && r.preview) {
        addPreview(dialog);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    const QString file = dialog.selectedFiles().constFirst();
    return save ? withFilterExtension(file, chosenFilter(dialog)) : file;
}

class RealFileDialogs : public FileDialogSink {
public:
    QStringList choose(const FileDialogRequest& r) override {
        const QString file = runDialog(messageParent(), r);
        return file.isEmpty() ? QStringList() : QStringList{file};
    }
};

}  // namespace

void installFileDialogs() {
    static RealFileDialogs dialogs;
    setFileDialogs(&dialogs);
}

}  // namespace brindle
