#include "app/media/real_text_form.h"

#include "app/media/text_box_layout.h"
#include "app/media/text_slide.h"
#include "app/media/text_slide_markup.h"
#include "app/model/toc_format.h"
#include "platform/dialogs/interface_font.h"
#include "platform/messages.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStackedLayout>
#include <QTextEdit>
#include <QVBoxLayout>

namespace brindle {
namespace {

QColor colourOf(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

// The hourglass while "OK" works, restored on every way out.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

realText::realText(QWidget* parent)
    : QDialog(parent),
      m_text1(makeBox(false)),
      m_text2(makeBox(true)),
      m_combo1(new QComboBox(this)),
      m_combo2(new QComboBox(this)),
      m_check1(new QCheckBox(LoadResString(str::Center), this)),
      m_done(new QPushButton(LoadResString(str::Ok), this)),
      m_cancel(new QPushButton(LoadResString(str::Cancel), this)),
      m_fontName(LoadResString(str::TextSlideFace)) {
    setObjectName("realText");
    setWindowTitle(gAppTitle);
    m_text1->setObjectName("Text1");
    m_text2->setObjectName("Text2");
    m_combo1->setObjectName("Combo1");
    m_combo2->setObjectName("Combo2");
    m_check1->setObjectName("Check1");
    m_done->setObjectName("Done");
    m_cancel->setObjectName("Cancel");
    for (int entry : {str::SmallFont, str::MediumFont, str::LargeFont}) {
        m_combo1->addItem(LoadResString(entry));
    }
    for (int entry : {str::YellowOnBlue, str::BlueOnYellow, str::BlackOnWhite, str::WhiteOnBlack}) {
        m_combo2->addItem(LoadResString(entry));
    }
    const QFont font = interfaceFont();
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_combo1, m_combo2, m_check1, m_done, m_cancel}) {
        w->setFont(font);
    }
    m_done->setDefault(true);

    // The boxes share one place; Check1 decides which one shows.
    auto* boxFrame = new QFrame(this);
    boxFrame->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_boxes = new QStackedLayout(boxFrame);
    m_boxes->setContentsMargins(1, 1, 1, 1);
    m_boxes->addWidget(m_text1);
    m_boxes->addWidget(m_text2);

    auto* side = new QVBoxLayout;
    side->addWidget(m_combo1);
    side->addWidget(m_combo2);
    side->addWidget(m_check1);
    side->addStretch();
    side->addWidget(m_done);
    side->addWidget(m_cancel);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(boxFrame);
    layout->addLayout(side);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_text1, &QTextEdit::textChanged, this, [this] { textChanged(m_text1, m_text2); });
    connect(m_text2, &QTextEdit::textChanged, this, [this] { textChanged(m_text2, m_text1); });
    connect(m_combo1, &QComboBox::currentIndexChanged, this, [this] { Combo1_Click(); });
    connect(m_combo2, &QComboBox::currentIndexChanged, this, [this] { Combo2_Click(); });
    connect(m_check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });
    connect(m_done, &QPushButton::clicked, this, [this] { Done_Click(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Enter belongs to the text; Ctrl+Enter presses OK from anywhere.
    for (const QKeySequence& key :
         {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, m_done, &QPushButton::click);
    }

    m_combo1->setCurrentIndex(0);
    m_combo2->setCurrentIndex(0);
    Combo1_Click();
    Combo2_Click();
    Check1_Click();
}

QTextEdit* realText::makeBox(bool centred) {
    auto* box = new QTextEdit(this);
    box->setAcceptRichText(false);
    box->setFrameStyle(QFrame::NoFrame);
    box->setLineWrapMode(QTextEdit::FixedPixelWidth);
    box->setLineWrapColumnOrWidth(kTextWindowWidth);
    box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setTabChangesFocus(true);
    setUpTextBoxDocument(box->document(), textBoxFont(0));
    if (centred) {
        QTextOption option = box->document()->defaultTextOption();
        option.setAlignment(Qt::AlignHCenter);
        box->document()->setDefaultTextOption(option);
    }
    // The formatting rectangle is the markup's window: 320 x 240 pixels.
    box->setFixedSize(kTextWindowWidth + box->verticalScrollBar()->sizeHint().width(),
                      kTextWindowHeight);
    return box;
}

void realText::initTheForm(const QString& path, int pointSize, int foreColor, int alignment,
                           int slide) {
    m_combo1->setCurrentIndex(std::clamp(pointSize, 0, kTextSizeCount - 1));
    m_combo2->setCurrentIndex(std::clamp(foreColor, 0, kTextSchemeCount - 1));
    m_check1->setChecked(alignment == 1);
    // A slide whose text file has gone is still the slide being edited.
    m_editedSlide = path.isEmpty() ? 0 : std::max(slide, 0);
    QFile file(path);
    if (!path.isEmpty() && file.open(QIODevice::ReadOnly)) {
        QStringList lines = normalizedBoxText(decodeTocText(file.readAll())).split('\n');
        if (lines.size() > 1 && lines.constLast().isEmpty()) {
            lines.removeLast();  // the last line's own line end
        }
        // The lines joined by line breaks, as the box keeps them.
        m_text1->setPlainText(lines.join('\n'));
        return;
    }
    m_text1->setPlainText(LoadResString(str::NewSlideText));
    for (QTextEdit* box : {m_text1, m_text2}) {
        box->selectAll();
    }
    (m_check1->isChecked() ? m_text2 : m_text1)->setFocus();
}

void realText::getTextRectInfo() {
    m_visibleLines = visibleLineCount(m_text1->document()->defaultFont(), kTextWindowHeight);
}

void realText::Combo1_Click() {
    const int index = std::max(m_combo1->currentIndex(), 0);
    const QFont font = textBoxFont(index);
    for (QTextEdit* box : {m_text1, m_text2}) {
        box->setFont(font);
        box->document()->setDefaultFont(font);
    }
    m_scrollRate = textFontSize(index).scrollRate;
    getTextRectInfo();
}

void realText::Combo2_Click() {
    const TextColourScheme& scheme = textColourScheme(std::max(m_combo2->currentIndex(), 0));
    for (QTextEdit* box : {m_text1, m_text2}) {
        QPalette p = box->palette();
        p.setColor(QPalette::Base, colourOf(scheme.backColor));
        p.setColor(QPalette::Text, colourOf(scheme.foreColor));
        box->setPalette(p);
    }
}

void realText::Check1_Click() {
    QTextEdit* shown = m_check1->isChecked() ? m_text2 : m_text1;
    m_boxes->setCurrentWidget(shown);
    shown->setFocus();
}

void realText::textChanged(QTextEdit* from, QTextEdit* to) {
    if (m_copying) {
        return;
    }
    const QString text = from->toPlainText();
    if (to->toPlainText() != text) {
        m_copying = true;
        to->setPlainText(text);
        m_copying = false;
    }
}

void realText::Done_Click() {
    WaitCursor hourglass;
    getTextRectInfo();
    TextSlideRequest request;
    request.wrapped = wrappedLines(m_text1->document());
    request.visibleLines = m_visibleLines;
    request.look.sizeIndex = std::max(m_combo1->currentIndex(), 0);
    request.look.schemeIndex = std::max(m_combo2->currentIndex(), 0);
    request.look.centred = m_check1->isChecked();
    request.look.fontName = m_fontName;
    request.editedSlide = m_editedSlide;
    const int slide = saveTextSlide(request);
    if (slide < 1) {
        return;  // the message is shown; the text stays for another try
    }
    m_savedSlide = slide;
    accept();
}

}  // namespace brindle
