#include "plugin/host/upload_window.h"

#include "plugin/host/plugin_host.h"

#include <QLabel>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

#include <X11/Xlib.h>

#include <cstdio>

namespace brindle::upload {

namespace {

// Errors on the host's own connection (a window gone while a press is sent)
// are reported, not fatal.
int onXError(Display*, XErrorEvent* event) {
    std::fprintf(stderr, "brindle-upload: X error %d (request %d)\n", int(event->error_code),
                 int(event->request_code));
    return 0;
}

}  // namespace

PluginArea::PluginArea(int width, int height, QWidget* parent)
    : QWidget(parent), m_width(width), m_height(height) {
    setObjectName("PluginArea");
    setFixedSize(width, height);
    setAttribute(Qt::WA_NativeWindow);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Upload"));
    setAccessibleDescription(tr("The publishing page's upload button and progress"));
}

PluginArea::~PluginArea() {
    // The area window goes with the connection that made it (it may be gone
    // already, with the Qt window it lay in).
    if (m_display) {
        XCloseDisplay(m_display);
    }
}

void PluginArea::paintEvent(QPaintEvent*) {
    // The first paint means the window is on the screen: the server knows
    // it, and the plug-in's window can be made inside it.
    if (!m_display) {
        QTimer::singleShot(0, this, &PluginArea::makeAreaWindow);
    }
}

void PluginArea::focusInEvent(QFocusEvent*) {
    giveKeyboardToArea();
}

void PluginArea::giveKeyboardToArea() {
    if (!m_display || !m_window || !isActiveWindow()) {
        return;
    }
    XSetInputFocus(m_display, m_window, RevertToParent, CurrentTime);
    XFlush(m_display);
}

void PluginArea::makeAreaWindow() {
    if (m_display) {
        return;
    }
    m_display = XOpenDisplay(nullptr);
    if (!m_display) {
        std::fprintf(stderr, "brindle-upload: cannot open the X display\n");
        return;
    }
    XSetErrorHandler(onXError);
    const int screen = DefaultScreen(m_display);
    m_window =
        XCreateSimpleWindow(m_display, Window(winId()), 0, 0, unsigned(m_width), unsigned(m_height),
                            0, BlackPixel(m_display, screen), WhitePixel(m_display, screen));
    XMapWindow(m_display, m_window);
    XSync(m_display, False);
    if (hasFocus()) {
        giveKeyboardToArea();
    }
    emit areaReady();
}

bool PluginArea::pressButton() {
    if (!m_display || !m_window) {
        return false;
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(m_display, m_window, &root, &parent, &children, &count) || count == 0) {
        if (children) {
            XFree(children);
        }
        return false;
    }
    const Window button = children[0];
    XFree(children);
    XWindowAttributes attributes{};
    XGetWindowAttributes(m_display, button, &attributes);
    for (int type : {ButtonPress, ButtonRelease}) {
        XEvent event{};
        event.xbutton.type = type;
        event.xbutton.display = m_display;
        event.xbutton.window = button;
        event.xbutton.root = root;
        event.xbutton.x = attributes.width / 2;
        event.xbutton.y = attributes.height / 2;
        event.xbutton.button = Button1;
        event.xbutton.same_screen = True;
        XSendEvent(m_display, button, False,
                   type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &event);
    }
    XSync(m_display, False);
    return true;
}

UploadWindow::UploadWindow(PluginHost* host, const QString& page, int width, int height)
    : m_host(host) {
    setWindowTitle(tr("Brindle upload"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* address =
        new QLabel(page.isEmpty() ? tr("(page parameters from the command line)") : page, central);
    address->setObjectName("PageAddress");
    address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(address);
    m_area = new PluginArea(width, height, central);
    layout->addWidget(m_area);
    m_answer = new QTextBrowser(central);
    m_answer->setObjectName("Answer");
    m_answer->setOpenLinks(false);
    m_answer->hide();
    layout->addWidget(m_answer);
    layout->addStretch(1);
    setCentralWidget(central);
    statusBar()->setObjectName("StatusLine");
    connect(host, &PluginHost::statusShown, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(host, &PluginHost::posted, this,
            [this](const QString& url) { statusBar()->showMessage(tr("Sending to %1").arg(url)); });
}

void UploadWindow::showAnswer(bool transferred, long status, const QByteArray& body,
                              const QString& contentType, const QString& error) {
    // As in a browser, the answer page replaces the page with the plug-in.
    m_host->destroy();
    m_area->hide();
    if (!transferred) {
        m_answer->setPlainText(tr("The upload failed: %1").arg(error));
        statusBar()->showMessage(tr("The upload failed"));
    } else if (contentType.startsWith("text/html", Qt::CaseInsensitive)) {
        m_answer->setHtml(QString::fromUtf8(body));
        statusBar()->showMessage(tr("Answer %1").arg(status));
    } else {
        m_answer->setPlainText(QString::fromUtf8(body));
        statusBar()->showMessage(tr("Answer %1").arg(status));
    }
    m_answer->show();
}

}  // namespace brindle::upload
