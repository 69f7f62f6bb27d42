// Presentations written by the tests, and brindle-player run on them.
#pragma once

#include "tests/support/temp_env.h"

#include <QImage>
#include <QString>
#include <QStringList>

namespace brindle::test {

// A SMIL file with the given region lines and body lines (inside one par).
QString writeSmil(const TempEnv& env, const QString& name, const QString& regions,
                  const QString& body, int width = 330, int height = 270);

// A picture of one colour.
QString writePicture(const TempEnv& env, const QString& name, QSize size, QColor color);

struct PlayerRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs build/bin/brindle-player with the arguments.
PlayerRun runPlayer(const QStringList& args, int timeoutMs = 120000);

// Renders one frame through --frame and reads it back; null on failure.
QImage frameAt(const TempEnv& env, const QString& smil, qint64 ms, const QStringList& extra = {});

// Number of pixels in the rectangle close to the colour (each channel
// within tolerance).
int countNear(const QImage& image, const QRect& rect, QColor color, int tolerance = 40);

}  // namespace brindle::test
