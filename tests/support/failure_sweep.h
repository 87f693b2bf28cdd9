// Makes the I/O operations of some work fail one after another: the first, then the second,
// and so on, until the work runs through without reaching the failing one. For builds with
// the engine's test hooks.
#pragma once

#include "test_hooks.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace tessel::testing {

// Before each run `prepare` sets the scene; after it `check` is told the error the work
// raised ("" when none) and whether the armed failure struck. Returns the failing runs.
inline int SweepFailures(const std::function<void()>& prepare, const std::function<void()>& work,
                         const std::function<void(const std::string& error, bool struck)>& check,
                         long limit = 500) {
    for (long n = 1;; ++n) {
        prepare();
        FaultInjection::Arm(n);
        std::string error;
        try {
            work();
        } catch (const std::exception& raised) {
            error = raised.what();
        }
        const bool struck = FaultInjection::Struck();
        FaultInjection::Disarm();
        SCOPED_TRACE("failing operation " + std::to_string(n) + ": " + error);
        check(error, struck);
        if (!struck || ::testing::Test::HasFatalFailure())
            return static_cast<int>(n - 1);
        if (n >= limit) {
            ADD_FAILURE() << "the work still reaches failing operations after " << limit;
            return static_cast<int>(n);
        }
    }
}

} // namespace tessel::testing
