#include "app/editor/editor_window.h"

#include "app/editor/slide_strip.h"
#include "platform/messages.h"
#include "platform/resources.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace brindle {

namespace {
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 44;
}  // namespace

EditorWindow::EditorWindow(QWidget* parent) : QWidget(parent) {
    setObjectName("Editor");

    m_buttonBar = new QWidget(this);
    m_buttonBar->setObjectName("ButtonBar");
    auto* bar = new QVBoxLayout(m_buttonBar);
    bar->setContentsMargins(0, 0, 0, 0);
    m_buttonBar->setLayout(bar);
    // Each add command has a key: Ctrl and its place in the bar.
    addButton("Text", str::KindText, str::TextButtonTip, QKeySequence(Qt::CTRL | Qt::Key_1));
    addButton("Files", str::KindFiles, str::FilesButtonTip, QKeySequence(Qt::CTRL | Qt::Key_2));
    addButton("Scan", str::KindScan, str::ScanButtonTip, QKeySequence(Qt::CTRL | Qt::Key_3));
    addButton("Snap", str::KindSnapshot, str::SnapshotButtonTip,
              QKeySequence(Qt::CTRL | Qt::Key_4));
    addButton("Video", str::KindVideo, str::VideoButtonTip, QKeySequence(Qt::CTRL | Qt::Key_5));
    bar->addStretch(1);
    // Preview's key is the menu item's (F5).
    addButton("PlayPreview", str::PreviewButton, str::PreviewButtonTip);
    addButton("Publish", str::PublishButton, str::PublishButtonTip);

    m_identity = new QToolButton(this);
    m_identity->setObjectName("Identity");
    m_identity->setAutoRaise(true);
    // The product identity picture; the title stands in when it is missing.
    const QPixmap picture(resourcePath("identity.png"));
    if (picture.isNull()) {
        m_identity->setText(gAppTitle);
    } else {
        m_identity->setIcon(QIcon(picture));
        m_identity->setIconSize(picture.size());
    }
    m_identity->setToolTip(LoadResString(str::IdentityTip));
    m_identity->setAccessibleName(LoadResString(str::IdentityTip));
    m_identity->setCursor(Qt::PointingHandCursor);
    connect(m_identity, &QToolButton::clicked, this, &EditorWindow::identityClicked);

    m_strip = new SlideStrip(this);
    // Tabbing follows the window: the buttons from the top, the picture at
    // the right, then the strip.
    QWidget* previous = nullptr;
    for (QWidget* w : m_buttonBar->findChildren<QPushButton*>()) {
        if (previous != nullptr) {
            setTabOrder(previous, w);
        }
        previous = w;
    }
    setTabOrder(previous, m_identity);
    setTabOrder(m_identity, m_strip);

    auto* right = new QVBoxLayout;
    right->addWidget(m_identity, 0, Qt::AlignRight | Qt::AlignTop);
    right->addStretch(1);
    right->addWidget(m_strip, 0, Qt::AlignCenter);
    right->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(16);
    layout->addWidget(m_buttonBar);
    layout->addLayout(right, 1);

    m_shade = new QWidget(this);
    m_shade->setObjectName("windowShade");
    m_shade->setAttribute(Qt::WA_StyledBackground);
    m_shade->setStyleSheet("#windowShade { background-color: rgba(40, 40, 40, 110); }");
    m_shade->hide();

    setFixedSize(layout->sizeHint().expandedTo(QSize(760, 500)));
}

QPushButton* EditorWindow::addButton(const char* name, int captionEntry, int tooltipEntry,
                                     const QKeySequence& key) {
    auto* b = new QPushButton(LoadResString(captionEntry), m_buttonBar);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(LoadResString(tooltipEntry));
    b->setAccessibleName(LoadResString(captionEntry));
    QString description = LoadResString(tooltipEntry);
    if (!key.isEmpty()) {
        b->setShortcut(key);
        description +=
            ".  " + LoadResString(str::KeyboardShortcut) + key.toString(QKeySequence::NativeText);
    }
    b->setAccessibleDescription(description);
    b->setFixedSize(kButtonWidth, kButtonHeight);
    m_buttonBar->layout()->addWidget(b);
    return b;
}

QPushButton* EditorWindow::button(const char* name) const {
    return m_buttonBar->findChild<QPushButton*>(QString::fromLatin1(name));
}

void EditorWindow::setShaded(bool shaded) {
    m_shade->setGeometry(rect());
    m_shade->setVisible(shaded);
    if (shaded) {
        m_shade->raise();
    }
}

void EditorWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_shade->setGeometry(rect());
}

}  // namespace brindle
