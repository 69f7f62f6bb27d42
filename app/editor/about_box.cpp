#include "app/editor/about_box.h"

#include "app/model/project_view.h"
#include "platform/messages.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVersionNumber>

namespace brindle {

QString programVersion() {
    const QVersionNumber v = QVersionNumber::fromString(QStringLiteral(BRINDLE_VERSION));
    return QStringLiteral("%1.%2.%3")
        .arg(v.majorVersion())
        .arg(v.minorVersion())
        .arg(v.microVersion());
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle(gAppTitle);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(gAppTitle, this);
    title->setObjectName("lblTitle");
    QFont big = title->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    title->setFont(big);
    layout->addWidget(title);
    auto* version = new QLabel(programVersion(), this);
    version->setObjectName("lblVersion");
    layout->addWidget(version);
    int n = 0;
    for (const int entry : {str::AboutCopyright, str::AboutWarning, str::AboutReproduction}) {
        auto* notice = new QLabel(LoadResString(entry), this);
        notice->setObjectName(QStringLiteral("lblNotice%1").arg(++n));
        notice->setWordWrap(true);
        layout->addWidget(notice);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("cmdOK");
    buttons->button(QDialogButtonBox::Ok)->setText(LoadResString(str::Ok));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setFixedWidth(420);
}

void mnuAbout_Click() {
    ProjectView* view = projectView();
    AboutBox box(view ? view->dialogParent() : nullptr);
    box.exec();
}

}  // namespace brindle
