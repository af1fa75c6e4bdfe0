// The end of the encoders: a pass whose encoder stalls is dropped during the
// recording, and at the stop the writer drains the queue, the pipes close,
// the children finish their files, and each pass that lost anything gets
// one line ending with FFmpeg's own reason. Every wait here has a limit, so
// that neither the game nor the host's unload can hang on an encoder.
#include "recording/encoder_set.h"

#include "core/reshade_log.h"
#include "recording/encoder_error_output.h"
#include "recording/encoder_process.h"
#include "system/system_error_text.h"

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <thread>

namespace {

std::string describeExit(const ChildExit& exit) {
    return exit.signalled ? fmt::format("encoder killed by signal {}", exit.status)
                          : fmt::format("encoder exit status {}", exit.status);
}

// "a write failed with error 232: The pipe is being closed, ", or nothing
// when every write went through.
std::string describeWriteFailure(const EncoderProcess& encoder) {
    if (!encoder.writeFailed && encoder.writeError == 0)
        return {};
    if (encoder.writeError == 0)
        return "a write failed, ";
    return fmt::format("a write failed with {}, ", systemErrorText(encoder.writeError));
}

// " FFmpeg: <its last error line>", or nothing when it gave none.
std::string encoderReason(const EncoderProcess& encoder) {
    const std::string line = encoder.errors ? encoder.errors->lastErrorLine() : std::string();
    return line.empty() ? std::string() : " FFmpeg: " + line;
}

std::string capitalised(std::string clause) {
    if (!clause.empty() && clause[0] >= 'a' && clause[0] <= 'z')
        clause[0] = static_cast<char>(clause[0] - 'a' + 'A');
    return clause;
}

double seconds(std::int64_t nanoseconds) {
    return static_cast<double>(nanoseconds) / 1e9;
}

// How a child ended: by itself, or ended by us after doing nothing for the
// idle limit once its input had closed.
struct ChildEnd {
    ChildExit exit;
    bool ended = false;
    bool terminated = false;
    ChildActivity activeMark; // what it had done when last seen working
    std::int64_t activeAt = 0;
    std::int64_t terminatedAt = 0;
};

// Working: it read or wrote something since the mark, or used more than a
// twentieth of the time since then on a processor. A process that merely
// waits shows a trickle of processor time on some systems (under Wine, about
// 10 ms every half second); FFmpeg finishing a file reads, writes or encodes.
bool workedSince(const ChildActivity& now, const ChildActivity& mark, std::int64_t elapsed) {
    return now.bytesTransferred != mark.bytesTransferred ||
           (now.processorNanoseconds > mark.processorNanoseconds &&
            (now.processorNanoseconds - mark.processorNanoseconds) * 20 >
                static_cast<std::uint64_t>(elapsed));
}

// Waits for the children, each as long as it keeps working; one that does
// nothing for the limit is ended, and no longer waited for a limit later.
// Polls: a POSIX child cannot be waited on with a time limit.
void waitForChildren(std::array<EncoderProcess, passCount>& encoders,
                     std::array<ChildEnd, passCount>& ends, std::int64_t idleLimit) {
    const std::int64_t start = steadyNanoseconds();
    for (std::size_t i = 0; i < encoders.size(); ++i) {
        ends[i].ended = encoders[i].process == noProcess;
        ends[i].activeAt = start;
        if (!ends[i].ended)
            ends[i].activeMark = childActivity(encoders[i].process);
    }
    for (int round = 0;; ++round) {
        bool waiting = false;
        const std::int64_t now = steadyNanoseconds();
        for (std::size_t i = 0; i < encoders.size(); ++i) {
            ChildEnd& end = ends[i];
            if (end.ended)
                continue;
            if (childEnded(encoders[i].process, end.exit)) {
                end.ended = true;
                continue;
            }
            if (end.terminated && now - end.terminatedAt >= idleLimit) {
                // Ended and still there: beyond our reach, and not waited for.
                end.ended = true;
                end.exit = {9, true};
                continue;
            }
            const ChildActivity activity = childActivity(encoders[i].process);
            if (workedSince(activity, end.activeMark, now - end.activeAt)) {
                end.activeMark = activity;
                end.activeAt = now;
            } else if (now - end.activeAt >= idleLimit && !end.terminated) {
                terminateChild(encoders[i].process);
                end.terminated = true;
                end.terminatedAt = now;
            }
            waiting = true;
        }
        if (!waiting)
            return;
        // Most children end within milliseconds of their input's end.
        std::this_thread::sleep_for(std::chrono::milliseconds(round < 100 ? 2 : 20));
    }
}

} // namespace

