// Every menu item and every button of the editor, each used once the way a
// user uses it, and what each one did: a dialog that opened, a message, a
// file chooser, a browser started, the project changed, the window closed.
// An item or button this walk does not know fails it, so none can be
// shown and do nothing.
#include "app/capture/capture_select.h"
#include "app/capture/scan_state.h"
#include "app/editor/editor_commands.h"
#include "app/editor/editor_window.h"
#include "app/editor/slide_strip.h"
#include "app/editor/strip_state.h"
#include "app/model/project.h"
#include "app/model/settings.h"
#include "platform/files.h"
#include "tests/app/editor/editor_fixture.h"
#include "tests/support/browser_stand_in.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QMenu>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <map>
#include <set>

namespace brindle::test {
namespace {

class EveryCommandTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        browser = std::make_unique<BrowserStandIn>(env.file("desktop"));
        gScannerPresent = false;
        gCaptureDriverCount = 0;
        gResourcesURL = "http://example.invalid/resources";
        gHomeURL = "http://example.invalid/home";
        recordChoosers();
        // Any dialog that opens is noted and closed (a dialog shown before
        // its exec is not the active modal widget, so every shown one).
        watcher.setInterval(10);
        QObject::connect(&watcher, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QDialog*>(w);
                if (dialog != nullptr && dialog->isVisible()) {
                    seen << QStringLiteral("dialog:") + dialog->metaObject()->className();
                    dialog->reject();
                    return;
                }
            }
        });
        watcher.start();
    }
    void TearDown() override {
        watcher.stop();
        EditorFixture::TearDown();
        browser.reset();
    }

    // Every file dialog says which it was, then cancels.
    void recordChoosers() {
        dialogs.answer([this](const FileDialogRequest& r) {
            if (r.kind == FileDialogKind::Save) {
                seen << (r.title == LoadResString(str::SaveFileAsTitle) ? "chooser:slide"
                                                                        : "chooser:save");
            } else {
                seen << (r.title == LoadResString(str::OpenProjectTitle) ? "chooser:project"
                                                                         : "chooser:media");
            }
            return QStringList();
        });
    }

    // Runs one command and answers everything it was seen to do.
    // A browser starts on its own time: waitForBrowser waits for it.
    QStringList use(const std::function<void()>& command, bool waitForBrowser = false) {
        seen.clear();
        messages.clear();
        const int browsersBefore = static_cast<int>(browser->starts().size());
        const int slidesBefore = gProject.count();
        command();
        QApplication::processEvents();
        for (int n : messages.numbers()) {
            seen << "message:" + QString::number(n);
        }
        const QStringList opened =
            browser->opened(waitForBrowser ? browsersBefore + 1 : 0, waitForBrowser ? 10000 : 0);
        for (int i = browsersBefore; i < opened.size(); ++i) {
            seen << "browser:" + opened[i];
        }
        if (gProject.count() != slidesBefore) {
            seen << "slides:" + QString::number(gProject.count() - slidesBefore);
        }
        if (!frame->isVisible()) {
            seen << "closed";
        }
        return seen;
    }

    void selectFirst() {
        gSelectedSlide = 1;
        gSelectedCell = 0;
        gFirstVisible = 1;
        frame->refreshStrip();
    }

    QTimer watcher;
    QStringList seen;
    std::unique_ptr<BrowserStandIn> browser;
};

// What each item must do. Where the sound server may be missing, the audio
// dialog gives way to message 136.
const std::map<QString, QStringList> kEmptyProject = {
    {"mnuPlayPreview", {"message:83"}}, {"mnuPublish", {"message:117"}},
    {"mnuExportVideo", {"message:83"}}, {"PlayPreview", {"message:83"}},
    {"Publish", {"message:117"}},
};

const std::map<QString, QStringList> kWithSlides = {
    {"mnuNew", {"message:74"}},
    {"mnuOpen", {"message:74"}},
    {"mnuSave", {"chooser:save"}},
    {"mnuSaveAs", {"chooser:save"}},
    {"mnuEdit", {"dialog:brindle::ScanResult"}},
    {"mnuAudio", {"dialog:brindle::recordAudio", "message:136"}},
    {"mnuText", {"dialog:brindle::textCaption"}},
    {"mnuContextSaveAs", {"chooser:slide"}},
    {"mnuRemove", {"slides:-1"}},
    {"mnuBackTrack", {"dialog:brindle::recordAudio", "message:136"}},
    {"Scanner", {"message:70"}},
    {"SelectCapDev", {"dialog:brindle::NoCamera"}},
    {"mnuYourHelp", {"browser:HELP"}},
    {"mnuOnlineResources", {"browser:http://example.invalid/resources"}},
    {"mnuAbout", {"dialog:brindle::AboutBox"}},
    {"Text", {"dialog:brindle::realText"}},
    {"Files", {"chooser:media"}},
    {"Scan", {"message:70"}},
    {"Snap", {"dialog:brindle::NoCamera"}},
    {"Video", {"dialog:brindle::NoCamera"}},
    {"Identity", {"browser:http://example.invalid/home"}},
    {"ElemText", {"dialog:brindle::textCaption"}},
    {"ElemAud", {"dialog:brindle::recordAudio", "message:136"}},
    {"BackAud", {"dialog:brindle::recordAudio", "message:136"}},
    {"mnuExit", {"closed"}},
};

bool didOneOf(const QStringList& seen, const QStringList& expected) {
    for (const QString& e : expected) {
        if (seen.contains(e)) {
            return true;
        }
    }
    return false;
}

