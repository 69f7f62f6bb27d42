#include "player/registration.h"

#include "platform/messages.h"
#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace brindle {
namespace {

const QString kDesktopFile = QStringLiteral("brindle-player.desktop");
const QStringList kTypes = {QStringLiteral("application/smil"),
                            QStringLiteral("application/smil+xml")};

QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Writes only when the content differs; true when the file holds the text.
bool writeText(const QString& path, const QString& text, bool* changed) {
    *changed = false;
    if (QFile::exists(path) && readText(path) == text) {
        return true;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    *changed = true;
    return f.write(text.toUtf8()) >= 0 && f.flush();
}

QString quoteExec(const QString& path) {
    QString p = path;
    if (p.contains(' ') || p.contains('"') || p.contains('\\')) {
        p.replace('\\', "\\\\").replace('"', "\\\"");
        return '"' + p + '"';
    }
    return p;
}

}  // namespace

QString desktopEntry(const QString& executable) {
    return QStringLiteral(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Brindle Player\n"
               "GenericName=Presentation Player\n"
               "Comment=Plays and exports Brindle slide show presentations\n"
               "Exec=%1 %f\n"
               "Icon=video-x-generic\n"
               "Terminal=false\n"
               "Categories=AudioVideo;Player;\n"
               "MimeType=%2;\n")
        .arg(quoteExec(executable), kTypes.join(';'));
}

QString withDefaults(const QString& mimeapps, const QStringList& types,
                     const QString& desktopFile) {
    // Lines of the file by section; our types' lines are dropped from the
    // sections we write and added again at their heads.
    QStringList lines = mimeapps.split('\n');
    while (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    auto isOurs = [&](const QString& line) {
        const QString key = line.section('=', 0, 0).trimmed();
        return types.contains(key);
    };
    for (const QString section : {"[Default Applications]", "[Added Associations]"}) {
        QStringList entries;
        for (const QString& t : types) {
            entries << t + "=" + desktopFile + ";";
        }
        qsizetype head = -1;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (lines[i].trimmed() == section) {
                head = i;
                break;
            }
        }
        if (head < 0) {
            if (!lines.isEmpty()) {
                lines << QString();
            }
            lines << section;
            lines << entries;
            continue;
        }
        qsizetype i = head + 1;
        while (i < lines.size() && !lines[i].trimmed().startsWith('[')) {
            if (isOurs(lines[i])) {
                lines.removeAt(i);
            } else {
                ++i;
            }
        }
        for (qsizetype k = 0; k < entries.size(); ++k) {
            lines.insert(head + 1 + k, entries[k]);
        }
    }
    return lines.join('\n') + '\n';
}

RegistrationResult registerPlayer(const QString& executable, bool machineWide) {
    RegistrationResult r;
    const QString entry = desktopEntry(executable);
    QStringList appFolders{QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           "/applications"};
    QStringList mimeLists{QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                          "/mimeapps.list"};
    if (machineWide) {
        appFolders << QStringLiteral("/usr/local/share/applications");
        mimeLists << QStringLiteral("/usr/local/share/applications/mimeapps.list");
    }
    for (const QString& folder : appFolders) {
        const QString path = folder + "/" + kDesktopFile;
        bool changed = false;
        if (writeText(path, entry, &changed)) {
            r.done << (changed ? "wrote " : "unchanged ") + path;
        } else {
            r.failed << "cannot write " + path;
        }
        const QString tool = QStandardPaths::findExecutable("update-desktop-database");
        if (changed && !tool.isEmpty()) {
            QProcess::execute(tool, {"-q", folder});
            r.done << "refreshed the desktop database in " + folder;
        }
    }
    for (const QString& path : mimeLists) {
        bool changed = false;
        if (writeText(path, withDefaults(readText(path), kTypes, kDesktopFile), &changed)) {
            r.done << (changed ? "set " : "already set ") + kTypes.join(", ") + " -> " +
                          kDesktopFile + " in " + path;
        } else {
            r.failed << "cannot write " + path;
        }
    }
    // The value the editor's start-up check reads to find the player.
    const QString key = LoadResString(str::PlayerKey);
    const QString before = RegGetString(HKEY_CLASSES_ROOT, key, "");
    RegSetString(HKEY_CLASSES_ROOT, key, "", kRegisteredPlayerVersion);
    if (RegGetString(HKEY_CLASSES_ROOT, key, "") == kRegisteredPlayerVersion) {
        r.done << QStringLiteral("%1 HKEY_CLASSES_ROOT\\%2 = %3")
                      .arg(before == kRegisteredPlayerVersion ? "unchanged" : "set", key,
                           kRegisteredPlayerVersion);
    } else {
        r.failed << "cannot set HKEY_CLASSES_ROOT\\" + key;
    }
    r.ok = r.failed.isEmpty();
    return r;
}

}  // namespace brindle
