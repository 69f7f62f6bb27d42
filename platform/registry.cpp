// Registry stand-in over QSettings INI files.
//
// Each store holds one top-level group per root key ("HKEY_CURRENT_USER",
// "HKEY_CLASSES_ROOT", ...), and below it the key path with "/" for "\".
// Key paths and value names match without regard to case, as in the
// registry. A string value is kept as its text; a DWORD value as
// "dword:XXXXXXXX" (eight hex digits, as registry exports write them); a
// string that itself begins with "dword:" or "sz:" is kept behind "sz:".
// The key's default value (an empty value name) is kept under the name "@".
#include "platform/registry.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <optional>

namespace brindle {
namespace {

QString g_userFolder;
QString g_machineFolder;

constexpr int kValueBufferBytes = 255;

const char* rootName(HKEY root) {
    switch (root) {
        case HKEY_CLASSES_ROOT:
            return "HKEY_CLASSES_ROOT";
        case HKEY_CURRENT_USER:
            return "HKEY_CURRENT_USER";
        case HKEY_LOCAL_MACHINE:
            return "HKEY_LOCAL_MACHINE";
        case HKEY_USERS:
            return "HKEY_USERS";
        case HKEY_PERFORMANCE_DATA:
            return "HKEY_PERFORMANCE_DATA";
        case HKEY_CURRENT_CONFIG:
            return "HKEY_CURRENT_CONFIG";
        case HKEY_DYN_DATA:
            return "HKEY_DYN_DATA";
        default:
            return nullptr;
    }
}

QString defaultUserFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/brindle";
}

QString defaultMachineFolder() {
    const QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    const QString first = dirs.section(':', 0, 0);
    return (first.isEmpty() ? QStringLiteral("/etc/xdg") : first) + "/brindle";
}

struct Value {
    bool isDword = false;
    std::uint32_t dword = 0;
    QString text;
};

QString encode(const Value& v) {
    if (v.isDword) {
        return QStringLiteral("dword:%1").arg(v.dword, 8, 16, QChar('0'));
    }
    if (v.text.startsWith("dword:") || v.text.startsWith("sz:")) {
        return "sz:" + v.text;
    }
    return v.text;
}

Value decode(const QString& stored) {
    Value v;
    if (stored.startsWith("dword:")) {
        bool ok = false;
        const uint n = stored.mid(6).toUInt(&ok, 16);
        if (ok) {
            v.isDword = true;
            v.dword = n;
            return v;
        }
    }
    v.text = stored.startsWith("sz:") ? stored.mid(3) : stored;
    return v;
}

QStringList splitKeyPath(const QString& keyPath) {
    return keyPath.split('\\', Qt::SkipEmptyParts);
}

QString storedValueName(const QString& valueName) {
    return valueName.isEmpty() ? QStringLiteral("@") : valueName;
}

// One open store, positioned in a root's group.
class Store {
public:
    explicit Store(const QString& file) : m_settings(file, QSettings::IniFormat) {}

    // Walks into the key path, matching each segment without regard to case.
    // With create, missing segments are entered under their given spelling.
    bool enter(const char* root, const QStringList& segments, bool create) {
        m_settings.beginGroup(root);
        for (const QString& segment : segments) {
            const std::optional<QString> actual = find(m_settings.childGroups(), segment);
            if (!actual && !create) {
                return false;
            }
            m_settings.beginGroup(actual.value_or(segment));
        }
        return true;
    }

    std::optional<Value> read(const QString& valueName) {
        const std::optional<QString> key = find(m_settings.childKeys(), storedValueName(valueName));
        if (!key) {
            return std::nullopt;
        }
        return decode(m_settings.value(*key).toString());
    }

    bool write(const QString& valueName, const Value& value) {
        if (!m_settings.isWritable()) {
            return false;
        }
        const QString name = storedValueName(valueName);
        m_settings.setValue(find(m_settings.childKeys(), name).value_or(name), encode(value));
        m_settings.sync();
        return m_settings.status() == QSettings::NoError;
    }

