// kivren-sim stopped from outside, with the stand-in encoder: SIGTERM (a
// service manager, `kill`), SIGHUP (a terminal closed) and a terminal's
// Ctrl-C, which goes to the whole foreground process group, stop it as
// Ctrl-C does: the recording stopped, every file closed and lining up, the
// frame data ending on a whole entry, the temporary host folder gone. A
// second Ctrl-C while the stop hangs on an encoder quits at once, says what
// may be incomplete, and leaves no child process behind.
#include "frame_data_reader.h"
#include "replay_check.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t width = 32, height = 16;

// kivren-sim running as a child, its output read as it comes.
class LiveSim {
public:
    LiveSim(const std::vector<std::string>& args, const fs::path& temporary, bool ownGroup) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        std::vector<std::string> words{simProgram().string()};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            // As a shell starts a job: a process group of its own.
            if (ownGroup)
                setpgid(0, 0);
            setenv("TMPDIR", temporary.c_str(), 1);
            dup2(fds[1], STDOUT_FILENO);
            dup2(fds[1], STDERR_FILENO);
            close(fds[0]);
            close(fds[1]);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(fds[1]);
        out_ = fds[0];
    }
    ~LiveSim() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            close(out_);
    }
    LiveSim(const LiveSim&) = delete;
    LiveSim& operator=(const LiveSim&) = delete;

    pid_t pid() const { return pid_; }
    const std::string& output() const { return output_; }

    // Reads output until it holds text, or the time is up.
    bool waitFor(const std::string& text, std::chrono::seconds limit) {
        const auto deadline = Clock::now() + limit;
        while (output_.find(text) == std::string::npos) {
            if (Clock::now() > deadline || !readSome(100))
                return output_.find(text) != std::string::npos;
        }
        return true;
    }

    // The exit status, or -1 when it ended by a signal or not in time.
    int waitExit(std::chrono::seconds limit) {
        const auto deadline = Clock::now() + limit;
        while (readSome(100) && Clock::now() < deadline) {
        }
        int status = 0;
        while (Clock::now() < deadline) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

private:
    // False once the output has ended.
    bool readSome(int milliseconds) {
        pollfd ready{out_, POLLIN, 0};
        if (poll(&ready, 1, milliseconds) <= 0)
            return true;
        char buffer[4096];
        const ssize_t n = read(out_, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        output_.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    bool exited_ = false;
    std::string output_;
};

// The running processes whose parent is pid (a child that has ended but is
// not yet reaped does not count).
std::vector<pid_t> childrenOf(pid_t parent) {
    std::vector<pid_t> children;
    DIR* proc = opendir("/proc");
    while (const dirent* entry = proc ? readdir(proc) : nullptr) {
        const long pid = std::atol(entry->d_name);
        if (pid <= 0)
            continue;
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string text;
        std::getline(stat, text);
        const auto close = text.rfind(')');
        char state = 0;
        long ppid = 0;
        if (close != std::string::npos &&
            std::sscanf(text.c_str() + close + 1, " %c %ld", &state, &ppid) == 2 &&
            ppid == parent && state != 'Z')
            children.push_back(static_cast<pid_t>(pid));
    }
    if (proc)
        closedir(proc);
    return children;
}

// Gone, or dead and only waiting to be reaped by whoever adopted it.
bool ended(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text))
        return true;
    const auto close = text.rfind(')');
    return close != std::string::npos && text.size() > close + 2 && text[close + 2] == 'Z';
}

// A killed process takes a moment to be torn down after the kill returns,
// longer on a loaded machine.
bool endsSoon(pid_t pid) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!ended(pid)) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::vector<std::string> simArgs(const fs::path& out) {
    return {"--out",    out.string(), "--name",
            "clip",     "--size",     std::to_string(width) + "x" + std::to_string(height),
            "--frames", "100000",     "--fps",
            "30",       "--ffmpeg",   fakeEncoder().string()};
}

// Empty, or what is in it.
std::string leftIn(const fs::path& folder) {
    std::string names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        names += entry.path().lexically_relative(folder).string() + " ";
    return names;
}

