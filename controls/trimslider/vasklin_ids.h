// The dispatch contract of the trim slider control: its member and event ids.
// Header only, so hosts can name the members without linking the control.
#pragma once

namespace brindle::vasklin {

enum Member : int {
    DispTickCount = 1,          // long; tick intervals under the track, 0 = none
    DispShowTrimCtl = 2,        // Boolean; trim marks shown and usable
    DispPointerPos = 3,         // long; the position pointer, kept within the marks
    DispTickRatio = 4,          // long; reads 0
    DispStartEditPos = 5,       // long; the left trim mark
    DispEndEditPos = 6,         // long; the right trim mark
    DispPageSize = 7,           // long; step of a track click and of Page Up/Down
    DispSetTotalRange = 8,      // SetTotalRange(long lStart, long lEnd)
    DispGetTotalRange = 9,      // GetTotalRange(VARIANT, VARIANT): does nothing
    DispGetEndPos = 10,         // GetEndPos() -> long, the range end
    DispGetStartPos = 11,       // GetStartPos() -> long, the range start
    DispGetEditStartPos = 12,   // GetEditStartPos() -> long
    DispGetEditEndPos = 13,     // GetEditEndPos() -> long
    DispSetCurPosToolTip = 14,  // (BSTR) -> Boolean
    DispSetStartToolTip = 15,   // (BSTR) -> Boolean
    DispSetEndToolTip = 16,     // (BSTR) -> Boolean
    DispSetBackToolTip = 17,    // (BSTR) -> Boolean
    DispSetFwdToolTip = 18,     // (BSTR) -> Boolean
    DispEnableToolTips = 19,    // (VARIANT_BOOL) -> Boolean, the previous setting
    DispEnabled = -514,         // Boolean, standard
    DispBackColor = -501,       // colour 0x00BBGGRR, standard
};

enum Event : int {
    EventPointerPosChanged = 1,    // (long lNewPos)
    EventStartEditPosChanged = 2,  // (long lNewPos)
    EventEndEditPosChanged = 3,    // (long lNewPos)
};

// Hit codes of the control's parts.
enum Part : int {
    PartNone = 0,
    PartStartMark = 1,
    PartEndMark = 2,
    PartPointer = 3,
    PartTrackRight = 4,  // the track right of the pointer
    PartTrackLeft = 5,   // the track at or left of the pointer
    PartForward = 6,
    PartBack = 7,
};

inline constexpr const char* kControlName = "vasklin";  // lib<name>.so
inline constexpr const char* kProgId = "VASKLIN.VasklinCtrl.1";
inline constexpr const char* kPropertyPageProgId = "VASKLIN.TSlider2PropPage.1";

}  // namespace brindle::vasklin
