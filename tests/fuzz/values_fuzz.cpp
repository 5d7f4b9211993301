// The text forms of numbers and Booleans: a value or a failure, never a
// crash or undefined behaviour.
#include <cstdint>
#include <string>

#include "runtime/convert.h"
#include "runtime/failure.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    using namespace lumaris;
    auto tryIt = [](auto&& f) {
        try {
            f();
        } catch (const Failure&) {
        }
    };
    tryIt([&] { textToInt16(text); });
    tryIt([&] { textToInt32(text); });
    tryIt([&] { textToBool(text); });
    tryIt([&] { leadingNumber(text); });
    tryIt([&] { parseNumber(text); });
    tryIt([&] { formatAtLeast3(leadingNumber(text)); });
    return 0;
}
