#include "plugin/x_area.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <set>

namespace kestrum {

namespace {

long long nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// X errors on the plug-in's own connections (a window the browser destroyed
// before telling the plug-in) are noted, never fatal; errors on any other
// connection go to the handler that was there before.
std::mutex gErrorMutex;
std::set<Display*> gOurDisplays;
XErrorHandler gPreviousHandler = nullptr;
bool gHandlerInstalled = false;
bool gErrorSeen = false;

int onXError(Display* display, XErrorEvent* event) {
    {
        std::lock_guard lock(gErrorMutex);
        if (gOurDisplays.count(display)) {
            gErrorSeen = true;
            return 0;
        }
    }
    return gPreviousHandler ? gPreviousHandler(display, event) : 0;
}

void adoptDisplay(Display* display) {
    std::lock_guard lock(gErrorMutex);
    if (!gHandlerInstalled) {
        gPreviousHandler = XSetErrorHandler(onXError);
        gHandlerInstalled = true;
    }
    gOurDisplays.insert(display);
}

void releaseDisplay(Display* display) {
    std::lock_guard lock(gErrorMutex);
    gOurDisplays.erase(display);
    if (gOurDisplays.empty() && gHandlerInstalled) {
        const XErrorHandler current = XSetErrorHandler(gPreviousHandler);
        if (current != onXError) {
            XSetErrorHandler(current);  // someone installed theirs after ours: keep it
        }
        gHandlerInstalled = false;
    }
}

// Focus moves that only report where the pointer is.
bool pointerOnly(const XFocusChangeEvent& e) {
    return e.detail == NotifyPointer || e.detail == NotifyPointerRoot ||
           e.detail == NotifyDetailNone;
}

// Areas alive on the browser's thread: a callback that the browser still
// delivers for an area that has gone is dropped.
std::set<XArea*> gLiveAreas;

short clampCoord(std::int64_t v) {
    return short(std::clamp<std::int64_t>(v, SHRT_MIN, SHRT_MAX));
}

unsigned short clampSize(std::int64_t v) {
    return (unsigned short)std::clamp<std::int64_t>(v, 0, USHRT_MAX);
}

}  // namespace

XArea* XArea::open(Display* hostDisplay, Window window, NPP instance,
                   const NPNetscapeFuncs* browser, AreaClient* client) {
    const char* name = hostDisplay ? DisplayString(hostDisplay) : nullptr;
    Display* display = XOpenDisplay(name);
    if (!display) {
        return nullptr;
    }
    adoptDisplay(display);
    auto* area = new XArea(display, window, instance, browser, client);
    if (!area->startWatcher()) {
        delete area;
        return nullptr;
    }
    return area;
}

XArea::XArea(Display* display, Window window, NPP instance, const NPNetscapeFuncs* browser,
             AreaClient* client)
    : m_display(display),
      m_window(window),
      m_instance(instance),
      m_browser(browser),
      m_client(client) {
    gLiveAreas.insert(this);
    // Focus changes on the area let the button take the keyboard focus
    // that the page gives the area.
    XSelectInput(m_display, m_window, ExposureMask | FocusChangeMask);
    m_gc = XCreateGC(m_display, m_window, 0, nullptr);
    for (const char* font : {"-misc-fixed-medium-r-normal--13-*-*-*-*-*-iso8859-1", "fixed"}) {
        if ((m_font = XLoadQueryFont(m_display, font))) {
            XSetFont(m_display, m_gc, m_font->fid);
            break;
        }
    }
    for (int a = 0; a < 10; ++a) {
        const Rgb c = shadeColour(a);
        m_shades[a] = pixel(c.red, c.green, c.blue);
    }
    m_blue = pixel(0, 0, 255);
    m_black = pixel(0, 0, 0);
    m_face = pixel(0xd4, 0xd0, 0xc8);
    m_light = pixel(255, 255, 255);
    m_dark = pixel(0x80, 0x80, 0x80);
    m_grey = pixel(0xa0, 0xa0, 0xa0);
    flush();
}

XArea::~XArea() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_answered.notify_all();
    if (m_wake[1] >= 0) {
        const char c = 's';
        [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &c, 1);
    }
    if (m_watcher.joinable()) {
        m_watcher.join();
    }
    for (int& fd : m_wake) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
    gLiveAreas.erase(this);
    destroyButton();
    // The browser's window may be gone already; errors here are ours to ignore.
    XSelectInput(m_display, m_window, NoEventMask);
    if (m_font) {
        XFreeFont(m_display, m_font);
    }
    XFreeGC(m_display, m_gc);
    XSync(m_display, False);
    releaseDisplay(m_display);
    XCloseDisplay(m_display);
}

