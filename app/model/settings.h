// The per-user settings: read once at start-up into globals, some written
// back at exit. They live in the per-user registry store under the settings
// key (string 163).
#pragma once

#include <QString>

#include <cstdint>

namespace brindle {

extern QString gSettingsKey;
extern QString gScanner;
extern QString gCapture;
extern double gSlideBalance;
extern QString gImportPath;
extern QString gProjectPath;
extern std::int32_t gTargetAudience;
extern std::int32_t gVideoQuality;
extern QString gPublishURL;
extern QString gHomeURL;
extern QString gCreateShareURL;
extern QString gResourcesURL;
extern std::int32_t gDefaultSlideDuration;

inline constexpr double kDefaultSlideBalance = 0.75;

// Reads every setting in the start-up order, with defaults and limits.
void readSettings();

// True when "WindowState" says "normal" (any case); anything else means
// the frame opens maximized.
bool windowStateIsNormal();

// Writes "WindowState" always, and "SlideBalance", "ImportPath" and
// "ProjectPath" only when they differ from what is stored.
void writeSettingsAtExit(bool frameIsNormal);

// A leading-number parse: blanks skipped, the number ends at the first
// character that cannot continue it, no number gives 0.
double leadingNumber(const QString& text);

// The nearest 32-bit integer (halves to even), limited to the type's range.
std::int32_t nearestInt(double value);

}  // namespace brindle
