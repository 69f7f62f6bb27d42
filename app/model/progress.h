// How long work shows that it runs and hears that it should stop. The model
// owns these small interfaces and knows no window: the editor implements
// them with its progress window and the hourglass, brindle-cli and tests
// with their own, or with none (then nothing is shown).
#pragma once

#include <QString>

#include <memory>

namespace brindle {

// Set when the user asks the long operation in progress to stop (the
// progress window's Cancel button, Escape or close box; an interrupt in
// brindle-cli). Callers clear it before they start and decide themselves
// whether and when to stop.
extern bool CancelRequested;

// One shown progress display: a text line and a bar. Destroying it closes
// it.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    virtual void setText(const QString& text) = 0;
    // The bar runs from 0 to maximum.
    virtual void setMaximum(int maximum) = 0;
    virtual void setValue(int value) = 0;
    // Shows the latest state at once (a window repaints).
    virtual void update() {}
    // Names the display (a window's object name), for tests and pictures.
    virtual void setName(const QString& /*name*/) {}
    // While modal, the display takes all input of the program: for work
    // that nothing may interrupt but its Cancel.
    virtual void setModal(bool /*modal*/) {}
    // The second bar, for the step in progress (shown unless hidden).
    virtual void setStepBarShown(bool /*shown*/) {}
};

// Where progress and the busy state are shown.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Opens a display; nullptr shows nothing.
    virtual std::unique_ptr<ProgressDisplay> open() = 0;
    // The busy state (the hourglass) on or off; calls nest.
    virtual void setBusy(bool busy) = 0;
};

// The registered sink; nullptr (the default) shows nothing. Not owned.
void setProgressSink(ProgressSink* sink);
ProgressSink* progressSink();

// The busy state for the life of the object.
class BusyScope {
public:
    BusyScope();
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    ProgressSink* m_sink;
};

}  // namespace brindle
