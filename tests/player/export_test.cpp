// --export: the MP4 file read back with FFmpeg's tools.
#include "player/exporter.h"
#include "tests/player/player_fixture.h"
#include "tests/support/media_fixture.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QRegularExpression>

#include <cmath>
#include <cstring>
#include <vector>

namespace brindle {
namespace {

// Loudest sample (dB) of the file's sound between two times.
double maxVolumeDb(const QString& path, double from, double to) {
    QProcess p;
    p.start("ffmpeg", {"-nostdin", "-v", "info", "-i", path, "-vn", "-af",
                       QString("atrim=%1:%2,volumedetect").arg(from).arg(to), "-f", "null", "-"});
    p.waitForFinished(60000);
    const QString log = QString::fromUtf8(p.readAllStandardError());
    const QRegularExpressionMatch m =
        QRegularExpression("max_volume: (-?[0-9.]+|-inf) dB").match(log);
    if (!m.hasMatch()) {
        return 1000;  // no reading: fails either comparison
    }
    return m.captured(1) == "-inf" ? -1000 : m.captured(1).toDouble();
}

TEST(PlayerExport, SoundStartsWithItsCaptionAtFourSeconds) {
    test::TempEnv env;
    // A RealAudio 1.0 caption (no timestamps in its packets) at 4 s.
    ASSERT_TRUE(test::makeTone(env.file("audios.rm"), "real_144", 2.0));
    env.write("captions.rt",
              "<window  bgcolor=\"black\" color=\"white\" duration=\"6\">\r\n"
              "<time begin=\"0\"/><clear/><center><b> </b></center>\r\n"
              "<time begin=\"4\"/><clear/><center><b>Listen </b></center>\r\n</window>\r\n");
    const QString smil = test::writeSmil(
        env, "preView.smi",
        "  <region id=\"capsregion\" top=\"245\" left=\"5\" width=\"320\" height=\"20\" />\r\n",
        "<audio begin=\"4s\" id=\"audioTrack\" src=\"audios.rm\" region=\"avcaption\" />\r\n"
        "<textstream id=\"txtCaptions\" src=\"captions.rt\" region=\"capsregion\" "
        "fill=\"freeze\" />\r\n");
    const QString out = env.file("out.mp4");
    const test::PlayerRun run = test::runPlayer({"--export", out, smil});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("100%"));  // progress on the terminal
    EXPECT_TRUE(run.out.contains("frames per second"));

    EXPECT_NEAR(test::probe(out, "format=duration").toDouble(), 6.0, 0.1);
    EXPECT_EQ(test::probe(out, "stream=codec_name").split('\n'), QStringList({"h264", "aac"}));
    EXPECT_EQ(test::probe(out, "stream=width").split('\n').value(0), "330");
    EXPECT_LT(maxVolumeDb(out, 0.0, 3.8), -60.0);
    EXPECT_GT(maxVolumeDb(out, 4.2, 5.8), -30.0);
}

// The file's sound decoded to interleaved stereo floats at 44100 Hz.
std::vector<float> decodedSound(const QString& path) {
    QProcess p;
    p.start("ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-vn", "-f", "f32le", "-ac", "2",
                       "-ar", "44100", "-"});
    p.waitForFinished(60000);
    const QByteArray bytes = p.readAllStandardOutput();
    std::vector<float> samples(static_cast<std::size_t>(bytes.size()) / sizeof(float));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
    return samples;
}

// Root mean square of a - b over [from, to) sample frames, against a's.
double relativeDifference(const std::vector<float>& a, const std::vector<float>& b,
                          std::size_t from, std::size_t to) {
    double diff = 0;
    double level = 0;
    for (std::size_t i = 2 * from; i < 2 * to && i < a.size() && i < b.size(); ++i) {
        diff += (a[i] - b[i]) * (a[i] - b[i]);
        level += a[i] * a[i];
    }
    return level > 0 ? std::sqrt(diff / level) : 1000;
}

