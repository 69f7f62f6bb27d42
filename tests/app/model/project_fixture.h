// Shared by the project file tests: private folders, a project view that
// records what the project code asked of it (with a real clip edit control
// for the video check), and the project's state read out for comparison.
#pragma once

#include "app/model/progress.h"
#include "app/model/project_view.h"
#include "components/imaging/image_control.h"
#include "platform/dispatch/control_host.h"
#include "tests/support/avi_fixtures.h"
#include "tests/support/file_dialog_recorder.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QMap>
#include <QStringList>
#include <QWidget>

#include <memory>

namespace brindle::test {

class RecordingView : public ProjectView {
public:
    void setCaption(const QString& caption) override { captions << caption; }
    void resetStrip() override { ++resets; }
    void showFromFirstSlide() override { ++firstShown; }
    void refreshStrip() override { ++refreshes; }
    void dimTheWindow(bool) override {}
    QWidget* dialogParent() override { return &window; }
    ImageControl& worker() override { return image; }
    dispatch::ControlHost* clipEditControl() override;

    QStringList captions;
    int resets = 0;
    int firstShown = 0;
    int refreshes = 0;
    QWidget window;
    ImageControl image;
    std::unique_ptr<dispatch::ControlHost> klipvane;
};

// Progress as the model shows it: the display open now (if any) and the
// busy state.
class RecordingProgress : public ProgressSink {
public:
    struct Shown {
        QString text;
        int maximum = 0;
        int value = 0;
    };
    std::unique_ptr<ProgressDisplay> open() override;
    void setBusy(bool busy) override { busyDepth += busy ? 1 : -1; }
    // The open display; nullptr when none is open.
    const Shown* shown() const { return m_open ? &m_shown : nullptr; }

    int busyDepth = 0;

private:
    friend class RecordedDisplay;
    Shown m_shown;
    bool m_open = false;
};

// Everything a saved project must give back: the counters, the background
// track, every slide's fields but Encoded, and the work files' bytes.
struct ProjectState {
    QStringList globals;
    QList<QStringList> slides;
    QMap<QString, QByteArray> files;  // bare name -> bytes, the table excluded
};
ProjectState projectState();
void expectSameState(const ProjectState& expected, const ProjectState& actual);

QStringList workFiles();

class ProjectFileTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString work(const QString& name) const;
    QString src(const QString& name) const { return env.file("src/" + name); }

    // A project with a slide of every kind, sounds, captions with non-ASCII
    // characters and "&<>", a text slide's look and a background track.
    void buildProject();
    // The save dialog answers this path (std::nullopt or empty: cancel); the
    // titles of the dialogs asked are kept in dialogTitles.
    void answerSaveDialog(std::optional<QString> path);

    TempEnv env;
    MessageRecorder messages;
    FileDialogRecorder dialogs;
    RecordingView view;
    RecordingProgress progress;
    QList<QString> dialogTitles;
    QString clip;
};

}  // namespace brindle::test
