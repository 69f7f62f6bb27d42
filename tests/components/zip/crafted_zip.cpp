#include "tests/components/zip/crafted_zip.h"

#include <zlib.h>

namespace brindle::test {
namespace {

void put16(QByteArray& out, quint16 v) {
    out.append(char(v & 0xFF)).append(char(v >> 8));
}

void put32(QByteArray& out, quint32 v) {
    put16(out, quint16(v & 0xFFFF));
    put16(out, quint16(v >> 16));
}

void put64(QByteArray& out, quint64 v) {
    put32(out, quint32(v & 0xFFFFFFFF));
    put32(out, quint32(v >> 32));
}

QByteArray rawDeflate(const QByteArray& data) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&z, uLong(data.size()))), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(int(z.total_out));
    deflateEnd(&z);
    return out;
}

}  // namespace

QByteArray craftZip(const std::vector<CraftedMember>& members) {
    QByteArray body, central;
    for (const CraftedMember& m : members) {
        const QByteArray stored = m.deflate ? rawDeflate(m.data) : m.data;
        const quint32 crc = quint32(
            crc32(0, reinterpret_cast<const Bytef*>(m.data.constData()), uInt(m.data.size())));
        const quint64 size = m.declaredSize.value_or(quint64(m.data.size()));
        const bool zip64 = size >= 0xFFFFFFFFull;
        QByteArray extra;
        if (zip64) {
            put16(extra, 0x0001);
            put16(extra, 8);
            put64(extra, size);
        }
        const quint32 offset = quint32(body.size());
        const quint16 method = m.deflate ? 8 : 0;
        const quint16 version = zip64 ? 45 : 20;
        auto common = [&](QByteArray& out) {
            put16(out, version);
            put16(out, m.flags);
            put16(out, method);
            put16(out, 0x6000);  // 12:00
            put16(out, 0x5A21);  // 2025-01-01
            put32(out, crc);
            put32(out, quint32(stored.size()));
            put32(out, zip64 ? 0xFFFFFFFFu : quint32(size));
            put16(out, quint16(m.name.size()));
            put16(out, quint16(extra.size()));
        };
        put32(body, 0x04034b50);
        common(body);
        body.append(m.name).append(extra).append(stored);

        put32(central, 0x02014b50);
        put16(central, 0x0314);  // made by: Unix, 2.0
        common(central);
        put16(central, 0);  // comment length
        put16(central, 0);  // disk
        put16(central, 0);  // internal attributes
        put32(central, 0100644u << 16);
        put32(central, offset);
        central.append(m.name).append(extra);
    }
    QByteArray out = body + central;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint16(members.size()));
    put16(out, quint16(members.size()));
    put32(out, quint32(central.size()));
    put32(out, quint32(body.size()));
    put16(out, 0);
    return out;
}

}  // namespace brindle::test
