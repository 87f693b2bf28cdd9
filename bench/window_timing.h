// Timing the window on the offscreen platform: each run's work with the repaint that
// follows, after an untimed preparation; the median of the runs.
#pragma once

#include "median.h"

#include <QApplication>
#include <QElapsedTimer>
#include <functional>
#include <vector>

namespace tessel::bench {

inline double MedianMs(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        work();
        QApplication::processEvents();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return Median(times);
}

} // namespace tessel::bench
