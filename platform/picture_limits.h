// How much memory one picture may take, for every program that decodes
// pictures: a header declaring an enormous size is refused before anything
// is allocated for it.
#pragma once

#include <QtGlobal>

namespace brindle {

// The most one decoded picture may take (32-bit pixels: 32 million of
// them, a 6500 x 5000 photograph). With the conversions made after
// decoding, a program stays well under 300 MB for any one picture.
inline constexpr int kPictureMemoryLimitMb = 128;
// Picture files larger than this are not read into memory at all.
inline constexpr qint64 kPictureFileLimitBytes = qint64(256) << 20;

// Sets the limit of Qt's image readers; called at the start of each program.
void setPictureMemoryLimit();

}  // namespace brindle
