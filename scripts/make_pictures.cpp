// Draws the pictures that ship with Brindle into a folder: the strip's frame
// pictures, the states of its caption, audio, video and background track
// buttons, the identity picture, the application icon and the presentation's
// page pictures. Run by scripts/make-resources.sh; the results are committed
// under resources/pictures/.
//
//   make-pictures OUTDIR
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

// The house colours: a warm brindle brown, its light tint, an accent.
const QColor kBrown(0x6b, 0x4a, 0x2f);
const QColor kTan(0xe8, 0xd5, 0xb9);
const QColor kAccent(0xd9, 0x82, 0x2b);
const QColor kInk(0x2b, 0x22, 0x1a);

QString gOut;

bool save(const QImage& image, const QString& name) {
    const QString path = gOut + '/' + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    const bool ok = image.save(path, nullptr, name.endsWith(".jpg") ? 90 : -1);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(name));
    return ok;
}

QImage canvas(int w, int h, bool transparent = true) {
    QImage img(w, h, transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    img.fill(transparent ? Qt::transparent : Qt::white);
    return img;
}

void draw(QImage& img, const std::function<void(QPainter&)>& paint) {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paint(p);
}

// The frame around a strip cell's thumbnail: a mat with a soft shadow; the
// video frame adds sprocket holes along the top and bottom.
QImage cellFrame(bool video) {
    QImage img = canvas(96, 72);
    draw(img, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 50));
        p.drawRoundedRect(QRectF(3, 3, 92, 68), 5, 5);
        p.setBrush(video ? kInk : kTan);
        p.setPen(QPen(kBrown, 1));
        p.drawRoundedRect(QRectF(0.5, 0.5, 92, 68), 5, 5);
        if (video) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xf4, 0xee, 0xe4));
            for (int x = 6; x < 88; x += 10) {
                p.drawRoundedRect(QRectF(x, 1.5, 5, 3), 1, 1);
                p.drawRoundedRect(QRectF(x, 64.5, 5, 3), 1, 1);
            }
        }
        // The well the thumbnail sits in (88 x 62 or 80 x 62).
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 40));
        p.drawRect(video ? QRectF(6, 4, 81, 61) : QRectF(2, 3, 89, 63));
    });
    return img;
}

enum class State { Normal, Pressed, Disabled, Set };

// A round button face with a glyph; Set marks that the slide has the thing
// (a caption, a sound) with the accent colour.
QImage button(State state, const std::function<void(QPainter&, const QColor&)>& glyph) {
    QImage img = canvas(24, 24);
    draw(img, [&](QPainter& p) {
        QLinearGradient face(0, 0, 0, 24);
        QColor top = state == State::Set ? kAccent.lighter(130) : QColor(0xfb, 0xf7, 0xf0);
        QColor bottom = state == State::Set ? kAccent : kTan;
        if (state == State::Pressed) {
            std::swap(top, bottom);
        }
        if (state == State::Disabled) {
            top = bottom = QColor(0xe4, 0xe1, 0xdc);
        }
        face.setColorAt(0, top);
        face.setColorAt(1, bottom);
        p.setBrush(face);
        p.setPen(QPen(state == State::Disabled ? QColor(0xb8, 0xb3, 0xab) : kBrown, 1));
        p.drawEllipse(QRectF(1.5, 1.5, 21, 21));
        const QColor ink = state == State::Disabled ? QColor(0xa8, 0xa3, 0x9c)
                           : state == State::Set    ? Qt::white
                                                    : kInk;
        if (state == State::Pressed) {
            p.translate(0.5, 0.5);
        }
        glyph(p, ink);
    });
    return img;
}

void textGlyph(QPainter& p, const QColor& ink) {
    QFont f("DejaVu Sans");
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    p.setPen(ink);
    p.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, "T");
}

void audioGlyph(QPainter& p, const QColor& ink) {
    // A loudspeaker with two waves.
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    QPainterPath speaker;
    speaker.moveTo(6, 10);
    speaker.lineTo(9, 10);
    speaker.lineTo(13, 6.5);
    speaker.lineTo(13, 17.5);
    speaker.lineTo(9, 14);
    speaker.lineTo(6, 14);
    speaker.closeSubpath();
    p.drawPath(speaker);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(11, 8.5, 5, 7), -60 * 16, 120 * 16);
    p.drawArc(QRectF(11, 6, 8, 12), -60 * 16, 120 * 16);
}

void videoGlyph(QPainter& p, const QColor& ink) {
    // Scissors: two loops and two crossing blades.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawEllipse(QRectF(5.5, 13.5, 4.5, 4.5));
    p.drawEllipse(QRectF(14, 13.5, 4.5, 4.5));
    p.drawLine(QPointF(9, 14), QPointF(16, 5.5));
    p.drawLine(QPointF(15, 14), QPointF(8, 5.5));
}

void trackGlyph(QPainter& p, const QColor& ink) {
    // Two beamed notes.
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QRectF(6, 14, 4.5, 3.5));
    p.drawEllipse(QRectF(13, 12.5, 4.5, 3.5));
    p.setPen(QPen(ink, 1.4));
    p.drawLine(QPointF(10, 15.5), QPointF(10, 7));
    p.drawLine(QPointF(17, 14), QPointF(17, 5.5));
    p.setPen(QPen(ink, 2.2));
    p.drawLine(QPointF(10, 7), QPointF(17, 5.5));
}

