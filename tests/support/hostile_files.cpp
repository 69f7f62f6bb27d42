#include "tests/support/hostile_files.h"

#include "tests/support/media_fixture.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryFile>

#include <array>
#include <vector>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace brindle::test::hostile {
namespace {

void le16(QByteArray& b, std::uint32_t v) {
    b.append(char(v & 0xff)).append(char((v >> 8) & 0xff));
}
void le32(QByteArray& b, std::uint32_t v) {
    le16(b, v & 0xffff);
    le16(b, v >> 16);
}
void be32(QByteArray& b, std::uint32_t v) {
    b.append(char(v >> 24)).append(char((v >> 16) & 0xff));
    b.append(char((v >> 8) & 0xff)).append(char(v & 0xff));
}
void putLe32(QByteArray& b, qsizetype at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = char((v >> (8 * i)) & 0xff);
    }
}

QString write(const QString& dir, const QString& name, const QByteArray& bytes) {
    QDir().mkpath(dir);
    const QString path = QDir(dir).filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        return {};
    }
    return path;
}

QImage gradient(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x ^ y) & 0xff));
        }
    }
    return image;
}

QByteArray jpegBytes(int width, int height) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.write(gradient(width, height));
    return bytes;
}

QByteArray pngChunk(const char* type, const QByteArray& data) {
    QByteArray body(type, 4);
    body += data;
    QByteArray chunk;
    be32(chunk, static_cast<std::uint32_t>(data.size()));
    chunk += body;
    be32(chunk, crc32(body));
    return chunk;
}

// A GIF image block of w x h at (0, 0) with a minimal LZW stream (a few
// pixels of colour 0; a decoder fills the rest).
QByteArray gifImage(int w, int h) {
    QByteArray b;
    b.append(char(0x2c));
    le16(b, 0);
    le16(b, 0);
    le16(b, w);
    le16(b, h);
    b.append(char(0));
    b.append(QByteArray::fromHex("0202440100"));
    return b;
}

QByteArray gifHead(int w, int h) {
    QByteArray b("GIF89a");
    le16(b, w);
    le16(b, h);
    b.append(char(0x80)).append(char(0)).append(char(0));  // two-colour global table
    b.append(QByteArray::fromHex("000000ffffff"));
    return b;
}

}  // namespace

std::uint32_t crc32(const QByteArray& bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xffffffffu;
    for (const char ch : bytes) {
        c = table[(c ^ static_cast<unsigned char>(ch)) & 0xff] ^ (c >> 8);
    }
    return c ^ 0xffffffffu;
}

QString hugeJpeg(const QString& dir, const QString& name, int width, int height) {
    QByteArray bytes = jpegBytes(16, 16);
    // Start-of-frame: FF C0, length (2), precision (1), height (2), width (2).
    const qsizetype sof = bytes.indexOf(QByteArray::fromHex("ffc0"));
    if (sof < 0) {
        return {};
    }
    bytes[sof + 5] = char(height >> 8);
    bytes[sof + 6] = char(height & 0xff);
    bytes[sof + 7] = char(width >> 8);
    bytes[sof + 8] = char(width & 0xff);
    return write(dir, name, bytes);
}

QString hugePng(const QString& dir, const QString& name) {
    QByteArray ihdr;
    be32(ihdr, 65535);
    be32(ihdr, 65535);
    ihdr.append(char(8)).append(char(2)).append(char(0)).append(char(0)).append(char(0));
    // Two rows of zeros (filter byte + RGB), zlib-compressed.
    const QByteArray rows(2 * (1 + 3 * 65535), '\0');
    const QByteArray zlib = qCompress(rows).mid(4);
    QByteArray png = QByteArray::fromHex("89504e470d0a1a0a");
    png += pngChunk("IHDR", ihdr);
    png += pngChunk("IDAT", zlib);
    png += pngChunk("IEND", {});
    return write(dir, name, png);
}