unsigned long XArea::pixel(int red, int green, int blue) {
    XColor colour{};
    colour.red = (unsigned short)(red * 257);
    colour.green = (unsigned short)(green * 257);
    colour.blue = (unsigned short)(blue * 257);
    colour.flags = DoRed | DoGreen | DoBlue;
    const Colormap map = DefaultColormap(m_display, DefaultScreen(m_display));
    if (!XAllocColor(m_display, map, &colour)) {
        return red + green + blue > 382 ? WhitePixel(m_display, DefaultScreen(m_display))
                                        : BlackPixel(m_display, DefaultScreen(m_display));
    }
    return colour.pixel;
}

void XArea::flush() {
    XFlush(m_display);
    // Xlib may have read events while answering a request: let the watcher
    // have them handled even though the socket is quiet now.
    if (m_wake[1] >= 0 && !m_dispatching) {
        const char c = 'k';
        [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &c, 1);
    }
}

bool XArea::makeButton(const std::string& label) {
    destroyButton();
    m_label = label;
    {
        std::lock_guard lock(gErrorMutex);
        gErrorSeen = false;
    }
    const Window button =
        XCreateSimpleWindow(m_display, m_window, 0, 0, 30, 15, 0, m_black, m_face);
    XSync(m_display, False);
    bool failed;
    {
        std::lock_guard lock(gErrorMutex);
        failed = gErrorSeen || button == 0;
    }
    if (failed) {
        if (button) {
            XDestroyWindow(m_display, button);
        }
        flush();
        return false;
    }
    m_button = button;
    m_buttonWidth = 30;
    m_buttonHeight = 15;
    m_enabled = false;
    m_pressed = false;
    m_keyDown = false;
    m_focused = false;
    XStoreName(m_display, m_button, label.c_str());
    XSelectInput(m_display, m_button,
                 ExposureMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask |
                     KeyPressMask | KeyReleaseMask | FocusChangeMask);
    XMapWindow(m_display, m_button);
    focusButtonIfAreaFocused();
    flush();
    return true;
}

void XArea::destroyButton() {
    if (m_button) {
        XDestroyWindow(m_display, m_button);
        m_button = 0;
        m_focused = false;
        m_keyDown = false;
        flush();
    }
}

void XArea::focusButtonIfAreaFocused() {
    if (!m_button) {
        return;
    }
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(m_display, &focus, &revert);
    if (focus == m_window) {
        // Back to the area when the button goes.
        XSetInputFocus(m_display, m_button, RevertToParent, CurrentTime);
    }
}

void XArea::setButtonEnabled(bool enabled) {
    if (m_enabled == enabled) {
        return;
    }
    m_enabled = enabled;
    m_pressed = false;
    m_keyDown = false;
    paintButton();
    flush();
}

void XArea::moveButton(const Rect& r) {
    if (!m_button) {
        return;
    }
    m_buttonWidth = std::max<int>(1, clampSize(r.right - r.left));
    m_buttonHeight = std::max<int>(1, clampSize(r.bottom - r.top));
    XMoveResizeWindow(m_display, m_button, clampCoord(r.left), clampCoord(r.top),
                      unsigned(m_buttonWidth), unsigned(m_buttonHeight));
    XClearArea(m_display, m_button, 0, 0, 0, 0, True);
    flush();
}

bool XArea::clientSize(int& width, int& height) {
    XWindowAttributes attributes{};
    {
        std::lock_guard lock(gErrorMutex);
        gErrorSeen = false;
    }
    const Status ok = XGetWindowAttributes(m_display, m_window, &attributes);
    bool failed;
    {
        std::lock_guard lock(gErrorMutex);
        failed = gErrorSeen || !ok;
    }
    if (failed) {
        return false;
    }
    width = attributes.width;
    height = attributes.height;
    return true;
}

