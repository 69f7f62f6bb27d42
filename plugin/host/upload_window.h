// brindle-upload's window: the page's address, the plug-in's area (an X
// window of its own inside the Qt window, handed to the plug-in), the status
// line, and, once the request is answered, the answer in place of the area.
#pragma once

#include <QMainWindow>
#include <QWidget>

struct _XDisplay;
class QLabel;
class QTextBrowser;

namespace brindle::upload {

class PluginHost;

// The embedding's rectangle. Qt does not paint it: the plug-in draws into
// a child X window that this widget makes once the server knows its own.
// It takes the focus with Tab (or first, as the page's only control) and
// hands the X keyboard focus on to the plug-in's window, as a browser does.
class PluginArea : public QWidget {
    Q_OBJECT
public:
    PluginArea(int width, int height, QWidget* parent);
    ~PluginArea() override;
    unsigned long areaWindow() const { return m_window; }
    _XDisplay* display() const { return m_display; }
    // Presses and releases the plug-in's button (the area's first child
    // window) with events sent to it; false when there is no button.
    bool pressButton();

signals:
    void areaReady();

protected:
    void paintEvent(QPaintEvent*) override;
    void focusInEvent(QFocusEvent*) override;

private:
    void makeAreaWindow();
    void giveKeyboardToArea();

    _XDisplay* m_display = nullptr;
    unsigned long m_window = 0;  // an X window id
    int m_width, m_height;
};

class UploadWindow : public QMainWindow {
    Q_OBJECT
public:
    UploadWindow(PluginHost* host, const QString& page, int width, int height);
    PluginArea* area() const { return m_area; }
    void showAnswer(bool transferred, long status, const QByteArray& body,
                    const QString& contentType, const QString& error);

private:
    PluginHost* m_host;
    PluginArea* m_area;
    QTextBrowser* m_answer;
};

}  // namespace brindle::upload
