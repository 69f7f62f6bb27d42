#include "app/editor/scan_commands.h"

#include "app/capture/scan_result.h"
#include "app/capture/scan_select.h"
#include "app/capture/scan_state.h"
#include "app/editor/add_media.h"
#include "app/editor/editor_window.h"
#include "app/editor/first_paint.h"
#include "app/editor/main_frame.h"
#include "app/model/project.h"
#include "app/model/project_view.h"
#include "app/model/settings.h"
#include "components/imaging/scan_job.h"
#include "platform/messages.h"

#include <QAction>
#include <QPushButton>

namespace brindle {
namespace {

// Dims the editor for as long as a command's dialogs are open.
class Dimmed {
public:
    Dimmed() : m_view(projectView()) {
        if (m_view) {
            m_view->dimTheWindow(true);
        }
    }
    ~Dimmed() {
        if (m_view) {
            m_view->dimTheWindow(false);
        }
    }
    Dimmed(const Dimmed&) = delete;
    Dimmed& operator=(const Dimmed&) = delete;

    QWidget* parent() const { return m_view ? m_view->dialogParent() : nullptr; }

private:
    ProjectView* m_view;
};

void chooseScanner(QWidget* parent) {
    ScanSelect select(parent);
    if (select.load()) {
        select.exec();
    }
}

}  // namespace

void Scan_Click() {
    Dimmed dim;
    if (!gScannerPresent) {
        MsgBox(str::NoScanner);
        return;
    }
    if (gScanner.isEmpty()) {
        chooseScanner(dim.parent());
    }
    if (gScanner.isEmpty()) {
        return;
    }
    ScanResult result(dim.parent());
    result.setSlideAdder(
        [](std::int16_t type, const QString& file) { return createSlide(type, file, {}, {}); });
    if (result.initTheForm({})) {
        result.exec();
    }
}

void Scanner_Click() {
    Dimmed dim;
    if (!gScannerPresent) {
        MsgBox(str::NoScanner);
        return;
    }
    chooseScanner(dim.parent());
}

void editPictureSlide(int k) {
    const MediaElement* r = gProject.Item(k);
    if (!r || (r->mediaType != MediaImage && r->mediaType != MediaSnapshot)) {
        return;
    }
    {
        Dimmed dim;
        ScanResult result(dim.parent());
        result.setEditedSlide(k);
        if (result.initTheForm(r->Filename)) {
            result.exec();
        }
    }
    if (ProjectView* view = projectView()) {
        view->refreshStrip();
    }
}

void startScannerSearch(MainFrame& frame) {
    frame.editor()->button("Scan")->setEnabled(false);
    frame.item("Scanner")->setEnabled(false);
    auto* search = new SourceListJob(&frame);
    QObject::connect(search, &SourceListJob::finished, &frame, [&frame, search] {
        gScannerPresent = !search->sources().empty();
        frame.editor()->button("Scan")->setEnabled(true);
        frame.item("Scanner")->setEnabled(true);
        search->deleteLater();
    });
    // SANE loads every backend it knows: begun once the window is painted,
    // so those libraries do not hold back its first picture.
    afterNextPaint(&frame, [search] { search->start(); });
}

}  // namespace brindle
