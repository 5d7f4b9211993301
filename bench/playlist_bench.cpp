// How long choosing the next music file takes in a folder of 100,000 entries
// (one in ten an mp3), the work done on the user-interface thread each time
// a file ends. Run: ./build/bench/playlist_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/posix/dir_search.h"

namespace {

struct BigFolder {
    BigFolder() {
        char pattern[] = "/tmp/lumaris-bench-XXXXXX";
        path = ::mkdtemp(pattern);
        for (int i = 0; i < 100000; ++i) {
            const std::string name = path + "/file" + std::to_string(i) + (i % 10 == 0 ? ".mp3" : ".txt");
            ::close(::open(name.c_str(), O_CREAT | O_WRONLY, 0600));
        }
    }
    ~BigFolder() { std::filesystem::remove_all(path); }
    std::string path;
};

void BM_SearchHundredThousand(benchmark::State& state) {
    static BigFolder folder;
    lumaris::posix::LinuxFiles files("/nonexistent");
    std::size_t found = 0;
    for (auto _ : state) {
        found = 0;
        for (std::string n = files.Dir(folder.path + "\\*.mp3"); !n.empty(); n = files.DirNext()) ++found;
        benchmark::DoNotOptimize(found);
    }
    state.counters["matches"] = static_cast<double>(found);
}
BENCHMARK(BM_SearchHundredThousand)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
