// npkestrum.so: the upload plug-in. The exports, the plug-in functions the
// browser calls, the instance record of one embedding, and the upload that
// its button starts. Every message goes to the browser's status line.
#include "plugin/area_layout.h"
#include "plugin/np_api.h"
#include "plugin/page_params.h"
#include "plugin/string_table.h"
#include "plugin/upload_folder.h"
#include "plugin/upload_job.h"
#include "plugin/x_area.h"

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#define KESTRUM_EXPORT extern "C" __attribute__((visibility("default")))

namespace kestrum {

namespace {

constexpr int kButtonId = 100;  // the button's control id
constexpr int kTimerMs = 200;
constexpr std::size_t kMaxMessage = 500;
// The data stream is a short field list; a page sending more is refused.
constexpr std::uint64_t kMaxStreamBytes = 16u << 20;
constexpr const char* kMimeDescription =
    "application/x-post-file-protocol:pfp:POST File Protocol (*.pfp)";

NPNetscapeFuncs* gBrowser = nullptr;
NPPluginFuncs* gPluginFuncs = nullptr;

void* memAlloc(std::uint64_t size) {
    if (!gBrowser || !gBrowser->memalloc || size == 0 || size > 0xFFFFFFFFu) {
        return nullptr;
    }
    return gBrowser->memalloc(std::uint32_t(size));
}

void memFree(void* p) {
    if (p && gBrowser && gBrowser->memfree) {
        gBrowser->memfree(p);
    }
}

char* copyText(const std::string& text) {
    auto* out = static_cast<char*>(memAlloc(text.size() + 1));
    if (out) {
        std::memcpy(out, text.c_str(), text.size() + 1);
    }
    return out;
}

void showText(NPP instance, const char* text) {
    char message[kMaxMessage + 1];
    std::snprintf(message, sizeof message, "%s", text);
    if (gBrowser && gBrowser->status) {
        gBrowser->status(instance, message);
    }
}

void showStatus(NPP instance, int id) {
    if (const char* text = loadString(id)) {
        showText(instance, text);
        return;
    }
    const char* missing = loadString(kMsgLoadString);
    char message[kMaxMessage + 1];
    std::snprintf(message, sizeof message, "%s %d",
                  missing ? missing : "Failed to load string resource number", id);
    showText(instance, message);
}

void showInternal(NPP instance, int check) {
    const char* text = loadString(kMsgInternal);
    char message[kMaxMessage + 1];
    std::snprintf(message, sizeof message, "%s %d", text ? text : "Plugin Internal error", check);
    showText(instance, message);
}

class StatusReporter final : public Reporter {
public:
    explicit StatusReporter(NPP instance) : m_instance(instance) {}
    void status(int message) override { showStatus(m_instance, message); }
    void internalFailure(int check) override { showInternal(m_instance, check); }

private:
    NPP m_instance;
};

// One embedding. Taken from browser memory, sized by the compiler.
struct Instance final : AreaClient {
    NPP instance = nullptr;
    NPWindow* windowRecord = nullptr;
    std::uint16_t mode = 0;
    Window window = 0;
    XArea* area = nullptr;  // the X side while a window is attached
    char* data = nullptr;   // the data stream with its NUL
    std::uint64_t dataLength = 0;
    std::uint64_t dataCapacity = 0;
    std::int16_t paramCount = 0;
    char** names = nullptr;
    char** values = nullptr;
    char* paramText = nullptr;
    Rect areaRect;
    Rect bar{0, 0, 0, 0};
    char* requestFile = nullptr;
    std::uint32_t byteCount = 0;
    std::int16_t progress = -1;
    std::uint32_t timer = 0;
    bool streamEnded = false;  // the data stream ended normally
    bool pressed = false;      // the button was pressed: it stays disabled

    const char* param(std::string_view name) const {
        return findParam(names, values, paramCount, name);
    }
    std::optional<std::int32_t> number(std::string_view name) const {
        const char* value = param(name);
        return value ? std::optional<std::int32_t>(readNumber(value)) : std::nullopt;
    }
    bool buttonWanted() const { return streamEnded && !pressed; }

    AreaState areaState() const override {
        return AreaState{area && area->hasButton(), areaRect, bar, progress};
    }
    void buttonPressed() override { upload(); }
    void timerTick() override {
        if (!timer) {
            return;
        }
        progress = std::int16_t((progress + 1) % 10000);  // the pattern repeats every 10
        if (!barIsEmpty(bar) && area) {
            area->paintBar();
        }
    }

