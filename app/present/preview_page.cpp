// The preview page beside the presentation: the page template and its two
// pictures that ship with the program, and the player references that point
// at the SMIL file.
#include "app/model/folders.h"
#include "app/present/preview.h"
#include "platform/files.h"
#include "platform/resources.h"

#include <QFile>

namespace brindle {

void WriteHTMLFile(const QString& smilPath) {
    // Any step that fails ends the page silently: the player is started on
    // the SMIL file all the same.
    if (!files::copyFile(resourcePath("preview.htm"), gPreviewFolder + "/preView.htm")) {
        return;
    }
    for (const char* picture : {"freeplayG2.gif", "plrbordr.jpg"}) {
        const QString name = "/" + QString::fromLatin1(picture);
        if (!files::copyFile(resourcePath(name), gPreviewFolder + name)) {
            return;
        }
    }
    const QString rpm = gPreviewFolder + "/preView.rpm";
    files::deleteFile(rpm);
    QFile reference(rpm);
    if (!reference.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return;
    }
    const QByteArray line = "file:///" + smilPath.toUtf8() + "\r\n";
    const bool written = reference.write(line) == line.size();
    reference.close();
    if (!written || reference.error() != QFileDevice::NoError) {
        return;
    }
    files::copyFile(rpm, gPreviewFolder + "/preView.ram");
}

}  // namespace brindle
