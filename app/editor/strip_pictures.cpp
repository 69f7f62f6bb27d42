#include "app/editor/strip_pictures.h"

#include "platform/resources.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace brindle {
namespace {

constexpr QSize kFrameSize(96, 72);
constexpr QSize kButtonSize(24, 24);
constexpr QSize kBackTrackSize(48, 48);  // drawn large, shown at button size

const QColor kInk(40, 48, 64);
const QColor kAccent(38, 110, 190);
const QColor kDim(150, 156, 166);

QPixmap blank(QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap drawFrame(bool video) {
    QPixmap pixmap = blank(kFrameSize);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kDim, 1));
    p.setBrush(video ? QColor(28, 28, 32) : QColor(250, 250, 248));
    p.drawRoundedRect(QRectF(0.5, 0.5, 92, 68), 4, 4);
    if (video) {
        // Sprocket holes along the top and bottom of the 80-wide picture.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(220, 220, 214));
        for (int x = 6; x < 88; x += 10) {
            p.drawRoundedRect(QRectF(x, 1.5, 5, 2.5), 1, 1);
            p.drawRoundedRect(QRectF(x, 65, 5, 2.5), 1, 1);
        }
    }
    // The well the thumbnail sits in: 88 x 62, or 80 x 62 for video.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawRect(video ? QRectF(6, 4, 81, 61) : QRectF(2, 3, 89, 63));
    return pixmap;
}

// A speech balloon with text lines when present, an empty outlined balloon
// with a plus when absent.
QPixmap drawCaption(bool present) {
    QPixmap pixmap = blank(kButtonSize);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(0, 3);
    QPainterPath balloon;
    balloon.addRoundedRect(QRectF(2.5, 1.5, 19, 12), 3, 3);
    QPainterPath tail;
    tail.moveTo(6, 13);
    tail.lineTo(5, 17);
    tail.lineTo(11, 13);
    balloon = balloon.united(tail);
    p.setPen(QPen(present ? kAccent : kDim, 1.2));
    p.setBrush(present ? QColor(214, 230, 250) : QColor(Qt::white));
    p.drawPath(balloon);
    if (present) {
        p.setPen(QPen(kInk, 1.2));
        p.drawLine(QPointF(6, 5.5), QPointF(18, 5.5));
        p.drawLine(QPointF(6, 9.5), QPointF(15, 9.5));
    } else {
        p.setPen(QPen(kDim, 1.4));
        p.drawLine(QPointF(12, 4.5), QPointF(12, 10.5));
        p.drawLine(QPointF(9, 7.5), QPointF(15, 7.5));
    }
    return pixmap;
}

// A loudspeaker with sound waves when present, with a plus when absent.
QPixmap drawAudio(bool present) {
    QPixmap pixmap = blank(kButtonSize);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(0, 3);
    QPainterPath speaker;
    speaker.moveTo(3, 7);
    speaker.lineTo(7, 7);
    speaker.lineTo(12, 3);
    speaker.lineTo(12, 15);
    speaker.lineTo(7, 11);
    speaker.lineTo(3, 11);
    speaker.closeSubpath();
    p.setPen(QPen(present ? kAccent : kDim, 1.2));
    p.setBrush(present ? QColor(214, 230, 250) : QColor(Qt::white));
    p.drawPath(speaker);
    p.setBrush(Qt::NoBrush);
    if (present) {
        p.setPen(QPen(kInk, 1.2));
        p.drawArc(QRectF(10, 5, 6, 8), -60 * 16, 120 * 16);
        p.drawArc(QRectF(10, 2, 10, 14), -60 * 16, 120 * 16);
    } else {
        p.setPen(QPen(kDim, 1.4));
        p.drawLine(QPointF(18, 5.5), QPointF(18, 12.5));
        p.drawLine(QPointF(14.5, 9), QPointF(21.5, 9));
    }
    return pixmap;
}

// A strip of film with a cut mark across it.
QPixmap drawVideoEdit() {
    QPixmap pixmap = blank(kButtonSize);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(0, 3);
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(60, 60, 66));
    p.drawRect(QRectF(2.5, 3.5, 19, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 230, 224));
    for (int x = 4; x < 21; x += 4) {
        p.drawRect(QRectF(x, 4.5, 2, 1.5));
        p.drawRect(QRectF(x, 12, 2, 1.5));
    }
    p.setPen(QPen(QColor(210, 60, 50), 1.6));
    p.drawLine(QPointF(12, 1), QPointF(12, 17));
    return pixmap;
}

