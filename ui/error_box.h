// The application's standard error box: every error that a command does not handle
// itself ends up here, and the program goes on.
#pragma once

#include <QString>

class QWidget;

namespace tessel::ui {

inline constexpr const char* kApplicationTitle = "Tessel";

// The message with "." appended when it is not empty and its last character's code is
// greater than that of ".".
QString ErrorBoxText(const QString& message);

// A modal box with a stop icon and one OK button.
void ShowErrorBox(QWidget* parent, const QString& message);

} // namespace tessel::ui
