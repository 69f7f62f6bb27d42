// The start-up window `burstForm`: the program's name, shown for a moment
// while the main window is made (less when the user presses Escape). The
// main window's start-up closes it.
#pragma once

#include <QWidget>

namespace brindle {

class burstForm : public QWidget {
    Q_OBJECT
public:
    // The longest the window waits before the main window is made.
    static constexpr int kShowMs = 100;

    explicit burstForm(QWidget* parent = nullptr);

    // Shows the window centred across the screen, paints it at once, and
    // waits up to kShowMs on the monotonic clock, or until Escape.
    void showAndWait();
    // True once Escape was pressed.
    bool escaped() const { return m_escape != 0; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_escape = 0;
};

}  // namespace brindle
