#include "app/capture/scan_select.h"

#include "app/capture/scan_state.h"
#include "app/model/settings.h"
#include "components/imaging/scan_job.h"
#include "platform/dialogs/interface_font.h"
#include "platform/messages.h"
#include "platform/registry.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace brindle {
namespace {}  // namespace

ScanSelect::ScanSelect(QWidget* parent)
    : QDialog(parent), m_list(new QListWidget(this)), m_save(new QCheckBox(this)) {
    setObjectName("ScanSelect");
    setWindowTitle(LoadResString(str::SelectScanDevice));
    setFont(interfaceFont());
    m_list->setObjectName("List1");
    m_save->setObjectName("Save");
    m_save->setText(LoadResString(str::UseAsDefault));
    auto* ok = new QPushButton(LoadResString(str::Ok), this);
    ok->setObjectName("OK");
    ok->setDefault(true);
    auto* cancel = new QPushButton(LoadResString(str::Cancel), this);
    cancel->setObjectName("Cancel");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(m_save);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    resize(380, 240);

    connect(ok, &QPushButton::clicked, this, [this] { OK_Click(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { OK_Click(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool ScanSelect::load() {
    return load(SourceListJob::listWhileResponsive());
}

bool ScanSelect::load(const std::vector<ScanSource>& sources) {
    m_sources = sources;
    m_list->clear();
    if (m_sources.empty()) {
        MsgBox(str::NoScanner);
        return false;
    }
    int selected = 0;
    for (std::size_t i = 0; i < m_sources.size(); ++i) {
        m_list->addItem(m_sources[i].label);
        if (!gScanner.isEmpty() && m_sources[i].device == gScanner) {
            selected = int(i);
        }
    }
    m_list->setCurrentRow(selected);
    return true;
}

void ScanSelect::OK_Click() {
    const int row = m_list->currentRow();
    if (row >= 0 && row < int(m_sources.size())) {
        gScanner = m_sources[std::size_t(row)].device;
        if (m_save->isChecked()) {
            RegSetString(HKEY_CURRENT_USER, gSettingsKey, "Scanner", gScanner);
        }
    }
    accept();
}

}  // namespace brindle
