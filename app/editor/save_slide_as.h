// The slide's Save As command: the selected slide's medium saved under a
// name of the user's choice, as a copy or, for a clip saved as ".rm",
// encoded by the media encoder.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace brindle {

void mnuContextSaveAs_Click();

// The save-file dialog of the command; tests replace it. Answers the chosen
// file, empty when cancelled.
using SaveSlideChooser = std::function<QString(QWidget* parent, const QString& title,
                                               const QString& filter, const QString& folder)>;
void setSaveSlideChooser(SaveSlideChooser chooser);

}  // namespace brindle
