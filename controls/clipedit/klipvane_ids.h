// The dispatch contract of the clip edit control: its member and event ids.
// Header only, so hosts can name the members without linking the control.
#pragma once

namespace brindle::klipvane {

enum Member : int {
    DispFilename = 1,     // text, read/write; setting it opens the file
    DispTotalFrames = 2,  // long, read/write
    DispLastFrame = 3,    // long, read/write; last frame to keep
    DispFirstFrame = 4,   // long, read/write; first frame to keep
    DispSave = 5,         // Save() -> Boolean: cut the file to [FirstFrame, LastFrame]
    DispAbort = 6,        // Abort() -> Boolean: stop the running save
    DispGetDIB = 7,       // GetDIB(long Frame) -> address of a packed bitmap, 0 on failure
};

enum Event : int {
    EventSaveProgress = 1,  // (short Percent)
    EventErrorInfo = 2,     // (long Code, BSTR ErrorString)
};

// ErrorInfo codes the save reports.
inline constexpr int kErrorInvalidFormat = 204;
inline constexpr int kErrorInternal = 220;

inline constexpr const char* kControlName = "klipvane";  // lib<name>.so

}  // namespace brindle::klipvane
