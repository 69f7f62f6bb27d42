#include "platform/xdg_apps.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QSet>
#include <QStandardPaths>
#include <QTextStream>

namespace brindle::xdg {
namespace {

QStringList envFolders(const char* name, const QString& fallback) {
    QString value = qEnvironmentVariable(name);
    if (value.isEmpty()) {
        value = fallback;
    }
    QStringList folders;
    for (const QString& f : value.split(':', Qt::SkipEmptyParts)) {
        folders << QDir::cleanPath(f);
    }
    return folders;
}

QString envFolder(const char* name, const QString& fallback) {
    const QString value = qEnvironmentVariable(name);
    return QDir::cleanPath(value.isEmpty() ? QDir::homePath() + fallback : value);
}

// Groups of an INI-like desktop file: group name → key → value, without the
// localized keys ("Name[de]"), comments and blank lines.
using Groups = QHash<QString, QHash<QString, QString>>;

Groups readGroups(const QString& path) {
    Groups groups;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return groups;
    }
    QString group;
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        if (line.startsWith('[') && line.endsWith(']')) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0 || group.isEmpty()) {
            continue;
        }
        const QString key = line.left(eq).trimmed();
        if (key.contains('[')) {
            continue;
        }
        groups[group].insert(key, line.mid(eq + 1).trimmed());
    }
    return groups;
}

// The escapes of a desktop-entry string value.
QString unescapeString(const QString& value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar c = value[++i];
        if (c == 's') {
            out += ' ';
        } else if (c == 'n') {
            out += '\n';
        } else if (c == 't') {
            out += '\t';
        } else if (c == 'r') {
            out += '\r';
        } else {
            out += c;
        }
    }
    return out;
}

QStringList idList(const QString& value) {
    QStringList ids;
    for (const QString& id : value.split(';', Qt::SkipEmptyParts)) {
        if (!id.trimmed().isEmpty()) {
            ids << id.trimmed();
        }
    }
    return ids;
}

// Exec words with their quoting undone. quotedCode tells for each word
// whether it was quoted (field codes inside quotes are not expanded).
bool splitWords(const QString& exec, QStringList* words, QList<bool>* quoted) {
    QString word;
    bool inWord = false, inQuotes = false, wasQuoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (inQuotes) {
            if (c == '"') {
                inQuotes = false;
            } else if (c == '\\' && i + 1 < exec.size() &&
                       QStringLiteral("\"`$\\").contains(exec[i + 1])) {
                word += exec[++i];
            } else {
                word += c;
            }
        } else if (c == '"') {
            inQuotes = inWord = wasQuoted = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord) {
                *words << word;
                *quoted << wasQuoted;
            }
            word.clear();
            inWord = wasQuoted = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inQuotes) {
        return false;
    }
    if (inWord) {
        *words << word;
        *quoted << wasQuoted;
    }
    return true;
}

bool isFileCode(const QString& word) {
    return word == "%f" || word == "%F" || word == "%u" || word == "%U";
}

// Expands the field codes inside one unquoted word; a word that is only a
// dropped code becomes empty and is left out by the caller.
QString expandCodes(const QString& word, const QString& name, const QString& desktopFile) {
    QString out;
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (word[i] != '%' || i + 1 == word.size()) {
            out += word[i];
            continue;
        }
        const QChar code = word[++i];
        if (code == '%') {
            out += '%';
        } else if (code == 'c') {
            out += name;
        } else if (code == 'k') {
            out += desktopFile;
        }
    }
    return out;
}

// The desktop entry of an id in one applications folder: "a-b.desktop" may
// also live in the subfolder "a" as "b.desktop".
QString entryPath(const QString& folder, const QString& id) {
    const QString direct = folder + '/' + id;
    if (QFileInfo(direct).isFile()) {
        return direct;
    }
    for (qsizetype dash = id.indexOf('-'); dash > 0; dash = id.indexOf('-', dash + 1)) {
        const QString nested = folder + '/' + id.left(dash) + '/' + id.mid(dash + 1);
        if (QFileInfo(nested).isFile()) {
            return nested;
        }
    }
    return {};
}

QString findEntry(const QString& id) {
    for (const QString& folder : applicationFolders()) {
        const QString path = entryPath(folder, id);
        if (!path.isEmpty()) {
            return path;
        }
    }
    return {};
}

// The command of a desktop entry; empty when it may not be used.
AppCommand entryCommand(const QString& path) {
    const Groups groups = readGroups(path);
    const auto entry = groups.value("Desktop Entry");
    if (entry.value("Hidden") == "true" || entry.value("Type", "Application") != "Application") {
        return {};
    }
    const QString tryExec = unescapeString(entry.value("TryExec"));
    if (!tryExec.isEmpty()) {
        const bool found = tryExec.startsWith('/')
                               ? QFileInfo(tryExec).isExecutable()
                               : !QStandardPaths::findExecutable(tryExec).isEmpty();
        if (!found) {
            return {};
        }
    }
    return parseExec(unescapeString(entry.value("Exec")), unescapeString(entry.value("Name")),
                     unescapeString(entry.value("Icon")), path);
}

