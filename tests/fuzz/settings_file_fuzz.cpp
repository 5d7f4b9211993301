// The settings file's reader and writer on any text: no crash, and a value
// set is the value read back, with every other key's value kept.
#include <strings.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/posix/ini_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    // The first line names the key and the value; the rest is the file.
    const auto lineEnd = input.find('\n');
    const std::string head = input.substr(0, lineEnd);
    const std::string text = lineEnd == std::string::npos ? std::string() : input.substr(lineEnd + 1);
    const auto split = head.find('=');
    std::string key = head.substr(0, split);
    const std::string value = split == std::string::npos ? "v" : head.substr(split + 1);
    // Keys as the program writes them: letters only.
    std::string clean;
    for (char c : key) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) clean += c;
    }
    if (clean.empty()) clean = "SPEED";
    using lumaris::posix::iniGet;
    using lumaris::posix::iniSet;
    // Keys match without regard to case.
    const std::string other = strcasecmp(clean.c_str(), "MUSIC") == 0 ? "SOUND" : "MUSIC";
    const std::string before = iniGet(text, "Settings", other, "\x01");
    const std::string written = iniSet(&text, "Settings", clean, value);
    if (iniGet(written, "Settings", clean, "\x01") != value) std::abort();
    if (iniGet(written, "Settings", other, "\x01") != before) std::abort();
    return 0;
}