    bool makeButton();
    void layout();
    void detach();
    int upload();
    void freeAll();
};

bool Instance::makeButton() {
    if (!area) {
        showInternal(instance, 792);
        return false;
    }
    std::string label;
    if (const char* given = param("BTNLABEL")) {
        label = given;
    } else if (const char* text = loadString(kMsgButtonLabel)) {
        label = text;
    } else {
        showStatus(instance, kMsgButtonLabel);
        label = "Publish";
    }
    if (!area->makeButton(label)) {
        showStatus(instance, kMsgNoButton);
        return false;
    }
    area->setButtonEnabled(buttonWanted());
    return true;
}

void Instance::layout() {
    if (!area) {
        showInternal(instance, 842);
        return;
    }
    int width = 0, height = 0;
    if (!area->clientSize(width, height)) {
        showStatus(instance, kMsgNoCoordinates);
        return;
    }
    Geometry g;
    g.width = number("WIDTH");
    g.height = number("HEIGHT");
    g.btnLeft = number("BTNLEFT");
    g.btnTop = number("BTNTOP");
    g.btnWidth = number("BTNWIDTH");
    g.btnHeight = number("BTNHEIGHT");
    g.barLeft = number("BARLEFT");
    g.barTop = number("BARTOP");
    g.barWidth = number("BARWIDTH");
    g.barHeight = number("BARHEIGHT");
    const Layout l = layoutArea(Rect{0, 0, width, height}, g);
    areaRect = l.area;
    bar = l.bar;
    if (!area->hasButton()) {
        showInternal(instance, 923);
        return;
    }
    area->moveButton(l.button);
}

// Leaves the window: the timer stops and the button goes with the area, so
// nothing is drawn on a window the browser may destroy next.
void Instance::detach() {
    if (area) {
        area->stopTimer();
        delete area;
        area = nullptr;
    }
    timer = 0;
    window = 0;
}

int Instance::upload() {
    showStatus(instance, kMsgPreparing);
    if (!area || !area->hasButton()) {
        return 1;
    }
    pressed = true;
    area->setButtonEnabled(false);
    if (requestFile) {
        showInternal(instance, 1175);
        return 1;
    }
    const std::string folder = uploadFolder();
    std::string path;
    if (!createRequestFile(folder, path)) {
        showStatus(instance, kMsgWriteError);
        return 1;
    }
    requestFile = copyText(path);
    if (!requestFile) {
        ::unlink(path.c_str());
        showStatus(instance, kMsgNoMemory);
        return 1;
    }
    if (path.size() != folder.size() + std::strlen("/POSTBODY-XXXXXX.TMP")) {
        ::unlink(path.c_str());
        showInternal(instance, 1188);
        return 1;
    }
    const char* toUrl = param("TOURL");
    if (!toUrl) {
        ::unlink(path.c_str());
        showStatus(instance, kMsgUploadFailed);
        return 1;
    }

    UploadInput input;
    input.data = data;
    input.dataLength = dataLength;
    input.param = [this](std::string_view name) { return param(name); };
    input.folder = folder;
    input.requestFile = path;
    StatusReporter reporter(instance);
    BuildState state;
    if (!buildRequest(input, kBoundary, 0, state, reporter) ||
        !buildRequest(input, kBoundary, 1, state, reporter)) {
        ::unlink(path.c_str());
        return 1;
    }
    byteCount = std::uint32_t(state.length);

    showStatus(instance, kMsgUploading);
    progress = 0;
    timer = 1;
    area->startTimer(kTimerMs);
    area->paintBar();
    const NPError result =
        gBrowser->posturl ? gBrowser->posturl(instance, toUrl, kPostTarget.data(),
                                              std::uint32_t(path.size() + 1), path.c_str(), true)
                          : NPERR_GENERIC_ERROR;
    if (result != NPERR_NO_ERROR) {
        // The browser did not take the file: nothing will read it.
        if (area) {
            area->stopTimer();
        }
        timer = 0;
        ::unlink(path.c_str());
        showStatus(instance, kMsgUploadFailed);
        return 1;
    }
    return 0;
}

void Instance::freeAll() {
    detach();
    memFree(requestFile);
    memFree(names);
    memFree(values);
    memFree(paramText);
    memFree(data);
    requestFile = paramText = data = nullptr;
    names = values = nullptr;
}

Instance* instanceOf(NPP npp) {
    return npp ? static_cast<Instance*>(npp->pdata) : nullptr;
}

void destroyInstance(NPP npp, Instance* inst) {
    inst->freeAll();
    inst->~Instance();
    memFree(inst);
    npp->pdata = nullptr;
}

NPError NPP_New(NPMIMEType, NPP npp, std::uint16_t mode, std::int16_t argc, char* argn[],
                char* argv[], NPSavedData*) {
    if (!npp) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    void* memory = memAlloc(sizeof(Instance));
    if (!memory) {
        return NPERR_OUT_OF_MEMORY_ERROR;
    }
    auto* inst = new (memory) Instance;
    npp->pdata = inst;
    inst->instance = npp;
    inst->mode = mode;

    const int count = std::max<int>(0, argc);
    std::uint64_t textSize = 0;
    for (int i = 0; i < count; ++i) {
        if (!argn || !argv || !argn[i] || !argv[i]) {
            destroyInstance(npp, inst);
            return NPERR_INVALID_PARAM;
        }
        textSize += std::strlen(argn[i]) + std::strlen(argv[i]) + 2;
    }
    const std::uint64_t arraySize = std::uint64_t(count + 1) * sizeof(char*);
    inst->names = static_cast<char**>(memAlloc(arraySize));
    inst->values = static_cast<char**>(memAlloc(arraySize));
    inst->paramText = static_cast<char*>(memAlloc(std::max<std::uint64_t>(textSize, 1)));
    if (!inst->names || !inst->values || !inst->paramText) {
        destroyInstance(npp, inst);
        return NPERR_OUT_OF_MEMORY_ERROR;
    }
    char* at = inst->paramText;
    for (int i = 0; i < count; ++i) {
        const std::size_t n = std::strlen(argn[i]) + 1, v = std::strlen(argv[i]) + 1;
        inst->names[i] = static_cast<char*>(std::memcpy(at, argn[i], n));
        at += n;
        inst->values[i] = static_cast<char*>(std::memcpy(at, argv[i], v));
        at += v;
    }
    inst->names[count] = inst->values[count] = nullptr;
    inst->paramCount = std::int16_t(count);
    return std::uint64_t(at - inst->paramText) == textSize ? NPERR_NO_ERROR : NPERR_GENERIC_ERROR;
}

NPError NPP_Destroy(NPP npp, NPSavedData**) {
    Instance* inst = instanceOf(npp);
    if (!inst) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    destroyInstance(npp, inst);
    return NPERR_NO_ERROR;
}

NPError NPP_SetWindow(NPP npp, NPWindow* record) {
    Instance* inst = instanceOf(npp);
    if (!inst) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    const Window given = record ? Window(reinterpret_cast<std::uintptr_t>(record->window)) : 0;
    if (inst->window) {
        if (!given) {
            inst->detach();
            inst->windowRecord = record;
            return NPERR_NO_ERROR;
        }
        if (given == inst->window) {
            inst->windowRecord = record;
            inst->layout();
            if (inst->area) {
                inst->area->paint();
            }
            return NPERR_NO_ERROR;
        }
        inst->detach();
    }
    if (!given) {
        return NPERR_NO_ERROR;
    }
    const auto* ws = static_cast<const NPSetWindowCallbackStruct*>(record->ws_info);
    inst->area = XArea::open(ws ? ws->display : nullptr, given, npp, gBrowser, inst);
    if (!inst->area) {
        showStatus(npp, kMsgNoButton);
        return NPERR_GENERIC_ERROR;
    }
    inst->window = given;
    if (!inst->makeButton()) {
        inst->layout();
        inst->area->paint();
        return NPERR_GENERIC_ERROR;
    }
    inst->layout();
    inst->area->paint();
    inst->windowRecord = record;
    return NPERR_NO_ERROR;
}

NPError NPP_NewStream(NPP npp, NPMIMEType, NPStream*, NPBool, std::uint16_t* stype) {
    if (!instanceOf(npp)) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    if (stype) {
        *stype = NP_NORMAL;
    }
    return NPERR_NO_ERROR;
}

std::int32_t NPP_WriteReady(NPP, NPStream*) {
    return 8192;
}

std::int32_t NPP_Write(NPP npp, NPStream*, std::int32_t, std::int32_t len, void* buffer) {
    Instance* inst = instanceOf(npp);
    if (!inst) {
        return -1;
    }
    if (len <= 0) {
        return len;
    }
    if (!buffer) {
        return -1;
    }
    const std::uint64_t needed = inst->dataLength + std::uint64_t(len) + 1;
    if (needed > kMaxStreamBytes + 1) {
        showStatus(npp, kMsgNoMemory);
        return -1;
    }
    if (needed > inst->dataCapacity) {
        // Grows by doubling, so a stream in many small pieces is not copied
        // whole on every write.
        const std::uint64_t capacity = std::min(
            std::max({needed, inst->dataCapacity * 2, std::uint64_t(256)}), kMaxStreamBytes + 1);
        auto* grown = static_cast<char*>(memAlloc(capacity));
        if (!grown) {
            showStatus(npp, kMsgNoMemory);
            return -1;
        }
        if (inst->data) {
            std::memcpy(grown, inst->data, inst->dataLength);
        }
        memFree(inst->data);
        inst->data = grown;
        inst->dataCapacity = capacity;
    }
    std::memcpy(inst->data + inst->dataLength, buffer, std::size_t(len));
    inst->dataLength += std::uint64_t(len);
    inst->data[inst->dataLength] = '\0';
    return len;
}

NPError NPP_DestroyStream(NPP npp, NPStream*, NPReason reason) {
    Instance* inst = instanceOf(npp);
    if (!inst) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    if (reason == NPRES_DONE) {
        inst->streamEnded = true;
    } else {
        // A field list cut short would post a request missing its fields.
        showStatus(npp, kMsgCorrupt);
    }
    if (!inst->area || !inst->area->hasButton()) {
        return NPERR_GENERIC_ERROR;
    }
    inst->area->setButtonEnabled(inst->buttonWanted());
    return NPERR_NO_ERROR;
}

void NPP_StreamAsFile(NPP, NPStream*, const char*) {}

void NPP_Print(NPP, NPPrint* print) {
    if (print && print->mode == NP_FULL) {
        print->print.fullPrint.pluginPrinted = false;
    }
}

void NPP_URLNotify(NPP, const char*, NPReason, void*) {}

}  // namespace

}  // namespace kestrum

