#include "app/model/settings.h"

#include "app/model/folders.h"
#include "platform/registry.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QFile>

namespace brindle {
namespace {

const QString kKey = QStringLiteral("Software\\Quenby\\Velmora");

void store(const char* name, const QString& value) {
    RegSetString(HKEY_CURRENT_USER, kKey, name, value);
}

QString stored(const char* name) {
    return RegGetString(HKEY_CURRENT_USER, kKey, name);
}

TEST(LeadingNumber, StopsAtTheFirstCharacterThatCannotContinue) {
    EXPECT_EQ(leadingNumber("0.5"), 0.5);
    EXPECT_EQ(leadingNumber("  12abc"), 12);
    EXPECT_EQ(leadingNumber("-3.25x"), -3.25);
    EXPECT_EQ(leadingNumber(".5"), 0.5);
    EXPECT_EQ(leadingNumber("1e2"), 100);
    EXPECT_EQ(leadingNumber("1e"), 1);
    EXPECT_EQ(leadingNumber("1.2.3"), 1.2);
    EXPECT_EQ(leadingNumber("abc"), 0);
    EXPECT_EQ(leadingNumber(""), 0);
    EXPECT_EQ(leadingNumber("-"), 0);
    EXPECT_EQ(leadingNumber("005"), 5);
    EXPECT_EQ(leadingNumber("1e999"), 0);  // no infinity reaches the program
}

TEST(NearestInt, RoundsHalvesToEvenAndClamps) {
    EXPECT_EQ(nearestInt(2.5), 2);
    EXPECT_EQ(nearestInt(3.5), 4);
    EXPECT_EQ(nearestInt(-1.6), -2);
    EXPECT_EQ(nearestInt(1e12), 2147483647);
    EXPECT_EQ(nearestInt(-1e12), -2147483647 - 1);
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { gSettingsKey = kKey; }
    test::TempEnv env;
};

TEST_F(SettingsTest, DefaultsWhenNothingIsStored) {
    readSettings();
    EXPECT_EQ(gScanner, "");
    EXPECT_EQ(gCapture, "");
    EXPECT_EQ(gSlideBalance, 0.75);
    EXPECT_EQ(gImportPath, hostFolder("C:\\My Documents"));
    EXPECT_EQ(gProjectPath, hostFolder("C:\\My Documents"));
    EXPECT_EQ(gTargetAudience, 3);
    EXPECT_EQ(gVideoQuality, 0);
    EXPECT_EQ(gDefaultSlideDuration, 10000);
    EXPECT_EQ(gPublishURL, "");
    EXPECT_EQ(gHomeURL, "");
    EXPECT_FALSE(windowStateIsNormal());
}

TEST_F(SettingsTest, SlideBalanceIsLimited) {
    const std::pair<const char*, double> cases[] = {
        {"1", 0.99}, {"0", 0.01}, {"abc", 0.01}, {"", 0.75}, {"0.5", 0.5}, {" 0.3xyz", 0.3},
    };
    for (const auto& [text, expected] : cases) {
        store("SlideBalance", text);
        readSettings();
        EXPECT_DOUBLE_EQ(gSlideBalance, expected) << text;
    }
}

TEST_F(SettingsTest, ValuesAreReadAndParsed) {
    store("Scanner", "test:0");
    store("Capture", "1");
    store("ImportPath", "/data/pictures");
    store("VideoQuality", "2.5");
    store("PublishURL", "http://publish.example/");
    store("HomeURL", "http://home.example/");
    store("CreateShareURL", "http://share.example/");
    store("ResourcesURL", "http://res.example/");
    ASSERT_TRUE(registry::setDword(HKEY_CURRENT_USER, kKey, "TargetAudience", 5));
    readSettings();
    EXPECT_EQ(gScanner, "test:0");
    EXPECT_EQ(gCapture, "1");
    EXPECT_EQ(gImportPath, "/data/pictures");
    EXPECT_EQ(gTargetAudience, 5);  // a DWORD 5 reads as "005"
    EXPECT_EQ(gVideoQuality, 2);    // nearest integer, halves to even
    EXPECT_EQ(gPublishURL, "http://publish.example/");
    EXPECT_EQ(gHomeURL, "http://home.example/");
    EXPECT_EQ(gCreateShareURL, "http://share.example/");
    EXPECT_EQ(gResourcesURL, "http://res.example/");
}

TEST_F(SettingsTest, WindowStateNormalInAnyCase) {
    for (const auto& [text, normal] : {std::pair{"NORMAL", true},
                                       {"normal", true},
                                       {"Minimized", false},
                                       {"", false},
                                       {"Maximized", false}}) {
        store("WindowState", text);
        EXPECT_EQ(windowStateIsNormal(), normal) << text;
    }
}

TEST_F(SettingsTest, ExitWritesOnlyWhatChanged) {
    readSettings();
    writeSettingsAtExit(true);
    EXPECT_EQ(stored("WindowState"), "Normal");
    EXPECT_EQ(stored("SlideBalance"), "");
    EXPECT_EQ(stored("ImportPath"), "");
    EXPECT_EQ(stored("ProjectPath"), "");

    gSlideBalance = 0.5;
    gProjectPath = "/data/projects";
    writeSettingsAtExit(false);
    EXPECT_EQ(stored("WindowState"), "Maximized");
    EXPECT_EQ(stored("SlideBalance"), "0.5");
    EXPECT_EQ(stored("ImportPath"), "");
    EXPECT_EQ(stored("ProjectPath"), "/data/projects");

    readSettings();
    EXPECT_EQ(gSlideBalance, 0.5);
    EXPECT_EQ(gProjectPath, "/data/projects");
}

TEST_F(SettingsTest, ClampedBalanceIsWrittenBackAsUsed) {
    store("SlideBalance", "1");
    readSettings();
    writeSettingsAtExit(true);
    EXPECT_EQ(stored("SlideBalance"), "0.99");
}

}  // namespace
}  // namespace brindle
