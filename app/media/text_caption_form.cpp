#include "app/media/text_caption_form.h"

#include "app/model/media_element.h"
#include "app/model/project.h"
#include "app/model/project_view.h"
#include "platform/dialogs/interface_font.h"
#include "platform/messages.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace brindle {

textCaption::textCaption(QWidget* parent)
    : QDialog(parent),
      m_label(new QLabel(LoadResString(str::EnterCaption), this)),
      m_text(new QLineEdit(this)),
      m_done(new QPushButton(LoadResString(str::Ok), this)),
      m_cancel(new QPushButton(LoadResString(str::Cancel), this)) {
    setObjectName("textCaption");
    setWindowTitle(gAppTitle);
    m_label->setObjectName("Label1");
    m_text->setObjectName("Text1");
    m_done->setObjectName("Done");
    m_cancel->setObjectName("Cancel");
    const QFont font = interfaceFont();
    for (QWidget* w : std::initializer_list<QWidget*>{m_label, m_text, m_done, m_cancel}) {
        w->setFont(font);
    }
    m_label->setBuddy(m_text);
    m_done->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_text);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_done);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    setMinimumWidth(400);

    connect(m_done, &QPushButton::clicked, this, [this] { Done_Click(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void textCaption::initTheForm(int slide) {
    m_slide = slide;
    const MediaElement* r = gProject.Item(slide);
    m_text->setText(r != nullptr ? r->Caption : QString());
    m_text->selectAll();
    m_text->setFocus();
}

void textCaption::Done_Click() {
    MediaElement* r = gProject.Item(m_slide);
    if (r != nullptr && m_text->text() != r->Caption) {
        r->Caption = m_text->text();
        gProjectChanged = true;
        if (ProjectView* view = projectView()) {
            view->refreshStrip();
        }
    }
    accept();
}

}  // namespace brindle
