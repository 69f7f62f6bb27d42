// The shared progress window of long operations: a text line, a bar for
// the whole operation, a bar for the current step and a Cancel button. It
// does no work itself: callers set its text and bars as they go and test
// CancelRequested between steps.
#pragma once

#include "app/model/progress.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace brindle {

class progressForm : public QDialog {
    Q_OBJECT
public:
    explicit progressForm(QWidget* parent = nullptr);

    QLabel* Label1() const { return m_label; }
    QProgressBar* masterProgress() const { return m_master; }
    QProgressBar* encoderProgress() const { return m_encoder; }
    QPushButton* Cancel() const { return m_cancel; }

protected:
    // Escape and the window's close box count as Cancel: they set the
    // request and leave the window to its caller.
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_label;
    QProgressBar* m_master;
    QProgressBar* m_encoder;
    QPushButton* m_cancel;
};

// The program's ProgressSink: each display is a progressForm over the
// project view's window, the busy state the hourglass cursor. Installed by
// the editor at start-up.
void installProgressWindows();

}  // namespace brindle