using namespace kestrum;

KESTRUM_EXPORT NPError NP_GetEntryPoints(NPPluginFuncs* funcs) {
    if (!funcs) {
        return NPERR_INVALID_FUNCTABLE_ERROR;
    }
    funcs->version = (NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR;
    funcs->newp = NPP_New;
    funcs->destroy = NPP_Destroy;
    funcs->setwindow = NPP_SetWindow;
    funcs->newstream = NPP_NewStream;
    funcs->destroystream = NPP_DestroyStream;
    funcs->asfile = NPP_StreamAsFile;
    funcs->writeready = NPP_WriteReady;
    funcs->write = NPP_Write;
    funcs->print = NPP_Print;
    funcs->event = nullptr;
    gPluginFuncs = funcs;
    return NPERR_NO_ERROR;
}

// On Unix the browser hands both tables to NP_Initialize; a host that calls
// NP_GetEntryPoints first may pass null for the second.
KESTRUM_EXPORT NPError NP_Initialize(NPNetscapeFuncs* browser, NPPluginFuncs* funcs) {
    if (!browser || browser->size < offsetof(NPNetscapeFuncs, memfree) + sizeof(browser->memfree)) {
        return NPERR_INVALID_FUNCTABLE_ERROR;
    }
    if ((browser->version >> 8) > 0) {
        return NPERR_INCOMPATIBLE_VERSION_ERROR;
    }
    gBrowser = browser;
    if (funcs) {
        const NPError e = NP_GetEntryPoints(funcs);
        if (e != NPERR_NO_ERROR) {
            return e;
        }
    }
    if ((browser->version & 0xFF) >= 9 && gPluginFuncs) {
        gPluginFuncs->urlnotify = NPP_URLNotify;
        gPluginFuncs->javaClass = nullptr;
    }
    return NPERR_NO_ERROR;
}

KESTRUM_EXPORT NPError NP_Shutdown() {
    gBrowser = nullptr;
    gPluginFuncs = nullptr;
    return NPERR_NO_ERROR;
}

KESTRUM_EXPORT const char* NP_GetMIMEDescription() {
    return kMimeDescription;
}

// Name and description for the browser's list of plug-ins.
KESTRUM_EXPORT NPError NP_GetValue(void*, int variable, void* value) {
    if (!value) {
        return NPERR_INVALID_PARAM;
    }
    switch (variable) {
        case 1:  // plug-in name
            *static_cast<const char**>(value) = "Kestrum";
            return NPERR_NO_ERROR;
        case 2:  // plug-in description
            *static_cast<const char**>(value) = "POST File Protocol (*.pfp): uploads a project";
            return NPERR_NO_ERROR;
        default:
            return NPERR_INVALID_PARAM;
    }
}
