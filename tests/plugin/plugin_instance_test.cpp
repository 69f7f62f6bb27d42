// The plug-in loaded as a browser loads it: its exports and tables, the
// instance's parameters and memory, and, in a window on a real X server,
// its button, progress bar and upload, with the data stream delivered in
// pieces of random size.
#include "plugin/np_api.h"
#include "tests/plugin/x_server.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <dlfcn.h>

#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace {

struct Post {
    std::string url, target, path;
    std::uint32_t len = 0;
    bool file = false;
    QByteArray request;  // the file's bytes when it was handed over
};

// The browser side: records what the plug-in shows and posts, counts its
// memory, and runs its call-backs when the test pumps.
struct FakeBrowser {
    NPNetscapeFuncs funcs{};
    std::vector<std::string> statuses;
    std::vector<Post> posts;
    NPError postResult = NPERR_NO_ERROR;
    int liveBlocks = 0;
    std::mutex mutex;
    std::deque<std::pair<void (*)(void*), void*>> calls;
};
FakeBrowser* gFake = nullptr;

void fakeStatus(NPP, const char* message) {
    gFake->statuses.emplace_back(message);
}
void* fakeAlloc(std::uint32_t size) {
    ++gFake->liveBlocks;
    return std::malloc(size);
}
void fakeFree(void* p) {
    --gFake->liveBlocks;
    std::free(p);
}
NPError fakePost(NPP, const char* url, const char* target, std::uint32_t len, const char* buf,
                 NPBool file) {
    Post p{url, target, buf, len, file != 0, {}};
    p.request = brindle::test::fileContents(QString::fromStdString(p.path));
    gFake->posts.push_back(p);
    return gFake->postResult;
}
void fakeAsync(NPP, void (*func)(void*), void* data) {
    std::lock_guard lock(gFake->mutex);
    gFake->calls.emplace_back(func, data);
}

class PluginInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        gFake = &browser;
        browser.funcs.size = sizeof browser.funcs;
        browser.funcs.version = 19;
        browser.funcs.status = fakeStatus;
        browser.funcs.memalloc = fakeAlloc;
        browser.funcs.memfree = fakeFree;
        browser.funcs.posturl = fakePost;
        browser.funcs.pluginthreadasynccall = fakeAsync;
        library = dlopen(brindle::test::programPath("plugins/npkestrum.so").toLocal8Bit(),
                         RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        getEntryPoints =
            reinterpret_cast<NP_GetEntryPointsFunc>(dlsym(library, "NP_GetEntryPoints"));
        initialize = reinterpret_cast<NP_InitializeFunc>(dlsym(library, "NP_Initialize"));
        shutdown = reinterpret_cast<NP_ShutdownFunc>(dlsym(library, "NP_Shutdown"));
        ASSERT_TRUE(getEntryPoints && initialize && shutdown);
        plugin.size = sizeof plugin;
        ASSERT_EQ(initialize(&browser.funcs, &plugin), NPERR_NO_ERROR);
        ASSERT_TRUE(QDir(env.file("home")).mkpath("uploads"));
        uploads = env.file("home/uploads");
    }

    void TearDown() override {
        for (NPP_t& npp : instances) {
            if (npp.pdata) {
                plugin.destroy(&npp, nullptr);
            }
        }
        pump(50);
        EXPECT_EQ(browser.liveBlocks, 0) << "browser memory left taken";
        for (Window w : windows) {
            XDestroyWindow(display, w);
        }
        if (display) {
            XCloseDisplay(display);
        }
        if (library) {
            shutdown();
            dlclose(library);
        }
        gFake = nullptr;
    }

    NPError create(std::vector<std::pair<std::string, std::string>> params) {
        params_.push_back(params);
        auto& kept = params_.back();
        std::vector<char*> names, values;
        for (auto& [n, v] : kept) {
            names.push_back(n.data());
            values.push_back(v.data());
        }
        instances.emplace_back();
        char type[] = "application/x-post-file-protocol";
        return plugin.newp(type, &instances.back(), NP_EMBED, std::int16_t(names.size()),
                           names.data(), values.data(), nullptr);
    }
    NPP last() { return &instances.back(); }

    // A top-level window standing in for the page's area, given to the plug-in.
    Window attach(NPP npp, int width = 200, int height = 30) {
        if (!display) {
            display = XOpenDisplay(x.name().toLocal8Bit());
        }
        EXPECT_NE(display, nullptr);
        if (!display) {
            return 0;
        }
        const int screen = DefaultScreen(display);
        const Window w = XCreateSimpleWindow(
            display, RootWindow(display, screen), 0, 0, unsigned(width), unsigned(height), 0,
            BlackPixel(display, screen), WhitePixel(display, screen));
        XMapWindow(display, w);
        XSync(display, False);
        windows.push_back(w);
        ws = NPSetWindowCallbackStruct{1, display, DefaultVisual(display, screen),
                                       DefaultColormap(display, screen),
                                       unsigned(DefaultDepth(display, screen))};
        npWindows.emplace_back();
        NPWindow& nw = npWindows.back();
        nw.window = reinterpret_cast<void*>(w);
        nw.width = std::uint32_t(width);
        nw.height = std::uint32_t(height);
        nw.ws_info = &ws;
        nw.type = NPWindowTypeWindow;
        EXPECT_EQ(plugin.setwindow(npp, &nw), NPERR_NO_ERROR);
        return w;
    }

    Window buttonOf(Window area) {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        XQueryTree(display, area, &root, &parent, &children, &count);
        const Window b = count ? children[0] : 0;
        if (children) {
            XFree(children);
        }
        return b;
    }

    void press(Window button) {
        for (int type : {ButtonPress, ButtonRelease}) {
            XEvent e{};
            e.xbutton.type = type;
            e.xbutton.window = button;
            e.xbutton.x = 10;
            e.xbutton.y = 5;
            e.xbutton.button = Button1;
            e.xbutton.same_screen = True;
            XSendEvent(display, button, False,
                       type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
        }
        XSync(display, False);
    }

    // A key pressed and released on `w` (the window holding the focus).
    void key(Window w, KeySym sym) {
        for (int type : {KeyPress, KeyRelease}) {
            XEvent e{};
            e.xkey.type = type;
            e.xkey.window = w;
            e.xkey.root = DefaultRootWindow(display);
            e.xkey.keycode = XKeysymToKeycode(display, sym);
            e.xkey.same_screen = True;
            XSendEvent(display, w, False, type == KeyPress ? KeyPressMask : KeyReleaseMask, &e);
        }
        XSync(display, False);
    }

    Window focusedWindow() {
        Window w = 0;
        int revert = 0;
        XGetInputFocus(display, &w, &revert);
        return w;
    }

    // Runs the plug-in's call-backs for ms, or until `done` holds.
    bool pump(int ms, const std::function<bool()>& done = nullptr) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            std::deque<std::pair<void (*)(void*), void*>> now;
            {
                std::lock_guard lock(browser.mutex);
                now.swap(browser.calls);
            }
            for (auto& [f, d] : now) {
                f(d);
            }
            if (done && done()) {
                return true;
            }
            QThread::msleep(5);
        }
        return false;
    }

    void stream(NPP npp, const std::string& data, NPReason reason, unsigned seed = 7) {
        NPStream s{};
        std::uint16_t type = 0;
        char mime[] = "application/x-post-file-protocol";
        ASSERT_EQ(plugin.newstream(npp, mime, &s, false, &type), NPERR_NO_ERROR);
        EXPECT_EQ(type, NP_NORMAL);
        std::mt19937 random(seed);
        std::size_t at = 0;
        while (at < data.size()) {
            const std::size_t n = std::min<std::size_t>(data.size() - at, 1 + random() % 23);
            ASSERT_EQ(plugin.write(npp, &s, std::int32_t(at), std::int32_t(n),
                                   const_cast<char*>(data.data() + at)),
                      std::int32_t(n));
            at += n;
        }
        plugin.destroystream(npp, &s, reason);
    }

    unsigned long pixelAt(Window w, int px, int py) {
        XImage* image = XGetImage(display, w, px, py, 1, 1, AllPlanes, ZPixmap);
        const unsigned long p = image ? XGetPixel(image, 0, 0) & 0xFFFFFF : 0xDEAD;
        if (image) {
            XDestroyImage(image);
        }
        return p;
    }

    QStringList requestFiles() const { return QDir(uploads).entryList({"POSTBODY*"}, QDir::Files); }

    brindle::test::TempEnv env;
    brindle::test::XServer x;
    FakeBrowser browser;
    void* library = nullptr;
    NP_GetEntryPointsFunc getEntryPoints = nullptr;
    NP_InitializeFunc initialize = nullptr;
    NP_ShutdownFunc shutdown = nullptr;
    NPPluginFuncs plugin{};
    std::deque<NPP_t> instances;
    std::deque<std::vector<std::pair<std::string, std::string>>> params_;
    std::deque<NPWindow> npWindows;
    NPSetWindowCallbackStruct ws{};
    Display* display = nullptr;
    std::vector<Window> windows;
    QString uploads;
};

