#include "components/imaging/image_control.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

#include "components/imaging/image_ops.h"
#include "components/imaging/packed_dib.h"
#include "platform/picture_limits.h"
#include "platform/temporaries.h"

namespace brindle {
namespace {

bool validDepth(int bits) {
    return bits == 0 || bits == 8 || bits == 24 || bits == 32;
}

QImage toDepth(const QImage& image, int bits) {
    switch (bits) {
        case 8:
            return image.format() == QImage::Format_Indexed8
                       ? image
                       : image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
        case 24:
            return image.convertToFormat(QImage::Format_RGB888);
        case 32:
            return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                 : QImage::Format_RGB32);
        default:
            return image;
    }
}

// An uncompressed BMP must hold every row its header declares; a shorter
// file is refused rather than shown with invented pixels.
bool bmpShorterThanHeader(const QByteArray& bytes) {
    if (bytes.size() < 54 || !bytes.startsWith("BM")) {
        return false;
    }
    const auto u32 = [&](int at) {
        return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(bytes.constData()) + at);
    };
    const quint32 infoSize = u32(14);
    const quint32 compression = u32(30);
    if (infoSize < 40 || (compression != 0 && compression != 3)) {
        return false;  // an old header or run-length rows: the reader judges
    }
    const qint64 width = qint32(u32(18));
    const qint64 height = std::abs(qint64(qint32(u32(22))));
    const qint64 bits =
        qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(bytes.constData()) + 28);
    const qint64 rowBytes = ((width * bits + 31) / 32) * 4;
    return width > 0 && u32(10) + rowBytes * height > bytes.size();
}

bool validSize(int width, int height) {
    return width > 0 && height > 0 && width <= dib::kMaxSide && height <= dib::kMaxSide &&
           qint64(width) * height <= dib::kMaxPixels;
}

}  // namespace

ImageControl::ImageControl(QObject* parent) : QObject(parent) {}

bool ImageControl::hasImage() const {
    return !m_image.isNull() || !m_pendingBytes.isEmpty();
}

QImage ImageControl::image() const {
    decodePending();
    return m_image;
}

void ImageControl::setImage(const QImage& image) {
    replace(image);
}

void ImageControl::copyFrom(const ImageControl& other) {
    if (&other == this) {
        return;
    }
    m_image = other.m_image;
    m_pendingBytes = other.m_pendingBytes;
    m_pendingSize = other.m_pendingSize;
    m_pendingBits = other.m_pendingBits;
    emit imageChanged();
}

void ImageControl::clear() {
    replace(QImage());
}

int ImageControl::width() const {
    return m_pendingBytes.isEmpty() ? m_image.width() : m_pendingSize.width();
}

int ImageControl::height() const {
    return m_pendingBytes.isEmpty() ? m_image.height() : m_pendingSize.height();
}

void ImageControl::replace(const QImage& image) {
    m_pendingBytes.clear();
    m_pendingSize = QSize();
    m_image = image;
    emit imageChanged();
}

