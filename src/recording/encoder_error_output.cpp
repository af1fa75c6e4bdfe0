#include "recording/encoder_error_output.h"

#include "recording/encoder_process.h"

#include <chrono>

namespace {

// Longer lines are cut; FFmpeg's messages are far shorter.
constexpr std::size_t maxLine = 400;
// How often a reader with nothing to read looks whether it should stop.
constexpr int readWaitMilliseconds = 50;

bool contains(std::string_view line, std::string_view part) {
    return line.find(part) != std::string_view::npos;
}

} // namespace

bool isEncoderErrorLine(std::string_view line) {
    // Banner, configuration and stream lines are indented; progress lines
    // start with their first field.
    if (line.empty() || line.front() == ' ' || line.front() == '\t' || line.starts_with("frame=") ||
        line.starts_with("size=") || line.starts_with("video:") || line == "Conversion failed!")
        return false;
    static constexpr std::string_view markers[] = {
        "rror",    "failed",   "denied",    "No such",       "No space",
        "Invalid", "invalid",  "not found", "Unknown",       "Unrecognized",
        "annot",   "ould not", "nable to",  "not supported", "Broken pipe"};
    for (const std::string_view marker : markers)
        if (contains(line, marker))
            return true;
    return false;
}

EncoderErrorOutput::EncoderErrorOutput(NativeHandle output) : output_(output) {
    try {
        reader_ = std::thread([this] { readLoop(); });
    } catch (const std::system_error&) {
        // Without a reader the child could block on a full pipe: close it, so
        // that its writes fail instead.
        closePipe(output_);
        output_ = invalidPipe;
    }
}

EncoderErrorOutput::~EncoderErrorOutput() {
    finish(0);
}

void EncoderErrorOutput::finish(int limitMilliseconds) {
    if (reader_.joinable()) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMilliseconds);
        while (!ended_.load() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        stop_.store(true);
        reader_.join();
    }
    if (output_ != invalidPipe) {
        closePipe(output_);
        output_ = invalidPipe;
    }
    std::lock_guard lock(mutex_);
    endLine();
}

std::string EncoderErrorOutput::lastErrorLine() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

void EncoderErrorOutput::readLoop() {
    char buffer[4096];
    while (!stop_.load()) {
        const OutputRead read =
            readChildOutput(output_, buffer, sizeof(buffer), readWaitMilliseconds);
        if (read.bytes > 0)
            take({buffer, read.bytes});
        if (read.ended) {
            ended_.store(true);
            return;
        }
    }
}

// FFmpeg ends its progress lines with a carriage return alone.
void EncoderErrorOutput::take(std::string_view bytes) {
    std::lock_guard lock(mutex_);
    for (const char c : bytes) {
        if (c == '\n' || c == '\r') {
            endLine();
        } else if (line_.size() < maxLine) {
            line_ += c;
        }
    }
}

void EncoderErrorOutput::endLine() {
    if (isEncoderErrorLine(line_))
        lastError_ = line_;
    line_.clear();
}