const std::string kFields =
    "projectfile FILE\r\nContent-Type: application/octet-stream\r\n\r\ntitle\r\n\r\n";

TEST_F(PluginInstanceTest, ExportsFillTheTablesAndCheckVersions) {
    EXPECT_EQ(getEntryPoints(nullptr), NPERR_INVALID_FUNCTABLE_ERROR);
    NPPluginFuncs f{};
    f.size = sizeof f;
    f.event = reinterpret_cast<NPP_HandleEventProcPtr>(1);
    ASSERT_EQ(getEntryPoints(&f), NPERR_NO_ERROR);
    EXPECT_EQ(f.version, 11);
    EXPECT_TRUE(f.newp && f.destroy && f.setwindow && f.newstream && f.destroystream && f.asfile &&
                f.writeready && f.write && f.print);
    EXPECT_EQ(f.event, nullptr);

    EXPECT_EQ(initialize(nullptr, nullptr), NPERR_INVALID_FUNCTABLE_ERROR);
    NPNetscapeFuncs newer = browser.funcs;
    newer.version = 0x0100;
    EXPECT_EQ(initialize(&newer, nullptr), NPERR_INCOMPATIBLE_VERSION_ERROR);
    // From minor version 9 the URL notification slot is filled.
    EXPECT_NE(plugin.urlnotify, nullptr);
    EXPECT_EQ(plugin.javaClass, nullptr);

    auto mime =
        reinterpret_cast<NP_GetMIMEDescriptionFunc>(dlsym(library, "NP_GetMIMEDescription"));
    ASSERT_NE(mime, nullptr);
    EXPECT_STREQ(mime(), "application/x-post-file-protocol:pfp:POST File Protocol (*.pfp)");
    EXPECT_EQ(plugin.writeready(nullptr, nullptr), 8192);
}

