// The small window shown before each scan: document source, colour or grey
// and resolution, built from what the device itself offers, remembered per
// device in the user's settings. The defaults need no choice: colour at
// 150 dpi, or the resolution nearest to it that the device has.
#pragma once

#include "components/imaging/scanner.h"

#include <QDialog>

class QComboBox;

namespace brindle {

class ScanOptions : public QDialog {
    Q_OBJECT
public:
    ScanOptions(const QString& device, const ScanCapabilities& capabilities, QWidget* parent);

    // What the window shows now.
    ScanSettings settings() const;

    // The settings remembered for the device, or the defaults, fitted to
    // what the device offers.
    static ScanSettings remembered(const QString& device, const ScanCapabilities& capabilities);
    static void remember(const QString& device, const ScanSettings& settings);

    static constexpr int kDefaultDpi = 150;

private:
    QString m_device;
    QComboBox* m_source;
    QComboBox* m_mode;
    QComboBox* m_resolution;
};

}  // namespace brindle
