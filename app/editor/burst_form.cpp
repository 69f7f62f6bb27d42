#include "app/editor/burst_form.h"

#include "platform/messages.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>

namespace brindle {
namespace {

QFont fontFrom(int nameEntry, int sizeEntry) {
    QFont font(LoadResString(nameEntry));
    const int points = LoadResString(sizeEntry).toInt();
    if (points > 0) {
        font.setPointSize(points);
    }
    return font;
}

}  // namespace

burstForm::burstForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName("burstForm");
    setFont(fontFrom(179, 180));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(LoadResString(str::AppTitle), this);
    title->setObjectName("Title");
    title->setFont(fontFrom(181, 182));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    setFixedSize(320, 120);
    setFocusPolicy(Qt::StrongFocus);
}

void burstForm::showAndWait() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.width() / 2 - width() / 2, area.height() / 2 - height() / 2);
    }
    show();
    raise();
    activateWindow();
    repaint();
    const QDeadlineTimer deadline(kShowMs);
    while (!deadline.hasExpired() && m_escape == 0) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

void burstForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        m_escape = -1;
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace brindle
