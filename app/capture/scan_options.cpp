#include "app/capture/scan_options.h"

#include "app/model/settings.h"
#include "platform/dialogs/interface_font.h"
#include "platform/messages.h"
#include "platform/registry.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>

#include <set>

namespace brindle {
namespace {

// The resolutions offered from a range: the usual ones inside it, and the
// default's nearest.
std::vector<int> offeredResolutions(const ScanCapabilities& c) {
    if (!c.resolutions.empty()) {
        return c.resolutions;
    }
    if (c.maxDpi <= 0) {
        return {ScanOptions::kDefaultDpi};
    }
    std::set<int> values{c.nearestResolution(ScanOptions::kDefaultDpi)};
    for (int dpi : {50, 75, 100, 150, 200, 300, 400, 600, 1200}) {
        values.insert(c.nearestResolution(dpi));
    }
    return {values.begin(), values.end()};
}

// Each device's choices under its own key; the name is kept readable but
// free of the separators a key path uses.
QString deviceKey(const QString& device) {
    QString name = device;
    for (QChar& ch : name) {
        if (!ch.isLetterOrNumber() && ch != '-' && ch != '_' && ch != '.') {
            ch = '_';
        }
    }
    return gSettingsKey + "\\Scanners\\" + name;
}

}  // namespace

ScanSettings ScanOptions::remembered(const QString& device, const ScanCapabilities& c) {
    ScanSettings s;
    const QString key = deviceKey(device);
    const QString source = RegGetString(HKEY_CURRENT_USER, key, "Source");
    s.source = c.sources.contains(source) ? source : c.sources.value(0);
    const QString mode = RegGetString(HKEY_CURRENT_USER, key, "Mode");
    s.gray = (mode == "gray" && c.hasGray) || !c.hasColor;
    bool ok = false;
    const int dpi = RegGetString(HKEY_CURRENT_USER, key, "Resolution").toInt(&ok);
    s.resolutionDpi = c.nearestResolution(ok && dpi > 0 ? dpi : kDefaultDpi);
    return s;
}

void ScanOptions::remember(const QString& device, const ScanSettings& s) {
    const QString key = deviceKey(device);
    RegSetString(HKEY_CURRENT_USER, key, "Source", s.source);
    RegSetString(HKEY_CURRENT_USER, key, "Mode", s.gray ? "gray" : "color");
    RegSetString(HKEY_CURRENT_USER, key, "Resolution", QString::number(s.resolutionDpi));
}

ScanOptions::ScanOptions(const QString& device, const ScanCapabilities& c, QWidget* parent)
    : QDialog(parent), m_device(device) {
    setObjectName("ScanOptions");
    setWindowTitle(LoadResString(str::KindScan));
    setFont(interfaceFont());
    const ScanSettings s = remembered(device, c);

    auto* form = new QFormLayout(this);
    m_source = new QComboBox(this);
    m_source->setObjectName("Source");
    m_source->addItems(c.sources);
    m_source->setCurrentText(s.source);
    form->addRow(tr("Source:"), m_source);
    m_source->setVisible(!c.sources.isEmpty());
    if (c.sources.isEmpty()) {
        form->setRowVisible(m_source, false);
    }

    m_mode = new QComboBox(this);
    m_mode->setObjectName("Mode");
    if (c.hasColor) {
        m_mode->addItem(tr("Colour"), false);
    }
    if (c.hasGray) {
        m_mode->addItem(tr("Grey"), true);
    }
    m_mode->setCurrentIndex(std::max(0, m_mode->findData(s.gray)));
    form->addRow(tr("Mode:"), m_mode);

    m_resolution = new QComboBox(this);
    m_resolution->setObjectName("Resolution");
    for (int dpi : offeredResolutions(c)) {
        m_resolution->addItem(tr("%1 dpi").arg(dpi), dpi);
    }
    m_resolution->setCurrentIndex(std::max(0, m_resolution->findData(s.resolutionDpi)));
    form->addRow(tr("Resolution:"), m_resolution);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(LoadResString(str::Ok), QDialogButtonBox::AcceptRole);
    ok->setObjectName("OK");
    ok->setDefault(true);
    buttons->addButton(LoadResString(str::Cancel), QDialogButtonBox::RejectRole)
        ->setObjectName("Cancel");
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        remember(m_device, settings());
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

ScanSettings ScanOptions::settings() const {
    ScanSettings s;
    s.source = m_source->currentText();
    s.gray = m_mode->currentData().toBool();
    s.resolutionDpi = m_resolution->currentData().toInt();
    return s;
}

}  // namespace brindle
