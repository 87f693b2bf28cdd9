#include "progress_window.h"

#include "name_text.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace tessel::ui {

namespace {
constexpr int kClientWidth = 319;
constexpr int kClientHeight = 106;
constexpr int kEventIntervalMs = 25;
} // namespace

void Form3::reject() {
    CancelButton->click();
}

QString PercentText(std::int32_t total, std::int32_t index) {
    const double percent = static_cast<double>(index) / static_cast<double>(total) * 100.0;
    return QString::number(static_cast<long long>(std::floor(percent + 0.5))) + "%";
}

Form3::Form3(QWidget* parent) : QDialog(parent) {
    setObjectName("Form3");
    setWindowTitle("Extracting archive");
    setFixedSize(kClientWidth, kClientHeight);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(false);

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);
    StaticText1 = new QLabel("extracting", panel);
    LFile = new QLabel("File here", panel);
    LFile->setTextFormat(Qt::PlainText);
    LFile->setMinimumWidth(1);
    LProgress = new QLabel("0%", panel);
    LProgress->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ProgressBar1 = new QProgressBar(panel);
    ProgressBar1->setAccessibleName("Progress");
    ProgressBar1->setAccessibleDescription("How much of the run is done");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->setVerticalSpacing(2);
    grid->addWidget(StaticText1, 0, 0, 1, 2);
    grid->addWidget(LFile, 1, 0);
    grid->addWidget(LProgress, 1, 1);
    grid->addWidget(ProgressBar1, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);

    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setAccessibleDescription("Stops the run after the entry under way; what was done stays");
    connect(CancelButton, &QPushButton::clicked, this, [this] {
        cancelRequested_ = true;
        hide();
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(panel);
    layout->addWidget(CancelButton, 0, Qt::AlignRight);
}

void Form3::showForRun() {
    cancelRequested_ = false;
    sinceEvents_.invalidate();
    if (isVisible())
        return;
    if (QWidget* owner = parentWidget())
        move(owner->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    show();
}

void Form3::Progress(const std::string& caption, const std::string& name, std::int32_t total,
                     std::int32_t index) {
    if (name.empty()) {
        hide();
        return;
    }
    const QString captionText = QString::fromStdString(caption);
    const QString nameText = QString::fromStdString(name);
    if (StaticText1->text() != captionText)
        StaticText1->setText(captionText);
    if (LFile->text() != nameText)
        LFile->setText(nameText);
    // Painting and handling events for every one of a hundred thousand small entries would
    // cost more than the entries themselves: do it a few dozen times a second.
    if (!sinceEvents_.isValid() || sinceEvents_.elapsed() >= kEventIntervalMs) {
        repaint();
        QApplication::processEvents();
        sinceEvents_.restart();
    }
    if (cancelRequested_)
        throw RunCancelled();
    if (index <= 0 || total <= 0) {
        ProgressBar1->setRange(0, 100);
        return;
    }
    const QString percent = PercentText(total, index);
    if (LProgress->text() == percent)
        return;
    LProgress->setText(percent);
    ProgressBar1->setValue(percent.chopped(1).toInt());
}

ProgressCallback Form3::callback() {
    return [this](const ProgressEvent& event) {
        Progress(std::string(event.caption), event.node ? NameToUtf8(event.node->text()) : std::string(),
                 event.total, event.index);
    };
}

} // namespace tessel::ui
