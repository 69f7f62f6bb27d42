// The context menu of the video picture, its save-frame dialog, and the
// about box.
#include "controls/videocap/orvalis.h"

#include <QCursor>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

namespace brindle::orvalis {
namespace {

// Command ids of the menu items; each is also its prompt's string id.
constexpr int kCmdSaveAs = 32761;
constexpr int kCmdCopy = 32762;
constexpr int kCmdFormat = 32795;
constexpr int kCmdSource = 32796;
constexpr int kCmdCompression = 32797;

}  // namespace

QMenu* Orvalis::buildContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName("Default");
    auto add = [this](QMenu* into, const QString& text, int command, auto action) {
        QAction* a = into->addAction(text);
        a->setObjectName(QStringLiteral("cmd%1").arg(command));
        a->setStatusTip(m_strings.text(command));
        a->setEnabled(m_connected);
        QObject::connect(a, &QAction::triggered, this, action);
    };
    add(menu, QStringLiteral("&Copy"), kCmdCopy, [this] {
        QVariantList args{true};
        invoke(DispEditCopy, dispatch::InvokeKind::Put, args);
    });
    add(menu, QStringLiteral("Save &As..."), kCmdSaveAs, [this] { showSaveFrameDialog(); });
    menu->addSeparator();
    QMenu* settings = menu->addMenu(QStringLiteral("&Settings"));
    settings->setObjectName("Settings");
    add(settings, QStringLiteral("Video &Source..."), kCmdSource, [this] {
        QVariantList args{true};
        invoke(DispVideoSourceDlg, dispatch::InvokeKind::Put, args);
    });
    add(settings, QStringLiteral("Video &Format..."), kCmdFormat, [this] {
        QVariantList args{true};
        invoke(DispVideoFormatDlg, dispatch::InvokeKind::Put, args);
    });
    add(settings, QStringLiteral("Com&pression..."), kCmdCompression, [this] {
        QVariantList args{true};
        invoke(DispVideoCompressionDlg, dispatch::InvokeKind::Put, args);
    });
    return menu;
}

void Orvalis::showContextMenu() {
    QMenu* menu = buildContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(QCursor::pos());
}

void Orvalis::showSaveFrameDialog() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(m_strings.text(59175).remove(QStringLiteral("*.")));
    dialog.selectFile(m_strings.text(32763));
    // "Bitmap Files (*.bmp)|*.bmp||": the label is the filter shown.
    dialog.setNameFilter(m_strings.text(59276).section('|', 0, 0));
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;  // cancelled: CaptureDIBFile stays as it was
    }
    saveFrameAs(dialog.selectedFiles().first());
}

void Orvalis::saveFrameAs(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    // The grab goes to the chosen file; the host's own CaptureDIBFile is
    // given back afterwards, so its later grabs still land where it said.
    const QString previous = m_captureDIBFile;
    m_captureDIBFile = path;
    QVariantList args{true};
    invoke(DispCaptureDIB, dispatch::InvokeKind::Put, args);
    m_captureDIBFile = previous;
}

void Orvalis::showAboutBox() {
    QDialog box(this);
    box.setObjectName("AboutOrvalis");
    box.setWindowTitle(QStringLiteral("About Orvalis Control"));
    auto* layout = new QVBoxLayout(&box);
    auto* line = new QLabel(QStringLiteral("Orvalis Control - Version 1.10"), &box);
    line->setObjectName("AboutText");
    layout->addWidget(line);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    box.exec();
}

}  // namespace brindle::orvalis
