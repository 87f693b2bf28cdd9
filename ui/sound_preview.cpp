#include "sound_preview.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QBuffer>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessel::ui {

namespace {

QString Length(double seconds) {
    if (seconds < 0)
        return "length unknown";
    const int whole = int(seconds);
    return QString("%1:%2.%3")
        .arg(whole / 60)
        .arg(whole % 60, 2, 10, QChar('0'))
        .arg(int((seconds - whole) * 10));
}

} // namespace

SoundPreview::SoundPreview(QWidget* parent)
    : QWidget(parent), facts_(new QLabel(this)), play_(new QPushButton("Play", this)),
      stop_(new QPushButton("Stop", this)) {
    setObjectName("SoundPreview");
    facts_->setObjectName("SoundFacts");
    facts_->setWordWrap(true);
    play_->setObjectName("PlaySound");
    stop_->setObjectName("StopSound");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(play_);
    buttons->addWidget(stop_);
    buttons->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->addWidget(facts_);
    column->addLayout(buttons);
    column->addStretch(1);
    connect(play_, &QPushButton::clicked, this, &SoundPreview::play);
    connect(stop_, &QPushButton::clicked, this, &SoundPreview::stop);
}

SoundPreview::~SoundPreview() {
    stop();
}

void SoundPreview::showSound(const preview::SoundInfo& info, const QByteArray& bytes) {
    stop();
    bytes_ = bytes;
    QString facts =
        QString::fromStdString(info.format) +
        QString(", %1 channel%2, %3 Hz").arg(info.channels).arg(info.channels == 1 ? "" : "s").arg(info.rate);
    if (info.bits > 0)
        facts += QString(", %1 bits").arg(info.bits);
    facts += ", " + Length(info.seconds);
    if (bytes.isEmpty())
        facts += ". Too large to play here; Open file plays it";
    facts_->setText(facts);
    play_->setEnabled(!bytes.isEmpty());
    stop_->setEnabled(false);
}

void SoundPreview::clear() {
    stop();
    bytes_.clear();
    facts_->clear();
}

QString SoundPreview::facts() const {
    return facts_->text();
}

void SoundPreview::play() {
    stop();
    // Qt's players fall over where there is no sound device: Play says so instead.
    if (QMediaDevices::audioOutputs().isEmpty()) {
        facts_->setText(facts_->text() + ". This desktop has no sound device to play it on");
        play_->setEnabled(false);
        return;
    }
    if (!player_) {
        player_ = new QMediaPlayer(this);
        output_ = new QAudioOutput(this);
        player_->setAudioOutput(output_);
        connect(player_, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error, const QString& why) {
            facts_->setText(facts_->text() + ". It cannot be played: " + why);
            stop_->setEnabled(false);
        });
        connect(player_, &QMediaPlayer::playbackStateChanged, this,
                [this](QMediaPlayer::PlaybackState state) {
                    stop_->setEnabled(state == QMediaPlayer::PlayingState);
                });
    }
    buffer_ = new QBuffer(this);
    buffer_->setData(bytes_);
    buffer_->open(QIODevice::ReadOnly);
    player_->setSourceDevice(buffer_);
    player_->play();
}

void SoundPreview::stop() {
    if (player_) {
        player_->stop();
        player_->setSourceDevice(nullptr);
    }
    if (buffer_) {
        buffer_->deleteLater();
        buffer_ = nullptr;
    }
    stop_->setEnabled(false);
}

} // namespace tessel::ui
