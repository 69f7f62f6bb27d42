// The preview page beside the presentation: the page template and its two
// pictures from the program's folder, and the player references that point
// at the SMIL file.
#include "app/model/folders.h"
#include "app/present/preview.h"
#include "platform/files.h"

#include <QCoreApplication>
#include <QFile>

namespace brindle {

void WriteHTMLFile(const QString& smilPath) {
    // Any step that fails ends the page silently: the player is started on
    // the SMIL file all the same.
    const QString program = QCoreApplication::applicationDirPath();
    if (!files::copyFile(program + "/preview.htm", gPreviewFolder + "/preView.htm")) {
        return;
    }
    for (const char* picture : {"freeplayG2.gif", "plrbordr.jpg"}) {
        const QString name = "/" + QString::fromLatin1(picture);
        if (!files::copyFile(program + name, gPreviewFolder + name)) {
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
