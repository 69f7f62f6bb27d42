// Writing the table of contents, and with it the zip component's file list.
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/model/project_zip.h"
#include "app/model/toc_format.h"
#include "platform/files.h"

#include <QFile>

namespace brindle {

QString tocRelativeName(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    if (!gWorkFolder.isEmpty() && path.startsWith(gWorkFolder + "/")) {
        return path.mid(gWorkFolder.size() + 1);
    }
    // A path from elsewhere: the first "\work" or "/work", then one
    // character, as the other platform writes it.
    for (qsizetype at = path.indexOf(QLatin1String("work"), 1, Qt::CaseInsensitive); at > 0;
         at = path.indexOf(QLatin1String("work"), at + 1, Qt::CaseInsensitive)) {
        if (path[at - 1] == '/' || path[at - 1] == '\\') {
            return path.mid(at + 5);
        }
    }
    return FileNamePart(path);
}

QString tocOneLine(const QString& text) {
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String(" "));
    out.replace('\r', ' ');
    out.replace('\n', ' ');
    out.replace(QChar(0x2028), ' ');
    out.replace(QChar(0x2029), ' ');
    return out;
}

bool riteTOC(const QString& tocPath) {
    ProjectZip& zip = projectZip();
    zip.put(zipids::DispFileList, QString());
    zip.call(zipids::DispAddFile, {tocPath});

    QByteArray text;
    auto line = [&](const char* key, const QString& value) {
        text += key;
        text += tocOneLine(value).toUtf8();
        text += "\r\n";
    };
    auto number = [&](const char* key, std::int32_t value) { line(key, QString::number(value)); };
    auto file = [&](const char* key, const QString& path) {
        line(key, tocRelativeName(path));
        if (!path.isEmpty()) {
            zip.call(zipids::DispAddFile, {path});
        }
    };

    number("gVideosUsed:=", gVideosUsed);
    number("gSnapshotsUsed:=", gSnapshotsUsed);
    number("gImagesUsed:=", gImagesUsed);
    number("gTextUsed:=", gTextUsed);
    number("gSoundsUsed:=", gSoundsUsed);
    file("BackTrack:=", gBackTrack);
    std::int32_t index = 0;
    for (const Project::Element& r : gProject) {
        number("Index:=", ++index);
        number("MediaType:=", r->mediaType);
        file("Filename:=", r->Filename);
        file("InfoFilename:=", r->InfoFilename);
        file("Sound:=", r->Sound);
        line("Caption:=", r->Caption);
        number("Duration:=", r->Duration);
        number("AudioDuration:=", r->AudioDuration);
        file("Thumbnail:=", r->Thumbnail);
        line("Fontname:=", r->FontName);
        number("Alignment:=", r->Alignment);
        number("Pointsize:=", r->PointSize);
        number("Forecolor:=", r->ForeColor);
        number("Backcolor:=", r->BackColor);
        number("SoundType:=", r->SoundType);
        number("VideoType:=", r->VideoType);
    }

    QFile out(tocPath);
    const bool written =
        out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(text) == text.size();
    out.close();
    return written && out.error() == QFileDevice::NoError;
}

}  // namespace brindle
