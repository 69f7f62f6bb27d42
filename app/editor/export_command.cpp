#include "app/editor/export_command.h"

#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/model/project_view.h"
#include "app/model/settings.h"
#include "app/present/video_export.h"
#include "platform/file_dialogs.h"
#include "platform/files.h"
#include "platform/launch.h"
#include "platform/messages.h"
#include "platform/registry.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>

namespace brindle {

namespace {

const QString kFolderSetting = QStringLiteral("ExportPath");

QString rememberedFolder() {
    const QString folder = RegGetString(HKEY_CURRENT_USER, gSettingsKey, kFolderSetting);
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
        return folder;
    }
    return gProjectPath;
}

}  // namespace

ExportSizeDialog::ExportSizeDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("ExportSizeDialog");
    setWindowTitle(LoadResString(str::ExportVideoTitle));
    m_sizes = new QComboBox(this);
    m_sizes->setObjectName("ExportSize");
    const QList<QSize> sizes = exportSizes();
    for (int i = 0; i < sizes.size(); ++i) {
        QString text = QStringLiteral("%1 \u00d7 %2").arg(sizes[i].width()).arg(sizes[i].height());
        if (i == 0) {
            text += LoadResString(str::PresentationOwnSize);
        }
        m_sizes->addItem(text, sizes[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(LoadResString(str::VideoSizeLabel), m_sizes);
    form->addRow(buttons);
}

QSize ExportSizeDialog::exportSize() const {
    return m_sizes->currentIndex() <= 0 ? QSize() : m_sizes->currentData().toSize();
}

void mnuExportVideo_Click() {
    if (gProject.count() == 0) {
        MsgBox(str::NothingToPreview);
        return;
    }
    const QString proposed =
        (gProjectName.isEmpty() ? QStringLiteral("video") : FileNamePart(gProjectName)) + ".mp4";
    QString path =
        chooseFile(saveFileRequest(LoadResString(str::ExportVideoTitle),
                                   LoadResString(str::Mp4Filter), rememberedFolder(), proposed));
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += ".mp4";
    }
    const QString folder = QFileInfo(path).absolutePath();
    RegSetString(HKEY_CURRENT_USER, gSettingsKey, kFolderSetting, folder);

    ExportSizeDialog sizeDialog(projectView() ? projectView()->dialogParent() : nullptr);
    if (sizeDialog.exec() != QDialog::Accepted) {
        return;
    }
    if (exportVideo({path, sizeDialog.exportSize(), false}) != ExportOutcome::Done) {
        return;
    }
    if (MsgBoxText(str::VideoReadyOpenFolder,
                   LoadResString(str::VideoReadyOpenFolder) + "\n" + QDir::toNativeSeparators(path),
                   MsgButtons::YesNo, MsgIcon::Question) == vbYes &&
        !OpenFolder(folder)) {
        MsgBoxText(str::FolderNotOpened,
                   LoadResString(str::FolderNotOpened) + QDir::toNativeSeparators(folder));
    }
}

}  // namespace brindle
