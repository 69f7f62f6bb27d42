// The dispatch contract of the video capture control: its member and event
// ids and its error codes. Header only, so hosts can name the members
// without linking the control.
#pragma once

namespace brindle::orvalis {

enum Member : int {
    DispAudioRate = 1,
    DispCapture = 2,
    DispCaptureFile = 3,
    DispConnect = 4,
    DispDriverNum = 5,
    DispLeft = 6,
    DispHeight = 7,
    DispWidth = 8,
    DispPreview = 9,
    DispPreviewRate = 10,
    DispTop = 11,
    DispVideoCompressionDlg = 12,
    DispVideoDisplayDlg = 13,
    DispVideoFormatDlg = 14,
    DispVideoSourceDlg = 15,
    DispVisible = 16,
    DispYield = 17,
    DispEditCopy = 18,
    DispOverlay = 19,
    DispCaptureStop = 20,
    DispCaptureAudio = 21,
    DispCaptureSave = 22,
    DispAutoSize = 23,
    DispVideoRate = 24,
    DispCaptureLimit = 25,
    DispCaptureUseLimit = 26,
    DispSingleFrameOpen = 27,
    DispSingleFrameClose = 28,
    DispSingleFrame = 29,
    DispCaptureDIB = 30,
    DispCaptureDIBFile = 31,
    DispStatus = 32,
    DispCaptureStopOnMouseOrESC = 33,
    DispDefaultContextMenu = 34,
    DispAudioBits = 35,
    DispAudioChannels = 36,
    DispCaptureAbort = 37,
    DispDriverName = 38,
    DispDriverVersion = 39,
    DispPalCreate = 40,
    DispPalCreateManual = 41,
    DispPalNumColors = 42,
    DispPalNumFrames = 43,
    DispPalOpen = 44,
    DispPalSave = 45,
    DispVersion = 46,
    DispCompression = 47,
    DispBitCount = 48,
    DispImageFormat = 49,
    DispCompressionQuality = 50,
    DispCompressionKeyFrames = 51,
    DispCanOverlay = 52,
    DispErrorNum = 53,
    DispError = 54,
    DispVideoResolutionWidth = 55,
    DispVideoResolutionHeight = 56,
    DispSetVideoResolution = 57,  // (long Width, long Height) -> BOOL
    DispEnumCompressors = 58,     // () -> short
    DispIsSizeAvailable = 59,     // (long Width, long Height) -> BOOL
    DispEnumDrivers = 60,         // () -> short
    DispBorderStyle = -504,
    DispAboutBox = -552,
};

enum Event : int {
    EventStatus = 1,
    EventCompressorFound = 2,  // (BSTR FourCC, BSTR Description)
    EventCompressionSet = 3,   // declared, never raised
    EventDriverFound = 4,      // (long Number, BSTR Name)
    EventVideoFormatChanged = 5,
    EventMouseDown = -605,  // (short Button, short Shift, x, y)
    EventMouseUp = -607,
    EventDblClick = -601,
    EventClick = -600,
};

// ErrorNum codes; each is also the string id of its text.
enum ErrorCode : int {
    kErrNone = 0,
    kErrNotConnected = 105,
    kErrFormatDlg = 106,
    kErrDisplayDlg = 107,
    kErrSourceDlg = 108,
    kErrCompressionDlg = 109,
    kErrCaptureDIB = 110,
    kErrCapture = 111,
    kErrCaptureStop = 112,
    kErrCaptureFile = 113,
    kErrDisconnect = 114,
    kErrConnect = 115,
    kErrDriverNum = 116,
    kErrPreview = 117,
    kErrPreviewRate = 118,
    kErrYield = 119,
    kErrEditCopy = 120,
    kErrOverlay = 121,
    kErrCaptureAudio = 122,
    kErrVideoRate = 123,
    kErrCaptureSaveEmpty = 124,
    kErrCaptureSave = 125,
    kErrAutoSize = 126,
    kErrLimit = 127,
    kErrSingleFrameOpen = 128,
    kErrSingleFrameClose = 129,
    kErrSingleFrame = 130,
    kErrPalCreate = 131,
    kErrStopOnMouseOrEsc = 132,
    kErrPalCreateManual = 133,
    kErrPalOpen = 134,
    kErrPalSave = 135,
    kErrCompression = 141,
    kErrImageFormat = 142,
    kErrResolution = 143,
    kErrCompressionQuality = 144,
};

inline constexpr int kMaxControls = 5;
inline constexpr int kStringInstanceLimit = 59280;

inline constexpr const char* kControlName = "orvalis";  // lib<name>.so

}  // namespace brindle::orvalis
