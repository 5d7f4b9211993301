// A fresh folder under /tmp for one test, removed afterwards.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace lumaris::testing {

struct TempDir {
    TempDir() {
        char pattern[] = "/tmp/lumaris-test-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    void file(const std::string& name, const std::string& text = "x") const {
        std::ofstream(path + "/" + name) << text;
    }
    std::string path;
};

}  // namespace lumaris::testing
