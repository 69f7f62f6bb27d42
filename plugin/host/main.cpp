// brindle-upload: runs the upload plug-in outside a browser. It reads the
// hosting page (or takes the page parameters and the data stream from the
// command line), shows the plug-in's button and progress bar, posts the
// request the plug-in writes, and shows the answer.
#include "plugin/host/http_client.h"
#include "plugin/host/page_reader.h"
#include "plugin/host/plugin_host.h"
#include "plugin/host/upload_window.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <cstdio>

using namespace brindle::upload;

namespace {

constexpr int kUsage = 2;
constexpr int kNothingPosted = 3;

QByteArray fetch(const QString& where, bool* complete, QString* error) {
    *complete = true;
    if (!where.contains("://")) {
        QFile f(where);
        if (!f.open(QIODevice::ReadOnly)) {
            *error = f.errorString();
            *complete = false;
            return {};
        }
        return f.readAll();
    }
    const HttpAnswer a = httpGet(where.toStdString());
    if (!a.transferred) {
        *error = QString::fromStdString(a.error);
        *complete = false;
    }
    return QByteArray(a.body.data(), qsizetype(a.body.size()));
}

int fail(const QString& text, int status = 1) {
    std::fprintf(stderr, "brindle-upload: %s\n", text.toLocal8Bit().constData());
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("brindle-upload");
    QCommandLineParser cli;
    cli.setApplicationDescription("Runs the upload plug-in on a hosting page.");
    cli.addHelpOption();
    const QCommandLineOption pageOption("page", "Read the hosting page at URL.", "URL");
    const QCommandLineOption paramOption("param", "A page parameter (repeatable).", "NAME=VALUE");
    const QCommandLineOption streamOption("stream", "The data stream: a file or an address.",
                                          "FILE|URL");
    const QCommandLineOption pluginOption("plugin", "The plug-in library.", "PATH");
    const QCommandLineOption sizeOption("size", "The plug-in's area (default 200x30).", "WxH");
    const QCommandLineOption chunkOption("chunk", "Bytes per piece of the data stream.", "N");
    const QCommandLineOption pressOption("press", "Press the button once the stream has ended.");
    const QCommandLineOption exitOption("exit-after-answer",
                                        "End once the answer has come: 0 for a 2xx answer.");
    const QCommandLineOption shotOption("screenshot", "Write a picture of the window and end.",
                                        "PNG");
    cli.addOptions({pageOption, paramOption, streamOption, pluginOption, sizeOption, chunkOption,
                    pressOption, exitOption, shotOption});
    cli.process(app);

    if (QGuiApplication::platformName() != "xcb") {
        return fail("the plug-in needs an X11 display (QT_QPA_PLATFORM=xcb)", kUsage);
    }

    std::vector<std::pair<std::string, std::string>> params;
    QString streamSource;
    int width = 200, height = 30;
    const QString page = cli.value(pageOption);
    if (!page.isEmpty()) {
        bool complete = false;
        QString error;
        const QByteArray html = fetch(page, &complete, &error);
        if (!complete) {
            return fail("cannot read the page " + page + ": " + error);
        }
        const auto tag = findPluginEmbed(html.toStdString());
        if (!tag) {
            return fail("the page " + page + " embeds no upload plug-in");
        }
        params = tag->attributes;
        const QString src = QString::fromStdString(tag->attribute("src"));
        if (!src.isEmpty()) {
            const QUrl base(page.contains("://") ? QUrl(page) : QUrl::fromLocalFile(page));
            const QUrl resolved = base.resolved(QUrl(src));
            streamSource = resolved.isLocalFile() ? resolved.toLocalFile() : resolved.toString();
        }
        width = std::max(1, QString::fromStdString(tag->attribute("width")).toInt());
        height = std::max(1, QString::fromStdString(tag->attribute("height")).toInt());
        if (tag->attribute("width").empty()) {
            width = 200;
        }
        if (tag->attribute("height").empty()) {
            height = 30;
        }
    }
    for (const QString& p : cli.values(paramOption)) {
        const qsizetype eq = p.indexOf('=');
        if (eq <= 0) {
            return fail("a parameter is NAME=VALUE: " + p, kUsage);
        }
        params.emplace_back(p.left(eq).toStdString(), p.mid(eq + 1).toStdString());
    }
    if (cli.isSet(streamOption)) {
        streamSource = cli.value(streamOption);
    }
    if (cli.isSet(sizeOption)) {
        const QStringList wh = cli.value(sizeOption).split('x');
        if (wh.size() != 2 || wh[0].toInt() <= 0 || wh[1].toInt() <= 0) {
            return fail("the size is WxH: " + cli.value(sizeOption), kUsage);
        }
        width = wh[0].toInt();
        height = wh[1].toInt();
    }
    const int chunk = cli.value(chunkOption).toInt();
    QString pluginPath = cli.value(pluginOption);
    if (pluginPath.isEmpty()) {
        pluginPath = QCoreApplication::applicationDirPath() + "/plugins/npkestrum.so";
    }

    PluginHost host;
    QString error;
    if (!host.load(pluginPath, &error)) {
        return fail("cannot load the plug-in: " + error);
    }
    if (!host.create(params)) {
        return fail("the plug-in refused the page's parameters");
    }
    UploadWindow window(&host, page, width, height);

    const bool press = cli.isSet(pressOption);
    const bool exitAfterAnswer = cli.isSet(exitOption);
    const QString shot = cli.value(shotOption);
    bool postedSomething = false;
    auto takeShot = [&] {
        const QPixmap picture = window.screen()->grabWindow(window.winId());
        if (!picture.save(shot, "PNG")) {
            std::fprintf(stderr, "brindle-upload: cannot write %s\n", qPrintable(shot));
            QCoreApplication::exit(1);
            return;
        }
        if (!exitAfterAnswer) {
            QCoreApplication::exit(0);
        }
    };

    QObject::connect(window.area(), &PluginArea::areaReady, &window, [&] {
        host.setWindow(window.area()->display(), window.area()->areaWindow(), width, height);
        if (streamSource.isEmpty()) {
            if (!shot.isEmpty()) {
                QTimer::singleShot(500, &window, takeShot);
            }
            return;
        }
        bool complete = false;
        QString streamError;
        const QByteArray data = fetch(streamSource, &complete, &streamError);
        if (!complete) {
            std::fprintf(stderr, "brindle-upload: the data stream was cut off: %s\n",
                         qPrintable(streamError));
        }
        host.deliverStream(streamSource, data, chunk, complete);
    });
    QObject::connect(&host, &PluginHost::streamEnded, &window, [&] {
        std::fprintf(stderr, "brindle-upload: the data stream has ended\n");
        if (press) {
            // Give the plug-in a moment to enable and draw its button.
            QTimer::singleShot(300, &window, [&] {
                if (!window.area()->pressButton()) {
                    std::fprintf(stderr, "brindle-upload: the plug-in shows no button\n");
                }
                if (!shot.isEmpty()) {
                    QTimer::singleShot(700, &window, takeShot);
                }
                if (exitAfterAnswer) {
                    QTimer::singleShot(2000, &window, [&] {
                        if (!postedSomething) {
                            std::fprintf(stderr, "brindle-upload: nothing was posted\n");
                            QCoreApplication::exit(kNothingPosted);
                        }
                    });
                }
            });
        } else if (!shot.isEmpty()) {
            QTimer::singleShot(500, &window, takeShot);
        }
    });
    QObject::connect(&host, &PluginHost::posted, &window, [&] { postedSomething = true; });
    QObject::connect(&host, &PluginHost::answered, &window,
                     [&](bool transferred, long status, const QByteArray& body,
                         const QString& contentType, const QString& answerError) {
                         window.showAnswer(transferred, status, body, contentType, answerError);
                         std::fwrite(body.constData(), 1, std::size_t(body.size()), stdout);
                         std::fflush(stdout);
                         if (exitAfterAnswer) {
                             QCoreApplication::exit(transferred && status / 100 == 2 ? 0 : 1);
                         }
                     });

    window.show();
    const int status = app.exec();
    host.destroy();
    return status;
}