TEST_F(PluginInstanceTest, CreationCopiesParametersAndFreesWhatAFailureTook) {
    EXPECT_EQ(plugin.newp(nullptr, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr),
              NPERR_INVALID_INSTANCE_ERROR);
    char n0[] = "TOURL", v0[] = "http://x";
    char* names[] = {n0, nullptr};
    char* values[] = {v0, nullptr};
    NPP_t npp{};
    char type[] = "application/x-post-file-protocol";
    EXPECT_EQ(plugin.newp(type, &npp, NP_EMBED, 2, names, values, nullptr), NPERR_INVALID_PARAM);
    EXPECT_EQ(npp.pdata, nullptr);
    EXPECT_EQ(browser.liveBlocks, 0);

    ASSERT_EQ(create({{"TOURL", "http://x"}, {"a", ""}}), NPERR_NO_ERROR);
    EXPECT_NE(last()->pdata, nullptr);
    NPStream s{};
    char data[] = "abc";
    EXPECT_EQ(plugin.write(last(), &s, 0, 0, data), 0);
    EXPECT_EQ(plugin.write(last(), &s, 0, -3, data), -3);
    EXPECT_EQ(plugin.write(nullptr, &s, 0, 3, data), -1);
    EXPECT_EQ(plugin.write(last(), &s, 0, 3, data), 3);
    // A stream past its cap is refused rather than grown without end.
    std::string big(16 << 20, 'x');
    EXPECT_EQ(plugin.write(last(), &s, 3, std::int32_t(big.size()), big.data()), -1);
    EXPECT_EQ(browser.statuses, std::vector<std::string>{"Plugin out of memory"});
    EXPECT_EQ(plugin.destroystream(last(), &s, NPRES_DONE), NPERR_GENERIC_ERROR) << "no button";
    EXPECT_EQ(plugin.destroy(last(), nullptr), NPERR_NO_ERROR);
    EXPECT_EQ(last()->pdata, nullptr);
    EXPECT_EQ(plugin.destroy(nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(browser.liveBlocks, 0);
}

TEST_F(PluginInstanceTest, TheButtonWaitsForTheWholeStreamThenUploads) {
    ASSERT_TRUE(x.ok());
    QFile zip(uploads + "/project.zip");
    ASSERT_TRUE(zip.open(QIODevice::WriteOnly));
    QByteArray zipBytes;
    for (int i = 0; i < 5000; ++i) {
        zipBytes += char(i * 7 % 251);
    }
    zip.write(zipBytes);
    zip.close();
    ASSERT_EQ(create({{"TOURL", "http://127.0.0.1:1/receive"},
                      {"projectfile", "C:\\UPLOADS\\project.zip"},
                      {"title", "Harbour"},
                      {"TITLE", "ignored"}}),
              NPERR_NO_ERROR);
    const Window area = attach(last());
    const Window button = buttonOf(area);
    ASSERT_NE(button, 0u);
    XWindowAttributes a{};
    XGetWindowAttributes(display, button, &a);
    EXPECT_EQ(QList<int>({a.x, a.y, a.width, a.height}), QList<int>({5, 5, 60, 20}));
    pump(100);
    EXPECT_EQ(pixelAt(area, 70, 5), 0x0000FFu) << "the bar's frame";
    EXPECT_EQ(pixelAt(area, 100, 15), 0xFFFFFFu) << "a white bar before the upload";

    // Pressed before the stream has ended: nothing happens.
    press(button);
    pump(100);
    EXPECT_TRUE(browser.statuses.empty());

    stream(last(), kFields, NPRES_DONE);
    press(button);
    ASSERT_TRUE(pump(3000, [&] { return !browser.posts.empty(); }));
    EXPECT_EQ(browser.statuses,
              (std::vector<std::string>{"Preparing data to upload...", "Uploading..."}));
    const Post& p = browser.posts.front();
    EXPECT_EQ(p.url, "http://127.0.0.1:1/receive");
    EXPECT_EQ(p.target, "_self");
    EXPECT_TRUE(p.file);
    EXPECT_EQ(p.len, p.path.size() + 1);
    EXPECT_EQ(QString::fromStdString(p.path).section('/', 0, -2), uploads);
    EXPECT_TRUE(p.request.contains(zipBytes));
    EXPECT_TRUE(p.request.contains("name=\"title\"\r\n\r\nHarbour\r\n"));
    const qsizetype bodyAt = p.request.indexOf("\r\n\r\n") + 4;
    EXPECT_TRUE(p.request.left(bodyAt).contains("Content-Length: " +
                                                QByteArray::number(p.request.size() - bodyAt)));

    // The bar moves: its segments leave white within a few ticks.
    EXPECT_TRUE(pump(2000, [&] { return pixelAt(area, 75, 15) != 0xFFFFFFu; }));

    // A second press does nothing: the button stays disabled.
    press(button);
    pump(100);
    EXPECT_EQ(browser.posts.size(), 1u);
    EXPECT_EQ(browser.statuses.size(), 2u);
}

TEST_F(PluginInstanceTest, AStreamCutOffOrMissingKeepsTheButtonDisabled) {
    ASSERT_TRUE(x.ok());
    ASSERT_EQ(create({{"TOURL", "http://x/"}}), NPERR_NO_ERROR);
    Window button = buttonOf(attach(last()));
    stream(last(), kFields.substr(0, 20), NPRES_NETWORK_ERR);
    EXPECT_EQ(browser.statuses, std::vector<std::string>{"Plugin data file is corrupt"});
    press(button);
    pump(200);
    EXPECT_EQ(browser.statuses.size(), 1u);

    ASSERT_EQ(create({{"TOURL", "http://x/"}}), NPERR_NO_ERROR);
    button = buttonOf(attach(last()));
    press(button);
    pump(200);
    EXPECT_EQ(browser.statuses.size(), 1u) << "no stream at all";

    // A stream that ended without a byte: the upload finds no field list.
    stream(last(), "", NPRES_DONE);
    press(button);
    ASSERT_TRUE(pump(2000, [&] { return browser.statuses.size() >= 3; }));
    EXPECT_EQ(browser.statuses.back(), "Plugin internal failure 1372");
    EXPECT_TRUE(browser.posts.empty());
    EXPECT_TRUE(requestFiles().isEmpty()) << "a request that failed is deleted";
}

TEST_F(PluginInstanceTest, FailuresBeforeOrAtThePostLeaveNoRequest) {
    ASSERT_TRUE(x.ok());
    ASSERT_EQ(create({{"title", "x"}}), NPERR_NO_ERROR);  // no TOURL
    Window button = buttonOf(attach(last()));
    stream(last(), kFields, NPRES_DONE);
    press(button);
    ASSERT_TRUE(pump(2000, [&] { return browser.statuses.size() >= 2; }));
    EXPECT_EQ(browser.statuses.back(), "Upload failed");

    browser.statuses.clear();
    browser.postResult = NPERR_GENERIC_ERROR;
    ASSERT_EQ(create({{"TOURL", "http://x/"}, {"projectfile", "../x.zip"}}), NPERR_NO_ERROR);
    button = buttonOf(attach(last()));
    stream(last(), kFields, NPRES_DONE);
    press(button);
    ASSERT_TRUE(pump(2000, [&] { return browser.statuses.size() >= 2; }));
    EXPECT_EQ(browser.statuses.back(), "Plugin does not allow upload of this file");

    browser.statuses.clear();
    ASSERT_EQ(create({{"TOURL", "http://x/"}}), NPERR_NO_ERROR);
    button = buttonOf(attach(last()));
    stream(last(), kFields, NPRES_DONE);
    press(button);
    ASSERT_TRUE(pump(2000, [&] { return browser.statuses.size() >= 3; }));
    EXPECT_EQ(browser.statuses.back(), "Upload failed") << "the browser refused the post";
    EXPECT_EQ(browser.posts.size(), 1u);
    EXPECT_TRUE(requestFiles().isEmpty());
}

TEST_F(PluginInstanceTest, DetachingStopsTheTimerAndTheButton) {
    ASSERT_TRUE(x.ok());
    ASSERT_EQ(create({{"TOURL", "http://x/"}}), NPERR_NO_ERROR);
    const NPP first = last();
    const Window area = attach(first);
    stream(first, "title\n\n", NPRES_DONE);
    press(buttonOf(area));
    ASSERT_TRUE(pump(2000, [&] { return !browser.posts.empty(); }));

    // A second instance's request has its own name.
    ASSERT_EQ(create({{"TOURL", "http://x/"}}), NPERR_NO_ERROR);
    const Window area2 = attach(last());
    stream(last(), "title\n\n", NPRES_DONE);
    press(buttonOf(area2));
    ASSERT_TRUE(pump(2000, [&] { return browser.posts.size() == 2; }));
    EXPECT_NE(browser.posts[0].path, browser.posts[1].path);
    EXPECT_EQ(requestFiles().size(), 2);

    // The page goes away while the bar is moving: the window first, as a
    // browser may, then the plug-in is told.
    XDestroyWindow(display, area);
    XSync(display, False);
    std::erase(windows, area);
    EXPECT_EQ(plugin.setwindow(first, nullptr), NPERR_NO_ERROR);
    pump(500);
    EXPECT_EQ(plugin.destroy(first, nullptr), NPERR_NO_ERROR);
    pump(300);
    EXPECT_EQ(browser.statuses.size(), 4u) << "nothing more after leaving";

    // Detaching the second keeps its window but removes the button.
    EXPECT_EQ(plugin.setwindow(last(), nullptr), NPERR_NO_ERROR);
    XSync(display, False);
    EXPECT_EQ(buttonOf(area2), 0u);
}

TEST_F(PluginInstanceTest, TheFocusedButtonIsPressedWithSpaceOrEnter) {
    ASSERT_TRUE(x.ok());
    ASSERT_EQ(create({{"TOURL", "http://x/"}}), NPERR_NO_ERROR);
    const Window area = attach(last());
    const Window button = buttonOf(area);
    ASSERT_NE(button, 0u);
    pump(100);
    const unsigned long face = pixelAt(button, 3, 3);
    EXPECT_EQ(face, 0xD4D0C8u) << "no focus frame before the focus";

    // The focus given to the area (as the browser does on Tab) goes on to
    // the button, which shows it.
    XSetInputFocus(display, area, RevertToParent, CurrentTime);
    XSync(display, False);
    EXPECT_TRUE(pump(2000, [&] { return focusedWindow() == button; }));
    EXPECT_TRUE(pump(1000, [&] { return pixelAt(button, 3, 3) == 0u; })) << "the focus frame";

    // Keys while the stream is still coming, and keys that are no press,
    // do nothing.
    key(button, XK_space);
    key(button, XK_Return);
    pump(100);
    stream(last(), kFields, NPRES_DONE);
    key(button, XK_a);
    key(button, XK_Tab);
    pump(200);
    EXPECT_TRUE(browser.statuses.empty());

    key(button, XK_space);
    ASSERT_TRUE(pump(3000, [&] { return !browser.posts.empty(); }));
    EXPECT_EQ(browser.statuses.front(), "Preparing data to upload...");

    // Enter presses a second page's button; the focus leaving the first
    // takes its frame away.
    ASSERT_EQ(create({{"TOURL", "http://y/"}}), NPERR_NO_ERROR);
    const Window area2 = attach(last());
    const Window button2 = buttonOf(area2);
    XMoveWindow(display, area2, 0, 100);  // the first stays in sight
    stream(last(), kFields, NPRES_DONE);
    XSetInputFocus(display, area2, RevertToParent, CurrentTime);
    XSync(display, False);
    EXPECT_TRUE(pump(2000, [&] { return focusedWindow() == button2; }));
    EXPECT_TRUE(pump(1000, [&] { return pixelAt(button, 3, 3) == face; }));
    key(button2, XK_KP_Enter);
    ASSERT_TRUE(pump(3000, [&] { return browser.posts.size() == 2; }));
    EXPECT_EQ(browser.posts[1].url, "http://y/");
}

TEST_F(PluginInstanceTest, ThePageNamesTheButton) {
    ASSERT_TRUE(x.ok());
    ASSERT_EQ(create({{"btnlabel", "Send it"}, {"BTNLABEL", "ignored"}, {"BTNWIDTH", "90"}}),
              NPERR_NO_ERROR);
    const Window button = buttonOf(attach(last()));
    char* name = nullptr;
    ASSERT_TRUE(XFetchName(display, button, &name));
    EXPECT_STREQ(name, "Send it");
    XFree(name);
    XWindowAttributes a{};
    XGetWindowAttributes(display, button, &a);
    EXPECT_EQ(a.width, 90);
}

TEST_F(PluginInstanceTest, ATinyAreaIsLaidOutAsFiftyByFive) {
    ASSERT_TRUE(x.ok());
    ASSERT_EQ(create({}), NPERR_NO_ERROR);
    const Window area = attach(last(), 3, 3);
    XWindowAttributes a{};
    XGetWindowAttributes(display, buttonOf(area), &a);
    EXPECT_EQ(QList<int>({a.x, a.y, a.width, a.height}), QList<int>({5, 4, 45, 1}));
}

}  // namespace
