#include "app/capture/capture_select.h"

#include "app/capture/camera_common.h"
#include "app/model/settings.h"
#include "controls/videocap/orvalis_ids.h"
#include "platform/dispatch/control_host.h"
#include "platform/launch.h"
#include "platform/messages.h"
#include "platform/registry.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <functional>

namespace brindle {

int gCaptureDriverCount = 0;

namespace {

// A label that acts as a link as a whole.
class LinkLabel : public QLabel {
public:
    LinkLabel(QWidget* parent, std::function<void()> onClick)
        : QLabel(parent), m_onClick(std::move(onClick)) {}

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
            m_onClick();
        }
    }

private:
    std::function<void()> m_onClick;
};

}  // namespace

CaptureSelect::CaptureSelect(QWidget* parent) : QDialog(parent) {
    setObjectName("CaptureSelect");
    setWindowTitle(LoadResString(str::SelectCaptureDeviceTitle));
    setModal(true);
    auto* outer = new QVBoxLayout(this);
    m_list = new QListWidget(this);
    m_list->setObjectName("List1");
    m_list->setMinimumWidth(320);
    outer->addWidget(m_list, 1);
    m_save = new QCheckBox(LoadResString(str::UseAsDefault), this);
    m_save->setObjectName("Save");
    outer->addWidget(m_save);
    auto* row = new QHBoxLayout;
    m_ok = new QPushButton(LoadResString(str::Ok), this);
    m_ok->setObjectName("OK");
    m_ok->setDefault(true);
    m_cancel = new QPushButton(LoadResString(str::Cancel), this);
    m_cancel->setObjectName("Cancel");
    for (QPushButton* b : {m_ok, m_cancel}) {
        b->setFont(camera::dialogFont());
    }
    row->addStretch(1);
    row->addWidget(m_ok);
    row->addWidget(m_cancel);
    outer->addLayout(row);
    connect(m_ok, &QPushButton::clicked, this, [this] { OK_Click(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { OK_Click(); });
    load();
}

CaptureSelect::~CaptureSelect() = default;

void CaptureSelect::load() {
    if (gCaptureDriverCount <= 0) {
        return;
    }
    // The control only lists drivers; it stays hidden and never connects.
    m_camera = camera::loadCaptureControl(this);
    if (!m_camera) {
        return;
    }
    m_camera->widget()->setObjectName("Orvalis1");
    m_camera->widget()->hide();
    m_camera->onEvent(orvalis::EventDriverFound,
                      [this](const QVariantList& a) { m_list->addItem(a.value(1).toString()); });
    m_camera->call(orvalis::DispEnumDrivers);
    // A stored number the list does not reach selects the first driver.
    const int n = camera::driverNumber(gCapture);
    m_list->setCurrentRow(n >= 0 && n < m_list->count() ? n : 0);
}

void CaptureSelect::OK_Click() {
    // Nothing selected keeps the choice there is.
    if (m_list->currentRow() >= 0 && m_list->currentItem()->isSelected()) {
        gCapture = QString::number(m_list->currentRow());
        if (m_save->isChecked()) {
            RegSetString(HKEY_CURRENT_USER, gSettingsKey, "Capture", gCapture);
        }
    }
    accept();
}

NoCamera::NoCamera(QWidget* parent) : QDialog(parent) {
    setObjectName("NoCamera");
    setWindowTitle(gAppTitle);
    setModal(true);
    auto* row = new QHBoxLayout(this);
    m_ad = new QPushButton(this);
    m_ad->setObjectName("CameraAd");
    m_ad->setIcon(style()->standardIcon(QStyle::SP_ComputerIcon));
    m_ad->setIconSize({48, 48});
    m_ad->setFlat(true);
    m_ad->setCursor(Qt::PointingHandCursor);
    m_label = new LinkLabel(this, [this] { openLink(); });
    m_label->setObjectName("lblNoCamera");
    m_label->setFont(camera::dialogFont());
    m_label->setWordWrap(true);
    m_label->setMinimumWidth(300);
    m_label->setCursor(Qt::PointingHandCursor);
    m_label->setText(LoadResString(str::NoCameraNotice));
    row->addWidget(m_ad);
    row->addWidget(m_label, 1);
    connect(m_ad, &QPushButton::clicked, this, [this] { openLink(); });
}

void NoCamera::openLink() {
    LaunchBrowser({}, gCreateShareURL, true);
    accept();
}

}  // namespace brindle
