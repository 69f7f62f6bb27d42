// The main frame window that holds the story editor.
#pragma once

#include <QMainWindow>

namespace brindle {

class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit MainFrame(QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace brindle