QStringList mimeappsFiles() {
    QStringList names;
    for (const QString& desktop :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(':', Qt::SkipEmptyParts)) {
        names << desktop.toLower() + "-mimeapps.list";
    }
    names << "mimeapps.list";
    QStringList files;
    for (const QString& folder : configFolders()) {
        for (const QString& name : names) {
            const QString path = folder + '/' + name;
            if (QFileInfo(path).isFile()) {
                files << path;
            }
        }
    }
    return files;
}

QStringList typeAndAliases(const QString& mimeType) {
    QStringList types{mimeType};
    const QMimeType type = QMimeDatabase().mimeTypeForName(mimeType);
    if (type.isValid()) {
        if (!types.contains(type.name())) {
            types << type.name();
        }
        for (const QString& alias : type.aliases()) {
            if (!types.contains(alias)) {
                types << alias;
            }
        }
    }
    return types;
}

}  // namespace

QStringList AppCommand::arguments(const QString& target) const {
    return QStringList(before) << target << after;
}

AppCommand parseExec(const QString& exec, const QString& name, const QString& icon,
                     const QString& desktopFile) {
    QStringList words;
    QList<bool> quoted;
    AppCommand command;
    if (!splitWords(exec, &words, &quoted) || words.isEmpty()) {
        return command;
    }
    command.desktopFile = desktopFile;
    QStringList* side = &command.before;
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString& word = words[i];
        if (quoted[i]) {
            *side << expandCodes(word, name, desktopFile);
        } else if (isFileCode(word)) {
            if (!command.hasFileCode) {
                command.hasFileCode = true;
                side = &command.after;
            }
        } else if (word == "%i") {
            if (!icon.isEmpty()) {
                *side << "--icon" << icon;
            }
        } else {
            const QString expanded = expandCodes(word, name, desktopFile);
            if (!expanded.isEmpty()) {
                *side << expanded;
            }
        }
    }
    const QString program = words.first();
    const QString onPath =
        program.contains('/') ? QString() : QStandardPaths::findExecutable(program);
    command.program = onPath.isEmpty() ? program : onPath;
    return command;
}

QString mimeTypeOf(const QString& file) {
    return QMimeDatabase().mimeTypeForFile(file).name();
}

QStringList configFolders() {
    QStringList folders{envFolder("XDG_CONFIG_HOME", "/.config")};
    folders << envFolders("XDG_CONFIG_DIRS", "/etc/xdg");
    folders << envFolder("XDG_DATA_HOME", "/.local/share") + "/applications";
    for (const QString& f : envFolders("XDG_DATA_DIRS", "/usr/local/share:/usr/share")) {
        folders << f + "/applications";
    }
    return folders;
}

QStringList applicationFolders() {
    QStringList folders{envFolder("XDG_DATA_HOME", "/.local/share") + "/applications"};
    for (const QString& f : envFolders("XDG_DATA_DIRS", "/usr/local/share:/usr/share")) {
        folders << f + "/applications";
    }
    return folders;
}

QStringList applicationsFor(const QString& mimeType) {
    const QStringList types = typeAndAliases(mimeType);
    QStringList defaults, added;
    QSet<QString> removed;
    for (const QString& file : mimeappsFiles()) {
        const Groups groups = readGroups(file);
        for (const QString& type : types) {
            defaults << idList(groups.value("Default Applications").value(type));
            for (const QString& id : idList(groups.value("Added Associations").value(type))) {
                if (!removed.contains(id)) {
                    added << id;
                }
            }
            for (const QString& id : idList(groups.value("Removed Associations").value(type))) {
                removed.insert(id);
            }
        }
    }
    QStringList paths;
    auto take = [&paths](const QString& path) {
        if (!path.isEmpty() && !paths.contains(path) && !entryCommand(path).isEmpty()) {
            paths << path;
        }
    };
    for (const QString& id : defaults) {
        take(findEntry(id));
    }
    for (const QString& id : added) {
        take(findEntry(id));
    }
    // Every installed entry that lists the type, the first folder winning for
    // an id that several folders hold.
    QSet<QString> seenIds;
    for (const QString& folder : applicationFolders()) {
        QDirIterator it(folder, {"*.desktop"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString id = QDir(folder).relativeFilePath(path).replace('/', '-');
            if (seenIds.contains(id)) {
                continue;
            }
            seenIds.insert(id);
            if (removed.contains(id)) {
                continue;
            }
            const QStringList listed =
                idList(readGroups(path).value("Desktop Entry").value("MimeType"));
            for (const QString& type : types) {
                if (listed.contains(type)) {
                    take(path);
                    break;
                }
            }
        }
    }
    return paths;
}

AppCommand commandFor(const QString& file) {
    const QStringList apps = applicationsFor(mimeTypeOf(file));
    return apps.isEmpty() ? AppCommand{} : entryCommand(apps.first());
}

}  // namespace brindle::xdg