bool ImageControl::decodePending(QSize scaled) const {
    if (m_pendingBytes.isEmpty()) {
        return !m_image.isNull();
    }
    QBuffer buffer(&m_pendingBytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setQuality(100);  // accurate DCT and a smooth final scale
    if (scaled.isValid()) {
        reader.setScaledSize(scaled);
    }
    const QImage decoded = reader.read();
    m_image = decoded.isNull() ? QImage() : toDepth(decoded, m_pendingBits);
    m_pendingBytes.clear();
    m_pendingSize = QSize();
    return !m_image.isNull();
}

ImageStatus ImageControl::load(const QString& path, int bitsPerPixel, int page, int pageCount) {
    clear();
    if (!validDepth(bitsPerPixel) || page < 0 || pageCount < 1) {
        return ImageStatus::InvalidArgument;
    }
    if (!QFileInfo(path).isFile()) {
        return ImageStatus::FileNotFound;
    }
    QFile file(path);
    // No picture this control can hold comes in a file this large; reading
    // it whole would only take the memory.
    if (!file.open(QIODevice::ReadOnly) || file.size() > kPictureFileLimitBytes) {
        return ImageStatus::NotReadable;
    }
    QByteArray bytes = file.readAll();
    file.close();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    if (format.isEmpty()) {
        return ImageStatus::NotReadable;
    }
    if (format == "bmp" && bmpShorterThanHeader(bytes)) {
        return ImageStatus::NotReadable;
    }
    if (format == "jpeg" && page == 0) {
        const QSize size = reader.size();
        if (size.isValid() && validSize(size.width(), size.height())) {
            buffer.close();
            m_pendingBytes = std::move(bytes);
            m_pendingSize = size;
            m_pendingBits = bitsPerPixel;
            emit imageChanged();
            return ImageStatus::Ok;
        }
    }
    if (page > 0 && !reader.jumpToImage(page)) {
        return ImageStatus::NotReadable;
    }
    const QImage decoded = reader.read();
    if (decoded.isNull()) {
        return ImageStatus::NotReadable;
    }
    replace(toDepth(decoded, bitsPerPixel));
    return ImageStatus::Ok;
}

ImageStatus ImageControl::loadForConversion(const QString& path) {
    return load(path, 24, 0, 1);
}

ImageStatus ImageControl::save(const QString& path, int format, int bitsPerPixel, int qualityFactor,
                               bool multiPage) {
    if (format != kFormatJpeg || multiPage ||
        (bitsPerPixel != 0 && bitsPerPixel != 24 && bitsPerPixel != 8)) {
        return ImageStatus::UnsupportedFormat;
    }
    const int quality = imageops::jpegQuality(qualityFactor);
    if (quality < 0) {
        return ImageStatus::InvalidArgument;
    }
    if (!decodePending()) {
        return ImageStatus::NoImage;
    }
    const QImage flat = imageops::flattened(m_image, bitsPerPixel == 8);
    // Written beside the picture under a journaled name, flushed, and
    // renamed over it: the old picture stays whole until the new one is.
    const QByteArray target = QFile::encodeName(path);
    std::string temp = target.toStdString() + ".XXXXXX";
    const int fd = temporaries::makeFile(temp, 0, 0666);
    if (fd < 0) {
        return ImageStatus::WriteFailed;
    }
    struct stat old {};
    if (::stat(target.constData(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
    }
    bool written = false;
    {
        QFile file;
        if (file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
            QImageWriter writer(&file, "jpeg");
            writer.setQuality(quality);
            writer.setOptimizedWrite(true);
            written = writer.write(flat) && file.flush() && ::fsync(fd) == 0;
            file.close();
            written = written && file.error() == QFileDevice::NoError;
        } else {
            ::close(fd);
        }
    }
    if (!written || ::rename(temp.c_str(), target.constData()) != 0) {
        ::unlink(temp.c_str());
        return ImageStatus::WriteFailed;
    }
    return ImageStatus::Ok;
}

ImageStatus ImageControl::setDib(quintptr address) {
    const QImage image = dib::decodeAt(reinterpret_cast<const uchar*>(address));
    if (image.isNull()) {
        return ImageStatus::InvalidArgument;
    }
    replace(image);
    return ImageStatus::Ok;
}

ImageStatus ImageControl::setDib(const void* data, std::size_t size) {
    const QImage image = dib::decode(static_cast<const uchar*>(data), size);
    if (image.isNull()) {
        return ImageStatus::InvalidArgument;
    }
    replace(image);
    return ImageStatus::Ok;
}

ImageStatus ImageControl::resize(int width, int height, int /*flags*/) {
    if (!validSize(width, height)) {
        return ImageStatus::InvalidArgument;
    }
    if (!m_pendingBytes.isEmpty() && width <= m_pendingSize.width() &&
        height <= m_pendingSize.height() && QSize(width, height) != m_pendingSize) {
        // Shrinking a JPEG not yet decoded: decode it at the new size.
        const bool ok = decodePending(QSize(width, height));
        emit imageChanged();
        return ok ? ImageStatus::Ok : ImageStatus::NotReadable;
    }
    if (!decodePending()) {
        return ImageStatus::NoImage;
    }
    if (m_image.size() == QSize(width, height)) {
        return ImageStatus::Ok;
    }
    QImage scaled = m_image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (m_image.format() == QImage::Format_RGB888) {
        scaled = scaled.convertToFormat(QImage::Format_RGB888);
    }
    replace(scaled);
    return ImageStatus::Ok;
}

ImageStatus ImageControl::changeBrightness(int amount) {
    if (amount < -1000 || amount > 1000) {
        return ImageStatus::InvalidArgument;
    }
    if (!decodePending()) {
        return ImageStatus::NoImage;
    }
    replace(imageops::brightened(m_image, amount));
    return ImageStatus::Ok;
}

ImageStatus ImageControl::crop(int left, int top, int width, int height) {
    if (!decodePending()) {
        return ImageStatus::NoImage;
    }
    if (width <= 0 || height <= 0) {
        return ImageStatus::InvalidArgument;
    }
    // In 64 bits, so that no rectangle can overflow.
    const qint64 x1 = std::max<qint64>(left, 0);
    const qint64 y1 = std::max<qint64>(top, 0);
    const qint64 x2 = std::min<qint64>(qint64(left) + width, m_image.width());
    const qint64 y2 = std::min<qint64>(qint64(top) + height, m_image.height());
    if (x2 <= x1 || y2 <= y1) {
        return ImageStatus::InvalidArgument;
    }
    replace(m_image.copy(int(x1), int(y1), int(x2 - x1), int(y2 - y1)));
    return ImageStatus::Ok;
}

ImageStatus ImageControl::rotate(int hundredths, int flags, quint32 fillColor) {
    if (!decodePending()) {
        return ImageStatus::NoImage;
    }
    replace(imageops::rotated(m_image, hundredths, (flags & kRotateResize) != 0,
                              imageops::fromBgr(fillColor)));
    return ImageStatus::Ok;
}

}  // namespace brindle
