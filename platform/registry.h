// Key/value stores that stand in for the system registry: a per-user store
// and a machine-wide store, with the registry's key paths, value names and
// string semantics, kept as INI files in the XDG configuration folders.
#pragma once

#include <QString>

#include <cstdint>

namespace brindle {

using HKEY = std::uintptr_t;

// The predefined root keys, with the values the registry gives their handles.
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr HKEY HKEY_USERS = 0x80000003;
inline constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005;
inline constexpr HKEY HKEY_DYN_DATA = 0x80000006;

// Reads a value as text. Empty when the root is not a predefined key, the key
// or value does not exist, or the data does not fit the 255-byte buffer. A
// DWORD value comes back as its number with at least three digits ("005").
QString RegGetString(HKEY root, const QString& keyPath, const QString& valueName);

// Stores text as a string value, creating the key when needed. Silent on
// failure. An empty value name is the key's default value.
void RegSetString(HKEY root, const QString& keyPath, const QString& valueName,
                  const QString& value);

namespace registry {

// Stores a DWORD value (what installers and other programs may leave behind).
bool setDword(HKEY root, const QString& keyPath, const QString& valueName, std::uint32_t value);

// Deletes a value; true when it is gone afterwards.
bool deleteValue(HKEY root, const QString& keyPath, const QString& valueName);

// Folders that hold the two stores. By default the per-user store lives in
// $XDG_CONFIG_HOME/brindle and the machine-wide one in the first folder of
// $XDG_CONFIG_DIRS (/etc/xdg)/brindle. Tests point them at a temporary folder;
// an empty text restores the default.
void setStoreFolders(const QString& userFolder, const QString& machineFolder);
QString userStoreFile();
QString machineStoreFile();

}  // namespace registry
}  // namespace brindle