TEST_F(EveryCommandTest, EveryItemAndButtonDoesWhatItSays) {
    // Everything a user can press, by name; the cells' buttons count once.
    std::map<QString, QAction*> items;
    for (QAction* a : frame->findChildren<QAction*>()) {
        if (!a->objectName().isEmpty() && a->menu() == nullptr) {
            items[a->objectName()] = a;
        }
    }
    std::map<QString, QAbstractButton*> buttons;
    for (QAbstractButton* b : frame->findChildren<QAbstractButton*>()) {
        QString name = b->objectName();
        if (name.isEmpty() || name.startsWith("qt_") || b->window() != frame.get()) {
            continue;
        }
        name.remove(QRegularExpression("[1-9]$"));
        if (name.endsWith('0')) {
            name.chop(1);
        }
        if (!buttons.count(name) || b->objectName().endsWith('0')) {
            buttons[name] = b;
        }
    }
    ASSERT_GE(items.size(), 19u);
    ASSERT_GE(buttons.size(), 10u);
    std::set<QString> known;
    for (const auto& [name, effects] : kEmptyProject) {
        known.insert(name);
    }
    for (const auto& [name, effects] : kWithSlides) {
        known.insert(name);
    }
    for (const auto& [name, item] : items) {
        EXPECT_TRUE(known.count(name))
            << "menu item without a known effect: " << name.toStdString();
    }
    for (const auto& [name, button] : buttons) {
        EXPECT_TRUE(known.count(name)) << "button without a known effect: " << name.toStdString();
    }
    auto press = [&](const QString& name, bool browserExpected = false) {
        if (items.count(name)) {
            QAction* a = items[name];
            EXPECT_TRUE(a->isEnabled()) << name.toStdString();
            return use([a] { a->trigger(); }, browserExpected);
        }
        QAbstractButton* b = buttons.at(name);
        EXPECT_TRUE(b->isEnabled() && b->isVisible()) << name.toStdString();
        return use([b] { b->click(); }, browserExpected);
    };

    for (const auto& [name, expected] : kEmptyProject) {
        const QStringList did = press(name);
        EXPECT_TRUE(didOneOf(did, expected))
            << name.toStdString() << " did: " << did.join(", ").toStdString();
    }

    const QStringList order = {"mnuEdit",   "mnuAudio",     "mnuText",     "mnuContextSaveAs",
                               "ElemText",  "ElemAud",      "BackAud",     "mnuBackTrack",
                               "Scanner",   "SelectCapDev", "mnuYourHelp", "mnuOnlineResources",
                               "mnuAbout",  "Text",         "Files",       "Scan",
                               "Snap",      "Video",        "Identity",    "mnuSave",
                               "mnuSaveAs", "mnuNew",       "mnuOpen",     "mnuRemove",
                               "mnuExit"};
    ASSERT_EQ(static_cast<size_t>(order.size()), kWithSlides.size());
    for (const QString& name : order) {
        if (gProject.count() == 0) {
            addWithFilesButton({picture("one.jpg")});
            addWithFilesButton({picture("two.jpg")});
            recordChoosers();
        }
        selectFirst();
        gProjectChanged = true;
        // Cancel keeps the project for the next item; Exit goes without saving.
        if (name == "mnuNew" || name == "mnuOpen") {
            messages.script({vbCancel});
        } else if (name == "mnuExit") {
            messages.script({vbNo});
        }
        QStringList expected = kWithSlides.at(name);
        if (expected == QStringList{"browser:HELP"}) {
            expected = {"browser:" + helpPagePath()};
        }
        const QStringList did = press(name, expected.first().startsWith("browser:"));
        EXPECT_TRUE(didOneOf(did, expected))
            << name.toStdString() << " did: " << did.join(", ").toStdString();
    }
    EXPECT_TRUE(QFileInfo(helpPagePath()).isFile()) << "the help page ships with the program";
}

// F1 opens the help page that ships beside the program in the desktop's
// browser; every picture and link in it leads somewhere.
TEST_F(EveryCommandTest, HelpTopicsOpensTheShippedPageWhosePicturesAndLinksResolve) {
    QTest::keyClick(frame.get(), Qt::Key_F1);
    const QStringList opened = browser->opened(1);
    ASSERT_EQ(opened.size(), 1);
    const QString page = opened.first();
    EXPECT_EQ(page, QCoreApplication::applicationDirPath() + "/Help.htm");

    QFile f(page);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(f.readAll());
    QSet<QString> ids;
    for (const auto& m : QRegularExpression(R"re(\bid="([^"]+)")re").globalMatch(html)) {
        ids.insert(m.captured(1));
    }
    int pictures = 0;
    int links = 0;
    const QRegularExpression reference(R"re(\b(src|href)="([^"]*)")re");
    for (auto it = reference.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        const QString target = m.captured(2);
        ASSERT_FALSE(target.isEmpty());
        if (target.startsWith('#')) {
            EXPECT_TRUE(ids.contains(target.mid(1))) << "no anchor " << target.toStdString();
            ++links;
            continue;
        }
        EXPECT_FALSE(target.contains(':')) << "the page works offline: " << target.toStdString();
        const QString file = QFileInfo(page).absolutePath() + "/" + target;
        EXPECT_TRUE(QFileInfo(file).isFile()) << target.toStdString();
        if (m.captured(1) == "src") {
            EXPECT_FALSE(QImage(file).isNull()) << target.toStdString();
            ++pictures;
        }
    }
    EXPECT_GE(pictures, 8);
    EXPECT_GE(links, 8);
    // Every menu item the page describes carries the caption the menu shows.
    for (QAction* a : frame->findChildren<QAction*>()) {
        if (a->menu() != nullptr || a->objectName().isEmpty() || a->objectName() == "mnuEdit") {
            continue;
        }
        const QString caption = a->text().remove('&').remove("...").trimmed();
        EXPECT_TRUE(html.contains(caption))
            << "the page does not describe " << caption.toStdString();
    }
}

}  // namespace
}  // namespace brindle::test
