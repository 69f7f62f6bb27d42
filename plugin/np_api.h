// Brindle's own declarations of the browser plug-in interface: the types,
// result codes and the two function tables that a browser and a plug-in
// exchange. The layouts match the interface browsers publish (field order
// and sizes on a 64-bit Unix system), so the plug-in loads in any host that
// speaks it, and brindle-upload hosts it with the same declarations.
#pragma once

#include <cstdint>

// The X types the interface passes, declared by their sizes so this header
// stays free of Xlib's macros: a display pointer, a visual pointer, ids.
struct _XDisplay;

extern "C" {

using NPBool = unsigned char;
using NPError = std::int16_t;
using NPReason = std::int16_t;
using NPMIMEType = char*;

// Results of the plug-in and browser functions.
inline constexpr NPError NPERR_NO_ERROR = 0;
inline constexpr NPError NPERR_GENERIC_ERROR = 1;
inline constexpr NPError NPERR_INVALID_INSTANCE_ERROR = 2;
inline constexpr NPError NPERR_INVALID_FUNCTABLE_ERROR = 3;
inline constexpr NPError NPERR_MODULE_LOAD_FAILED_ERROR = 4;
inline constexpr NPError NPERR_OUT_OF_MEMORY_ERROR = 5;
inline constexpr NPError NPERR_INVALID_PLUGIN_ERROR = 6;
inline constexpr NPError NPERR_INVALID_PLUGIN_DIR_ERROR = 7;
inline constexpr NPError NPERR_INCOMPATIBLE_VERSION_ERROR = 8;
inline constexpr NPError NPERR_INVALID_PARAM = 9;
inline constexpr NPError NPERR_INVALID_URL = 10;
inline constexpr NPError NPERR_FILE_NOT_FOUND = 11;
inline constexpr NPError NPERR_NO_DATA = 12;
inline constexpr NPError NPERR_STREAM_NOT_SEEKABLE = 13;

// Why a stream ended.
inline constexpr NPReason NPRES_DONE = 0;
inline constexpr NPReason NPRES_NETWORK_ERR = 1;
inline constexpr NPReason NPRES_USER_BREAK = 2;

// Embedding modes and stream types.
inline constexpr std::uint16_t NP_EMBED = 1;
inline constexpr std::uint16_t NP_FULL = 2;
inline constexpr std::uint16_t NP_NORMAL = 1;
inline constexpr std::uint16_t NP_SEEK = 2;
inline constexpr std::uint16_t NP_ASFILE = 3;
inline constexpr std::uint16_t NP_ASFILEONLY = 4;

// Interface version: major in the high byte, minor in the low byte.
constexpr std::uint16_t NP_VERSION_MAJOR = 0;
constexpr std::uint16_t NP_VERSION_MINOR = 11;

// One embedding. pdata belongs to the plug-in, ndata to the browser.
struct NPP_t {
    void* pdata;
    void* ndata;
};
using NPP = NPP_t*;

struct NPStream {
    void* pdata;
    void* ndata;
    const char* url;
    std::uint32_t end;
    std::uint32_t lastmodified;
    void* notifyData;
    const char* headers;
};

struct NPByteRange {
    std::int32_t offset;
    std::uint32_t length;
    NPByteRange* next;
};

struct NPSavedData {
    std::int32_t len;
    void* buf;
};

struct NPRect {
    std::uint16_t top;
    std::uint16_t left;
    std::uint16_t bottom;
    std::uint16_t right;
};

enum NPWindowType { NPWindowTypeWindow = 1, NPWindowTypeDrawable };

// The area the page gives the plug-in. On X11 `window` holds the X window
// id and `ws_info` points to an NPSetWindowCallbackStruct.
struct NPWindow {
    void* window;
    std::int32_t x;
    std::int32_t y;
    std::uint32_t width;
    std::uint32_t height;
    NPRect clipRect;
    void* ws_info;
    NPWindowType type;
};

struct NPSetWindowCallbackStruct {
    std::int32_t type;
    _XDisplay* display;
    void* visual;
    unsigned long colormap;
    unsigned int depth;
};

struct NPFullPrint {
    NPBool pluginPrinted;
    NPBool printOne;
    void* platformPrint;
};

struct NPEmbedPrint {
    NPWindow window;
    void* platformPrint;
};

struct NPPrint {
    std::uint16_t mode;
    union {
        NPFullPrint fullPrint;
        NPEmbedPrint embedPrint;
    } print;
};

// Plug-in functions, called by the browser.
using NPP_NewProcPtr = NPError (*)(NPMIMEType pluginType, NPP instance, std::uint16_t mode,
                                   std::int16_t argc, char* argn[], char* argv[],
                                   NPSavedData* saved);
using NPP_DestroyProcPtr = NPError (*)(NPP instance, NPSavedData** save);
using NPP_SetWindowProcPtr = NPError (*)(NPP instance, NPWindow* window);
using NPP_NewStreamProcPtr = NPError (*)(NPP instance, NPMIMEType type, NPStream* stream,
                                         NPBool seekable, std::uint16_t* stype);
using NPP_DestroyStreamProcPtr = NPError (*)(NPP instance, NPStream* stream, NPReason reason);
using NPP_StreamAsFileProcPtr = void (*)(NPP instance, NPStream* stream, const char* fname);
using NPP_WriteReadyProcPtr = std::int32_t (*)(NPP instance, NPStream* stream);
using NPP_WriteProcPtr = std::int32_t (*)(NPP instance, NPStream* stream, std::int32_t offset,
                                          std::int32_t len, void* buffer);
using NPP_PrintProcPtr = void (*)(NPP instance, NPPrint* platformPrint);
using NPP_HandleEventProcPtr = std::int16_t (*)(NPP instance, void* event);
using NPP_URLNotifyProcPtr = void (*)(NPP instance, const char* url, NPReason reason,
                                      void* notifyData);
using NPP_GetValueProcPtr = NPError (*)(NPP instance, int variable, void* ret_value);
using NPP_SetValueProcPtr = NPError (*)(NPP instance, int variable, void* value);

struct NPPluginFuncs {
    std::uint16_t size;
    std::uint16_t version;
    NPP_NewProcPtr newp;
    NPP_DestroyProcPtr destroy;
    NPP_SetWindowProcPtr setwindow;
    NPP_NewStreamProcPtr newstream;
    NPP_DestroyStreamProcPtr destroystream;
    NPP_StreamAsFileProcPtr asfile;
    NPP_WriteReadyProcPtr writeready;
    NPP_WriteProcPtr write;
    NPP_PrintProcPtr print;
    NPP_HandleEventProcPtr event;
    NPP_URLNotifyProcPtr urlnotify;
    void* javaClass;
    NPP_GetValueProcPtr getvalue;
    NPP_SetValueProcPtr setvalue;
};

// Browser functions, called by the plug-in. Slots the plug-in never calls
// are kept as untyped pointers of the same size.
using NPN_GetURLProcPtr = NPError (*)(NPP instance, const char* url, const char* window);
using NPN_PostURLProcPtr = NPError (*)(NPP instance, const char* url, const char* window,
                                       std::uint32_t len, const char* buf, NPBool file);
using NPN_StatusProcPtr = void (*)(NPP instance, const char* message);
using NPN_UserAgentProcPtr = const char* (*)(NPP instance);
using NPN_MemAllocProcPtr = void* (*)(std::uint32_t size);
using NPN_MemFreeProcPtr = void (*)(void* ptr);
using NPN_PluginThreadAsyncCallProcPtr = void (*)(NPP instance, void (*func)(void*),
                                                  void* userData);

struct NPNetscapeFuncs {
    std::uint16_t size;
    std::uint16_t version;
    NPN_GetURLProcPtr geturl;
    NPN_PostURLProcPtr posturl;
    void* requestread;
    void* newstream;
    void* write;
    void* destroystream;
    NPN_StatusProcPtr status;
    NPN_UserAgentProcPtr uagent;
    NPN_MemAllocProcPtr memalloc;
    NPN_MemFreeProcPtr memfree;
    void* memflush;
    void* reloadplugins;
    void* getJavaEnv;
    void* getJavaPeer;
    void* geturlnotify;
    void* posturlnotify;
    void* getvalue;
    void* setvalue;
    void* invalidaterect;
    void* invalidateregion;
    void* forceredraw;
    void* getstringidentifier;
    void* getstringidentifiers;
    void* getintidentifier;
    void* identifierisstring;
    void* utf8fromidentifier;
    void* intfromidentifier;
    void* createobject;
    void* retainobject;
    void* releaseobject;
    void* invoke;
    void* invokeDefault;
    void* evaluate;
    void* getproperty;
    void* setproperty;
    void* removeproperty;
    void* hasproperty;
    void* hasmethod;
    void* releasevariantvalue;
    void* setexception;
    void* pushpopupsenabledstate;
    void* poppopupsenabledstate;
    void* enumerate;
    NPN_PluginThreadAsyncCallProcPtr pluginthreadasynccall;
};

// The library's exports.
using NP_GetEntryPointsFunc = NPError (*)(NPPluginFuncs* pluginFuncs);
using NP_InitializeFunc = NPError (*)(NPNetscapeFuncs* browserFuncs, NPPluginFuncs* pluginFuncs);
using NP_ShutdownFunc = NPError (*)();
using NP_GetMIMEDescriptionFunc = const char* (*)();

}  // extern "C"
