#pragma once
// An encoder's error output, read on a thread of its own so that the child
// never blocks on a full pipe, and kept small: only its last error line
// survives, the reason a failure line of the pass ends with.

#include "recording/recording_types.h"

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

// Whether a line of FFmpeg's error output states a failure ("... No space
// left on device", "...: Permission denied"). FFmpeg writes its banner,
// stream descriptions and progress there too; those never count, nor does
// the closing "Conversion failed!", which says nothing of why.
bool isEncoderErrorLine(std::string_view line);

class EncoderErrorOutput {
public:
    // Starts reading; the output handle is this object's from now on.
    explicit EncoderErrorOutput(NativeHandle output);
    ~EncoderErrorOutput();
    EncoderErrorOutput(const EncoderErrorOutput&) = delete;
    EncoderErrorOutput& operator=(const EncoderErrorOutput&) = delete;

    // Reads on until the child's end of the output closes or the limit has
    // passed, whichever comes first, then stops and closes the output.
    void finish(int limitMilliseconds);

    // The last error line so far; empty when there is none.
    std::string lastErrorLine() const;

private:
    void readLoop();
    void take(std::string_view bytes);
    void endLine();

    NativeHandle output_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> ended_{false};
    std::thread reader_;
    mutable std::mutex mutex_;
    std::string line_; // the line being read, cut at maxLine
    std::string lastError_;
};
