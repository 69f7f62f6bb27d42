// The media of the sample project, all made here: drawn pictures, a short
// clip and narrations (spoken by espeak-ng when it is installed, a soft tone
// otherwise), and the text slide's two files.
#pragma once

#include <QString>

namespace brindle::cli {

// Draws sample picture `which` (0..2) at 640 x 480 and saves it as a JPEG.
bool drawSamplePicture(int which, const QString& path);

// A 4 s 320 x 240 MPEG-4 AVI clip with a tone, made with the ffmpeg program.
bool makeSampleClip(const QString& path);

// A 16-bit mono wave file speaking text; its length in ms, 0 on failure.
int makeNarration(const QString& text, const QString& path);

// The text slide's plain-text and markup files (one centred line, yellow on
// blue, medium font) as the text slide editor writes them; the slide's
// duration in ms.
int writeTextSlide(const QString& text, const QString& txtPath, const QString& rtPath);

}  // namespace brindle::cli
