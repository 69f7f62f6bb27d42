#include "plugin/host/plugin_host.h"

#include "plugin/host/http_client.h"

#include <QFile>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>

#include <X11/Xlib.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace brindle::upload {

namespace {

constexpr const char* kPluginType = "application/x-post-file-protocol";

// One embedding per host program: the browser functions find it here.
PluginHost* gHost = nullptr;

PluginHost* hostOf(NPP npp) {
    return gHost && npp == gHost->instance() ? gHost : nullptr;
}

NPError npnGetUrl(NPP, const char*, const char*) {
    return NPERR_GENERIC_ERROR;
}

NPError npnPostUrl(NPP npp, const char* url, const char* target, std::uint32_t len, const char* buf,
                   NPBool file) {
    PluginHost* host = hostOf(npp);
    return host ? host->postUrl(url, target, len, buf, file != 0) : NPERR_INVALID_INSTANCE_ERROR;
}

void npnStatus(NPP npp, const char* message) {
    if (PluginHost* host = hostOf(npp)) {
        host->status(message);
    }
}

const char* npnUserAgent(NPP) {
    return "brindle-upload/1.0";
}

void* npnMemAlloc(std::uint32_t size) {
    return std::malloc(size);
}

void npnMemFree(void* p) {
    std::free(p);
}

// May be called from any thread of the plug-in; runs on this one, and only
// while the embedding still exists.
void npnAsyncCall(NPP npp, void (*func)(void*), void* data) {
    if (PluginHost* host = gHost; host && npp == host->instance()) {
        host->asyncCall(func, data);
    }
}

}  // namespace

PluginHost::PluginHost(QObject* parent) : QObject(parent) {
    gHost = this;
    m_browser.size = sizeof m_browser;
    m_browser.version = (NP_VERSION_MAJOR << 8) | 19;
    m_browser.geturl = npnGetUrl;
    m_browser.posturl = npnPostUrl;
    m_browser.status = npnStatus;
    m_browser.uagent = npnUserAgent;
    m_browser.memalloc = npnMemAlloc;
    m_browser.memfree = npnMemFree;
    m_browser.pluginthreadasynccall = npnAsyncCall;
    m_plugin.size = sizeof m_plugin;
}

PluginHost::~PluginHost() {
    destroy();
    if (m_poster.joinable()) {
        m_poster.join();
    }
    if (m_shutdown) {
        m_shutdown();
    }
    if (m_library) {
        dlclose(m_library);
    }
    if (gHost == this) {
        gHost = nullptr;
    }
}

bool PluginHost::load(const QString& path, QString* error) {
    m_library = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!m_library) {
        *error = QString::fromLocal8Bit(dlerror());
        return false;
    }
    auto getEntryPoints =
        reinterpret_cast<NP_GetEntryPointsFunc>(dlsym(m_library, "NP_GetEntryPoints"));
    auto initialize = reinterpret_cast<NP_InitializeFunc>(dlsym(m_library, "NP_Initialize"));
    m_shutdown = reinterpret_cast<NP_ShutdownFunc>(dlsym(m_library, "NP_Shutdown"));
    if (!getEntryPoints || !initialize || !m_shutdown) {
        *error = "not a plug-in: " + path;
        m_shutdown = nullptr;
        return false;
    }
    NPError e = getEntryPoints(&m_plugin);
    if (e == NPERR_NO_ERROR) {
        e = initialize(&m_browser, nullptr);
    }
    if (e != NPERR_NO_ERROR) {
        *error = QString("the plug-in did not start (error %1)").arg(e);
        m_shutdown = nullptr;
        return false;
    }
    return true;
}

bool PluginHost::create(const std::vector<std::pair<std::string, std::string>>& params) {
    m_texts.clear();
    for (const auto& [name, value] : params) {
        m_texts.push_back(name);
        m_texts.push_back(value);
    }
    m_names.clear();
    m_values.clear();
    for (std::size_t i = 0; i < m_texts.size(); i += 2) {
        m_names.push_back(m_texts[i].data());
        m_values.push_back(m_texts[i + 1].data());
    }
    m_npp = NPP_t{};
    std::string type = kPluginType;
    const NPError e = m_plugin.newp(type.data(), &m_npp, NP_EMBED, std::int16_t(m_names.size()),
                                    m_names.data(), m_values.data(), nullptr);
    m_created = e == NPERR_NO_ERROR;
    return m_created;
}

void PluginHost::setWindow(_XDisplay* display, unsigned long window, int width, int height) {
    if (!m_created) {
        return;
    }
    if (!window) {
        m_plugin.setwindow(&m_npp, nullptr);
        return;
    }
    const int screen = DefaultScreen(display);
    m_wsInfo = NPSetWindowCallbackStruct{1, display, DefaultVisual(display, screen),
                                         DefaultColormap(display, screen),
                                         unsigned(DefaultDepth(display, screen))};
    m_window = NPWindow{};
    m_window.window = reinterpret_cast<void*>(window);
    m_window.width = std::uint32_t(width);
    m_window.height = std::uint32_t(height);
    m_window.clipRect = NPRect{0, 0, std::uint16_t(height), std::uint16_t(width)};
    m_window.ws_info = &m_wsInfo;
    m_window.type = NPWindowTypeWindow;
    m_plugin.setwindow(&m_npp, &m_window);
}

