#include "components/imaging/packed_dib.h"

#include <QtEndian>

#include <cstring>

namespace brindle::dib {
namespace {

constexpr std::size_t kInfoHeaderBytes = 40;

quint32 u32(const uchar* p) {
    return qFromLittleEndian<quint32>(p);
}

qint32 s32(const uchar* p) {
    return qFromLittleEndian<qint32>(p);
}

quint16 u16(const uchar* p) {
    return qFromLittleEndian<quint16>(p);
}

}  // namespace

std::optional<Layout> readLayout(const uchar* data, std::size_t available) {
    if (!data || available < kInfoHeaderBytes) {
        return std::nullopt;
    }
    const quint32 headerBytes = u32(data);
    if (headerBytes != 40 && headerBytes != 108 && headerBytes != 124) {
        return std::nullopt;
    }
    const qint64 width = s32(data + 4);
    const qint64 rawHeight = s32(data + 8);
    const quint16 planes = u16(data + 12);
    const quint16 bitCount = u16(data + 14);
    const quint32 compression = u32(data + 16);
    const quint32 sizeImage = u32(data + 20);
    const quint32 colorsUsed = u32(data + 32);
    const qint64 height = rawHeight < 0 ? -rawHeight : rawHeight;
    if (planes != 1 || compression != 0 || (bitCount != 8 && bitCount != 24 && bitCount != 32)) {
        return std::nullopt;
    }
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        width * height > kMaxPixels) {
        return std::nullopt;
    }
    if (colorsUsed > 256) {
        return std::nullopt;
    }
    Layout layout;
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height);
    layout.topDown = rawHeight < 0;
    layout.bitCount = bitCount;
    layout.paletteEntries = colorsUsed == 0 && bitCount == 8 ? 256 : static_cast<int>(colorsUsed);
    layout.pixelOffset = headerBytes + std::size_t(layout.paletteEntries) * 4;
    layout.stride = ((std::size_t(width) * bitCount + 31) / 32) * 4;
    const std::size_t rowBytes = layout.stride * std::size_t(height);
    if (sizeImage != 0 && sizeImage < rowBytes) {
        return std::nullopt;
    }
    layout.totalBytes = layout.pixelOffset + rowBytes;
    return layout;
}

QImage decode(const uchar* data, std::size_t size) {
    const std::optional<Layout> found = readLayout(data, size);
    if (!found || found->totalBytes > size) {
        return QImage();
    }
    const Layout& layout = *found;
    QImage::Format format = QImage::Format_RGB888;
    if (layout.bitCount == 8) {
        format = QImage::Format_Indexed8;
    } else if (layout.bitCount == 32) {
        format = QImage::Format_RGB32;
    }
    QImage image(layout.width, layout.height, format);
    if (image.isNull()) {
        return QImage();  // out of memory
    }
    if (layout.bitCount == 8) {
        QList<QRgb> colors(256, qRgb(0, 0, 0));
        const uchar* quad = data + u32(data);
        for (int i = 0; i < layout.paletteEntries; ++i, quad += 4) {
            colors[i] = qRgb(quad[2], quad[1], quad[0]);
        }
        image.setColorTable(colors);
    }
    const uchar* pixels = data + layout.pixelOffset;
    for (int y = 0; y < layout.height; ++y) {
        const int sourceRow = layout.topDown ? y : layout.height - 1 - y;
        const uchar* in = pixels + layout.stride * std::size_t(sourceRow);
        uchar* out = image.scanLine(y);
        if (layout.bitCount == 8) {
            std::memcpy(out, in, std::size_t(layout.width));
        } else if (layout.bitCount == 24) {
            for (int x = 0; x < layout.width; ++x, in += 3, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
        } else {
            auto* rgb = reinterpret_cast<QRgb*>(out);
            for (int x = 0; x < layout.width; ++x, in += 4) {
                rgb[x] = qRgb(in[2], in[1], in[0]);
            }
        }
    }
    return image;
}

QImage decodeAt(const uchar* data) {
    if (!data) {
        return QImage();
    }
    // Only the header may be read before it has been checked.
    const quint32 headerBytes = u32(data);
    if (headerBytes != 40 && headerBytes != 108 && headerBytes != 124) {
        return QImage();
    }
    const std::optional<Layout> layout = readLayout(data, headerBytes);
    return layout ? decode(data, layout->totalBytes) : QImage();
}

}  // namespace brindle::dib