void XArea::paint() {
    const AreaState state = m_client->areaState();
    XClearWindow(m_display, m_window);
    if (!state.hasButton) {
        // The error mark: no upload is possible in this area.
        XSetForeground(m_display, m_gc, m_black);
        XDrawLine(m_display, m_window, m_gc, clampCoord(state.area.left),
                  clampCoord(state.area.top), clampCoord(state.area.right),
                  clampCoord(state.area.bottom - 1));
    }
    paintBar();
    paintButton();
}

void XArea::paintBar() {
    const AreaState state = m_client->areaState();
    const Rect& bar = state.bar;
    if (barIsEmpty(bar)) {
        flush();
        return;
    }
    XSetForeground(m_display, m_gc, m_blue);
    XDrawRectangle(m_display, m_window, m_gc, clampCoord(bar.left), clampCoord(bar.top),
                   clampSize(bar.right - bar.left - 1), clampSize(bar.bottom - bar.top - 1));
    const std::vector<Rect> segments = barSegments(bar);
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const Rect& s = segments[i];
        if (s.right <= s.left || s.bottom <= s.top) {
            continue;
        }
        XSetForeground(m_display, m_gc, m_shades[segmentShade(state.counter, int(i % 10))]);
        XFillRectangle(m_display, m_window, m_gc, clampCoord(s.left), clampCoord(s.top),
                       clampSize(s.right - s.left), clampSize(s.bottom - s.top));
    }
    flush();
}

void XArea::paintButton() {
    if (!m_button) {
        return;
    }
    const int w = m_buttonWidth, h = m_buttonHeight;
    XSetForeground(m_display, m_gc, m_face);
    XFillRectangle(m_display, m_button, m_gc, 0, 0, unsigned(w), unsigned(h));
    // A raised edge, sunken while pressed.
    XSetForeground(m_display, m_gc, m_pressed ? m_dark : m_light);
    XDrawLine(m_display, m_button, m_gc, 0, 0, w - 1, 0);
    XDrawLine(m_display, m_button, m_gc, 0, 0, 0, h - 1);
    XSetForeground(m_display, m_gc, m_pressed ? m_light : m_black);
    XDrawLine(m_display, m_button, m_gc, 0, h - 1, w - 1, h - 1);
    XDrawLine(m_display, m_button, m_gc, w - 1, 0, w - 1, h - 1);
    if (m_font && !m_label.empty()) {
        const int length = int(std::min<std::size_t>(m_label.size(), 500));
        const int textWidth = XTextWidth(m_font, m_label.data(), length);
        const int shift = m_pressed ? 1 : 0;
        const int x = (w - textWidth) / 2 + shift;
        const int y = (h + m_font->ascent - m_font->descent) / 2 + shift;
        XSetForeground(m_display, m_gc, m_enabled ? m_black : m_grey);
        XDrawString(m_display, m_button, m_gc, x, y, m_label.data(), length);
    }
    if (m_focused && w > 8 && h > 8) {
        // The focus: a dotted frame inside the edge.
        static const char dots[] = {1, 1};
        XSetLineAttributes(m_display, m_gc, 0, LineOnOffDash, CapButt, JoinMiter);
        XSetDashes(m_display, m_gc, 0, dots, 2);
        XSetForeground(m_display, m_gc, m_black);
        XDrawRectangle(m_display, m_button, m_gc, 3, 3, unsigned(w - 7), unsigned(h - 7));
        XSetLineAttributes(m_display, m_gc, 0, LineSolid, CapButt, JoinMiter);
    }
}

void XArea::startTimer(int intervalMs) {
    {
        std::lock_guard lock(m_mutex);
        m_tickMs = intervalMs;
        m_nextTickMs = nowMs() + intervalMs;
    }
    if (m_wake[1] >= 0) {
        const char c = 't';
        [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &c, 1);
    }
}

void XArea::stopTimer() {
    std::lock_guard lock(m_mutex);
    m_tickMs = 0;
}

bool XArea::timerRunning() const {
    std::lock_guard lock(m_mutex);
    return m_tickMs > 0;
}

bool XArea::startWatcher() {
    if (!m_browser ||
        m_browser->size < offsetof(NPNetscapeFuncs, pluginthreadasynccall) +
                              sizeof(m_browser->pluginthreadasynccall) ||
        !m_browser->pluginthreadasynccall) {
        return true;  // a browser that cannot call back: the area is drawn, not clickable
    }
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_wake[0] = m_wake[1] = -1;
        return false;
    }
    m_watcher = std::thread([this] { watch(); });
    return true;
}

