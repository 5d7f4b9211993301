// Writes a C++ source file that holds files as byte arrays, so that the
// program carries its pictures and sounds inside the executable.
//
//   embed OUTPUT.cpp TYPE:NAME:PATH ...
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: embed OUTPUT.cpp TYPE:NAME:PATH ...\n");
        return 2;
    }
    std::string out = "// Made by tools/embed from the files in assets/. Do not edit.\n"
                      "#include \"runtime/resources.h\"\n\nnamespace lumaris {\nnamespace {\n";
    std::string table;
    for (int i = 2; i < argc; ++i) {
        const std::string entry = argv[i];
        const auto a = entry.find(':'), b = entry.find(':', a + 1);
        if (a == std::string::npos || b == std::string::npos) {
            std::fprintf(stderr, "embed: bad argument %s\n", argv[i]);
            return 2;
        }
        const std::string type = entry.substr(0, a), name = entry.substr(a + 1, b - a - 1), path = entry.substr(b + 1);
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "embed: cannot read %s\n", path.c_str());
            return 1;
        }
        const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        out += "const std::uint8_t data" + std::to_string(i) + "[] = {";
        for (std::size_t k = 0; k < bytes.size(); ++k) {
            if (k % 24 == 0) out += "\n";
            out += std::to_string(bytes[k]) + ",";
        }
        out += "};\n";
        table += "    {\"" + type + "\", \"" + name + "\", data" + std::to_string(i) + ", " +
                 std::to_string(bytes.size()) + "},\n";
    }
    out += "}  // namespace\n\nconst Resource kResources[] = {\n" + table + "};\n";
    out += "const std::size_t kResourceCount = sizeof kResources / sizeof kResources[0];\n\n}  // namespace lumaris\n";
    std::ofstream file(argv[1], std::ios::binary);
    file << out;
    return file ? 0 : 1;
}
