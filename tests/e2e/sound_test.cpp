// Sound and music of the real program, captured through SDL's disk audio
// driver under Xvfb: the sea recording repeating, silence after S, random
// music files one after another, and folders whose music cannot play.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "runtime/resources.h"

namespace lumaris::e2e {
namespace {

constexpr int kRate = 44100;  // the mixer's output: 16-bit stereo at 44.1 kHz

// The left channel of what the program played so far.
std::vector<float> captured(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> left;
    for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
        const auto sample = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                                      (static_cast<std::uint8_t>(bytes[i + 1]) << 8));
        left.push_back(sample / 32768.0f);
    }
    return left;
}

double rms(const std::vector<float>& s, std::size_t from, std::size_t to) {
    double sum = 0;
    to = std::min(to, s.size());
    if (to <= from) return 0;
    for (std::size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(to - from));
}

// The built-in sea recording, as floats at 16 kHz.
std::vector<float> seaRecording() {
    const auto b = findResource(kWaveType, "TIDEMAR");
    std::vector<float> out;
    for (std::size_t i = 44; i + 1 < 44 + 97394; i += 2) {
        out.push_back(static_cast<std::int16_t>(b[i] | (b[i + 1] << 8)) / 32768.0f);
    }
    return out;
}

std::vector<std::string> diskAudio(const std::string& file) {
    return {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + file};
}

bool anyWindowTitled(const std::string& title) {
    return std::system(("xdotool search --name '^" + title + "$' >/dev/null 2>&1").c_str()) == 0;
}

double cpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string field;
    for (int i = 0; i < 13 && stat >> field; ++i) {
    }
    long user = 0, system = 0;
    stat >> user >> system;
    return double(user + system) / double(sysconf(_SC_CLK_TCK));
}

class Sound : public ::testing::Test {
protected:
    void TearDown() override { stop(pid); }
    pid_t pid = -1;
};

TEST_F(Sound, TheSeaRecordingRepeatsAndSStopsIt) {
    const std::string config = settingsFolder({});
    const std::string out = config + "/out.raw";
    pid = start({"/s"}, config, diskAudio(out));
    ASSERT_NE(waitForWindow("QNVesmire Saver Running", 20), 0u);
    sleepFor(4.0);
    std::vector<float> heard = captured(out);
    ASSERT_GT(heard.size(), std::size_t(kRate) * 3) << "the disk driver wrote the output";

    // Resample one second of what was heard to 16 kHz and find it in the recording.
    const std::vector<float> sea = seaRecording();
    const std::size_t from = heard.size() - kRate * 2;
    std::vector<float> window;
    for (int i = 0; i < 16000; ++i) {
        const double at = double(from) + i * (double(kRate) / 16000.0);
        const auto k = static_cast<std::size_t>(at);
        window.push_back(static_cast<float>(heard[k] + (heard[k + 1] - heard[k]) * (at - double(k))));
    }
    double best = 0;
    for (std::size_t lag = 0; lag < sea.size(); lag += 1) {
        double dot = 0, a = 0, b = 0;
        for (std::size_t i = 0; i < window.size(); i += 4) {
            const float s = sea[(lag + i) % sea.size()];
            dot += double(window[i]) * s;
            a += double(window[i]) * window[i];
            b += double(s) * s;
        }
        best = std::max(best, dot / std::sqrt(a * b + 1e-12));
    }
    EXPECT_GT(best, 0.9) << "the sea recording, looping";

    // With nothing to play the output device closes: nothing more is
    // written, not even silence.
    EXPECT_EQ(std::system("xdotool key s"), 0);
    sleepFor(1.0);
    const std::size_t afterS = captured(out).size();
    sleepFor(1.5);
    EXPECT_LT(captured(out).size(), afterS + kRate / 20) << "the output stops after S";
    EXPECT_EQ(waitExit(pid, 0), -1) << "the scene goes on";
}

// A short tone as an MP3 file, made with lame.
void makeTone(const std::string& path, double frequency, double seconds) {
    const std::string wav = path + ".wav";
    const int n = static_cast<int>(seconds * 44100);
    std::ofstream out(wav, std::ios::binary);
    auto put32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto put16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    put32(36 + n * 2);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(1);
    put16(1);
    put32(44100);
    put32(88200);
    put16(2);
    put16(16);
    out.write("data", 4);
    put32(n * 2);
    for (int i = 0; i < n; ++i) put16(static_cast<std::uint16_t>(static_cast<std::int16_t>(12000 * std::sin(6.283185 * frequency * i / 44100))));
    out.close();
    ASSERT_EQ(std::system(("lame --quiet -b 64 '" + wav + "' '" + path + "'").c_str()), 0);
    std::remove(wav.c_str());
}

