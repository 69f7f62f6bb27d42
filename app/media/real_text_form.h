// The text slide editor: the user types a text, picks one of three font
// sizes, one of four colour schemes and whether the lines are centred; "OK"
// writes the slide's markup and plain-text files and adds a new text slide
// or updates the one being edited.
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QPushButton;
class QStackedLayout;
class QTextEdit;

namespace brindle {

class realText : public QDialog {
    Q_OBJECT
public:
    explicit realText(QWidget* parent = nullptr);

    // Prepares the dialog before it is shown. With the text file of an
    // existing slide (editing slide `slide`), the boxes get its lines;
    // without one (a new slide) they get "Your Text Goes Here", selected.
    void initTheForm(const QString& path, int pointSize, int foreColor, int alignment,
                     int slide = 0);

    // Recomputes how many lines of the current font fit the text box.
    void getTextRectInfo();

    int visibleLines() const { return m_visibleLines; }
    int scrollRate() const { return m_scrollRate; }
    // The slide "OK" added or updated; 0 before.
    int savedSlide() const { return m_savedSlide; }

    QTextEdit* Text1() const { return m_text1; }
    QTextEdit* Text2() const { return m_text2; }
    QComboBox* Combo1() const { return m_combo1; }
    QComboBox* Combo2() const { return m_combo2; }
    QCheckBox* Check1() const { return m_check1; }
    QPushButton* Done() const { return m_done; }
    QPushButton* Cancel() const { return m_cancel; }

private:
    QTextEdit* makeBox(bool centred);
    void Combo1_Click();
    void Combo2_Click();
    void Check1_Click();
    void textChanged(QTextEdit* from, QTextEdit* to);
    void Done_Click();

    QTextEdit* m_text1;
    QTextEdit* m_text2;
    QComboBox* m_combo1;
    QComboBox* m_combo2;
    QCheckBox* m_check1;
    QPushButton* m_done;
    QPushButton* m_cancel;
    QStackedLayout* m_boxes = nullptr;

    QString m_fontName;
    int m_scrollRate = 10;
    int m_visibleLines = 0;
    int m_editedSlide = 0;
    int m_savedSlide = 0;
    bool m_copying = false;
};

}  // namespace brindle
