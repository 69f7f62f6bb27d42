// The image control: one instance holds one current picture and performs
// the file and picture operations on it (load, save as JPEG, resize,
// brightness, crop, rotate, take a packed bitmap). The editor keeps a
// hidden instance for file work; ImageView shows an instance on screen.
//
// A JPEG is decoded when its pixels are first needed, not when it is
// loaded: its size is known from the file's header at once, and a resize
// to a smaller size that comes first decodes it straight at that size
// (libjpeg scales by 1/2, 1/4 or 1/8 while decoding), which makes "load,
// read the size, shrink, save" of a large photo several times faster. The
// file's bytes are read at load time, so later changes to the file do not
// matter. A JPEG whose data turns out to be damaged behind a good header
// leaves the control without an image at that point.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include "components/imaging/image_status.h"

namespace brindle {

class ImageControl : public QObject {
    Q_OBJECT
public:
    // File format codes for save().
    static constexpr int kFormatJpeg = 10;
    // Flags for rotate().
    static constexpr int kRotateResize = 0x0001;  // grow to hold the turned picture

    explicit ImageControl(QObject* parent = nullptr);

    // The current image. A copy taken from or given to another instance
    // shares the pixels until one of them changes.
    bool hasImage() const;
    QImage image() const;
    void setImage(const QImage& image);
    void copyFrom(const ImageControl& other);
    void clear();

    // Pixel size of the current image; 0 without one.
    int width() const;
    int height() const;

    // Loads a BMP, JPEG, GIF or PNG file as the current image. Bits per
    // pixel: 0 keeps the depth the file is read at (a palette BMP stays
    // 8-bit, a GIF comes as 32-bit colour with transparency), 24 converts to
    // 24-bit colour, 8 to an 8-bit palette, 32 to 32-bit colour. `page` is the picture within the
    // file (an animated GIF's frame); only one page is read. On failure the
    // current image is released.
    ImageStatus load(const QString& path, int bitsPerPixel = 0, int page = 0, int pageCount = 1);
    // Loads a picture that is about to be saved in another format (a GIF
    // that becomes a JPEG): as load() at 24 bits.
    ImageStatus loadForConversion(const QString& path);

    // Saves the current image. Only kFormatJpeg is written, at 24 bits per
    // pixel (0 means the same) or 8 (grey). The quality factor runs from 2
    // (best) to 255 (smallest file); see imageops::jpegQuality. The file is
    // replaced only when it has been written completely.
    ImageStatus save(const QString& path, int format, int bitsPerPixel, int qualityFactor,
                     bool multiPage = false);

    // Takes a packed device-independent bitmap as the current image (see
    // packed_dib.h). The first form knows only the address and trusts the
    // bitmap's checked header for its extent; the second reads no more than
    // `size` bytes. A refused bitmap leaves the current image as it was.
    ImageStatus setDib(quintptr address);
    ImageStatus setDib(const void* data, std::size_t size);

    // Scales the image to width x height with a smooth filter. Flags are
    // accepted for the callers' sake; every value scales the same way.
    ImageStatus resize(int width, int height, int flags = 0);
    // Changes brightness by `amount` (-1000..1000; the dialogs use steps of
    // 25 within -250..250); see imageops::brightened.
    ImageStatus changeBrightness(int amount);
    // Cuts the image to the rectangle, in image pixels; the part of the
    // rectangle outside the image is dropped.
    ImageStatus crop(int left, int top, int width, int height);
    // Turns the image clockwise by `hundredths` of a degree (9000 is a
    // quarter turn); with kRotateResize the image grows to hold the turned
    // picture. Uncovered areas get `fillColor`, a 0x00BBGGRR value.
    ImageStatus rotate(int hundredths, int flags, quint32 fillColor);

signals:
    // The current image was replaced, changed or released.
    void imageChanged();

private:
    // Decodes a JPEG held back by load(), at `scaled` when valid.
    bool decodePending(QSize scaled = QSize()) const;
    void replace(const QImage& image);
    QImage converted(const QImage& image) const;

    mutable QImage m_image;
    // A JPEG not yet decoded: its bytes, its size and the depth asked for.
    mutable QByteArray m_pendingBytes;
    mutable QSize m_pendingSize;
    int m_pendingBits = 0;
};

}  // namespace brindle
