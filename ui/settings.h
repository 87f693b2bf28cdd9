// What the window keeps between runs, in the user's configuration folder
// (~/.config/tessel/tessel.conf).
#pragma once

#include <QSettings>

namespace tessel::ui {

class Settings : public QSettings {
public:
    Settings() : QSettings("tessel", "tessel") {}
};

// Whether Delete asks first; the user may tell it not to.
inline constexpr const char* kAskBeforeDeleting = "confirmations/askBeforeDeleting";

} // namespace tessel::ui
