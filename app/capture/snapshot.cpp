#include "app/capture/snapshot.h"

#include "app/capture/camera_common.h"
#include "app/model/folders.h"
#include "app/model/media_element.h"
#include "app/model/project.h"
#include "app/model/project_view.h"
#include "app/model/settings.h"
#include "components/imaging/image_control.h"
#include "controls/videocap/orvalis_ids.h"
#include "platform/dispatch/control_host.h"
#include "platform/messages.h"
#include "platform/resources.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace brindle {

using namespace orvalis;

namespace {

struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

Snapshot::Snapshot(QWidget* parent) : QDialog(parent) {
    setObjectName("Snapshot");
    setWindowTitle(gAppTitle);
    setModal(true);

    auto* outer = new QVBoxLayout(this);
    m_camera = camera::loadCaptureControl(this);
    if (m_camera) {
        QWidget* w = m_camera->widget();
        w->setObjectName("Orvalis1");
        w->setFixedSize(320, 240);
        outer->addWidget(w, 0, Qt::AlignHCenter);
    }
    auto* row = new QHBoxLayout;
    m_snapIt = new QPushButton(LoadResString(str::SnapshotOk), this);
    m_snapIt->setObjectName("SnapIt");
    m_snapIt->setDefault(true);
    m_done = new QPushButton(LoadResString(str::Cancel), this);
    m_done->setObjectName("Done");
    for (QPushButton* b : {m_snapIt, m_done}) {
        b->setFont(camera::dialogFont());
    }
    row->addStretch(1);
    row->addWidget(m_snapIt);
    row->addWidget(m_done);
    outer->addLayout(row);

    connect(m_snapIt, &QPushButton::clicked, this, [this] { SnapIt_Click(); });
    connect(m_done, &QPushButton::clicked, this, [this] { Done_Click(); });
    load();
}

Snapshot::~Snapshot() = default;

QString Snapshot::bitmapFile() {
    return gTempFolder + "/Snapshot.bmp";
}

QString Snapshot::pictureFile() {
    return gTempFolder + "/Snapshot.jpg";
}

void Snapshot::load() {
    if (m_camera) {
        m_camera->put(DispDriverNum, camera::driverNumber(gCapture));
        m_camera->put(DispConnect, true);
        m_connected = m_camera->get(DispConnect).value.toBool();
    }
    if (!m_connected) {
        MsgBox(str::CameraNotAvailable);
        m_snapIt->setEnabled(false);
        return;
    }
    m_frameSize = camera::chooseFrameSize(*m_camera, {{320, 240}, {240, 180}, {160, 120}});
    m_camera->put(DispPreview, true);
    m_camera->put(DispCaptureDIBFile, bitmapFile());
}

void Snapshot::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_connected) {
        QTimer::singleShot(0, this, [this] { QDialog::reject(); });
    }
}

bool Snapshot::grabPicture() {
    if (camera::scratchFolder().isEmpty()) {
        MsgBox(str::SnapshotNotCreated);
        return false;
    }
    // A grab that fails must not leave the last picture to be taken for
    // this one.
    QFile::remove(bitmapFile());
    QFile::remove(pictureFile());
    // Set again each time: the control's own Save As changes it.
    m_camera->put(DispCaptureDIBFile, bitmapFile());
    m_camera->put(DispBitCount, 24);
    m_camera->put(DispImageFormat, QString());
    m_camera->put(DispCaptureDIB, true);
    const bool grabbed =
        m_camera->get(DispErrorNum).value.toInt() == 0 && QFile::exists(bitmapFile());
    if (grabbed) {
        camera::playSound(resourcePath("camera.wav"));
    }

    ProjectView* view = projectView();
    ImageControl local;
    ImageControl& image = view != nullptr ? view->worker() : local;
    image.clear();
    bool converted = false;
    if (grabbed) {
        const QString dib = m_camera->get(DispCaptureDIBFile).value.toString();
        converted =
            image.load(dib, 0, 0, 1) == ImageStatus::Ok &&
            image.save(pictureFile(), ImageControl::kFormatJpeg, 24, 2, false) == ImageStatus::Ok;
    }
    image.clear();
    if (!converted) {
        QFile::remove(pictureFile());
        MsgBox(str::SnapshotNotCreated);
        return false;
    }
    return true;
}

void Snapshot::SnapIt_Click() {
    if (!m_connected) {
        return;
    }
    {
        BusyCursor busy;
        if (grabPicture()) {
            const int slide = camera::addSlide(MediaSnapshot, pictureFile());
            if (slide < 1) {
                MsgBox(str::AddFailed);
            } else if (MediaElement* r = gProject.Item(slide)) {
                r->Duration = gDefaultSlideDuration;
                gProjectChanged = true;
                m_added = slide;
            }
        }
    }
    releaseCamera();
    QDialog::accept();
}

void Snapshot::Done_Click() {
    if (QFile::exists(bitmapFile())) {
        QFile::remove(bitmapFile());
    }
    releaseCamera();
    QDialog::reject();
}

void Snapshot::reject() {
    Done_Click();
}

void Snapshot::releaseCamera() {
    if (m_camera && m_connected) {
        m_camera->put(DispConnect, false);
    }
}

}  // namespace brindle
