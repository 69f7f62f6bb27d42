// A running editor for one test: private folders and settings, the message
// recorder, an empty project and a shown main frame, with picture and clip
// files to add.
#pragma once

#include "app/editor/main_frame.h"
#include "tests/support/file_dialog_recorder.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <memory>

namespace brindle::test {

class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A picture of the given size and colour in the test's "media" folder;
    // the format follows the name's extension.
    QString picture(const QString& name, int width = 64, int height = 48,
                    Qt::GlobalColor color = Qt::darkCyan);
    // A short AVI clip in the media folder (made once, copied).
    QString clip(const QString& name = "clip.avi");
    // Adds files through the Files button with the dialog answering paths.
    void addWithFilesButton(const QStringList& paths);
    // The work-folder file names of the slides, in order.
    QStringList slideFiles() const;

    TempEnv env;
    MessageRecorder messages;
    FileDialogRecorder dialogs;
    std::unique_ptr<MainFrame> frame;
};

}  // namespace brindle::test
