#include "app/media/progress_form.h"

#include "app/media/interface_font.h"
#include "platform/messages.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace brindle {

bool CancelRequested = false;

progressForm::progressForm(QWidget* parent)
    : QDialog(parent),
      m_label(new QLabel(LoadResString(54), this)),
      m_master(new QProgressBar(this)),
      m_encoder(new QProgressBar(this)),
      m_cancel(new QPushButton(LoadResString(2), this)) {
    setObjectName("progressForm");
    setWindowTitle(gAppTitle);
    m_label->setObjectName("Label1");
    m_master->setObjectName("masterProgress");
    m_encoder->setObjectName("encoderProgress");
    m_cancel->setObjectName("Cancel");
    for (QProgressBar* bar : {m_master, m_encoder}) {
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
    }
    const QFont font = interfaceFont();
    for (QWidget* w : std::initializer_list<QWidget*>{m_label, m_master, m_encoder, m_cancel}) {
        w->setFont(font);
    }
    // Enter must not press Cancel by accident.
    m_cancel->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_master);
    layout->addWidget(m_encoder);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    setMinimumWidth(360);

    connect(m_cancel, &QPushButton::clicked, this, [] { CancelRequested = true; });
}

void progressForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        CancelRequested = true;
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void progressForm::closeEvent(QCloseEvent* event) {
    if (event->spontaneous()) {
        CancelRequested = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace brindle
