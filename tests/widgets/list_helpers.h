// Reading and setting the folder list of a main window the way the widget tests need.
#pragma once

#include <vector>

#include <QPoint>
#include <QStringList>
#include <initializer_list>
#include <string>

namespace tessel::ui {
class Form1;
}

namespace tessel::testing {

// The texts of one column, top to bottom.
QStringList ColumnTexts(ui::Form1& window, int column);
// The captions of the rows, top to bottom.
QStringList RowNames(ui::Form1& window);
// Selects exactly the given rows.
void SelectRows(ui::Form1& window, std::initializer_list<int> rows);
void SelectRows(ui::Form1& window, const std::vector<int>& rows);
// The package's entries as the file holds them now, with their bytes ("data/x=X").
QStringList Reloaded(const std::string& path);
// The centre of a row in the list's viewport.
QPoint RowCenter(ui::Form1& window, int row);

} // namespace tessel::testing
