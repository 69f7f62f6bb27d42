#include "app/cli/sample_media.h"

#include "platform/files.h"

#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QtEndian>

#include <cmath>
#include <numbers>

namespace brindle::cli {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

void sky(QPainter& p, const QColor& top, const QColor& horizon) {
    QLinearGradient g(0, 0, 0, kHeight * 0.65);
    g.setColorAt(0, top);
    g.setColorAt(1, horizon);
    p.fillRect(0, 0, kWidth, kHeight, g);
}

void hill(QPainter& p, qreal baseY, qreal amplitude, qreal phase, const QColor& color) {
    QPainterPath path;
    path.moveTo(0, kHeight);
    for (int x = 0; x <= kWidth; x += 8) {
        path.lineTo(x, baseY + amplitude * std::sin(x / 90.0 + phase) +
                           amplitude * 0.4 * std::sin(x / 37.0 + 2 * phase));
    }
    path.lineTo(kWidth, kHeight);
    path.closeSubpath();
    p.fillPath(path, color);
}

void sunrise(QPainter& p) {
    sky(p, QColor(0x3a, 0x5f, 0x9e), QColor(0xf6, 0xc1, 0x7f));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xe2, 0x8a));
    p.drawEllipse(QPointF(430, 250), 55, 55);
    hill(p, 300, 25, 0.3, QColor(0x7a, 0x9a, 0x58));
    hill(p, 360, 30, 1.7, QColor(0x4d, 0x71, 0x3a));
    hill(p, 420, 20, 2.9, QColor(0x33, 0x52, 0x2a));
}

void seaside(QPainter& p) {
    sky(p, QColor(0x5b, 0x9b, 0xd5), QColor(0xd8, 0xec, 0xf6));
    QLinearGradient sea(0, 280, 0, kHeight);
    sea.setColorAt(0, QColor(0x1f, 0x6f, 0x9a));
    sea.setColorAt(1, QColor(0x0c, 0x3b, 0x5c));
    p.fillRect(0, 280, kWidth, kHeight - 280, sea);
    p.setPen(QPen(QColor(255, 255, 255, 120), 2));
    for (int row = 0; row < 8; ++row) {
        const int y = 300 + row * 22;
        for (int x = (row % 2) * 40; x < kWidth; x += 80) {
            p.drawArc(QRectF(x, y, 40, 10), 0, 180 * 16);
        }
    }
    // A sail boat.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6b, 0x4a, 0x2f));
    QPainterPath hull;
    hull.moveTo(250, 300);
    hull.lineTo(350, 300);
    hull.lineTo(335, 318);
    hull.lineTo(265, 318);
    hull.closeSubpath();
    p.drawPath(hull);
    p.setBrush(Qt::white);
    QPainterPath sail;
    sail.moveTo(300, 296);
    sail.lineTo(300, 200);
    sail.lineTo(345, 296);
    sail.closeSubpath();
    p.drawPath(sail);
}

void night(QPainter& p) {
    sky(p, QColor(0x0b, 0x10, 0x2b), QColor(0x2b, 0x3a, 0x6b));
    QRandomGenerator stars(42);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 160; ++i) {
        p.setBrush(QColor(255, 255, 255, 90 + stars.bounded(160)));
        const qreal r = 0.6 + stars.bounded(1.4);
        p.drawEllipse(QPointF(stars.bounded(kWidth), stars.bounded(320)), r, r);
    }
    p.setBrush(QColor(0xf4, 0xf1, 0xd8));
    p.drawEllipse(QPointF(150, 110), 40, 40);
    p.setBrush(QColor(0x14, 0x1c, 0x42));
    p.drawEllipse(QPointF(168, 98), 36, 36);
    hill(p, 390, 18, 0.8, QColor(0x10, 0x14, 0x22));
}

// A wave file of 16-bit mono PCM samples.
bool writeWave(const QString& path, const std::vector<qint16>& samples, int rate) {
    QByteArray data(reinterpret_cast<const char*>(samples.data()),
                    static_cast<qsizetype>(samples.size() * 2));
    auto u32 = [](quint32 v) {
        QByteArray b(4, 0);
        qToLittleEndian(v, b.data());
        return b;
    };
    auto u16 = [](quint16 v) {
        QByteArray b(2, 0);
        qToLittleEndian(v, b.data());
        return b;
    };
    QByteArray file = "RIFF" + u32(36 + data.size()) + "WAVEfmt " + u32(16) + u16(1) + u16(1) +
                      u32(rate) + u32(rate * 2) + u16(2) + u16(16) + "data" + u32(data.size()) +
                      data;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(file) == file.size();
}

