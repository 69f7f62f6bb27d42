#include "app/model/media_element.h"

#include "app/model/folders.h"
#include "app/model/project.h"
#include "platform/files.h"
#include "platform/messages.h"

namespace brindle {
namespace {

// The slide's file is replaced only once the new one is written whole.
bool copyOver(const QString& src, const QString& dst) {
    if (files::replaceFile(src, dst)) {
        return true;
    }
    MsgBox(str::ProjectUpdateFailed);
    return false;
}

}  // namespace

bool MediaElement::UpdateSound(const QString& newSound) {
    if (newSound.isEmpty()) {
        if (!Sound.isEmpty()) {
            files::deleteFile(Sound);
        }
        Sound.clear();
        return true;
    }
    if (!Sound.isEmpty()) {
        // A replacement keeps the caption's file name and sound type.
        return copyOver(newSound, Sound);
    }
    ++gSoundsUsed;
    const QString x = newSound.right(3);
    QString extension;
    if (x.compare(QLatin1String("wav"), Qt::CaseInsensitive) == 0) {
        SoundType = SoundWave;
        extension = QStringLiteral(".wav");
    } else if (x.compare(QLatin1String(".ra"), Qt::CaseInsensitive) == 0) {
        SoundType = SoundRealAudio;
        extension = x;  // ".RA" keeps its case
    } else {
        MsgBox(str::ProjectUpdateFailed);
        return false;
    }
    const QString name = gWorkFolder + "/sound" + QString::number(gSoundsUsed) + extension;
    if (!copyOver(newSound, name)) {
        return false;
    }
    Sound = name;
    return true;
}

bool MediaElement::UpdateThumbNail(const QString& src) {
    return copyOver(src, Thumbnail);
}

bool MediaElement::UpdateImage(const QString& src) {
    return copyOver(src, Filename);
}

bool MediaElement::UpdateTextInfoFilename(const QString& src) {
    return copyOver(src, InfoFilename);
}

bool MediaElement::UpdateTextFilename(const QString& src) {
    return copyOver(src, Filename);
}

}  // namespace brindle
