// The questions the window asks before it does something that cannot be taken back: a
// message box with buttons of their own words and, for a question asked many times over,
// a box to tick that answers the rest the same way.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace tessel::ui {

struct Question {
    QString objectName;
    QString title;
    QString text;
    QString details;
    // The answers, the first the default; Escape and the close button give the last.
    QStringList buttons;
    // The words of the box to tick, or empty for none.
    QString checkBox;
};

struct Choice {
    // The index of the button pressed.
    int button = 0;
    bool checked = false;
};

Choice Ask(QWidget* parent, const Question& question);

} // namespace tessel::ui
