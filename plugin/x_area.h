// The plug-in's side of the X window the page gives it: a connection of its
// own to the browser's display, the push button (a child window drawn with
// Xlib), the painting of the area, and the progress timer.
//
// X events of the connection and timer ticks are handled on the browser's
// thread: a small watcher thread waits on the connection and the timer and
// asks the browser to call back through NPN_PluginThreadAsyncCall; the
// watcher itself never touches Xlib.
#pragma once

#include "plugin/area_layout.h"
#include "plugin/np_api.h"

#include <X11/Xlib.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace kestrum {

struct AreaState {
    bool hasButton = false;
    Rect area;
    Rect bar;
    int counter = -1;  // progress counter, -1 before an upload
};

// What the area asks of the instance that owns it.
class AreaClient {
public:
    virtual ~AreaClient() = default;
    virtual AreaState areaState() const = 0;
    virtual void buttonPressed() = 0;  // a click, Space or Enter on the enabled button
    virtual void timerTick() = 0;
};

class XArea {
public:
    // Connects to the display that hostDisplay names (or $DISPLAY) and
    // watches `window`. Null when the display cannot be opened.
    static XArea* open(Display* hostDisplay, Window window, NPP instance,
                       const NPNetscapeFuncs* browser, AreaClient* client);
    ~XArea();
    XArea(const XArea&) = delete;
    XArea& operator=(const XArea&) = delete;

    Window window() const { return m_window; }

    bool makeButton(const std::string& label);  // false when the server refused it
    void destroyButton();
    bool hasButton() const { return m_button != 0; }
    bool buttonFocused() const { return m_focused; }
    void setButtonEnabled(bool enabled);
    void moveButton(const Rect& r);

    // The window's size; false when it cannot be read.
    bool clientSize(int& width, int& height);

    void paint();     // the whole area now
    void paintBar();  // only the progress bar, without erasing

    void startTimer(int intervalMs);
    void stopTimer();
    bool timerRunning() const;

private:
    XArea(Display* display, Window window, NPP instance, const NPNetscapeFuncs* browser,
          AreaClient* client);
    bool startWatcher();
    void watch();
    static void dispatchThunk(void* self);
    void dispatch();
    void handle(XEvent& event);
    void paintButton();
    void focusButtonIfAreaFocused();
    void pressByKey(XKeyEvent& key, bool down);
    unsigned long pixel(int red, int green, int blue);
    void flush();

    Display* m_display;
    Window m_window;
    NPP m_instance;
    const NPNetscapeFuncs* m_browser;
    AreaClient* m_client;
    GC m_gc = nullptr;
    XFontStruct* m_font = nullptr;
    Window m_button = 0;
    std::string m_label;
    bool m_enabled = false;
    bool m_pressed = false;
    bool m_keyDown = false;      // pressed with Space, waiting for its release
    bool m_focused = false;      // the button holds the keyboard focus
    bool m_dispatching = false;  // on the browser's thread, inside dispatch()
    int m_buttonWidth = 30, m_buttonHeight = 15;
    unsigned long m_shades[10] = {};
    unsigned long m_blue = 0, m_black = 0, m_face = 0, m_light = 0, m_dark = 0, m_grey = 0;

    // Watcher state, shared with the watcher thread.
    mutable std::mutex m_mutex;
    std::condition_variable m_answered;
    std::thread m_watcher;
    int m_wake[2] = {-1, -1};
    bool m_stop = false;
    bool m_pending = false;
    int m_tickMs = 0;
    long long m_nextTickMs = 0;
};

}  // namespace kestrum