void PluginHost::deliverStream(const QString& url, const QByteArray& data, int chunkBytes,
                               bool complete) {
    if (!m_created) {
        return;
    }
    m_streamUrl = url.toStdString();
    m_streamData = data;
    m_streamAt = 0;
    m_chunkBytes = chunkBytes;
    m_streamComplete = complete;
    m_stream = NPStream{};
    m_stream.url = m_streamUrl.c_str();
    m_stream.end = std::uint32_t(data.size());
    std::uint16_t type = NP_NORMAL;
    std::string mime = kPluginType;
    if (m_plugin.newstream(&m_npp, mime.data(), &m_stream, false, &type) != NPERR_NO_ERROR) {
        return;
    }
    QTimer::singleShot(0, this, &PluginHost::writeNext);
}

void PluginHost::writeNext() {
    if (!m_created) {
        return;
    }
    if (m_streamAt >= m_streamData.size()) {
        m_plugin.destroystream(&m_npp, &m_stream,
                               m_streamComplete ? NPRES_DONE : NPRES_NETWORK_ERR);
        emit streamEnded();
        return;
    }
    std::int32_t ready = m_plugin.writeready(&m_npp, &m_stream);
    if (ready <= 0) {
        QTimer::singleShot(10, this, &PluginHost::writeNext);
        return;
    }
    if (m_chunkBytes > 0) {
        ready = std::min(ready, std::int32_t(m_chunkBytes));
    }
    const std::int32_t n =
        std::int32_t(std::min<qsizetype>(ready, m_streamData.size() - m_streamAt));
    const std::int32_t taken = m_plugin.write(&m_npp, &m_stream, std::int32_t(m_streamAt), n,
                                              m_streamData.data() + m_streamAt);
    if (taken < 0) {
        // The plug-in refused the stream: it ends as an error.
        m_plugin.destroystream(&m_npp, &m_stream, NPRES_NETWORK_ERR);
        emit streamEnded();
        return;
    }
    m_streamAt += taken;
    QTimer::singleShot(0, this, &PluginHost::writeNext);
}

void PluginHost::destroy() {
    if (!m_created) {
        return;
    }
    m_created = false;
    m_plugin.destroy(&m_npp, nullptr);
}

NPError PluginHost::postUrl(const char* url, const char* target, std::uint32_t len, const char* buf,
                            bool file) {
    if (!url || !*url) {
        return NPERR_INVALID_URL;
    }
    if (!buf || len == 0 || m_poster.joinable()) {
        return NPERR_GENERIC_ERROR;
    }
    std::string request;
    if (file) {
        // The buffer names the file; a browser reads it and deletes it.
        const std::string path(buf, strnlen(buf, len));
        QFile f(QString::fromStdString(path));
        if (!f.open(QIODevice::ReadOnly)) {
            return NPERR_FILE_NOT_FOUND;
        }
        const QByteArray bytes = f.readAll();
        f.close();
        f.remove();
        request.assign(bytes.constData(), std::size_t(bytes.size()));
    } else {
        request.assign(buf, len);
    }
    std::vector<std::string> headers;
    std::string body;
    if (!splitRequest(request, headers, body)) {
        return NPERR_INVALID_PARAM;
    }
    Q_UNUSED(target);  // "_self" and any other frame: the answer replaces the page
    const QString address = QString::fromUtf8(url);
    emit posted(address);
    QPointer<PluginHost> self(this);
    m_poster = std::thread([self, address, headers = std::move(headers), body = std::move(body)] {
        const HttpAnswer a = httpPost(address.toStdString(), headers, body);
        const QByteArray answerBody(a.body.data(), qsizetype(a.body.size()));
        QMetaObject::invokeMethod(
            self.data(),
            [self, a, answerBody] {
                if (self) {
                    emit self->answered(a.transferred, a.status, answerBody,
                                        QString::fromStdString(a.contentType),
                                        QString::fromStdString(a.error));
                }
            },
            Qt::QueuedConnection);
    });
    return NPERR_NO_ERROR;
}

void PluginHost::status(const char* message) {
    const QString text = QString::fromLocal8Bit(message ? message : "");
    std::fprintf(stderr, "status: %s\n", text.toLocal8Bit().constData());
    emit statusShown(text);
}

void PluginHost::asyncCall(void (*func)(void*), void* data) {
    QPointer<PluginHost> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, func, data] {
            if (self && self->m_created) {
                func(data);
            }
        },
        Qt::QueuedConnection);
}

}  // namespace brindle::upload