    bool remove(const QString& valueName) {
        const std::optional<QString> key = find(m_settings.childKeys(), storedValueName(valueName));
        if (!key) {
            return true;
        }
        if (!m_settings.isWritable()) {
            return false;
        }
        m_settings.remove(*key);
        m_settings.sync();
        return m_settings.status() == QSettings::NoError;
    }

private:
    static std::optional<QString> find(const QStringList& names, const QString& wanted) {
        for (const QString& n : names) {
            if (n.compare(wanted, Qt::CaseInsensitive) == 0) {
                return n;
            }
        }
        return std::nullopt;
    }

    QSettings m_settings;
};

// The stores a root is read from, in order. The current user's store answers
// for HKEY_CURRENT_USER; the classes root merges the user's own classes over
// the machine's, so a program registered without root rights is still found.
QStringList readFiles(HKEY root) {
    if (root == HKEY_CURRENT_USER) {
        return {registry::userStoreFile()};
    }
    if (root == HKEY_CLASSES_ROOT) {
        return {registry::userStoreFile(), registry::machineStoreFile()};
    }
    return {registry::machineStoreFile()};
}

QStringList writeFiles(HKEY root) {
    if (root == HKEY_CURRENT_USER) {
        return {registry::userStoreFile()};
    }
    if (root == HKEY_CLASSES_ROOT) {
        return {registry::machineStoreFile(), registry::userStoreFile()};
    }
    return {registry::machineStoreFile()};
}

std::optional<Value> readValue(HKEY root, const QString& keyPath, const QString& valueName) {
    const char* name = rootName(root);
    if (!name) {
        return std::nullopt;
    }
    for (const QString& file : readFiles(root)) {
        if (!QFileInfo::exists(file)) {
            continue;
        }
        Store store(file);
        if (store.enter(name, splitKeyPath(keyPath), false)) {
            if (std::optional<Value> v = store.read(valueName)) {
                return v;
            }
        }
    }
    return std::nullopt;
}

bool writeValue(HKEY root, const QString& keyPath, const QString& valueName, const Value& value) {
    const char* name = rootName(root);
    if (!name) {
        return false;
    }
    for (const QString& file : writeFiles(root)) {
        if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
            continue;
        }
        Store store(file);
        store.enter(name, splitKeyPath(keyPath), true);
        if (store.write(valueName, value)) {
            return true;
        }
    }
    return false;
}

}  // namespace

QString RegGetString(HKEY root, const QString& keyPath, const QString& valueName) {
    const std::optional<Value> v = readValue(root, keyPath, valueName);
    if (!v) {
        return {};
    }
    if (v->isDword) {
        return QStringLiteral("%1").arg(v->dword, 3, 10, QChar('0'));
    }
    // The data is the text with its terminating NUL; what does not fit the
    // buffer is not read at all. The NUL is the one character dropped.
    if (v->text.toUtf8().size() + 1 > kValueBufferBytes) {
        return {};
    }
    return v->text;
}

void RegSetString(HKEY root, const QString& keyPath, const QString& valueName,
                  const QString& value) {
    Value v;
    v.text = value;
    writeValue(root, keyPath, valueName, v);
}

namespace registry {

bool setDword(HKEY root, const QString& keyPath, const QString& valueName, std::uint32_t value) {
    Value v;
    v.isDword = true;
    v.dword = value;
    return writeValue(root, keyPath, valueName, v);
}

bool deleteValue(HKEY root, const QString& keyPath, const QString& valueName) {
    const char* name = rootName(root);
    if (!name) {
        return false;
    }
    bool ok = true;
    for (const QString& file : readFiles(root)) {
        if (!QFileInfo::exists(file)) {
            continue;
        }
        Store store(file);
        if (store.enter(name, splitKeyPath(keyPath), false)) {
            ok = store.remove(valueName) && ok;
        }
    }
    return ok;
}

void setStoreFolders(const QString& userFolder, const QString& machineFolder) {
    g_userFolder = userFolder;
    g_machineFolder = machineFolder;
}

QString userStoreFile() {
    return (g_userFolder.isEmpty() ? defaultUserFolder() : g_userFolder) + "/registry.ini";
}

QString machineStoreFile() {
    return (g_machineFolder.isEmpty() ? defaultMachineFolder() : g_machineFolder) + "/registry.ini";
}

}  // namespace registry
}  // namespace brindle
