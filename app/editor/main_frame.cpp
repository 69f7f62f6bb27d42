#include "app/editor/main_frame.h"

#include "app/editor/editor_commands.h"
#include "app/editor/editor_window.h"
#include "app/editor/slide_strip.h"
#include "app/editor/strip_state.h"
#include "app/media/progress_form.h"
#include "app/model/folders.h"
#include "app/model/settings.h"
#include "app/present/video_check.h"
#include "controls/clipedit/klipvane_ids.h"
#include "platform/dispatch/control_host.h"
#include "platform/launch.h"
#include "platform/messages.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace brindle {

MainFrame::MainFrame(QWidget* parent) : QMainWindow(parent) {
    setObjectName("MainFrame");
    setWindowTitle(gAppTitle);
    m_worker.setObjectName("Worker");

    m_central = new QWidget(this);
    m_central->setObjectName("Frame");
    auto* grid = new QGridLayout(m_central);
    grid->setContentsMargins(0, 0, 0, 0);
    m_editor = new EditorWindow(m_central);
    grid->addWidget(m_editor, 0, 0, Qt::AlignCenter);
    setCentralWidget(m_central);

    // The clip edit control sits on the editor window, never shown; the
    // video check and the thumbnails of clips use it.
    m_controlParent = new QWidget(this);
    m_controlParent->setObjectName("ClipEditParent");
    m_controlParent->hide();
    m_clipEdit = dispatch::ControlHost::load(klipvane::kControlName, m_controlParent);

    buildMenus();
    connectCommands();
    connectStrip();
    setMinimumSize(minimumFrameSize());
    setProjectView(this);
    installProgressWindows();
    installVideoChecks();
    setupContextMenu(gSelectedSlide);
}

MainFrame::~MainFrame() {
    if (projectView() == this) {
        setProjectView(nullptr);
        setProgressSink(nullptr);
    }
    m_clipEdit.reset();
}

SlideStrip* MainFrame::strip() const {
    return m_editor->strip();
}

QAction* MainFrame::item(const QString& name) const {
    const auto it = m_items.find(name);
    return it == m_items.end() ? nullptr : it->second;
}

QMenu* MainFrame::menu(const QString& name) const {
    const auto it = m_menus.find(name);
    return it == m_menus.end() ? nullptr : it->second;
}

QSize MainFrame::minimumFrameSize() const {
    // The editor plus what the frame puts around it inside the window.
    return m_editor->size() + QSize(0, menuBar()->sizeHint().height());
}

void MainFrame::placeOnScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen->availableGeometry();
    const QSize size = minimumFrameSize().expandedTo(QSize(800, 600)).boundedTo(available.size());
    resize(size);
    move(available.center() - QPoint(size.width() / 2, size.height() / 2));
}

void MainFrame::comeForward() {
    if (isMinimized()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    show();
    raise();
    activateWindow();
}

void MainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    m_editor->windowShade()->setGeometry(m_editor->rect());
}

void MainFrame::setCaption(const QString& caption) {
    setWindowTitle(caption);
}

void MainFrame::resetStrip() {
    strip()->resetStrip();
    setupContextMenu(0);
}

void MainFrame::showFromFirstSlide() {
    strip()->showFromFirstSlide();
}

void MainFrame::refreshStrip() {
    // Every change of the slide count comes through here: fit the scroll
    // range first.
    strip()->setScrollRange();
    strip()->refreshStrip();
    setupContextMenu(gSelectedSlide);
}

void MainFrame::dimTheWindow(bool dim) {
    if (dim) {
        CloseBrowser();
    }
    for (const char* name : {"mnuFile", "mnuEditMenu", "mnuOptions", "mnuHelp"}) {
        if (QMenu* m = menu(QString::fromLatin1(name))) {
            m->menuAction()->setEnabled(!dim);
        }
    }
    m_context->setEnabled(!dim);
    m_editor->buttonBar()->setEnabled(!dim);
    strip()->setEnabled(!dim);
    m_editor->setShaded(dim);
}

void MainFrame::closeEvent(QCloseEvent* event) {
    if (!m_exitDone && !confirmExit()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool MainFrame::confirmExit() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!mayDiscardChanges(SaveAsk::OnlyWithoutFile)) {
        QApplication::restoreOverrideCursor();
        return false;
    }
    writeSettingsAtExit(windowState() == Qt::WindowNoState);
    emptyFoldersAtExit();
    CloseBrowser();
    QApplication::restoreOverrideCursor();
    m_exitDone = true;
    return true;
}

}  // namespace brindle