void XArea::watch() {
    const int xfd = ConnectionNumber(m_display);
    for (;;) {
        int timeout = -1;
        {
            std::lock_guard lock(m_mutex);
            if (m_stop) {
                return;
            }
            if (m_tickMs > 0) {
                timeout = int(std::max<long long>(0, m_nextTickMs - nowMs()));
            }
        }
        pollfd fds[2] = {{xfd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, timeout) < 0) {
            continue;
        }
        bool kicked = false;
        if (fds[1].revents & POLLIN) {
            char buffer[64];
            while (::read(m_wake[0], buffer, sizeof buffer) > 0) {
            }
            kicked = true;
        }
        {
            std::unique_lock lock(m_mutex);
            if (m_stop) {
                return;
            }
            const bool due = m_tickMs > 0 && nowMs() >= m_nextTickMs;
            if (!due && !kicked && !(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
                continue;
            }
            m_pending = true;
        }
        m_browser->pluginthreadasynccall(m_instance, &XArea::dispatchThunk, this);
        std::unique_lock lock(m_mutex);
        m_answered.wait(lock, [this] { return !m_pending || m_stop; });
        if (m_stop) {
            return;
        }
    }
}

void XArea::dispatchThunk(void* self) {
    auto* area = static_cast<XArea*>(self);
    if (gLiveAreas.count(area)) {
        area->dispatch();
    }
}

void XArea::dispatch() {
    bool due = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_tickMs > 0 && nowMs() >= m_nextTickMs) {
            due = true;
            m_nextTickMs = nowMs() + m_tickMs;
        }
    }
    m_dispatching = true;
    if (due) {
        m_client->timerTick();
    }
    // The handlers may detach this area (an upload's answer replacing the
    // page): stop as soon as it is gone.
    while (gLiveAreas.count(this) && XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        handle(event);
    }
    if (!gLiveAreas.count(this)) {
        return;
    }
    m_dispatching = false;
    XFlush(m_display);
    {
        std::lock_guard lock(m_mutex);
        m_pending = false;
    }
    m_answered.notify_all();
}

void XArea::pressByKey(XKeyEvent& key, bool down) {
    const KeySym sym = XLookupKeysym(&key, 0);
    if (sym == XK_space) {
        // Like a click: sunken while Space is held, pressed on its release.
        if (down && m_enabled && !m_keyDown) {
            m_keyDown = m_pressed = true;
            paintButton();
        } else if (!down && m_keyDown) {
            m_keyDown = m_pressed = false;
            paintButton();
            if (m_enabled) {
                m_client->buttonPressed();
            }
        }
    } else if (down && (sym == XK_Return || sym == XK_KP_Enter) && m_enabled) {
        m_client->buttonPressed();
    }
}

void XArea::handle(XEvent& event) {
    if (event.xany.window == m_window) {
        if (event.type == Expose && event.xexpose.count == 0) {
            paint();
        } else if (event.type == FocusIn && !pointerOnly(event.xfocus)) {
            focusButtonIfAreaFocused();
        }
        return;
    }
    if (event.xany.window != m_button || !m_button) {
        return;
    }
    switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0) {
                paintButton();
            }
            break;
        case ButtonPress:
            if (event.xbutton.button == Button1 && m_enabled) {
                m_pressed = true;
                XSetInputFocus(m_display, m_button, RevertToParent, CurrentTime);
                paintButton();
            }
            break;
        case ButtonRelease:
            if (event.xbutton.button == Button1 && m_pressed) {
                m_pressed = false;
                paintButton();
                const bool inside = event.xbutton.x >= 0 && event.xbutton.y >= 0 &&
                                    event.xbutton.x < m_buttonWidth &&
                                    event.xbutton.y < m_buttonHeight;
                if (inside && m_enabled) {
                    m_client->buttonPressed();
                }
            }
            break;
        case KeyPress:
        case KeyRelease:
            pressByKey(event.xkey, event.type == KeyPress);
            break;
        case FocusIn:
        case FocusOut:
            if (!pointerOnly(event.xfocus)) {
                m_focused = event.type == FocusIn;
                if (!m_focused && m_keyDown) {
                    m_keyDown = m_pressed = false;  // Space released elsewhere
                }
                paintButton();
            }
            break;
        default:
            break;
    }
}

}  // namespace kestrum
