#include "runtime/failure.h"

#include <new>

#include "platform/ui.h"

namespace lumaris {

namespace failures {
Failure typeMismatch() { return Failure(kTypeMismatch, "Type mismatch"); }
Failure overflow() { return Failure(kOverflow, "Overflow"); }
Failure invalidCall() { return Failure(kInvalidCall, "Invalid procedure call or argument"); }
}  // namespace failures

void showTrapped(Ui& ui, std::string_view title, const Failure& failure) {
    ui.MsgBox(failure.message(), kMbIconExclamation, std::string(title));
}

Failure asFailure(const std::exception& error) {
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
        return Failure(failures::kOutOfMemory, "Out of memory");
    }
    if (const auto* failure = dynamic_cast<const Failure*>(&error)) {
        return *failure;
    }
    return Failure(failures::kInternal, std::string("Internal error: ") + error.what());
}

}  // namespace lumaris
