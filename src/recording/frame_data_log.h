#pragma once
// The frame data log of a recording: the host's game thread hands over the
// record of every game frame, and the presenting thread writes the latest one
// as an entry beside each captured Main frame, so that entry N describes
// video frame N.

#include <fstream>
#include <mutex>
#include <string>

class FrameDataLog {
public:
    // Host's game thread: the latest game frame's record, replaced whole.
    void replaceRecord(std::string record);
    std::string latestRecord() const;

    // Presenting thread, from here on. A file that cannot be opened is said
    // once; the recording goes on without it.
    void open(const std::string& path);
    bool isOpen() const { return file_.is_open(); }
    // The latest record and its entry end.
    void writeEntry();
    // Says so when the file could not be written completely (a full disk
    // fails the writes, or the last one at the close).
    void close();
    // A recording that could not start leaves the file as it is, unreported.
    void abandon();

private:
    mutable std::mutex recordMutex_;
    std::string record_; // under recordMutex_
    std::ofstream file_;
    std::string path_;
};
