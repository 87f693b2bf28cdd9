#include "choice_box.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

namespace tessel::ui {

Choice Ask(QWidget* parent, const Question& question) {
    QMessageBox box(QMessageBox::Question, question.title, question.text, QMessageBox::NoButton, parent);
    box.setObjectName(question.objectName);
    box.setInformativeText(question.details);
    std::vector<QAbstractButton*> buttons;
    for (const QString& text : question.buttons)
        buttons.push_back(box.addButton(text, QMessageBox::ActionRole));
    box.setDefaultButton(static_cast<QPushButton*>(buttons.front()));
    box.setEscapeButton(buttons.back());
    if (!question.checkBox.isEmpty())
        box.setCheckBox(new QCheckBox(question.checkBox, &box));
    box.exec();
    Choice choice;
    choice.button = static_cast<int>(buttons.size()) - 1;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i])
            choice.button = static_cast<int>(i);
    }
    choice.checked = box.checkBox() && box.checkBox()->isChecked();
    return choice;
}

} // namespace tessel::ui
