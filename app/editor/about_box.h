// The About box: the program's title, its version and the notice texts.
#pragma once

#include <QDialog>

namespace brindle {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
};

// "major.minor.revision" of the program's version number.
QString programVersion();

void mnuAbout_Click();

}  // namespace brindle