namespace {
QByteArray bmpHeaders(int width, int height, std::uint32_t fileBytes, std::uint32_t imageBytes) {
    QByteArray b("BM");
    le32(b, fileBytes);
    le32(b, 0);
    le32(b, 54);
    le32(b, 40);
    le32(b, static_cast<std::uint32_t>(width));
    le32(b, static_cast<std::uint32_t>(height));
    le16(b, 1);
    le16(b, 24);
    le32(b, 0);  // uncompressed
    le32(b, imageBytes);
    le32(b, 2835);
    le32(b, 2835);
    le32(b, 0);
    le32(b, 0);
    return b;
}
}  // namespace

QString hugeBmp(const QString& dir, const QString& name) {
    const std::uint32_t rowBytes = (65535u * 3 + 3) & ~3u;
    QByteArray b = bmpHeaders(65535, 65535, 0xffffffffu, rowBytes * 65535u);
    b += QByteArray(1024, char(0x80));
    return write(dir, name, b);
}

QString hugeGif(const QString& dir, const QString& name) {
    QByteArray b = gifHead(65535, 65535);
    b += gifImage(65535, 65535);
    b.append(char(0x3b));
    return write(dir, name, b);
}

QString manyFramesGif(const QString& dir, const QString& name, int frames) {
    QByteArray b = gifHead(16, 16);
    for (int i = 0; i < frames; ++i) {
        b.append(QByteArray::fromHex("21f904000a000000"));  // graphic control: 0.1 s
        b += gifImage(1, 1);
    }
    b.append(char(0x3b));
    return write(dir, name, b);
}

QString truncatedJpeg(const QString& dir, const QString& name) {
    const QByteArray bytes = jpegBytes(640, 480);
    return write(dir, name, bytes.left(bytes.size() * 4 / 10));
}

QString lyingBmp(const QString& dir, const QString& name) {
    QByteArray b = bmpHeaders(4000, 3000, 36000054u, 36000000u);
    b += QByteArray(300, char(0x40));
    return write(dir, name, b);
}

QString zipAsJpeg(const QString& dir, const QString& name) {
    const QByteArray member = "not a picture\n";
    const QByteArray memberName = "readme.txt";
    const std::uint32_t crc = crc32(member);
    QByteArray local;
    le32(local, 0x04034b50);
    le16(local, 20);
    le16(local, 0);
    le16(local, 0);  // stored
    le32(local, 0);  // time, date
    le32(local, crc);
    le32(local, member.size());
    le32(local, member.size());
    le16(local, memberName.size());
    le16(local, 0);
    local += memberName + member;
    QByteArray central;
    le32(central, 0x02014b50);
    le16(central, 20);
    le16(central, 20);
    le16(central, 0);
    le16(central, 0);
    le32(central, 0);
    le32(central, crc);
    le32(central, member.size());
    le32(central, member.size());
    le16(central, memberName.size());
    le16(central, 0);
    le16(central, 0);
    le16(central, 0);
    le16(central, 0);
    le32(central, 0);
    le32(central, 0);  // local header at 0
    central += memberName;
    QByteArray end;
    le32(end, 0x06054b50);
    le16(end, 0);
    le16(end, 0);
    le16(end, 1);
    le16(end, 1);
    le32(end, central.size());
    le32(end, local.size());
    le16(end, 0);
    return write(dir, name, local + central + end);
}

QString goodJpeg(const QString& dir, const QString& name, int width, int height) {
    return write(dir, name, jpegBytes(width, height));
}

QString lyingIndexAvi(const QString& dir, const QString& name) {
    QDir().mkpath(dir);
    const QString path = QDir(dir).filePath(name);
    if (!runFfmpeg({"-f", "lavfi", "-i", "testsrc2=s=160x120:r=15", "-frames:v", "30", "-c:v",
                    "mpeg4", "-g", "15", path})) {
        return {};
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite)) {
        return {};
    }
    QByteArray bytes = f.readAll();
    const qsizetype idx = bytes.lastIndexOf("idx1");
    if (idx < 0) {
        return {};
    }
    const qsizetype count = (bytes.size() - idx - 8) / 16;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype entry = idx + 8 + i * 16;
        putLe32(bytes, entry + 8, 0x7ffffff0u - static_cast<std::uint32_t>(i));
        putLe32(bytes, entry + 12, 0x10000000u);
    }
    f.seek(0);
    f.write(bytes);
    return path;
}

