#include "tests/player/player_fixture.h"

#include <QFile>
#include <QProcess>

#include <cstdlib>

namespace brindle::test {

QString writeSmil(const TempEnv& env, const QString& name, const QString& regions,
                  const QString& body, int width, int height) {
    const QString text =
        QStringLiteral(
            "<smil>\r\n<head>\r\n <layout>\r\n"
            "  <root-layout background-color=\"black\" width=\"%1\" height=\"%2\" />\r\n"
            "%3 </layout>\r\n</head>\r\n<body>\r\n<par>\r\n%4</par>\r\n</body>\r\n"
            "</smil>\r\n")
            .arg(width)
            .arg(height)
            .arg(regions, body);
    return env.write(name, text.toUtf8());
}

QString writePicture(const TempEnv& env, const QString& name, QSize size, QColor color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    const QString path = env.file(name);
    image.save(path, nullptr, 95);
    return path;
}

PlayerRun runPlayer(const QStringList& args, int timeoutMs) {
    PlayerRun run;
    QProcess p;
    p.start(QStringLiteral(BRINDLE_PLAYER_PATH), args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        run.err = "timed out";
        return run;
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

QImage frameAt(const TempEnv& env, const QString& smil, qint64 ms, const QStringList& extra) {
    const QString out = env.file(QStringLiteral("frame-%1.png").arg(ms));
    QFile::remove(out);
    const PlayerRun run =
        runPlayer(QStringList{"--frame", QString::number(ms), out} + extra + QStringList{smil});
    if (run.exitCode != 0) {
        qWarning("brindle-player --frame failed: %s", qPrintable(run.err));
        return {};
    }
    return QImage(out).convertToFormat(QImage::Format_RGB32);
}

int countNear(const QImage& image, const QRect& rect, QColor color, int tolerance) {
    int n = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - color.red()) <= tolerance &&
                std::abs(qGreen(p) - color.green()) <= tolerance &&
                std::abs(qBlue(p) - color.blue()) <= tolerance) {
                ++n;
            }
        }
    }
    return n;
}

}  // namespace brindle::test
