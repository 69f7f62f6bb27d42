#include "platform/registry.h"

#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QFile>

namespace brindle {
namespace {

const QString kKey = QStringLiteral("Software\\Quenby\\Velmora");

TEST(Registry, StringsRoundTripPerStore) {
    test::TempEnv env;
    RegSetString(HKEY_CURRENT_USER, kKey, "ImportPath", "/home/u/Pictures");
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, kKey, "ImportPath"), "/home/u/Pictures");
    // Keys and value names match without regard to case.
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, "software\\QUENBY\\velmora", "importpath"),
              "/home/u/Pictures");
    // The machine store is a different store.
    EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, kKey, "ImportPath"), "");
    EXPECT_TRUE(QFile::exists(registry::userStoreFile()));
    EXPECT_FALSE(QFile::exists(registry::machineStoreFile()));
}

TEST(Registry, OverwriteKeepsOneValueUnderItsFirstSpelling) {
    test::TempEnv env;
    RegSetString(HKEY_CURRENT_USER, kKey, "WindowState", "Normal");
    RegSetString(HKEY_CURRENT_USER, kKey, "WINDOWSTATE", "Maximized");
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, kKey, "WindowState"), "Maximized");
    QFile f(registry::userStoreFile());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray ini = f.readAll();
    EXPECT_TRUE(ini.contains("WindowState=Maximized"));
    EXPECT_FALSE(ini.contains("WINDOWSTATE"));
}

TEST(Registry, OnlyPredefinedRootsAnswer) {
    test::TempEnv env;
    RegSetString(0x12345, kKey, "X", "y");
    EXPECT_EQ(RegGetString(0x12345, kKey, "X"), "");
    EXPECT_EQ(RegGetString(HKEY_DYN_DATA + 1, kKey, "X"), "");
    RegSetString(HKEY_DYN_DATA, kKey, "X", "y");
    EXPECT_EQ(RegGetString(HKEY_DYN_DATA, kKey, "X"), "y");
}

TEST(Registry, MissingKeysAndValuesGiveEmptyText) {
    test::TempEnv env;
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, kKey, "Scanner"), "");
    RegSetString(HKEY_CURRENT_USER, kKey, "Other", "v");
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, kKey, "Scanner"), "");
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, "Software\\Nobody", "Other"), "");
}

TEST(Registry, DwordValuesReadAsAtLeastThreeDigits) {
    test::TempEnv env;
    ASSERT_TRUE(registry::setDword(HKEY_CURRENT_USER, kKey, "TargetAudience", 5));
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, kKey, "TargetAudience"), "005");
    ASSERT_TRUE(registry::setDword(HKEY_CURRENT_USER, kKey, "Big", 123456));
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, kKey, "Big"), "123456");
    ASSERT_TRUE(registry::setDword(HKEY_CURRENT_USER, kKey, "Zero", 0));
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, kKey, "Zero"), "000");
}

TEST(Registry, StringsThatLookTypedStayStrings) {
    test::TempEnv env;
    for (const QString& text : {QStringLiteral("dword:00000005"), QStringLiteral("sz:x"),
                                QStringLiteral("@at"), QStringLiteral(" padded "),
                                QStringLiteral("a=b;c"), QStringLiteral("Grüße \"quoted\"")}) {
        RegSetString(HKEY_CURRENT_USER, kKey, "V", text);
        EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, kKey, "V"), text);
    }
}

TEST(Registry, ValuesBeyondTheBufferAreNotRead) {
    test::TempEnv env;
    // 254 bytes and the terminating NUL fill the 255-byte buffer exactly.
    const QString fits(254, 'a');
    RegSetString(HKEY_CURRENT_USER, kKey, "Fits", fits);
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, kKey, "Fits"), fits);
    RegSetString(HKEY_CURRENT_USER, kKey, "TooLong", QString(255, 'a'));
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, kKey, "TooLong"), "");
    // The limit counts bytes, not characters.
    RegSetString(HKEY_CURRENT_USER, kKey, "Wide", QString(128, QChar(0xE9)));
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, kKey, "Wide"), "");
}

TEST(Registry, DefaultValueOfAKey) {
    test::TempEnv env;
    const QString player = QStringLiteral("Software\\RealNetworks\\RealPlayer\\CurrentVersion");
    RegSetString(HKEY_CLASSES_ROOT, player, "", "6.0.7.380");
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, player, ""), "6.0.7.380");
    EXPECT_TRUE(QFile::exists(registry::machineStoreFile()));
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, player, "Other"), "");
}

TEST(Registry, ClassesRootMergesTheUsersClassesOverTheMachines) {
    test::TempEnv env;
    RegSetString(HKEY_CLASSES_ROOT, "Software\\Thing", "", "machine");
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, "Software\\Thing", ""), "machine");
    RegSetString(HKEY_CLASSES_ROOT, "Software\\Other", "", "machine");

    // Without rights on the machine store, registration goes to the user's
    // classes, which are read first.
    registry::setStoreFolders(env.file("config/brindle"), "/proc/brindle-cannot-write");
    RegSetString(HKEY_CLASSES_ROOT, "Software\\Thing", "", "user");
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, "Software\\Thing", ""), "user");
    registry::setStoreFolders(env.file("config/brindle"), env.file("etc/brindle"));
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, "Software\\Thing", ""), "user");
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, "Software\\Other", ""), "machine");
    // The user's classes are not the user's own key.
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, "Software\\Thing", ""), "");
}

TEST(Registry, FailedWritesAreSilent) {
    test::TempEnv env;
    registry::setStoreFolders("/proc/brindle-cannot-write", env.file("etc"));
    RegSetString(HKEY_CURRENT_USER, kKey, "X", "y");  // must not throw or crash
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, kKey, "X"), "");
    EXPECT_FALSE(registry::setDword(HKEY_CURRENT_USER, kKey, "X", 1));
}

TEST(Registry, DeleteValue) {
    test::TempEnv env;
    RegSetString(HKEY_CURRENT_USER, kKey, "X", "y");
    EXPECT_TRUE(registry::deleteValue(HKEY_CURRENT_USER, kKey, "x"));
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, kKey, "X"), "");
    EXPECT_TRUE(registry::deleteValue(HKEY_CURRENT_USER, kKey, "X"));
}

}  // namespace
}  // namespace brindle
