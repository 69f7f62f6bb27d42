#include "platform/files.h"
#include "platform/temporaries.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

namespace brindle {
namespace {

std::filesystem::path fsPath(const QString& path) {
    return std::filesystem::path(path.toStdString());
}

// Classic wildcard matching with backtracking on the last "*".
bool matchFrom(const QString& pattern, const QString& name) {
    qsizetype p = 0, n = 0, star = -1, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace

QString GetTempFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty()) {
        base = QDir::tempPath();
    }
    return base + "/brindle/";
}

bool KillFiles(const QString& pattern) {
    const QString folder = DirPart(pattern);
    const QString mask = FileNamePart(pattern);
    QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    if (!dir.exists()) {
        return false;
    }
    bool ok = true;
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (files::wildcardMatch(mask, entry.fileName()) && !QFile::remove(entry.filePath())) {
            ok = false;
        }
    }
    return ok;
}

bool IsNotPlainFile(const QString& path) {
    std::error_code ec;
    return path.isEmpty() || !std::filesystem::is_regular_file(fsPath(path), ec);
}

QString DirPart(const QString& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QString() : path.left(slash + 1);
}

QString FileNamePart(const QString& path) {
    return path.mid(DirPart(path).size());
}

QString QuoteArg(const QString& text) {
    qsizetype first = 0, last = text.size();
    while (first < last && text[first] == ' ') {
        ++first;
    }
    while (last > first && text[last - 1] == ' ') {
        --last;
    }
    return '"' + text.mid(first, last - first) + '"';
}

QString EscapeAngles(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == '<') {
            out += QStringLiteral("&lt;");
        } else if (c == '>') {
            out += QStringLiteral("&gt;");
        } else {
            out += c;
        }
    }
    return out;
}

namespace files {

bool copyFile(const QString& src, const QString& dst) {
    if (src.isEmpty() || dst.isEmpty()) {
        return false;
    }
    std::error_code ec;
    const auto from = fsPath(src);
    const auto to = fsPath(dst);
    if (std::filesystem::exists(to, ec) && std::filesystem::equivalent(from, to, ec)) {
        return true;
    }
    return std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing,
                                      ec) &&
           !ec;
}

bool replaceFile(const QString& src, const QString& dst) {
    if (src.isEmpty() || dst.isEmpty()) {
        return false;
    }
    std::error_code ec;
    const auto from = fsPath(src);
    const auto to = fsPath(dst);
    if (std::filesystem::exists(to, ec) && std::filesystem::equivalent(from, to, ec)) {
        return true;
    }
    auto part = to;
    part += ".part";
    temporaries::note(part.string());
    if (!std::filesystem::copy_file(from, part, std::filesystem::copy_options::overwrite_existing,
                                    ec) ||
        ec) {
        std::filesystem::remove(part, ec);
        return false;
    }
    std::filesystem::rename(part, to, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(part, ignored);
        return false;
    }
    return true;
}

bool deleteFile(const QString& path) {
    std::error_code ec;
    std::filesystem::remove(fsPath(path), ec);
    return !std::filesystem::exists(fsPath(path), ec);
}

bool createEmptyFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

bool makeFolder(const QString& path) {
    return QDir().mkpath(path);
}

bool wildcardMatch(const QString& pattern, const QString& name) {
    if (pattern == QLatin1String("*.*")) {
        return true;
    }
    return matchFrom(pattern, name);
}

QStringList nameFilters(const QString& windowsFilter) {
    const QStringList parts = windowsFilter.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = parts[i + 1].trimmed().replace(';', ' ');
        const QString text = parts[i].trimmed();
        filters << (text.endsWith("(" + patterns + ")") ? text : text + " (" + patterns + ")");
    }
    return filters;
}

}  // namespace files
}  // namespace brindle
