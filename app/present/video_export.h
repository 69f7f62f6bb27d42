// Exporting the project as a video file: the presentation pass into the
// preview folder, then the player's exporter rendering that presentation
// into an MP4 file. The render runs as a child brindle-player --export, so
// the exporter has one home (the player) and the window stays responsive
// while it draws; its progress is read from the child's output.
#pragma once

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

namespace brindle {

enum class ExportOutcome { Done, Cancelled, Failed };

struct VideoExportRequest {
    QString outPath;
    QSize size;           // empty: the presentation's own
    bool silent = false;  // no progress window (the command line)
};

// The sizes offered, the presentation's own first. Other sizes keep the
// presentation's aspect: it is fitted in the middle of the frame.
QList<QSize> exportSizes();

// The whole export of every slide. The file is written beside outPath under
// a hidden name and renamed over outPath once complete, so a cancelled or
// failed export leaves no partial video and an older file at outPath
// untouched. Failures are shown through MsgBox. CancelRequested (the
// progress window's Cancel) stops either stage.
ExportOutcome exportVideo(const VideoExportRequest& request);

// The latest percentage in a piece of the exporter's progress output
// ("Exporting:  42%  ..."); -1 when there is none.
int exportPercentIn(const QByteArray& output);

// The player program that renders: beside this program, else on PATH.
QString exportPlayerProgram();

}  // namespace brindle