// The mark: a rounded square in brindle stripes with a slide corner.
void drawMark(QPainter& p, const QRectF& r) {
    QPainterPath body;
    body.addRoundedRect(r, r.width() * 0.2, r.width() * 0.2);
    p.fillPath(body, kBrown);
    p.save();
    p.setClipPath(body);
    p.setPen(QPen(kBrown.darker(140), r.width() * 0.06));
    for (qreal x = r.left() - r.height(); x < r.right(); x += r.width() * 0.16) {
        p.drawLine(QPointF(x, r.bottom()), QPointF(x + r.height(), r.top()));
    }
    p.restore();
    // A slide with a sun and a hill.
    const QRectF slide(r.left() + r.width() * 0.2, r.top() + r.height() * 0.26, r.width() * 0.6,
                       r.height() * 0.46);
    p.setPen(QPen(Qt::white, r.width() * 0.03));
    p.setBrush(kTan);
    p.drawRect(slide);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(slide.left() + slide.width() * 0.72, slide.top() + slide.height() * 0.3),
                  slide.width() * 0.09, slide.width() * 0.09);
    QPainterPath hill;
    hill.moveTo(slide.bottomLeft());
    hill.quadTo(slide.left() + slide.width() * 0.35, slide.top() + slide.height() * 0.25,
                slide.left() + slide.width() * 0.7, slide.bottom());
    p.setBrush(QColor(0x5a, 0x7d, 0x3c));
    p.drawPath(hill);
}

QImage icon(int size) {
    QImage img = canvas(size, size);
    draw(img, [&](QPainter& p) {
        drawMark(p, QRectF(size * 0.04, size * 0.04, size * 0.92, size * 0.92));
    });
    return img;
}

// The identity picture at the editor's corner: the mark and the name.
QImage identity() {
    QImage img = canvas(200, 56);
    draw(img, [&](QPainter& p) {
        drawMark(p, QRectF(4, 4, 48, 48));
        QFont f("DejaVu Sans");
        f.setPixelSize(30);
        f.setBold(true);
        p.setFont(f);
        p.setPen(kBrown);
        p.drawText(QRectF(60, 0, 140, 56), Qt::AlignVCenter | Qt::AlignLeft, "Brindle");
    });
    return img;
}

// The player frame's background behind a video, and the page's border and
// player badge.
QImage videoBackground() {
    QImage img = canvas(320, 240, false);
    draw(img, [&](QPainter& p) {
        QLinearGradient g(0, 0, 0, 240);
        g.setColorAt(0, QColor(0x20, 0x1a, 0x14));
        g.setColorAt(1, QColor(0x05, 0x04, 0x03));
        p.fillRect(img.rect(), g);
    });
    return img;
}

QImage pageBorder() {
    QImage img = canvas(360, 300, false);
    draw(img, [&](QPainter& p) {
        p.fillRect(img.rect(), kTan);
        p.setPen(QPen(kBrown, 3));
        p.drawRoundedRect(QRectF(4, 4, 352, 292), 10, 10);
        p.fillRect(QRectF(20, 20, 320, 240), Qt::black);
    });
    return img;
}

QImage playerBadge() {
    QImage img = canvas(88, 31, false);
    draw(img, [&](QPainter& p) {
        p.fillRect(img.rect(), kBrown);
        p.setPen(kTan);
        QFont f("DejaVu Sans");
        f.setPixelSize(10);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(0, 0, 88, 31), Qt::AlignCenter, "Get the player");
    });
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-pictures OUTDIR\n");
        return 2;
    }
    gOut = QString::fromLocal8Bit(argv[1]);
    bool ok = save(cellFrame(false), "frame.png") && save(cellFrame(true), "frame_video.png");
    const std::pair<const char*, void (*)(QPainter&, const QColor&)> buttons[] = {
        {"caption_text", textGlyph},
        {"caption_audio", audioGlyph},
        {"edit_video", videoGlyph},
        {"backtrack", trackGlyph}};
    const std::pair<State, const char*> states[] = {{State::Normal, ""},
                                                    {State::Pressed, "_down"},
                                                    {State::Disabled, "_off"},
                                                    {State::Set, "_set"}};
    for (const auto& [name, glyph] : buttons) {
        for (const auto& [state, suffix] : states) {
            ok = save(button(state, glyph), QString("%1%2.png").arg(name, suffix)) && ok;
        }
    }
    ok = save(identity(), "identity.png") && ok;
    for (int size : {16, 32, 48, 256}) {
        ok = save(icon(size), QString("icons/%1/brindle.png").arg(size)) && ok;
    }
    ok = save(icon(256), "brindle.png") && ok;
    ok = save(videoBackground(), "Bin/vidback.jpg") && ok;
    ok = save(pageBorder(), "plrbordr.jpg") && ok;
    // Qt writes no GIF: make-resources.sh turns this one into freeplayG2.gif.
    ok = save(playerBadge(), "freeplayG2.png") && ok;
    return ok ? 0 : 1;
}
