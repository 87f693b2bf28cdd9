// A sound's format, channels, rate and length, and Play and Stop where the desktop has sound.
#pragma once

#include "sound_info.h"

#include <QByteArray>
#include <QWidget>

class QAudioOutput;
class QBuffer;
class QLabel;
class QMediaPlayer;
class QPushButton;

namespace tessel::ui {

class SoundPreview : public QWidget {
    Q_OBJECT
public:
    explicit SoundPreview(QWidget* parent = nullptr);
    ~SoundPreview() override;

    // bytes empty: the sound is too large to be played from the pane.
    void showSound(const preview::SoundInfo& info, const QByteArray& bytes);
    void stop();
    // Lets go of the sound's bytes.
    void clear();
    QString facts() const;

private:
    void play();

    QLabel* facts_;
    QPushButton* play_;
    QPushButton* stop_;
    QByteArray bytes_;
    // Made on the first Play: a desktop without sound costs nothing until then.
    QMediaPlayer* player_ = nullptr;
    QAudioOutput* output_ = nullptr;
    QBuffer* buffer_ = nullptr;
};

} // namespace tessel::ui
