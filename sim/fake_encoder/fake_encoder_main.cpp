// A stand-in for FFmpeg: it takes the encoder command line, reads its
// standard input to the end, writes what it received to the output file
// named last on the line (and its words, one per line, to that name plus
// ".args"), then exits with the status asked for. A file named as the output
// plus ".fake" may steer it, one pass at a time, with words of the form
//   status=N       exit status (default 0)
//   stop_after=N   stop reading after N bytes and exit
//   kill_after=N   die abruptly after N bytes
//   delay_ms=N     wait this long after every read (a slow encoder)
//   hang=1         never exit once the input has ended (a hung encoder)
#include "fake_encoder.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

std::map<std::string, long long> behaviour(const std::string& output) {
    std::map<std::string, long long> settings;
    std::ifstream file(output + ".fake");
    for (std::string word; file >> word;) {
        const auto equals = word.find('=');
        if (equals != std::string::npos)
            settings[word.substr(0, equals)] = std::stoll(word.substr(equals + 1));
    }
    return settings;
}

long long setting(const std::map<std::string, long long>& settings, const char* name,
                  long long fallback) {
    const auto it = settings.find(name);
    return it == settings.end() ? fallback : it->second;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words = commandWords(argc, argv);
    const std::string output = words.size() >= 2 ? words.back() : std::string();
    const auto settings = behaviour(output);
    const int status = static_cast<int>(setting(settings, "status", 0));
    const long long stopAfter = setting(settings, "stop_after", -1);
    const long long killAfter = setting(settings, "kill_after", -1);
    const int delay = static_cast<int>(setting(settings, "delay_ms", 0));
    const bool hang = setting(settings, "hang", 0) != 0;

    std::vector<char> received;
    std::vector<char> chunk(1 << 16);
    for (;;) {
        std::size_t want = chunk.size();
        if (stopAfter >= 0)
            want =
                std::min<std::size_t>(want, static_cast<std::size_t>(stopAfter) - received.size());
        if (want == 0)
            break;
        const std::size_t n = readInput(chunk.data(), want);
        if (n == 0)
            break;
        received.insert(received.end(), chunk.begin(), chunk.begin() + static_cast<long>(n));
        if (killAfter >= 0 && received.size() >= static_cast<std::size_t>(killAfter))
            dieAbruptly();
        if (delay > 0)
            pause(delay);
    }

    while (hang)
        pause(1000);
    if (!output.empty()) {
        std::ofstream(output, std::ios::binary)
            .write(received.data(), static_cast<std::streamsize>(received.size()));
        std::ofstream args(output + ".args", std::ios::binary);
        for (const std::string& word : words)
            args << word << '\n';
    }
    return status;
}