// The length of a PCM wave file in ms; 0 when it is not one.
int waveLengthMs(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray b = f.readAll();
    if (b.size() < 12 || !b.startsWith("RIFF") || b.mid(8, 4) != "WAVE") {
        return 0;
    }
    quint32 byteRate = 0;
    for (qsizetype at = 12; at + 8 <= b.size();) {
        const QByteArray id = b.mid(at, 4);
        quint32 size = qFromLittleEndian<quint32>(b.constData() + at + 4);
        if (id == "fmt " && at + 20 <= b.size()) {
            byteRate = qFromLittleEndian<quint32>(b.constData() + at + 16);
        } else if (id == "data" && byteRate != 0) {
            // espeak-ng writes a streaming header whose data size is unknown.
            if (size == 0 || size == 0xFFFFFFFF || quint64(at) + 8 + size > quint64(b.size())) {
                size = static_cast<quint32>(b.size() - at - 8);
            }
            return static_cast<int>(quint64(size) * 1000 / byteRate);
        }
        at += 8 + size + (size & 1);
    }
    return 0;
}

}  // namespace

bool drawSamplePicture(int which, const QString& path) {
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        switch (which) {
            case 0:
                sunrise(p);
                break;
            case 1:
                seaside(p);
                break;
            default:
                night(p);
                break;
        }
    }
    return img.save(path, "JPEG", 90);
}

bool makeSampleClip(const QString& path) {
    const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    if (ffmpeg.isEmpty()) {
        return false;
    }
    QProcess p;
    p.start(
        ffmpeg,
        {"-nostdin", "-v",        "error", "-y",
         "-f",       "lavfi",     "-i",    "mandelbrot=s=320x240:r=15:start_scale=2:end_scale=0.3",
         "-f",       "lavfi",     "-i",    "sine=f=330:r=22050:d=4,volume=0.3",
         "-t",       "4",         "-c:v",  "mpeg4",
         "-q:v",     "3",         "-g",    "15",
         "-c:a",     "pcm_s16le", "-ac",   "1",
         path});
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

int makeNarration(const QString& text, const QString& path) {
    const QString speaker = QStandardPaths::findExecutable("espeak-ng");
    if (!speaker.isEmpty()) {
        QProcess p;
        p.start(speaker, {"-v", "en", "-s", "150", "-w", path, text});
        if (p.waitForFinished(60000) && p.exitCode() == 0) {
            if (const int ms = waveLengthMs(path); ms > 0) {
                return ms;
            }
        }
    }
    // No speech synthesizer: a soft two-note chime in its place.
    constexpr int rate = 22050;
    std::vector<qint16> samples(rate * 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        const double t = double(i) / rate;
        const double f = t < 1.0 ? 523.25 : 659.25;
        const double local = std::fmod(t, 1.0);
        const double envelope = std::exp(-3.0 * local) * std::min(1.0, local * 200);
        samples[i] = static_cast<qint16>(9000 * envelope * std::sin(2 * std::numbers::pi * f * t));
    }
    return writeWave(path, samples, rate) ? waveLengthMs(path) : 0;
}

int writeTextSlide(const QString& text, const QString& txtPath, const QString& rtPath) {
    // A line that fits the window does not scroll: duration = length div 8,
    // 5 s when that is below 2.
    int seconds = static_cast<int>(text.size()) / 8;
    if (seconds < 2) {
        seconds = 5;
    }
    const QString escaped = EscapeAngles(text);
    const QStringList markup{
        "<window type=" + QuoteArg("scrollingnews") + " scrollrate=" + QuoteArg("0") +
            " duration=" + QuoteArg(QString::number(seconds)) + " bgcolor=" + QuoteArg("blue") +
            " width=" + QuoteArg("320") + " height=" + QuoteArg("240") + " >",
        "<b>",
        "<font color=" + QuoteArg("yellow") + " size=" + QuoteArg("5") +
            " face=" + QuoteArg("Arial") + ">",
        "<center>",
        escaped,
        "</center>",
        "</font>",
        "</b>",
        "</window>"};
    QFile rt(rtPath), txt(txtPath);
    if (!rt.open(QIODevice::WriteOnly) || !txt.open(QIODevice::WriteOnly)) {
        return 0;
    }
    rt.write((markup.join("\r\n") + "\r\n").toLocal8Bit());
    txt.write((text + "\r\n").toLocal8Bit());
    return seconds * 1000;
}

}  // namespace brindle::cli
