// What the preview, publish and brindle-cli present tests share: a private
// environment whose folders hold a blank in their names, recording stand-ins
// for the presentation player and the web browser registered as the XDG
// defaults, and a project of every slide kind built from generated media.
#pragma once

#include "app/model/project_view.h"
#include "components/imaging/image_control.h"
#include "tests/support/temp_env.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace brindle::test {

// A program registered as the default for some MIME types that records the
// arguments of each start.
class StandIn {
public:
    StandIn(const QString& folder, const QString& name, const QStringList& mimeTypes);

    QString desktopFile() const { return m_name + ".desktop"; }
    const QStringList& mimeTypes() const { return m_types; }

    // The arguments of every start so far, in order.
    QList<QStringList> launches() const;
    // Waits (running the event loop) until at least n starts were recorded.
    QList<QStringList> waitForLaunches(int n, int timeoutMs = 20000) const;

private:
    QString m_name;
    QStringList m_types;
    QString m_record;
};

// A project view that only records the dimming.
class RecordingView : public ProjectView {
public:
    void setCaption(const QString&) override {}
    void resetStrip() override {}
    void showFromFirstSlide() override {}
    void refreshStrip() override {}
    void dimTheWindow(bool dim) override { dims << dim; }
    QWidget* dialogParent() override { return nullptr; }
    ImageControl& worker() override { return m_worker; }
    dispatch::ControlHost* clipEditControl() override { return nullptr; }

    QList<bool> dims;

private:
    ImageControl m_worker;
};

// The program's folders in a private place (the cache folder's name holds a
// blank, so the preview folder's path does), settings read from an empty
// store, the player and browser stand-ins registered, an empty project.
class PresentEnv {
public:
    PresentEnv();
    ~PresentEnv();
    PresentEnv(const PresentEnv&) = delete;
    PresentEnv& operator=(const PresentEnv&) = delete;

    TempEnv& env() { return m_env; }
    QString media(const QString& name) const { return m_env.file("media/" + name); }

    StandIn& player() { return *m_player; }
    StandIn& browser() { return *m_browser; }

    // Slides added to gProject from generated media; each answers whether
    // the slide was added.
    bool addPicture(int mediaType, const QString& caption, double narrationSeconds = 0);
    bool addText(const QString& caption, int durationMs);
    bool addVideo(const QString& caption, int frames);
    // A wave background track of the given length in the work folder.
    bool setBackTrack(double seconds);

private:
    QString picture(int n);
    QString tone(double seconds, int frequencyHz);

    TempEnv m_env;
    QByteArray m_oldDataHome, m_oldDataDirs;
    std::unique_ptr<StandIn> m_player;
    std::unique_ptr<StandIn> m_browser;
    int m_made = 0;
};

// Members and their uncompressed sizes of a zip archive, read with libzip;
// empty when it does not open.
struct ZipMember {
    QString name;
    qint64 size = 0;
};
QList<ZipMember> zipMembers(const QString& path);

}  // namespace brindle::test
