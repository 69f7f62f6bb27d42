// The progress dialog of a presentation pass: one bar from 0 to 101, 75 of
// it for the sound mix and 25 for the slides, and the Cancel button that
// sets CancelRequested. A silent pass shows nothing and every call is a
// no-op.
#pragma once

#include "app/media/progress_form.h"

#include <QPointer>

#include <cstdint>

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
    // Shows the dialog ("Preparing your project...", bar 0 of 0..101) unless
    // silent.
    explicit PassProgress(bool silent);
    ~PassProgress();  // closes the dialog when still shown
    PassProgress(const PassProgress&) = delete;
    PassProgress& operator=(const PassProgress&) = delete;

    bool shown() const { return m_form != nullptr; }
    progressForm* form() const { return m_form; }

    void setValue(int value);
    // Lets the dialog repaint and its button be pressed.
    void refresh();
    // Closes the dialog and undims the editor around it.
    void close();

private:
    QPointer<progressForm> m_form;
    bool m_lent = false;  // the window belongs to the caller of the pass
};

// Lends the passes that follow an open progress window instead of their
// own, for commands with more stages than the pass: the pass sets its text
// and bar and leaves the window open at its end. nullptr ends the loan.
void lendPassProgressForm(progressForm* form);

// The dialog of the pass running now; nullptr when none is shown.
PassProgress* currentPassProgress();

}  // namespace brindle