TEST(PlayerExport, SoundCodedInTwoPartsMatchesOnePartAcrossTheJoin) {
    test::TempEnv env;
    // A steady tone through the whole show: any sound frame lost, doubled
    // or misplaced where the parts meet shifts its phase from there on.
    ASSERT_TRUE(test::makeTone(env.file("audios.rm"), "real_144", 22.0, 440));
    const QString smil = test::writeSmil(
        env, "preView.smi", "", "<audio id=\"audioTrack\" src=\"audios.rm\" />\r\n", 64, 48);
    PresentationLoad load = loadPresentation(smil);
    ASSERT_TRUE(load.presentation) << load.error.toStdString();

    std::vector<float> sound[2];
    for (int parts : {1, 2}) {
        ExportOptions options;
        options.soundParts = parts;
        const QString out = env.file(QStringLiteral("parts%1.mp4").arg(parts));
        const ExportResult r = exportPresentation(*load.presentation, out, options);
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        sound[parts - 1] = decodedSound(out);
        EXPECT_EQ(test::probe(out, "stream=codec_name").split('\n'), QStringList({"h264", "aac"}));
    }
    ASSERT_GT(sound[0].size(), 2u * 44100 * 21);
    EXPECT_EQ(sound[0].size(), sound[1].size());
    const std::size_t frames = sound[0].size() / 2;
    // The parts meet at the middle, on a whole frame of 1024 samples.
    const std::size_t join = frames / 2 / 1024 * 1024;
    EXPECT_LT(relativeDifference(sound[0], sound[1], join - 4096, join + 4096), 0.1);
    EXPECT_LT(relativeDifference(sound[0], sound[1], 44100, frames - 44100), 0.1);
    // The first part is the single encoder's own work, sample for sample.
    EXPECT_EQ(relativeDifference(sound[0], sound[1], 0, join - 4096), 0.0);
}

TEST(PlayerExport, GivenSizeAndRefusalsAreReported) {
    test::TempEnv env;
    test::writePicture(env, "red.png", {100, 100}, Qt::red);
    const QString smil =
        test::writeSmil(env, "p.smi", "", "<img src=\"red.png\" dur=\"1.5s\" />\r\n", 100, 100);
    const QString out = env.file("sized.mp4");
    test::PlayerRun run = test::runPlayer({"--export", out, "--size", "201x150", smil});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    // Odd sides are rounded up for 4:2:0 video.
    EXPECT_EQ(test::probe(out, "stream=width").split('\n').value(0), "202");
    EXPECT_EQ(test::probe(out, "stream=height").split('\n').value(0), "150");
    EXPECT_NEAR(test::probe(out, "format=duration").toDouble(), 1.5, 0.1);

    run = test::runPlayer({"--export", env.file("no/such/folder/x.mp4"), smil});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("cannot be written")) << run.err.toStdString();
    run = test::runPlayer({"--export", out, "--size", "nonsense", smil});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("--size"));
}

TEST(PlayerFiles, MalformedAndMissingFilesGiveAMessageNotACrash) {
    test::TempEnv env;
    const QString png = env.file("f.png");
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* says;
    } cases[] = {
        {"broken.smi", "<smil>\n<body>\n<par>\n</body>\n", "line 4"},
        {"empty.smi", "", "line 1"},
        {"binary.smi", QByteArray("\x89PNG\r\n\x1a\n\0\0", 10), "preView"},
        {"preView.rpm", "file:///no/such/preView.smi\r\n", "missing"},
        {"nothing.ram", "http://example.invalid/x.smi\r\n", "no file://"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = env.write(c.name, c.bytes);
        const test::PlayerRun run = test::runPlayer({"--frame", "0", png, path});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains("cannot be played")) << run.err.toStdString();
        if (QString(c.says) != "preView") {
            EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
        }
    }
    const test::PlayerRun missing = test::runPlayer({"--frame", "0", png, env.file("gone.smi")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("gone.smi is missing"));

    // Missing or broken streams are named, and the rest still plays.
    env.write("allpix.rp",
              "<imfl><head duration=\"5\"/><image handle=\"1\" name=\"gone.jpg\"/>"
              "<fadein start=\"0\" duration=\"1\" target=\"1\"/></imfl>");
    env.write("bad.rm", ".RMF this is not a clip");
    const QString smil = test::writeSmil(
        env, "partial.smi", "",
        "<ref src=\"allpix.rp\" />\r\n<video src=\"bad.rm\" />\r\n<audio src=\"none.rm\" />\r\n");
    const test::PlayerRun partial = test::runPlayer({"--frame", "500", png, smil});
    EXPECT_EQ(partial.exitCode, 0) << partial.err.toStdString();
    EXPECT_TRUE(partial.err.contains("gone.jpg"));
    EXPECT_TRUE(partial.err.contains("bad.rm cannot be played"));
    EXPECT_TRUE(partial.err.contains("none.rm is missing"));
}

TEST(PlayerFiles, APlayerReferenceFileLeadsToItsPresentation) {
    test::TempEnv env;
    test::writePicture(env, "red.png", {50, 50}, Qt::red);
    const QString smil =
        test::writeSmil(env, "preView.smi", "", "<img src=\"red.png\" />\r\n", 50, 50);
    // As the preview step writes it: "file:///" + the path as it is.
    const QString rpm = env.write("preView.rpm", ("file:///" + smil + "\r\n").toUtf8());
    const QString png = env.file("ref.png");
    const test::PlayerRun run = test::runPlayer({"--frame", "0", png, rpm});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(QImage(png).pixel(25, 25), qRgb(255, 0, 0));
}

}  // namespace
}  // namespace brindle
