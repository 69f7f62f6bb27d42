#include "app/media/progress_form.h"

#include "app/model/project_view.h"
#include "platform/dialogs/interface_font.h"
#include "platform/messages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace brindle {

progressForm::progressForm(QWidget* parent)
    : QDialog(parent),
      m_label(new QLabel(LoadResString(str::PreparingProject), this)),
      m_master(new QProgressBar(this)),
      m_encoder(new QProgressBar(this)),
      m_cancel(new QPushButton(LoadResString(str::Cancel), this)) {
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

namespace {

class FormDisplay : public ProgressDisplay {
public:
    explicit FormDisplay(QWidget* parent) : m_form(parent) { m_form.show(); }
    ~FormDisplay() override {
        m_form.masterProgress()->hide();
        m_form.hide();
    }
    void setText(const QString& text) override { m_form.Label1()->setText(text); }
    void setMaximum(int maximum) override { m_form.masterProgress()->setMaximum(maximum); }
    void setValue(int value) override { m_form.masterProgress()->setValue(value); }
    void update() override { m_form.repaint(); }
    void setName(const QString& name) override { m_form.setObjectName(name); }
    void setModal(bool modal) override {
        // Modality counts from the next show.
        m_form.hide();
        m_form.setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
        m_form.show();
    }
    void setStepBarShown(bool shown) override { m_form.encoderProgress()->setVisible(shown); }

private:
    progressForm m_form;
};

class ProgressWindows : public ProgressSink {
public:
    std::unique_ptr<ProgressDisplay> open() override {
        ProjectView* view = projectView();
        return std::make_unique<FormDisplay>(view ? view->dialogParent() : nullptr);
    }
    void setBusy(bool busy) override {
        if (busy) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            QApplication::restoreOverrideCursor();
        }
    }
};

}  // namespace

void installProgressWindows() {
    static ProgressWindows windows;
    setProgressSink(&windows);
}

}  // namespace brindle
