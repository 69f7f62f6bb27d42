#include "app/model/settings.h"

#include "app/model/folders.h"
#include "platform/messages.h"
#include "platform/registry.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

namespace brindle {

QString gSettingsKey;
QString gScanner;
QString gCapture;
double gSlideBalance = kDefaultSlideBalance;
QString gImportPath;
QString gProjectPath;
std::int32_t gTargetAudience = 3;
std::int32_t gVideoQuality = 0;
QString gPublishURL;
QString gHomeURL;
QString gCreateShareURL;
QString gResourcesURL;
std::int32_t gDefaultSlideDuration = 10000;

namespace {

constexpr double kMinSlideBalance = 0.01;
constexpr double kMaxSlideBalance = 0.99;

QString read(const char* name) {
    return RegGetString(HKEY_CURRENT_USER, gSettingsKey, QString::fromLatin1(name));
}

void write(const char* name, const QString& value) {
    RegSetString(HKEY_CURRENT_USER, gSettingsKey, QString::fromLatin1(name), value);
}

double storedSlideBalance() {
    const QString text = read("SlideBalance");
    return text.isEmpty() ? kDefaultSlideBalance : leadingNumber(text);
}

QString storedFolder(const char* name) {
    const QString text = read(name);
    return hostFolder(text.isEmpty() ? LoadResString(str::DocumentsFolder) : text);
}

void ensureKey() {
    if (gSettingsKey.isEmpty()) {
        gSettingsKey = LoadResString(str::SettingsKey);
    }
}

}  // namespace

void readSettings() {
    ensureKey();
    gScanner = read("Scanner");
    gCapture = read("Capture");

    gSlideBalance = std::clamp(storedSlideBalance(), kMinSlideBalance, kMaxSlideBalance);

    gImportPath = storedFolder("ImportPath");
    gProjectPath = storedFolder("ProjectPath");

    const QString audience = read("TargetAudience");
    gTargetAudience = audience.isEmpty() ? 3 : nearestInt(leadingNumber(audience));

    gDefaultSlideDuration = 10000;
    gVideoQuality = nearestInt(leadingNumber(read("VideoQuality")));
    gPublishURL = read("PublishURL");
    gHomeURL = read("HomeURL");
    gCreateShareURL = read("CreateShareURL");
    gResourcesURL = read("ResourcesURL");
}

bool windowStateIsNormal() {
    ensureKey();
    return read("WindowState").compare(QLatin1String("normal"), Qt::CaseInsensitive) == 0;
}

void writeSettingsAtExit(bool frameIsNormal) {
    ensureKey();
    write("WindowState", frameIsNormal ? QStringLiteral("Normal") : QStringLiteral("Maximized"));
    if (storedSlideBalance() != gSlideBalance) {
        write("SlideBalance", QString::number(gSlideBalance, 'g', 15));
    }
    if (storedFolder("ImportPath") != gImportPath) {
        write("ImportPath", gImportPath);
    }
    if (storedFolder("ProjectPath") != gProjectPath) {
        write("ProjectPath", gProjectPath);
    }
}

}  // namespace brindle