QString zeroFrameAvi(const QString& dir, const QString& name) {
    QDir().mkpath(dir);
    const QString path = QDir(dir).filePath(name);
    if (!runFfmpeg({"-f", "lavfi", "-i", "testsrc2=s=160x120:r=15", "-frames:v", "0", "-c:v",
                    "mpeg4", path})) {
        return {};
    }
    return path;
}

QString tallThinAvi(const QString& dir, const QString& name) {
    // The AVI writer stops at 65535 pixels a side: frames of 50000 x 4 hold
    // the bytes of 100000 x 2, and the headers are then made to say so.
    QDir().mkpath(dir);
    const QString path = QDir(dir).filePath(name);
    if (!runFfmpeg({"-f", "lavfi", "-i", "color=c=red:s=50000x4:r=15", "-frames:v", "3", "-c:v",
                    "rawvideo", "-pix_fmt", "bgr24", path})) {
        return {};
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite)) {
        return {};
    }
    QByteArray bytes = f.readAll();
    const qsizetype avih = bytes.indexOf("avih");
    const qsizetype strf = bytes.indexOf("strf");
    if (avih < 0 || strf < 0) {
        return {};
    }
    putLe32(bytes, avih + 8 + 32, 100000);
    putLe32(bytes, avih + 8 + 36, 2);
    putLe32(bytes, strf + 8 + 4, 100000);
    putLe32(bytes, strf + 8 + 8, 2);
    f.seek(0);
    f.write(bytes);
    return path;
}

QByteArray wavHeader(int channels, int rate, int bits, std::uint32_t dataBytes,
                     std::uint32_t riffBytes) {
    QByteArray b("RIFF");
    le32(b, riffBytes);
    b += "WAVEfmt ";
    le32(b, 16);
    le16(b, 1);
    le16(b, channels);
    le32(b, rate);
    le32(b, rate * channels * bits / 8);
    le16(b, channels * bits / 8);
    le16(b, bits);
    b += "data";
    le32(b, dataBytes);
    return b;
}

QString lyingWav(const QString& dir, const QString& name) {
    QByteArray samples;
    for (int i = 0; i < 22050; ++i) {
        le16(samples, (i % 50) < 25 ? 8000 : static_cast<std::uint16_t>(-8000));
    }
    return write(dir, name, wavHeader(1, 22050, 16, 0x7ffffff0u, 0xfffffff0u) + samples);
}

QString emptyWav(const QString& dir, const QString& name) {
    return write(dir, name, wavHeader(1, 22050, 16, 0, 36));
}

QString sixHourWav(const QString& dir, const QString& name) {
    const std::uint32_t data = 6u * 3600u * 22050u * 2u;
    const QString path = write(dir, name, wavHeader(1, 22050, 16, data, data + 36));
    if (path.isEmpty() || !QFile::resize(path, 44 + qint64(data))) {
        return {};
    }
    return path;
}

MeasuredRun runMeasured(const QString& program, const QStringList& args, int timeoutMs) {
    MeasuredRun r;
    QTemporaryFile errFile;
    if (!errFile.open()) {
        return r;
    }
    std::vector<QByteArray> storage{QFile::encodeName(program)};
    for (const QString& a : args) {
        storage.push_back(a.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& b : storage) {
        argv.push_back(b.data());
    }
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        return r;
    }
    if (pid == 0) {
        ::dup2(errFile.handle(), 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    QElapsedTimer clock;
    clock.start();
    int status = 0;
    struct rusage usage {};
    for (;;) {
        const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) {
            r.finished = true;
            break;
        }
        if (clock.elapsed() > timeoutMs) {
            ::kill(pid, SIGKILL);
            ::wait4(pid, &status, 0, &usage);
            break;
        }
        ::usleep(20000);
    }
    r.crashed = r.finished && WIFSIGNALED(status);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.peakMb = usage.ru_maxrss / 1024.0;
    errFile.seek(0);
    r.err = errFile.readAll();
    return r;
}

bool underSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#else
    return false;
#endif
}

double peakMemoryMb() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
        }
    }
    return -1;
}

void resetPeakMemory() {
    QFile refs("/proc/self/clear_refs");
    if (refs.open(QIODevice::WriteOnly)) {
        refs.write("5");
    }
}

}  // namespace brindle::test::hostile
