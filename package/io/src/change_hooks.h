// Where the file door meets the test hooks. In builds for users every hook is an empty
// inline function that the compiler removes, so no trace of them is left in the program.
#pragma once

#include "change_kind.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tessel::hooks {

#ifdef TESSEL_TEST_HOOKS
// A change about to be made: the kill switch counts it, a listening test sees it.
void BeforeChange(ChangeKind kind, const std::string& path, std::int64_t offset = 0,
                  std::string_view bytes = {}, const std::string& target = {});
// The error of an armed failure that is due now, else 0.
int InjectedFailure();
// Whether a test watches every byte written.
bool Watching();
#else
inline void BeforeChange(ChangeKind, const std::string&, std::int64_t = 0, std::string_view = {},
                         const std::string& = {}) {}
inline int InjectedFailure() {
    return 0;
}
inline bool Watching() {
    return false;
}
#endif

} // namespace tessel::hooks
