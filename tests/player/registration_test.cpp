// --register: the desktop entry, the SMIL default and the registry value,
// read back with the desktop's own tools where they are installed.
#include "player/registration.h"

#include "platform/messages.h"
#include "platform/registry.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace brindle {
namespace {

QString readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

TEST(Registration, RegistersForSmilAndLeavesTheValueTheEditorLooksFor) {
    test::TempEnv env;
    qputenv("XDG_DATA_HOME", env.file("data").toUtf8());
    const QString exe = "/opt/brindle/bin/brindle-player";
    const RegistrationResult r = registerPlayer(exe, false);
    ASSERT_TRUE(r.ok) << r.failed.join('\n').toStdString();
    const QString desktop = env.file("data/applications/brindle-player.desktop");
    const QString entry = readAll(desktop);
    EXPECT_TRUE(entry.contains("Exec=" + exe + " %f\n"));
    EXPECT_TRUE(entry.contains("MimeType=application/smil;application/smil+xml;"));
    const QString mimeapps = readAll(env.file("config/mimeapps.list"));
    EXPECT_TRUE(
        mimeapps.contains("[Default Applications]\napplication/smil=brindle-player.desktop;"));

    const QString key = LoadResString(174);
    EXPECT_EQ(key, "Software\\RealNetworks\\RealPlayer\\CurrentVersion");
    EXPECT_TRUE(RegGetString(HKEY_CLASSES_ROOT, key, "").startsWith("6."));

    // The desktop's tools agree, where they are installed.
    if (const QString validate = QStandardPaths::findExecutable("desktop-file-validate");
        !validate.isEmpty()) {
        QProcess p;
        p.start(validate, {desktop});
        p.waitForFinished();
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString();
    }
    if (const QString xdgMime = QStandardPaths::findExecutable("xdg-mime"); !xdgMime.isEmpty()) {
        QProcess p;
        p.start(xdgMime, {"query", "default", "application/smil"});
        p.waitForFinished();
        EXPECT_EQ(p.readAllStandardOutput().trimmed(), "brindle-player.desktop");
    }

    // Again: nothing changes, and it says so.
    const RegistrationResult again = registerPlayer(exe, false);
    EXPECT_TRUE(again.ok);
    EXPECT_TRUE(again.done.filter("unchanged").size() >= 2) << again.done.join('\n').toStdString();
    EXPECT_EQ(readAll(env.file("config/mimeapps.list")), mimeapps);
    qunsetenv("XDG_DATA_HOME");
}

TEST(Registration, KeepsOtherDefaultsAndReplacesAnOldChoice) {
    const QString before =
        "[Default Applications]\ntext/html=firefox.desktop;\napplication/smil=other.desktop;\n"
        "\n[Added Associations]\nimage/png=viewer.desktop;\n";
    const QString after = withDefaults(before, {"application/smil"}, "brindle-player.desktop");
    EXPECT_EQ(after,
              "[Default Applications]\napplication/smil=brindle-player.desktop;\n"
              "text/html=firefox.desktop;\n\n[Added Associations]\n"
              "application/smil=brindle-player.desktop;\nimage/png=viewer.desktop;\n");
    EXPECT_EQ(withDefaults(after, {"application/smil"}, "brindle-player.desktop"), after);
    EXPECT_EQ(withDefaults("", {"application/smil"}, "p.desktop"),
              "[Default Applications]\napplication/smil=p.desktop;\n\n[Added Associations]\n"
              "application/smil=p.desktop;\n");
    EXPECT_TRUE(desktopEntry("/path with space/brindle-player")
                    .contains("Exec=\"/path with space/brindle-player\" %f"));
}

}  // namespace
}  // namespace brindle
