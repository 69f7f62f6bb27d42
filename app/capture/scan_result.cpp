#include "app/capture/scan_result.h"

#include "app/capture/scan_acquire.h"
#include "app/capture/scan_state.h"
#include "app/capture/thumbnail.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_view.h"
#include "app/model/settings.h"
#include "components/imaging/image_view.h"
#include "platform/dialogs/interface_font.h"
#include "platform/files.h"
#include "platform/messages.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace brindle {
namespace {

constexpr int kScanQualityFactor = 2;

struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

ImageControl& worker() {
    return projectView()->worker();
}

}  // namespace

ScanResult::ScanResult(QWidget* parent)
    : QDialog(parent),
      m_lead(new ImageView(this)),
      m_frame(new QGroupBox(LoadResString(str::Brightness), this)),
      m_slider(new QSlider(Qt::Horizontal, m_frame)),
      m_label(new QLabel("0", m_frame)) {
    setObjectName("ScanResult");
    setWindowTitle(gAppTitle);
    setFont(interfaceFont());
    m_lead->setObjectName("LEAD1");
    m_lead->setMinimumSize(480, 360);
    m_frame->setObjectName("Frame1");
    m_slider->setObjectName("HScroll1");
    m_slider->setRange(-10, 10);
    m_slider->setPageStep(1);
    m_label->setObjectName("Label1");
    m_label->setAlignment(Qt::AlignCenter);
    auto* frameLayout = new QVBoxLayout(m_frame);
    frameLayout->addWidget(m_slider);
    frameLayout->addWidget(m_label);

    auto button = [this](const char* name, int entry) {
        auto* b = new QPushButton(LoadResString(entry), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* crop = button("Crop", str::Crop);
    QPushButton* rotate = button("Rotate", str::Rotate);
    QPushButton* done = button("Done", str::Ok);
    QPushButton* cancel = button("Cancel", str::Cancel);

    auto* side = new QVBoxLayout;
    side->addWidget(m_frame);
    side->addWidget(crop);
    side->addWidget(rotate);
    side->addStretch();
    side->addWidget(done);
    side->addWidget(cancel);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_lead, 1);
    layout->addLayout(side);

    connect(crop, &QPushButton::clicked, this, [this] { Crop_Click(); });
    connect(rotate, &QPushButton::clicked, this, [this] { Rotate_Click(); });
    connect(done, &QPushButton::clicked, this, [this] { Done_Click(); });
    connect(cancel, &QPushButton::clicked, this, [this] { Cancel_Click(); });
    connect(m_slider, &QSlider::valueChanged, this, [this](int v) { brightnessChanged(v); });
}

ScanResult::~ScanResult() = default;

bool ScanResult::initTheForm(const QString& fileName) {
    hide();
    m_frame->show();
    BusyCursor busy;
    ImageControl& base = worker();
    m_edit = std::make_unique<ScanEdit>(base, *m_lead);

    // The working copy fits the view, the user drags a rubber band over it
    // with the cross pointer.
    m_lead->setFitToWindow(true);
    m_lead->setRubberBandEnabled(true);
    m_lead->setCursor(Qt::CrossCursor);
    m_lead->control().clear();
    base.clear();

    bool ok = false;
    if (!fileName.isEmpty()) {
        m_editFlag = 1;
        show();
        ok = base.load(fileName, 24, 0, 1) == ImageStatus::Ok;
    } else {
        m_editFlag = 0;
        ok = acquireScan(base, gScanner, parentWidget());
    }
    if (!ok || !base.hasImage()) {
        base.clear();
        hide();
        QDialog::reject();
        return false;
    }
    show();
    m_lead->control().copyFrom(base);
    m_lead->repaintImage();
    return true;
}

void ScanResult::brightnessChanged(int value) {
    m_label->setText(ScanEdit::brightnessText(value));
    if (m_edit) {
        m_edit->setBrightness(value);
    }
}

void ScanResult::Crop_Click() {
    if (m_edit) {
        m_edit->crop();
    }
}

void ScanResult::Rotate_Click() {
    if (m_edit) {
        m_edit->rotate();
    }
}

void ScanResult::Done_Click() {
    BusyCursor busy;
    const QString scan = gTempFolder + "/scan.jpg";
    // Nothing of the project changes unless the picture was saved whole.
    if (m_lead->control().save(scan, ImageControl::kFormatJpeg, 24, kScanQualityFactor) !=
        ImageStatus::Ok) {
        files::deleteFile(scan);
        MsgBox(str::ProjectUpdateFailed);
        return;
    }
    m_lead->control().clear();

    if (m_editFlag == 1) {
        if (MediaElement* r = gProject.Item(m_editedSlide)) {
            if (r->UpdateImage(scan)) {
                r->UpdateThumbNail(MakeThumbnail(MediaImage, scan));
            }
            projectView()->refreshStrip();
            gProjectChanged = true;
        }
    } else {
        const int p = m_addSlide ? m_addSlide(MediaImage, scan) : 0;
        if (p < 1) {
            MsgBox(str::AddFailed);
        } else {
            gProject.Item(p)->Duration = gDefaultSlideDuration;
            gProjectChanged = true;
        }
    }
    files::deleteFile(scan);
    worker().clear();
    accept();
}

void ScanResult::Cancel_Click() {
    worker().clear();
    m_lead->control().clear();
    QDialog::reject();
}

void ScanResult::reject() {
    Cancel_Click();
}

}  // namespace brindle