TEST_F(Sound, MusicFilesPlayOneAfterAnotherAndTheLabelShowsThePath) {
    const std::string config = settingsFolder({});
    const std::string music = config + "/music";
    std::system(("mkdir -p '" + music + "'").c_str());
    makeTone(music + "/low.mp3", 440, 0.7);
    makeTone(music + "/high.mp3", 660, 0.7);
    std::ofstream(config + "/QN Vesmire Lumaris.ini")
        << "[Settings]\nSOUND=False\nMUSIC=True\nMUSICDIR=" << music << "\n";
    const std::string out = config + "/out.raw";
    pid = start({"/s"}, config, diskAudio(out));
    ASSERT_NE(waitForWindow("QNVesmire Saver Running", 20), 0u);
    const Screenshot before = capture();
    sleepFor(4.0);
    const std::vector<float> heard = captured(out);
    // Each file lasts 0.7 s: sound well after the first one means the next started.
    const std::size_t n = heard.size();
    ASSERT_GT(n, std::size_t(kRate) * 3);
    EXPECT_GT(rms(heard, n - kRate, n), 0.05) << "music still plays after several files";
    EXPECT_GT(rms(heard, kRate * 2, kRate * 3), 0.05);

    EXPECT_EQ(std::system("xdotool key m"), 0);
    sleepFor(0.5);
    const Screenshot shown = capture();
    int changed = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 200; ++x) changed += (shown.at(x, y) == 0xFFFFFF);
    EXPECT_GT(changed, 20) << "white text of the file's path in the top-left corner";
    (void)before;
}

TEST_F(Sound, BadMusicFoldersAndFilesLeaveTheSceneRunningQuietly) {
    const std::string config = settingsFolder({});
    const std::string corrupt = config + "/corrupt", many = config + "/many", awkward = config + "/awkward";
    for (const std::string& folder : {corrupt, config + "/empty", many, awkward}) ::mkdir(folder.c_str(), 0700);
    std::ofstream(corrupt + "/bad.mp3") << std::string(5000, 'x');
    // 100,000 files that are no music; a FIFO that never gives a byte, a
    // link to itself and names a shell would act on.
    for (int i = 0; i < 100000; ++i) ::close(::open((many + "/" + std::to_string(i) + ".mp3").c_str(), O_CREAT | O_WRONLY, 0600));
    ::mkfifo((awkward + "/x.mp3").c_str(), 0600);
    ::symlink("loop.mp3", (awkward + "/loop.mp3").c_str());
    for (const char* name : {"it's.mp3", "two\nlines.mp3", "$(touch pwned).mp3", "`touch pwned`.mp3"}) {
        std::ofstream(awkward + "/" + name) << std::string(300, 'y');
    }
    // The first half of a real file; and a folder that goes while it plays.
    const std::string truncated = config + "/truncated", removed = config + "/removed";
    ::mkdir(truncated.c_str(), 0700);
    ::mkdir(removed.c_str(), 0700);
    makeTone(truncated + "/half.mp3", 440, 1.0);
    ::truncate((truncated + "/half.mp3").c_str(), 4000);
    makeTone(removed + "/tone.mp3", 440, 1.0);
    for (const std::string& folder :
         {corrupt, config + "/empty", config + "/missing", many, awkward, truncated, removed}) {
        SCOPED_TRACE(folder);
        std::ofstream(config + "/QN Vesmire Lumaris.ini") << "[Settings]\nMUSIC=True\nMUSICDIR=" << folder << "\n";
        pid = start({"/s"}, config, diskAudio(config + "/out.raw"));
        ASSERT_NE(waitForWindow("QNVesmire Saver Running", 20), 0u);
        if (folder == removed) std::system(("rm -rf '" + removed + "'").c_str());
        const double cpuStart = cpuSeconds(pid);
        sleepFor(3.0);
        EXPECT_EQ(waitExit(pid, 0), -1) << "the scene runs on";
        const double cpu = cpuSeconds(pid) - cpuStart;
        EXPECT_LT(cpu, 0.3) << "under 10% of a core, no busy loop: " << cpu << " s in 3 s";
        for (const char* title : {"Error in mediaplay", "Error in function tidemarmain.getrndfile", "Lumaris"}) {
            EXPECT_FALSE(anyWindowTitled(title)) << title;
        }
        EXPECT_NE(::access("pwned", F_OK), 0) << "a name reached a shell";
        stop(pid);
        pid = -1;
    }
}

}  // namespace
}  // namespace lumaris::e2e
