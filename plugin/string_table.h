// The plug-in's string table: numbered status texts and the button label,
// compiled in from resources/strings/kestrum.strings.
#pragma once

namespace kestrum {

struct StringEntry {
    int id;
    const char* text;
};

extern const StringEntry kStringTable[];
extern const int kStringTableSize;

// The text of entry id, or null when the table has none.
inline const char* loadString(int id) {
    for (int i = 0; i < kStringTableSize; ++i) {
        if (kStringTable[i].id == id) {
            return kStringTable[i].text;
        }
    }
    return nullptr;
}

}  // namespace kestrum
