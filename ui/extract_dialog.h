// "Extraction options": where to extract, and whether the whole package or the selection.
// Created once, so the destination stays from one use to the next.
#pragma once

#include <QDialog>

class QCheckBox;
class QFileSystemModel;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeView;

namespace tessel::ui {

class Form2 : public QDialog {
    Q_OBJECT
public:
    // The dialog's results: OK, Cancel, and the title bar's close box.
    static constexpr int ResultOk = 1;
    static constexpr int ResultCancel = -1;
    static constexpr int ResultClosed = 2;

    explicit Form2(QWidget* parent = nullptr);

    QLineEdit* LabeledEdit1 = nullptr;
    QTreeView* ShellTreeView1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QCheckBox* KeepDates = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    // Sets the choice before the dialog opens: the selection can be chosen only when
    // there is one.
    void presetChoice(bool hasSelection);
    bool extractAll() const;
    // Files written take their entries' dates; the choice is remembered.
    bool keepDates() const;
    // The folder the field names, "~" and paths relative to the home folder resolved.
    QString destination() const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ShellTreeView1Change(const QModelIndex& current);
    // The tree shows the field's folder, or the nearest folder above it that exists.
    void followField();
    // OK: the field's folder, made after asking when it does not exist.
    void accept() override;

    QFileSystemModel* folders_ = nullptr;
    // Set while the tree moves to follow the field, so that it does not write back.
    bool following_ = false;
};

} // namespace tessel::ui