bool EncoderSet::declareStalledPass() {
    const WriterActivity& writerActivity = queue_.writer();
    const int busy = writerActivity.busyPass.load();
    if (busy < 0)
        return false;
    const auto pass = static_cast<PassKind>(busy);
    const std::size_t index = passIndex(pass);
    if (passStalled_[index].exchange(true))
        return false;
    const std::int64_t since = writerActivity.progressAt.load();
    const std::uint32_t frame = writerActivity.busyFrame.load();
    stallDeclaredAt_.store(steadyNanoseconds());
    queue_.dropPass(pass);
    // Its end of the pipe closes with it, which ends the writer's write.
    terminateChild(encoders_[index].process);
    logToReShade(logFailure,
                 fmt::format("[Kivren] {} pass stalled: its encoder has taken no data since {:.1f} "
                             "s into the recording (frame {} of the pass), so the pass ends "
                             "there and its encoder was stopped; the other passes go on.{}",
                             passName(pass), seconds(since - recordingStart_), frame,
                             encoderReason(encoders_[index])));
    return true;
}

// Lets the writer write what is queued, however long a working encoder
// takes, but never waits on a stuck one: its pass is declared stalled.
void EncoderSet::waitForWriter() {
    // A writer whose stalled pass was just dropped gets a limit from the drop.
    while (writerThread_.joinable() &&
           !queue_.waitForWriter(limits_.stall, stallDeclaredAt_.load())) {
        // A writer still stuck a whole limit after its encoder was ended (a
        // child that cannot be ended) is beyond reach: the join waits for it.
        if (!declareStalledPass())
            break;
    }
}

void EncoderSet::close() {
    queue_.stop();
    waitForWriter();
    if (writerThread_.joinable())
        writerThread_.join();
    writerThread_ = std::thread();
    // Only a writer that failed, or a stalled pass, leaves frames behind.
    queue_.clear();

    for (EncoderProcess& encoder : encoders_) {
        if (encoder.pipe != invalidPipe && !encoder.pipeClosed)
            closePipe(encoder.pipe);
        encoder.pipe = invalidPipe;
    }
    endEncoders();
}

void EncoderSet::endEncoders() {
    std::array<ChildEnd, passCount> ends{};
    waitForChildren(encoders_, ends, limits_.idleLimit);

    // One line per pass at most; the FFmpeg reason always comes last.
    for (int i = 0; i < passCount; ++i) {
        const auto pass = static_cast<PassKind>(i);
        EncoderProcess& encoder = encoders_[passIndex(pass)];
        if (encoder.process == noProcess)
            continue;
        // The child has ended, so its error output ends too; a grandchild
        // holding it open gets a moment, not a wait.
        if (encoder.errors)
            encoder.errors->finish(1000);
        const ChildEnd& end = ends[passIndex(pass)];
        const std::string reason = encoderReason(encoder);
        const std::string removal =
            encoder.framesWritten == 0 ? removeEmptyOutput(pass) : std::string();
        if (passStalled_[passIndex(pass)].load()) {
            // Said when it stalled; what became of its file is new.
            if (!removal.empty())
                logToReShade(logFailure, fmt::format("[Kivren] {} pass received no frame; {}.",
                                                     passName(pass), removal));
        } else if (end.terminated) {
            logToReShade(logFailure,
                         fmt::format("[Kivren] {} pass: its encoder did nothing for {:.0f} s "
                                     "after its input ended and was stopped; {} may be "
                                     "unreadable.{}",
                                     passName(pass), seconds(limits_.idleLimit), encoder.outputPath,
                                     reason));
        } else if (end.exit.failed() || encoder.writeFailed ||
                   encoder.framesWritten < encoder.framesDue || !reason.empty()) {
            // FFmpeg may exit with 0 when only its trailer could not be
            // written (a full disk at the end), leaving a file without an
            // index: its own error line is the only sign.
            logToReShade(logFailure,
                         fmt::format("[Kivren] {} pass incomplete: {} of {} frames written, "
                                     "{}{}.{}{}",
                                     passName(pass), encoder.framesWritten, encoder.framesDue,
                                     describeWriteFailure(encoder), describeExit(end.exit),
                                     removal.empty() ? std::string()
                                                     : fmt::format(" {}.", capitalised(removal)),
                                     reason));
        } else if (!removal.empty()) {
            logToReShade(logFailure, fmt::format("[Kivren] {} pass received no frame; {}.",
                                                 passName(pass), removal));
        }
        encoder.errors.reset();
        closeProcess(encoder.process);
        encoder.process = noProcess;
    }
}

// A pass that got no frame has nothing to show: what FFmpeg leaves is a file
// without a picture, which players refuse. What became of it, as a clause.
std::string EncoderSet::removeEmptyOutput(PassKind pass) {
    const EncoderProcess& encoder = encoders_[passIndex(pass)];
    const std::filesystem::path file(encoder.outputPath);
    std::error_code error;
    if (!std::filesystem::exists(file, error))
        return "it left no file";
    std::filesystem::remove(file, error);
    return error ? fmt::format("its empty file {} could not be removed ({})", encoder.outputPath,
                               errorCodeText(error))
                 : fmt::format("its empty file {} was removed", encoder.outputPath);
}