// A pair of quavers, coloured when the track is present, greyed when not.
QPixmap drawBackTrack(bool present) {
    QPixmap pixmap = blank(kBackTrackSize);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = present ? kAccent : kDim;
    p.setPen(QPen(present ? kAccent.darker(130) : kDim, 1.5));
    p.setBrush(present ? QColor(232, 240, 252) : QColor(246, 246, 246));
    p.drawRoundedRect(QRectF(1.5, 1.5, 45, 45), 8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QRectF(11, 30, 9, 7));
    p.drawEllipse(QRectF(27, 27, 9, 7));
    p.setPen(QPen(ink, 2.5));
    p.drawLine(QPointF(19, 33), QPointF(19, 12));
    p.drawLine(QPointF(35, 30), QPointF(35, 9));
    p.setPen(QPen(ink, 4));
    p.drawLine(QPointF(19, 12.5), QPointF(35, 9.5));
    if (!present) {
        p.setPen(QPen(kDim.darker(120), 2));
        p.drawLine(QPointF(36, 37), QPointF(36, 45));
        p.drawLine(QPointF(32, 41), QPointF(40, 41));
    }
    return pixmap;
}

QPixmap draw(StripPicture picture) {
    switch (picture) {
        case StripPicture::Frame:
            return drawFrame(false);
        case StripPicture::VideoFrame:
            return drawFrame(true);
        case StripPicture::TextCaption:
            return drawCaption(true);
        case StripPicture::NoTextCaption:
            return drawCaption(false);
        case StripPicture::AudioCaption:
            return drawAudio(true);
        case StripPicture::NoAudioCaption:
            return drawAudio(false);
        case StripPicture::VideoEdit:
            return drawVideoEdit();
        case StripPicture::BackTrack:
        case StripPicture::NoBackTrack:
            return drawBackTrack(picture == StripPicture::BackTrack)
                .scaled(kButtonSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return {};
}

// The shipped picture file of each picture, without ".png"; the disabled
// look is the same name with "_off".
QString fileStem(StripPicture picture) {
    switch (picture) {
        case StripPicture::Frame:
            return QStringLiteral("frame");
        case StripPicture::VideoFrame:
            return QStringLiteral("frame_video");
        case StripPicture::TextCaption:
            return QStringLiteral("caption_text_set");
        case StripPicture::NoTextCaption:
            return QStringLiteral("caption_text");
        case StripPicture::AudioCaption:
            return QStringLiteral("caption_audio_set");
        case StripPicture::NoAudioCaption:
            return QStringLiteral("caption_audio");
        case StripPicture::VideoEdit:
            return QStringLiteral("edit_video");
        case StripPicture::BackTrack:
            return QStringLiteral("backtrack_set");
        case StripPicture::NoBackTrack:
            return QStringLiteral("backtrack");
    }
    return {};
}

// The shipped file when it loads, else the drawn picture.
QPixmap loadOrDraw(StripPicture picture) {
    QPixmap shipped(resourcePath(fileStem(picture) + ".png"));
    return shipped.isNull() ? draw(picture) : shipped;
}

}  // namespace

QString stripPictureName(StripPicture picture) {
    switch (picture) {
        case StripPicture::Frame:
            return QStringLiteral("frame");
        case StripPicture::VideoFrame:
            return QStringLiteral("frame-video");
        case StripPicture::TextCaption:
            return QStringLiteral("caption-present");
        case StripPicture::NoTextCaption:
            return QStringLiteral("caption-absent");
        case StripPicture::AudioCaption:
            return QStringLiteral("audio-present");
        case StripPicture::NoAudioCaption:
            return QStringLiteral("audio-absent");
        case StripPicture::VideoEdit:
            return QStringLiteral("video-edit");
        case StripPicture::BackTrack:
            return QStringLiteral("backtrack-present");
        case StripPicture::NoBackTrack:
            return QStringLiteral("backtrack-absent");
    }
    return {};
}

QPixmap stripPicture(StripPicture picture) {
    static QHash<int, QPixmap> cache;
    const int key = static_cast<int>(picture);
    auto it = cache.find(key);
    if (it == cache.end()) {
        it = cache.insert(key, loadOrDraw(picture));
    }
    return *it;
}

QIcon stripIcon(StripPicture picture) {
    QIcon icon(stripPicture(picture));
    const QPixmap off(resourcePath(fileStem(picture).remove("_set") + "_off.png"));
    if (!off.isNull()) {
        icon.addPixmap(off, QIcon::Disabled);
    }
    return icon;
}

}  // namespace brindle