TEST(KivrenSimSignals, SigtermSighupAndATerminalsCtrlCStopTheRecordingAsCtrlCDoes) {
    ScratchFolder scratch;
    const std::pair<const char*, int> ways[] = {
        {"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}, {"Ctrl-C to the group", SIGINT}};
    for (const auto& [name, signal] : ways) {
        SCOPED_TRACE(name);
        const fs::path out = scratch.path() / (std::string("out-") + std::to_string(signal));
        const fs::path temporary = scratch.path() / (std::string("tmp-") + std::to_string(signal));
        fs::create_directories(temporary);
        LiveSim sim(simArgs(out), temporary, true);
        ASSERT_GT(sim.pid(), 0);
        // Recording: the progress line counts captured Main frames.
        ASSERT_TRUE(sim.waitFor("captured main", std::chrono::seconds(60))) << sim.output();
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        const std::vector<pid_t> encoders = childrenOf(sim.pid());
        EXPECT_EQ(encoders.size(), 4u);
        // A terminal signals its foreground process group, the encoders too
        // unless they keep to a group of their own.
        kill(signal == SIGINT ? -sim.pid() : sim.pid(), signal);
        EXPECT_EQ(sim.waitExit(std::chrono::seconds(60)), 1) << sim.output();
        EXPECT_NE(sim.output().find("kivren-sim: interrupted: stopping the recording and closing "
                                    "its files"),
                  std::string::npos)
            << sim.output();
        EXPECT_NE(sim.output().find("All files line up"), std::string::npos) << sim.output();

        // The frame data ends on a whole entry, one for each Main frame.
        FrameData data;
        FrameDataError error;
        ASSERT_TRUE(readFrameDataFile(out / "clip.txt", data, error)) << error.message;
        EXPECT_FALSE(data.cutOff.has_value());
        EXPECT_GT(data.entries.size(), 2u);
        EXPECT_EQ(fs::file_size(out / "clip.mov"), data.entries.size() * width * height * 4);
        // Each encoder saw the end of its input and wrote its file.
        EXPECT_TRUE(fs::exists(out / "clip - depth.mov.args"));
        EXPECT_EQ(leftIn(temporary), "") << "the host's temporary folder is left behind";
        for (const pid_t encoder : encoders)
            EXPECT_TRUE(endsSoon(encoder)) << encoder;
    }
}

TEST(KivrenSimSignals, ASecondCtrlCWhileTheStopHangsQuitsAtOnce) {
    ScratchFolder scratch;
    const fs::path out = scratch.path() / "out";
    const fs::path temporary = scratch.path() / "tmp";
    fs::create_directories(out);
    fs::create_directories(temporary);
    // The depth encoder never ends: the stop waits for it for ever.
    std::ofstream(out / "clip - depth.mov.fake") << "hang=1";
    LiveSim sim(simArgs(out), temporary, false);
    ASSERT_GT(sim.pid(), 0);
    ASSERT_TRUE(sim.waitFor("captured main", std::chrono::seconds(60))) << sim.output();
    kill(sim.pid(), SIGINT);
    ASSERT_TRUE(sim.waitFor("stopping the recording", std::chrono::seconds(30))) << sim.output();
    // The other encoders have ended; the depth encoder holds the stop.
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    std::vector<pid_t> children = childrenOf(sim.pid());
    while (children.size() != 1 && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        children = childrenOf(sim.pid());
    }
    ASSERT_EQ(children.size(), 1u) << "only the hung encoder is left";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    const auto second = Clock::now();
    kill(sim.pid(), SIGINT);
    EXPECT_EQ(sim.waitExit(std::chrono::seconds(20)), 130) << sim.output();
    EXPECT_LT(Clock::now() - second, std::chrono::seconds(5));
    EXPECT_NE(sim.output().find("kivren-sim: quit without waiting for the encoders: the videos "
                                "\"clip.mov\", \"clip - depth.mov\", \"clip - normal.mov\", \"clip "
                                "- custom pass.mov\" in " +
                                out.string() +
                                " may be cut off (kivren-repair recovers their "
                                "frames), and \"clip.txt\" may end inside an entry"),
              std::string::npos)
        << sim.output();
    EXPECT_TRUE(endsSoon(children[0])) << "the hung encoder outlived kivren-sim";
    EXPECT_EQ(leftIn(temporary), "") << "the host's temporary folder is left behind";
}

} // namespace
