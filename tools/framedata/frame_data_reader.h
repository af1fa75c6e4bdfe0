#pragma once
// Reads and checks a frame data log. The first problem stops the reading and
// is reported with its place in the file. A file that ends inside its last
// entry, as a recording cut off by a crash or a full disk does, is read up to
// that entry, which is left out with a warning; any other damage is an error.
//
// The log is read in pieces into a window of fixed size, and each entry is
// handed on as it is read, so that memory does not grow with the file:
// a recording of an hour, or a damaged file that is one entry of a gigabyte,
// costs what a short one does.

#include "frame_data.h"

#include <cstddef>
#include <filesystem>
#include <istream>
#include <limits>
#include <string>
#include <string_view>

// "name:line:column: entry N: message", the form compilers use, so that
// editors and terminals can jump to the place.
std::string describeError(const FrameDataError& error, std::string_view fileName);
// The warning for an entry that the end of the file cuts off.
std::string describeCutOff(const FrameDataError& cutOff, std::string_view fileName);

// Receives the entries of a log in file order as they are checked. The cars
// of an entry come one at a time between beginEntry and endEntry. An entry
// that the end of the file cuts off may have had beginEntry and cars, but
// never gets endEntry.
class FrameDataVisitor {
public:
    // The entry's camera and ball (its car fields are not used).
    virtual void beginEntry(const FrameEntry& entry) = 0;
    virtual void car(const ActorPose& pose) = 0;
    virtual void endEntry() = 0;

protected:
    ~FrameDataVisitor() = default;
};

// What a reading found, besides the entries themselves.
struct FrameDataScan {
    std::size_t entries = 0; // whole entries
    std::size_t replayEntries = 0;
    std::size_t maxCarCount = 0;
    std::optional<FrameDataError> cutOff; // as in FrameData
};

inline constexpr std::size_t allEntries = std::numeric_limits<std::size_t>::max();

// Reads text, or the file, handing each entry to the visitor (which may be
// null), and stops after entryLimit entries. Returns false with error filled
// when the log is damaged, cannot be read, or memory runs out (a visitor may
// throw std::bad_alloc: the error then says where the reading was).
bool scanFrameData(std::string_view text, FrameDataVisitor* visitor, FrameDataScan& scan,
                   FrameDataError& error, std::size_t entryLimit = allEntries);
bool scanFrameDataFile(const std::filesystem::path& path, FrameDataVisitor* visitor,
                       FrameDataScan& scan, FrameDataError& error,
                       std::size_t entryLimit = allEntries);
// The same from a stream read through a window of windowBytes (at least 256).
bool scanFrameDataStream(std::istream& in, FrameDataVisitor* visitor, FrameDataScan& scan,
                         FrameDataError& error, std::size_t entryLimit = allEntries,
                         std::size_t windowBytes = 1 << 18);

// The whole log in memory, for the small files of tests and checks. Fills
// data and returns true, or fills error and returns false (data is then
// unspecified). Line breaks between entries are accepted, as an editor may add
// them; anything else beyond the format is an error.
bool parseFrameData(std::string_view text, FrameData& data, FrameDataError& error);
bool readFrameDataFile(const std::filesystem::path& path, FrameData& data, FrameDataError& error);
