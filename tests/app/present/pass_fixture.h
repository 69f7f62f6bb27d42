// Shared by the presentation pass tests: a project of slides built in
// gProject over small media files, the preview and work folders in a
// temporary folder, an encoder stand-in with scripted answers and events,
// and an independent look at a written presentation.
#pragma once

#include "app/model/media_element.h"
#include "app/present/encoder_link.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace brindle::test {

// An encoder that records what it is told and answers from a script.
class FakeEncoder : public EncoderLink {
public:
    dispatch::DispResult put(int dispid, const QVariant& value) override;
    dispatch::DispResult call(int dispid, QVariantList args) override;

    // The answer to a method; a method without one answers an empty
    // success.
    std::map<int, std::function<dispatch::DispResult(const QVariantList&)>> answers;
    // Events fired, one per turn of the message loop, after a method.
    std::map<int, std::vector<std::pair<int, QVariantList>>> eventsAfter;

    int calls(int dispid) const;
    QVariant lastPut(int dispid) const;

private:
    std::vector<std::pair<int, QVariantList>> m_calls;
    std::vector<std::pair<int, QVariant>> m_puts;
};

// An encoder that passes everything to another one and lets a test watch
// and act on the events as they arrive.
class SpyEncoder : public EncoderLink {
public:
    explicit SpyEncoder(EncoderLink& real);
    dispatch::DispResult put(int dispid, const QVariant& value) override;
    dispatch::DispResult call(int dispid, QVariantList args) override;

    std::function<void(int dispid, const QVariantList& args)> onEvent;
    int calls(int dispid) const;

private:
    EncoderLink& m_real;
    std::vector<int> m_calls;
};

class PassTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Appends a slide to gProject; answers it.
    MediaElement& addSlide(std::int16_t mediaType, std::int32_t durationMs,
                           const QString& file = {}, const QString& sound = {},
                           std::int32_t audioDurationMs = 0);
    // Fixture files in the work folder, made once per name.
    QString textFile(int n);                            // a RealText document "text" + n + ".rt"
    QString picture(int n);                             // a 640 x 480 JPEG "image" + n + ".jpg"
    QString tone(const QString& name, double seconds);  // a wave file
    QString aviClip(int n, double seconds);             // "video" + n + ".avi", with sound
    QString rmClip(int n);  // "video" + n + ".rm", 2 s of RealVideo without sound

    QString preview(const QString& name) const { return previewFolder + "/" + name; }
    QString read(const QString& name) const;
    QStringList smilLines() const;  // preView.smi split at CR LF

    TempEnv env;
    MessageRecorder messages;
    QString previewFolder;
    QString workFolder;
};

// Parses preView.smi with an XML reader; every src it names must exist in
// the folder, every .rm must open in FFmpeg. Answers the names.
::testing::AssertionResult presentationIsComplete(const QString& folder,
                                                  QStringList* sources = nullptr);

}  // namespace brindle::test
