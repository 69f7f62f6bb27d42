// The text caption dialog: one label, one text box, "OK" and "Cancel".
// "OK" stores the box's text as the slide's caption when it changed.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace brindle {

class textCaption : public QDialog {
    Q_OBJECT
public:
    explicit textCaption(QWidget* parent = nullptr);

    // Puts slide `slide`'s caption into the text box.
    void initTheForm(int slide);

    QLabel* Label1() const { return m_label; }
    QLineEdit* Text1() const { return m_text; }
    QPushButton* Done() const { return m_done; }
    QPushButton* Cancel() const { return m_cancel; }

private:
    void Done_Click();

    QLabel* m_label;
    QLineEdit* m_text;
    QPushButton* m_done;
    QPushButton* m_cancel;
    int m_slide = 0;
};

}  // namespace brindle
