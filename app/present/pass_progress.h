// The progress display of a presentation pass: one bar from 0 to 101, 75
// of it for the sound mix and 25 for the slides; the display's Cancel sets
// CancelRequested. A silent pass shows nothing and every call is a no-op;
// so does a pass when no ProgressSink is installed.
#pragma once

#include "app/model/progress.h"

#include <cstdint>
#include <memory>

namespace brindle {

// Where an encoder's percentage lands on the bar: base + percent / 100 x
// span. The editor window's values, set by the pass as it goes.
extern std::int16_t gProgressBase;
extern std::int16_t gProgressSpan;

inline constexpr int kAudioProgressShare = 75;
inline constexpr int kSlidesProgressShare = 25;
inline constexpr int kProgressMaximum = kAudioProgressShare + kSlidesProgressShare + 1;

class PassProgress {
public:
    // Shows the display ("Preparing your project...", bar 0 of 0..101)
    // unless silent.
    explicit PassProgress(bool silent);
    ~PassProgress();  // closes the display when still shown
    PassProgress(const PassProgress&) = delete;
    PassProgress& operator=(const PassProgress&) = delete;

    bool shown() const { return m_display != nullptr; }

    void setValue(int value);
    // Lets the display repaint and its Cancel be pressed.
    void refresh();
    // Closes the display and undims the editor around it.
    void close();

private:
    std::unique_ptr<ProgressDisplay> m_owned;
    ProgressDisplay* m_display = nullptr;  // m_owned, or the lent display
};

// Lends the passes that follow an open display instead of their own, for
// commands with more stages than the pass: the pass sets its text and bar
// and leaves the display open at its end. nullptr ends the loan.
void lendPassProgressDisplay(ProgressDisplay* display);

// The display of the pass running now; nullptr when none is shown.
PassProgress* currentPassProgress();

}  // namespace brindle
