#include "recording/frame_data_log.h"

#include "core/reshade_log.h"
#include "formats/frame_data_format.h"
#include "system/system_error_text.h"

#include <fmt/format.h>

#include <cerrno>

void FrameDataLog::replaceRecord(std::string record) {
    std::lock_guard lock(recordMutex_);
    record_.swap(record);
}

std::string FrameDataLog::latestRecord() const {
    std::lock_guard lock(recordMutex_);
    return record_;
}

void FrameDataLog::open(const std::string& path) {
    path_ = path;
    file_.close();
    file_.clear();
    errno = 0;
    file_.open(path_, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file_.is_open())
        logToReShade(logFailure, fmt::format("[Kivren] Cannot open the frame data file {} ({})",
                                             path_, errnoText(errno)));
}

void FrameDataLog::writeEntry() {
    // Copied first: the game thread replaces the record under the same lock,
    // and must never wait for the disk.
    const std::string record = latestRecord();
    file_.write(record.data(), static_cast<std::streamsize>(record.size()));
    file_.put(frameDataFormat::entryEnd);
}

void FrameDataLog::close() {
    if (!file_.is_open())
        return;
    file_.close();
    if (file_.fail())
        logToReShade(logFailure, fmt::format("[Kivren] The frame data file {} could not be written "
                                             "completely (is the disk full?).",
                                             path_));
    file_.clear();
}

void FrameDataLog::abandon() {
    file_.close();
}
