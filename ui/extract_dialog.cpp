#include "extract_dialog.h"

#include "settings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace tessel::ui {

namespace {
constexpr int kClientWidth = 485;
constexpr int kClientHeight = 383;
constexpr int kTreeWidth = 257;
constexpr int kTreeHeight = 305;
} // namespace

Form2::Form2(QWidget* parent) : QDialog(parent) {
    setObjectName("Form2");
    setWindowTitle("Extraction options");
    setFixedSize(kClientWidth, kClientHeight);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* label = new QLabel("Destination Path", this);
    LabeledEdit1 = new QLineEdit(this);
    LabeledEdit1->setObjectName("LabeledEdit1");
    label->setBuddy(LabeledEdit1);

    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    folders_->setRootPath(QDir::rootPath());
    ShellTreeView1 = new QTreeView(this);
    ShellTreeView1->setAccessibleName("Folders");
    ShellTreeView1->setAccessibleDescription("Choose the folder to extract into; the path above follows");
    LabeledEdit1->setAccessibleDescription("The folder to extract into; it is made when missing");
    ShellTreeView1->setObjectName("ShellTreeView1");
    ShellTreeView1->setModel(folders_);
    ShellTreeView1->setFixedSize(kTreeWidth, kTreeHeight);
    ShellTreeView1->setHeaderHidden(true);
    for (int column = 1; column < folders_->columnCount(); ++column)
        ShellTreeView1->hideColumn(column);
    connect(ShellTreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { ShellTreeView1Change(current); });

    GroupBox1 = new QGroupBox("Extract options", this);
    RadioButton1 = new QRadioButton("Extract all", GroupBox1);
    RadioButton2 = new QRadioButton("Extract Selected", GroupBox1);
    auto* choices = new QVBoxLayout(GroupBox1);
    choices->addWidget(RadioButton1);
    choices->addWidget(RadioButton2);
    KeepDates = new QCheckBox("Keep the entries' dates", GroupBox1);
    KeepDates->setObjectName("KeepDates");
    KeepDates->setAccessibleDescription(
        "Give each file written its entry's date instead of the moment of extracting");
    KeepDates->setChecked(Settings().value(kKeepExtractionDates, false).toBool());
    choices->addWidget(KeepDates);
    choices->addStretch();

    Button1 = new QPushButton("OK", this);
    Button1->setDefault(true);
    Button2 = new QPushButton("Cancel", this);
    // Return means OK wherever the focus rests; Cancel is for a click or Escape.
    Button2->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &Form2::accept);
    connect(Button2, &QPushButton::clicked, this, [this] { done(ResultCancel); });

    auto* right = new QVBoxLayout;
    right->addWidget(GroupBox1);
    right->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    right->addLayout(buttons);
    auto* middle = new QHBoxLayout;
    middle->addWidget(ShellTreeView1);
    middle->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(LabeledEdit1);
    layout->addLayout(middle);

    // Start in the folder of the last extraction, else the user's home folder: the edit
    // receives the tree's current folder.
    const QString last = Settings().value(kLastExtractionFolder).toString();
    const QModelIndex home =
        folders_->index(!last.isEmpty() && QFileInfo(last).isDir() ? last : QDir::homePath());
    ShellTreeView1->setCurrentIndex(home);
    ShellTreeView1->scrollTo(home);
    LabeledEdit1->setText(folders_->filePath(ShellTreeView1->currentIndex()));
    connect(LabeledEdit1, &QLineEdit::textChanged, this, &Form2::followField);
    // The tree reads folders as it is shown: the field's folder may appear only later.
    connect(folders_, &QFileSystemModel::directoryLoaded, this, &Form2::followField);
}

void Form2::ShellTreeView1Change(const QModelIndex& current) {
    if (following_)
        return;
    const QString path = folders_->filePath(current);
    if (!path.isEmpty() && QFileInfo(path).isDir())
        LabeledEdit1->setText(path);
}

void Form2::followField() {
    QString path = destination();
    while (!path.isEmpty() && !QFileInfo(path).isDir() && path != QDir::rootPath())
        path = QFileInfo(path).path();
    const QModelIndex index = folders_->index(path);
    if (!index.isValid() || index == ShellTreeView1->currentIndex())
        return;
    following_ = true;
    ShellTreeView1->setCurrentIndex(index);
    ShellTreeView1->scrollTo(index);
    following_ = false;
}

void Form2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // What the user types replaces the folder shown.
    LabeledEdit1->setFocus();
    LabeledEdit1->selectAll();
    followField();
}

void Form2::accept() {
    const QString folder = destination();
    const QFileInfo info(folder);
    if (folder.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), "Type or choose the folder to extract into.");
        return;
    }
    if (info.exists() && !info.isDir()) {
        QMessageBox::warning(this, windowTitle(), QString("\"%1\" is a file, not a folder.").arg(folder));
        return;
    }
    if (!info.exists()) {
        QMessageBox ask(QMessageBox::Question, windowTitle(),
                        QString("The folder \"%1\" does not exist. Create it?").arg(folder),
                        QMessageBox::Yes | QMessageBox::No, this);
        ask.setObjectName("CreateFolderBox");
        ask.setDefaultButton(QMessageBox::Yes);
        if (ask.exec() != QMessageBox::Yes)
            return;
        if (!QDir().mkpath(folder)) {
            QMessageBox::warning(this, windowTitle(),
                                 QString("The folder \"%1\" cannot be created.").arg(folder));
            return;
        }
    }
    done(ResultOk);
}

void Form2::presetChoice(bool hasSelection) {
    RadioButton2->setEnabled(hasSelection);
    (hasSelection ? RadioButton2 : RadioButton1)->setChecked(true);
}

bool Form2::extractAll() const {
    return RadioButton1->isChecked();
}

bool Form2::keepDates() const {
    return KeepDates->isChecked();
}

QString Form2::destination() const {
    QString typed = LabeledEdit1->text().trimmed();
    if (typed == "~" || typed.startsWith("~/"))
        typed = QDir::homePath() + typed.mid(1);
    if (typed.isEmpty())
        return typed;
    return QDir::cleanPath(QDir::home().absoluteFilePath(typed));
}

void Form2::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        done(ResultCancel);
        return;
    }
    QDialog::keyPressEvent(event);
}

void Form2::closeEvent(QCloseEvent* event) {
    event->accept();
    done(ResultClosed);
}

} // namespace tessel::ui
