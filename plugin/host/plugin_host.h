// The browser's half of the plug-in interface, for one embedding: loads the
// plug-in library, gives it its page parameters, window and data stream,
// and serves its calls (status line, memory, posting a request file, calls
// back on this thread). Posting runs on a thread of its own; the answer
// arrives as a signal.
#pragma once

#include "plugin/np_api.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace brindle::upload {

class PluginHost : public QObject {
    Q_OBJECT
public:
    explicit PluginHost(QObject* parent = nullptr);
    ~PluginHost() override;

    // Loads the library and exchanges the function tables.
    bool load(const QString& path, QString* error);
    // NPP_New with the page parameters in page order.
    bool create(const std::vector<std::pair<std::string, std::string>>& params);
    // Gives the plug-in its X window (null window: takes it away).
    void setWindow(_XDisplay* display, unsigned long window, int width, int height);
    // Hands the data stream over in pieces of at most chunkBytes (0: as much
    // as the plug-in says it is ready for), one piece per event loop turn;
    // the stream ends normally when `complete`, else as cut off by the network.
    void deliverStream(const QString& url, const QByteArray& data, int chunkBytes, bool complete);
    // NPP_Destroy: the page is left.
    void destroy();
    bool alive() const { return m_created; }
    NPP instance() { return &m_npp; }

    // Browser functions the plug-in calls.
    NPError postUrl(const char* url, const char* target, std::uint32_t len, const char* buf,
                    bool file);
    void status(const char* message);
    void asyncCall(void (*func)(void*), void* data);

signals:
    void statusShown(const QString& text);
    void streamEnded();
    void posted(const QString& url);
    void answered(bool transferred, long status, const QByteArray& body, const QString& contentType,
                  const QString& error);

private:
    void writeNext();

    void* m_library = nullptr;
    NPNetscapeFuncs m_browser{};
    NPPluginFuncs m_plugin{};
    NP_ShutdownFunc m_shutdown = nullptr;
    NPP_t m_npp{};
    bool m_created = false;
    NPWindow m_window{};
    NPSetWindowCallbackStruct m_wsInfo{};
    std::vector<std::string> m_texts;  // names and values given to NPP_New
    std::vector<char*> m_names, m_values;

    NPStream m_stream{};
    std::string m_streamUrl;
    QByteArray m_streamData;
    qsizetype m_streamAt = 0;
    int m_chunkBytes = 0;
    bool m_streamComplete = true;

    std::thread m_poster;
};

}  // namespace brindle::upload
