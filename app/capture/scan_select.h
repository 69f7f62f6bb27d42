// The scan source dialog: the scanners SANE finds, by vendor and model,
// with the current choice (gScanner, a SANE device name) selected. OK (or a
// double-click) makes the selected source gScanner, and with "Use selection
// as my default" ticked also the "Scanner" setting.
#pragma once

#include "components/imaging/scanner.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QListWidget;

namespace brindle {

class ScanSelect : public QDialog {
    Q_OBJECT
public:
    explicit ScanSelect(QWidget* parent);

    // Lists the sources (off the GUI thread) and fills the list. False,
    // after message 70, when there is none; the dialog is not to be shown.
    bool load();
    // Fills the list from sources already known.
    bool load(const std::vector<ScanSource>& sources);

    QListWidget* List1() const { return m_list; }
    QCheckBox* Save() const { return m_save; }

private:
    void OK_Click();

    QListWidget* m_list;
    QCheckBox* m_save;
    std::vector<ScanSource> m_sources;
};

}  // namespace brindle
