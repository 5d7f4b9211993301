// Failures and the shared error trap.
//
// A failure carries a number and a description. Procedures that trap their
// own failures wrap their body in trap(): the failure is shown as
// "<number>-<description>" with the exclamation icon and the procedure's own
// title, cleared, and the procedure returns. Procedures without a trap let
// the failure travel to their caller's trap.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lumaris {

class Ui;

class Failure : public std::runtime_error {
public:
    Failure(std::int32_t number, std::string description)
        : std::runtime_error(description), number_(number), description_(std::move(description)) {}

    std::int32_t number() const { return number_; }
    const std::string& description() const { return description_; }
    // The text a trap shows: number, "-", description.
    std::string message() const { return std::to_string(number_) + "-" + description_; }

private:
    std::int32_t number_;
    std::string description_;
};

// The failures the program raises itself. Numbers follow the runtime's
// traditional numbering so that a user who reports "13-Type mismatch" is
// understood.
namespace failures {
inline constexpr std::int32_t kInvalidCall = 5;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kInternal = 51;
inline constexpr std::int32_t kFileNotFound = 53;
inline constexpr std::int32_t kDiskFull = 61;
inline constexpr std::int32_t kPermissionDenied = 70;
inline constexpr std::int32_t kPathAccess = 75;
inline constexpr std::int32_t kCannotCreate = 429;

Failure typeMismatch();
Failure overflow();
Failure invalidCall();
}  // namespace failures

// Message box styles and answers used across the program.
inline constexpr std::int32_t kMbOk = 0x00;  // MB_OK
inline constexpr std::int32_t kMbIconError = 0x10;  // MB_ICONERROR
inline constexpr std::int32_t kMbIconExclamation = 0x30;  // MB_ICONEXCLAMATION
inline constexpr std::int32_t kMbIconInformation = 0x40;  // MB_ICONINFORMATION
inline constexpr std::int32_t kIdOk = 1;  // IDOK

// Runs body; a failure that escapes it (or any standard exception, turned into
// a failure) is shown in a message box titled `title` and then cleared.
// Returns true when body ran to its end. Exceptions that are not failures and
// not standard exceptions (the process ending) pass through untouched.
template <class Body>
bool trap(Ui& ui, std::string_view title, Body&& body);

// Shows one trapped failure; used by trap().
void showTrapped(Ui& ui, std::string_view title, const Failure& failure);

// Turns a standard exception into the failure the user is shown.
Failure asFailure(const std::exception& error);

template <class Body>
bool trap(Ui& ui, std::string_view title, Body&& body) {
    try {
        body();
        return true;
    } catch (const Failure& failure) {
        showTrapped(ui, title, failure);
    } catch (const std::exception& error) {
        showTrapped(ui, title, asFailure(error));
    }
    return false;
}

}  // namespace lumaris
