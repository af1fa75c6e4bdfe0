// A stand-in for FFmpeg: it takes the encoder command line, reads its
// standard input to the end, writes what it received to the output file
// named last on the line (and its words, one per line, to that name plus
// ".args"), then exits with the status asked for. A file named as the output
// plus ".fake" may steer it, one pass at a time, with lines of the form
//   status=N       exit status (default 0)
//   stop_after=N   stop reading after N bytes and exit
//   kill_after=N   die abruptly after N bytes
//   delay_ms=N     wait this long after every read (a slow encoder)
//   hang_after=N   stop reading after N bytes, stay alive and never exit
//   hang_at_end=1  read to the end, write the file, then never exit
//   hang=1         the same (a hung encoder)
//   stderr=TEXT    write TEXT as a line to standard error before it ends
#include "fake_encoder.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

struct Behaviour {
    std::map<std::string, long long> numbers;
    std::string errorLine;

    long long number(const char* name, long long fallback) const {
        const auto it = numbers.find(name);
        return it == numbers.end() ? fallback : it->second;
    }
};

Behaviour behaviour(const std::string& output) {
    Behaviour settings;
    std::ifstream file(output + ".fake");
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals);
        if (key == "stderr")
            settings.errorLine = line.substr(equals + 1);
        else
            settings.numbers[key] = std::stoll(line.substr(equals + 1));
    }
    return settings;
}

void sayError(const Behaviour& settings) {
    if (!settings.errorLine.empty()) {
        std::fprintf(stderr, "%s\n", settings.errorLine.c_str());
        std::fflush(stderr);
    }
}

// Stuck for good, as a process blocked on a dead disk is: no processor time,
// no reads or writes, until something ends it.
[[noreturn]] void hang(const Behaviour& settings) {
    sayError(settings);
    for (;;)
        pause(3'600'000);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words = commandWords(argc, argv);
    const std::string output = words.size() >= 2 ? words.back() : std::string();
    const Behaviour settings = behaviour(output);
    const int status = static_cast<int>(settings.number("status", 0));
    const long long stopAfter = settings.number("stop_after", -1);
    const long long killAfter = settings.number("kill_after", -1);
    const long long hangAfter = settings.number("hang_after", -1);
    const int delay = static_cast<int>(settings.number("delay_ms", 0));

    std::vector<char> received;
    std::vector<char> chunk(1 << 16);
    for (;;) {
        std::size_t want = chunk.size();
        for (const long long limit : {stopAfter, hangAfter}) {
            if (limit >= 0)
                want = std::min<std::size_t>(
                    want, static_cast<std::size_t>(limit) -
                              std::min(received.size(), static_cast<std::size_t>(limit)));
        }
        if (want == 0) {
            if (hangAfter >= 0 && received.size() >= static_cast<std::size_t>(hangAfter))
                hang(settings);
            break;
        }
        const std::size_t n = readInput(chunk.data(), want);
        if (n == 0)
            break;
        received.insert(received.end(), chunk.begin(), chunk.begin() + static_cast<long>(n));
        if (killAfter >= 0 && received.size() >= static_cast<std::size_t>(killAfter))
            dieAbruptly();
        if (delay > 0)
            pause(delay);
    }

    if (!output.empty()) {
        std::ofstream(output, std::ios::binary)
            .write(received.data(), static_cast<std::streamsize>(received.size()));
        std::ofstream args(output + ".args", std::ios::binary);
        for (const std::string& word : words)
            args << word << '\n';
    }
    if (settings.number("hang_at_end", 0) != 0 || settings.number("hang", 0) != 0)
        hang(settings);
    sayError(settings);
    return status;
}
