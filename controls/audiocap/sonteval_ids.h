// The dispatch contract of the audio capture control: its member and event
// ids, its error codes and its formats. Header only, so hosts can name the
// members without linking the control.
#pragma once

#include <cstdint>

namespace brindle::sonteval {

enum Member : int {
    DispDisplayMode = 1,                // short, read/write, persisted
    DispNoStreamColor = 2,              // colour, read/write
    DispStatus = 3,                     // short, read/write, persisted
    DispScratchFileName = 4,            // text, read/write
    DispLength = 5,                     // long, read only: ms of the open stream
    DispCurrentPosition = 6,            // long, read only: ms recorded or played
    DispCaptureFormat = 7,              // short, read/write, 0..1
    DispSaveFormat = 8,                 // short, read/write, 0..3
    DispBackgroundColor = 9,            // colour, read/write
    DispMonoForeColor = 10,             // colour, read/write
    DispLeftStereoForeColor = 11,       // colour, read/write
    DispRightStereoForeColor = 12,      // colour, read/write
    DispPositionVernierForeColor = 13,  // colour, read/write
    DispRecord = 14,                    // Record()
    DispPlay = 15,                      // Play()
    DispSeek = 16,                      // Seek(long nLengthInMs, short seekStart)
    DispSave = 17,                      // Save(BSTR lpszPathName)
    DispSaveSelection = 18,             // SaveSelection(BSTR lpszPathName)
    DispSetSelection = 19,              // SetSelection(long lStart, long lDurationInMs)
    DispGetFileSizeUpperLimit = 20,     // GetFileSizeUpperLimit(long* hi, long* lo)
    DispSetFileSizeUpperLimit = 21,     // SetFileSizeUpperLimit(long hi, long lo)
    DispPause = 22,                     // Pause()
    DispStop = 23,                      // Stop()
    DispOpenFile = 24,                  // OpenFile(BSTR lpszPathName)
    DispGetSelection = 25,              // GetSelection(long* start, long* durationMs)
    DispCancelSave = 26,                // CancelSave()
    DispThreadSafeSave = 27,            // ThreadSafeSave(BSTR lpszPathName) -> long
    DispCloseFile = 28,                 // CloseFile()
    DispAboutBox = -552,                // AboutBox()
};

enum Event : int {
    EventPlayStart = 1,       // ()
    EventPlayProgress = 2,    // (short left, short right, long positionMs)
    EventPlayStop = 3,        // ()
    EventRecordStart = 4,     // ()
    EventRecordProgress = 5,  // (short left, short right, long lengthMs)
    EventRecordStop = 6,      // ()
    EventSaveProgress = 7,    // (short percent)
    EventSaveBegin = 8,       // ()
    EventSaveDone = 9,        // (VARIANT_BOOL cancelled)
    EventRecordError = 10,    // (long error)
};

// Errors raised by the control (and ThreadSafeSave's results).
inline constexpr std::int32_t kErrNoName = static_cast<std::int32_t>(0x80040001);
inline constexpr std::int32_t kErrBusy = static_cast<std::int32_t>(0x80040002);
inline constexpr std::int32_t kErrCannotOpen = static_cast<std::int32_t>(0x80040003);
inline constexpr std::int32_t kErrPlaying = static_cast<std::int32_t>(0x80040004);
inline constexpr std::int32_t kErrNoLength = static_cast<std::int32_t>(0x80040007);
inline constexpr std::int32_t kErrNoWindow = static_cast<std::int32_t>(0x80040008);
inline constexpr std::int32_t kErrNothingToPlay = static_cast<std::int32_t>(0x80040009);
inline constexpr std::int32_t kErrSeekOutside = static_cast<std::int32_t>(0x8004000A);
inline constexpr std::int32_t kErrNoStream = static_cast<std::int32_t>(0x8004000B);
inline constexpr std::int32_t kErrStartOutside = static_cast<std::int32_t>(0x8004000C);
inline constexpr std::int32_t kErrEndOutside = static_cast<std::int32_t>(0x8004000D);
inline constexpr std::int32_t kErrLimitHigh = static_cast<std::int32_t>(0x8004000E);
inline constexpr std::int32_t kErrWrite = static_cast<std::int32_t>(0x8004000F);
inline constexpr std::int32_t kErrCancelled = static_cast<std::int32_t>(0x800440C6);
inline constexpr std::int32_t kErrOutOfMemory = static_cast<std::int32_t>(0x8007000E);
// Results of the compressed save format's converter.
inline constexpr std::int32_t kConvertNoCodec = -1;
inline constexpr std::int32_t kConvertCancelled = -10;

// Status values the control writes.
inline constexpr int kStatusPlaying = 1;
inline constexpr int kStatusStopped = 3;
inline constexpr int kStatusPaused = 4;

inline constexpr const char* kControlName = "sonteval";  // lib<name>.so

}  // namespace brindle::sonteval
