// kivren-sim at 1920x1080 with every pass, --pace fast, against FFmpeg alone
// encoding the same frames from files with the same command lines and the
// same number of encoders running at once, in the same run. Three runs:
//   1. kivren-sim with FFmpeg: the main job as a user runs it;
//   2. kivren-sim with the stand-in encoder, which keeps the raw frames and
//      the command line of each pass: the job without FFmpeg's cost;
//   3. FFmpeg alone: the four command lines of run 2, each reading its raw
//      frames from the file instead of the pipe, all four at once.
// Reported: frames per second of each, the ratio FFmpeg alone / kivren-sim
// (1.0: the plugin and the stand-ins add nothing to FFmpeg's own time), and
// kivren-sim's own account of where its time went. Figures, not assertions.
//   bench_kivren_sim [game frames, default 120]
#include "plugin_library.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    int status = -1;
    std::string output;
    double seconds = 0;
};

pid_t spawn(const std::vector<std::string>& words, int outputFd) {
    const pid_t child = fork();
    if (child == 0) {
        if (outputFd >= 0) {
            dup2(outputFd, STDOUT_FILENO);
            dup2(outputFd, STDERR_FILENO);
        }
        std::vector<char*> argv;
        for (const std::string& word : words)
            argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

int waitFor(pid_t child) {
    int status = 0;
    if (child <= 0 || waitpid(child, &status, 0) < 0 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

Run runCaptured(const std::vector<std::string>& words) {
    Run run;
    int ends[2];
    if (pipe(ends) != 0)
        return run;
    const auto start = Clock::now();
    const pid_t child = spawn(words, ends[1]);
    close(ends[1]);
    char buffer[4096];
    for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) > 0;)
        run.output.append(buffer, static_cast<std::size_t>(n));
    close(ends[0]);
    run.status = waitFor(child);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return run;
}

std::string lineStarting(const std::string& text, const std::string& prefix) {
    const std::size_t at = text.find(prefix);
    if (at == std::string::npos)
        return "(missing)";
    return text.substr(at, text.find('\n', at) - at);
}

std::vector<std::string> readWords(const std::filesystem::path& path) {
    std::vector<std::string> words;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        words.push_back(line);
    return words;
}

} // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::stoi(argv[1]) : 120;
    const auto folder = std::filesystem::temp_directory_path() / "kivren-bench-sim";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string sim = (executableFolder() / "kivren-sim").string();
    const std::string fake = (executableFolder() / "kivren-fake-ffmpeg").string();
    const std::vector<std::string> common{sim,
                                          "--size",
                                          "1920x1080",
                                          "--frames",
                                          std::to_string(frames),
                                          "--pace",
                                          "fast",
                                          "--fps",
                                          "999",
                                          "--quiet",
                                          "--name",
                                          "bench",
                                          "--passes",
                                          "depth,normal,custom"};

    std::vector<std::string> withFfmpeg = common;
    withFfmpeg.insert(withFfmpeg.end(), {"--out", (folder / "ffmpeg").string()});
    const Run real = runCaptured(withFfmpeg);

    std::vector<std::string> withStandIn = common;
    withStandIn.insert(withStandIn.end(), {"--out", (folder / "raw").string(), "--ffmpeg", fake});
    const Run standIn = runCaptured(withStandIn);
    if (real.status != 0 || standIn.status != 0) {
        std::fprintf(stderr, "kivren-sim failed:\n%s\n%s\n", real.output.c_str(),
                     standIn.output.c_str());
        return 1;
    }

    // Each pass's command line as the plugin gave it, reading the raw file.
    std::vector<std::vector<std::string>> commands;
    for (const char* suffix : {".mov", " - depth.mov", " - normal.mov", " - custom pass.mov"}) {
        const auto raw = folder / "raw" / (std::string("bench") + suffix);
        std::vector<std::string> words = readWords(raw.string() + ".args");
        if (words.size() < 3)
            continue;
        words[0] = "ffmpeg";
        for (std::size_t i = 0; i + 1 < words.size(); ++i)
            if (words[i] == "-i")
                words[i + 1] = raw.string();
        words.back() = (folder / (std::string("alone") + suffix)).string();
        words.insert(words.begin() + 1, {"-y", "-v", "error"});
        commands.push_back(words);
    }
    const auto start = Clock::now();
    std::vector<pid_t> children;
    for (const auto& words : commands)
        children.push_back(spawn(words, -1));
    int failures = 0;
    for (pid_t child : children)
        failures += waitFor(child) != 0;
    const double alone = std::chrono::duration<double>(Clock::now() - start).count();
    // The encoders must have made the whole videos for the time to count.
    for (const auto& words : commands) {
        const Run probe = runCaptured({"ffprobe", "-v", "error", "-count_packets", "-show_entries",
                                       "stream=nb_read_packets", "-of", "csv=p=0", words.back()});
        failures += probe.status != 0 || std::stoll("0" + probe.output) == 0;
    }

    const double mainFrames = (frames + 1) / 2;
    std::printf("kivren-sim, 1920x1080, %d game frames (%.0f per pass), all passes, --pace fast\n",
                frames, mainFrames);
    std::printf("  with FFmpeg:            %7.2f s  %6.1f game frames/s  %6.1f frames/s per pass\n",
                real.seconds, frames / real.seconds, mainFrames / real.seconds);
    std::printf("  with stand-in encoder:  %7.2f s  %6.1f game frames/s\n", standIn.seconds,
                frames / standIn.seconds);
    std::printf("FFmpeg alone, %zu encoders at once from raw files%s:\n", commands.size(),
                failures ? " (SOME FAILED)" : "");
    std::printf("  %7.2f s  %6.1f frames/s per pass\n", alone, mainFrames / alone);
    std::printf("ratio FFmpeg alone / kivren-sim with FFmpeg: %.2f\n", alone / real.seconds);
    std::printf("where kivren-sim's time went (with FFmpeg):\n  %s\n",
                lineStarting(real.output, "Time ").c_str());
    std::printf("where kivren-sim's time went (stand-in encoder):\n  %s\n",
                lineStarting(standIn.output, "Time ").c_str());
    std::printf("  %s\n", lineStarting(real.output, "All files line up").c_str());
    std::filesystem::remove_all(folder);
    return failures ? 1 : 0;
}
