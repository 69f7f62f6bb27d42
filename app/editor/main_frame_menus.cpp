// The main frame's menus, the slide context menu, and what the buttons,
// menu items and the strip's signals start.
#include "app/editor/about_box.h"
#include "app/editor/add_media.h"
#include "app/editor/audio_commands.h"
#include "app/editor/camera_commands.h"
#include "app/editor/editor_commands.h"
#include "app/editor/editor_window.h"
#include "app/editor/export_command.h"
#include "app/editor/main_frame.h"
#include "app/editor/save_slide_as.h"
#include "app/editor/scan_commands.h"
#include "app/editor/slide_strip.h"
#include "app/editor/strip_state.h"
#include "app/editor/text_commands.h"
#include "app/editor/video_commands.h"
#include "app/model/project.h"
#include "app/present/preview.h"
#include "app/present/publish.h"
#include "platform/messages.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>

namespace brindle {

QAction* MainFrame::addItem(QMenu* menu, const char* name, int captionEntry,
                            const QKeySequence& shortcut) {
    auto* action = new QAction(LoadResString(captionEntry), this);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
    }
    menu->addAction(action);
    m_items[action->objectName()] = action;
    return action;
}

void MainFrame::buildMenus() {
    // The shortcuts are spelled out: the standard keys of some platform
    // themes leave Quit without one.
    auto topMenu = [this](const char* name, int captionEntry) {
        QMenu* m = menuBar()->addMenu(LoadResString(captionEntry));
        m->setObjectName(QString::fromLatin1(name));
        m_menus[m->objectName()] = m;
        return m;
    };
    QMenu* file = topMenu("mnuFile", str::MenuFile);
    addItem(file, "mnuNew", str::MenuNewProject, QKeySequence(Qt::CTRL | Qt::Key_N));
    addItem(file, "mnuOpen", str::MenuOpenProject, QKeySequence(Qt::CTRL | Qt::Key_O));
    addItem(file, "mnuSave", str::MenuSaveProject, QKeySequence(Qt::CTRL | Qt::Key_S));
    addItem(file, "mnuSaveAs", str::MenuSaveProjectAs,
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    file->addSeparator();
    addItem(file, "mnuPlayPreview", str::MenuPlayPreview, QKeySequence(Qt::Key_F5));
    addItem(file, "mnuPublish", str::MenuPublish);
    addItem(file, "mnuExportVideo", str::MenuExportVideo, QKeySequence(Qt::CTRL | Qt::Key_E));
    file->addSeparator();
    addItem(file, "mnuExit", str::MenuExit, QKeySequence(Qt::CTRL | Qt::Key_Q));

    // The Edit menu is the slide context menu.
    m_context = topMenu("mnuEditMenu", str::MenuEdit);
    addItem(m_context, "mnuEdit", str::MenuEdit);
    addItem(m_context, "mnuAudio", str::MenuAddAudioCaption);
    addItem(m_context, "mnuText", str::MenuAddTextCaption);
    m_context->addSeparator();
    addItem(m_context, "mnuContextSaveAs", str::MenuSaveSlideAs);
    // Delete in the strip asks first, then removes through this item.
    addItem(m_context, "mnuRemove", str::MenuRemoveSlide);
    m_menus["ContextMenu"] = m_context;

    QMenu* options = topMenu("mnuOptions", str::MenuOptions);
    addItem(options, "mnuBackTrack", str::MenuBackgroundTrack);
    addItem(options, "Scanner", str::MenuSelectScanner);
    addItem(options, "SelectCapDev", str::MenuSelectCaptureDevice);

    QMenu* help = topMenu("mnuHelp", str::MenuHelp);
    addItem(help, "mnuYourHelp", str::MenuHelpTopics, QKeySequence(Qt::Key_F1));
    addItem(help, "mnuOnlineResources", str::MenuOnlineResources);
    help->addSeparator();
    addItem(help, "mnuAbout", str::MenuAbout);
}

void MainFrame::connectCommands() {
    auto on = [this](const char* name, void (*command)()) {
        connect(item(QString::fromLatin1(name)), &QAction::triggered, this,
                [command] { command(); });
    };
    on("mnuNew", mnuNew_Click);
    on("mnuOpen", mnuOpen_Click);
    on("mnuSave", mnuSave_Click);
    on("mnuSaveAs", mnuSaveAs_Click);
    on("mnuPlayPreview", PlayPreview_Click);
    on("mnuPublish", mnuPublish_Click);
    on("mnuExportVideo", mnuExportVideo_Click);
    on("mnuRemove", mnuRemove_Click);
    on("mnuEdit", mnuEdit_Click);
    on("Scanner", Scanner_Click);
    on("mnuContextSaveAs", mnuContextSaveAs_Click);
    on("mnuYourHelp", mnuYourHelp_Click);
    on("mnuOnlineResources", mnuOnlineResources_Click);
    on("mnuAbout", mnuAbout_Click);
    on("mnuText", mnuText_Click);
    on("mnuAudio", mnuAudio_Click);
    on("mnuBackTrack", mnuBackTrack_Click);
    on("SelectCapDev", SelectCapDev_Click);
    connect(item("mnuExit"), &QAction::triggered, this, &QWidget::close);

    connect(m_editor->button("Files"), &QPushButton::clicked, this, [] { Files_Click(); });
    connect(m_editor->button("Text"), &QPushButton::clicked, this, [] { Text_Click(); });
    connect(m_editor->button("Scan"), &QPushButton::clicked, this, [] { Scan_Click(); });
    connect(m_editor->button("Snap"), &QPushButton::clicked, this, [] { Snap_Click(); });
    connect(m_editor->button("Video"), &QPushButton::clicked, this, [] { Video_Click(); });
    connect(m_editor->button("PlayPreview"), &QPushButton::clicked, this,
            [] { PlayPreview_Click(); });
    connect(m_editor->button("Publish"), &QPushButton::clicked, this, [] { mnuPublish_Click(); });
    connect(m_editor, &EditorWindow::identityClicked, this, [] { Identity_Click(); });
}

void MainFrame::connectStrip() {
    SlideStrip* s = strip();
    // F6 takes the keyboard to the strip from anywhere in the window.
    auto* toStrip = new QShortcut(QKeySequence(Qt::Key_F6), this);
    connect(toStrip, &QShortcut::activated, s, [s] { s->setFocus(Qt::ShortcutFocusReason); });
    connect(s, &SlideStrip::slideSelected, this, [this] { setupContextMenu(gSelectedSlide); });
    connect(s, &SlideStrip::contextMenuSetup, this, [this](int slide) { setupContextMenu(slide); });
    connect(s, &SlideStrip::stripChanged, this, [this] { setupContextMenu(gSelectedSlide); });
    connect(s, &SlideStrip::contextMenuRequested, this, [this](int slide, const QPoint& at) {
        setupContextMenu(slide);
        m_context->popup(at);
    });
    connect(s, &SlideStrip::filesDropped, this,
            [](const QStringList& paths, int afterSlide) { dropFile(paths, afterSlide); });
    // The caption buttons run their menu item's command when it is enabled.
    connect(s, &SlideStrip::captionButtonClicked, this, [this] {
        setupContextMenu(gSelectedSlide);
        if (QAction* a = item("mnuText"); a->isEnabled()) {
            a->trigger();
        }
    });
    connect(s, &SlideStrip::audioButtonClicked, this, [this] {
        setupContextMenu(gSelectedSlide);
        const MediaElement* r = gProject.Item(gSelectedSlide);
        QAction* a = item(r && r->mediaType == MediaVideo ? "mnuEdit" : "mnuAudio");
        if (a->isEnabled()) {
            a->trigger();
        }
    });
    connect(s, &SlideStrip::removeRequested, this, [this](int slide) {
        setupContextMenu(slide);
        if (item("mnuRemove")->isEnabled() &&
            MsgBox(str::RemoveSlideQuestion, MsgButtons::YesNo, MsgIcon::Question) == vbYes) {
            item("mnuRemove")->trigger();
        }
    });
    connect(s, &SlideStrip::editRequested, this, [this](int slide) {
        setupContextMenu(slide);
        if (QAction* a = item("mnuEdit"); a->isEnabled()) {
            a->trigger();
        }
    });
    connect(s, &SlideStrip::backTrackClicked, this, [this] {
        if (QAction* a = item("mnuBackTrack"); a->isEnabled()) {
            a->trigger();
        }
    });
}

void MainFrame::setupContextMenu(int k) {
    const MediaElement* r = gProject.count() > 0 ? gProject.Item(k) : nullptr;
    const bool video = r && r->mediaType == MediaVideo;
    item("mnuAudio")->setEnabled(r && !video);
    item("mnuText")->setEnabled(r != nullptr);
    item("mnuRemove")->setEnabled(r != nullptr);
    // A placeholder slide has no medium to save or to edit.
    item("mnuContextSaveAs")->setEnabled(r && r->mediaType != MediaRaw);
    item("mnuEdit")->setEnabled(r && r->mediaType != MediaRaw &&
                                !(video && r->VideoType != VideoAvi));

    QString caption = LoadResString(str::MenuEdit);
    if (r && r->mediaType == MediaRaw) {
        caption = slideTitle(*r, k);
    } else if (r) {
        caption += " " + slideTitle(*r, k);
    }
    item("mnuEdit")->setText(caption);
}

}  // namespace brindle
