#include "frame_data_reader.h"

#include "formats/frame_data_format.h"
#include "frame_data_source.h"

#include <fmt/format.h>

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <new>
#include <system_error>

namespace format = frameDataFormat;

std::size_t FrameData::replayEntryCount() const {
    return static_cast<std::size_t>(std::count_if(entries.begin(), entries.end(),
                                                  [](const FrameEntry& e) { return e.hasReplay; }));
}

std::size_t FrameData::maxCarCount() const {
    std::size_t most = 0;
    for (const FrameEntry& e : entries)
        most = std::max<std::size_t>(most, e.carCount);
    return most;
}

std::string describeError(const FrameDataError& error, std::string_view fileName) {
    if (error.line == 0)
        return fmt::format("{}: {}", fileName, error.message);
    if (error.entry == 0)
        return fmt::format("{}:{}:{}: {}", fileName, error.line, error.column, error.message);
    return fmt::format("{}:{}:{}: entry {}: {}", fileName, error.line, error.column, error.entry,
                       error.message);
}

std::string describeCutOff(const FrameDataError& cutOff, std::string_view fileName) {
    return "warning: " + describeError(cutOff, fileName) + "; the entry is left out";
}

namespace {

const char* const numberNames[format::cameraGroupSize] = {
    "location X",   "location Y",   "location Z",   "quaternion X",
    "quaternion Y", "quaternion Z", "quaternion W", "field of view"};

// A hand-edited or damaged value may be a unit quaternion with one digit
// changed; the recipe's own rounding stays below 1e-6.
constexpr double quaternionLengthTolerance = 1e-3;

// The writer's numbers have at most a dozen characters ("-3.40282e+38");
// anything much longer is damage, and a bound keeps a number inside the window.
constexpr std::size_t longestNumber = 64;
// What a message quotes of the text found in place of a number.
constexpr std::size_t quotedText = 24;

std::string groupName(std::size_t group) {
    if (group == 0)
        return "camera group";
    if (group == 1)
        return "ball group";
    return fmt::format("car {} group", group - format::groupsBeforeCars + 1);
}

bool isSeparator(char c) {
    return c == format::numberSeparator || c == format::groupEnd || c == format::entryEnd;
}

// What the end of the file leaves of a number it cuts: its start, as the
// writer prints numbers ("-1.5e+06"), perhaps with a line break that an
// editor put at the end of the file.
bool isCutNumber(const char* p, const char* end) {
    const auto digits = [&] {
        while (p != end && *p >= '0' && *p <= '9')
            ++p;
    };
    if (p != end && *p == '-')
        ++p;
    digits();
    if (p != end && *p == '.') {
        ++p;
        digits();
    }
    if (p != end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p != end && (*p == '+' || *p == '-'))
            ++p;
        digits();
    }
    if (p != end && *p == '\r')
        ++p;
    if (p != end && *p == '\n')
        ++p;
    return p == end;
}

// The writer's "%g" numbers have six digits and rarely an exponent: read as
// an integer and divided once by an exact power of ten, they come out as
// correctly rounded as from_chars makes them (Clinger's fast path), at a
// fraction of the cost. Anything else is left to from_chars.
std::from_chars_result parseNumber(const char* p, const char* end, double& value) {
    constexpr double powersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* const start = p;
    const bool negative = p != end && *p == '-';
    if (negative)
        ++p;
    std::uint64_t mantissa = 0;
    int digits = 0, fractionDigits = 0;
    for (; p != end && *p >= '0' && *p <= '9'; ++p, ++digits)
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
    if (p != end && *p == '.')
        for (++p; p != end && *p >= '0' && *p <= '9'; ++p, ++digits, ++fractionDigits)
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
    if (digits == 0 || digits > 15 || (p != end && (*p == 'e' || *p == 'E')))
        return std::from_chars(start, end, value, std::chars_format::general);
    value = static_cast<double>(mantissa) / powersOfTen[fractionDigits];
    if (negative)
        value = -value;
    return {p, std::errc{}};
}

class Parser {
public:
    Parser(FrameDataSource& source, FrameDataVisitor* visitor, FrameDataScan& scan,
           FrameDataError& error, std::size_t entryLimit)
        : in_(source), visitor_(visitor), scan_(scan), error_(error), entryLimit_(entryLimit) {
        scan_ = {};
    }

    bool run() {
        try {
            for (;;) {
                skipLineBreaks();
                if (in_.p == in_.end || scan_.entries == entryLimit_)
                    break;
                ++entry_;
                entryStart_ = in_.offsetOf(in_.p);
                if (!parseEntry()) {
                    if (in_.readFailed())
                        break;
                    return cut_ && scan_.entries > 0;
                }
            }
        } catch (const std::bad_alloc&) {
            cut_ = false;
            return fail(entryStart_, "ran out of memory here");
        }
        if (in_.readFailed()) {
            error_ = {0, 0, 0, "could not be read to the end"};
            return false;
        }
        if (scan_.entries == 0) {
            error_ = {0, 0, 0, "holds no frame data entries"};
            return false;
        }
        return true;
    }

private:
    static constexpr std::size_t noCut = static_cast<std::size_t>(-1);

    // A failure that more of the file could have avoided, where all that is
    // left of the file from cutFrom on is the start of a number, is the end
    // of a recording that was cut off: the entries before it stand. (Such a
    // rest is short, so the window always holds it whole.)
    bool fail(std::size_t at, std::string message, std::size_t cutFrom = noCut) {
        error_.line = line_;
        error_.column = at - lineStart_ + 1;
        error_.entry = entry_;
        error_.message = std::move(message);
        if (cutFrom != noCut && in_.atFileEnd() && !in_.readFailed() &&
            isCutNumber(in_.at(cutFrom), in_.end)) {
            cut_ = true;
            error_.message = "the file ends inside this entry, before its '|'";
            scan_.cutOff = error_;
        }
        return false;
    }

    bool failCutShort() {
        return fail(in_.offsetOf(in_.p), "the file ends inside this entry, before its '|'",
                    in_.offsetOf(in_.p));
    }

    std::string describeFound(const char* at) const {
        if (at == in_.end && in_.atFileEnd())
            return "the end of the file";
        const auto c = static_cast<unsigned char>(*at);
        if (c < 0x20 || c >= 0x7f)
            return fmt::format("the byte 0x{:02x}", c);
        if (isSeparator(*at))
            return fmt::format("'{}'", *at);
        const char* stop = at;
        while (stop != in_.end && static_cast<std::size_t>(stop - at) < quotedText &&
               !isSeparator(*stop) && static_cast<unsigned char>(*stop) >= 0x20)
            ++stop;
        return fmt::format("\"{}\"", std::string_view(at, static_cast<std::size_t>(stop - at)));
    }

    // Between entries only: an editor's line breaks, "\n" or "\r\n".
    void skipLineBreaks() {
        for (;;) {
            in_.ensure(2);
            if (in_.p == in_.end)
                return;
            if (*in_.p == '\r' && in_.end - in_.p > 1 && in_.p[1] == '\n')
                ++in_.p;
            if (*in_.p != '\n')
                return;
            ++in_.p;
            ++line_;
            lineStart_ = in_.offsetOf(in_.p);
        }
    }

    bool parseEntry() {
        FrameEntry entry;
        if (*in_.p == format::entryEnd) {
            ++in_.p;
            if (visitor_) {
                visitor_->beginEntry(entry);
                visitor_->endEntry();
            }
            ++scan_.entries;
            return true;
        }
        entry.hasReplay = true;
        std::size_t cars = 0;
        for (std::size_t group = 0;; ++group) {
            float numbers[format::cameraGroupSize];
            if (!parseGroup(group, numbers))
                return false;

            ActorPose pose;
            std::copy_n(numbers + format::locationAt, 3, pose.location.begin());
            std::copy_n(numbers + format::quaternionAt, 4, pose.quaternion.begin());
            if (group == 0) {
                static_cast<ActorPose&>(entry.camera) = pose;
                entry.camera.fieldOfView = numbers[format::fieldOfViewAt];
            } else if (group == 1) {
                entry.ball = pose;
                if (visitor_)
                    visitor_->beginEntry(entry);
            } else {
                ++cars;
                if (visitor_)
                    visitor_->car(pose);
            }

            in_.ensure(1);
            if (in_.p == in_.end)
                return failCutShort();
            if (*in_.p == format::entryEnd) {
                if (group == 0)
                    return fail(in_.offsetOf(in_.p),
                                "the camera group is not followed by a ball group");
                ++in_.p;
                break;
            }
        }
        if (visitor_)
            visitor_->endEntry();
        ++scan_.entries;
        ++scan_.replayEntries;
        scan_.maxCarCount = std::max(scan_.maxCarCount, cars);
        return true;
    }

    // Reads the numbers of one group and its ending ';', then checks them.
    bool parseGroup(std::size_t group, float* numbers) {
        const int size = group == 0 ? format::cameraGroupSize : format::actorGroupSize;
        const std::size_t groupStart = in_.offsetOf(in_.p);
        std::size_t fieldOfViewAt = 0;
        for (int count = 0;; ++count) {
            in_.ensure(longestNumber + quotedText);
            if (in_.p == in_.end)
                return failCutShort();
            const std::size_t at = in_.offsetOf(in_.p);
            if (count == size)
                return fail(at,
                            fmt::format("the {} has more than {} numbers", groupName(group), size));
            if (count == format::fieldOfViewAt)
                fieldOfViewAt = at;
            if (!parseOneNumber(group, count, numbers[count]))
                return false;
            const std::size_t numberStart = at;
            if (in_.p == in_.end)
                return failCutShort();
            if (*in_.p == format::numberSeparator) {
                ++in_.p;
                continue;
            }
            if (*in_.p == format::groupEnd) {
                ++in_.p;
                if (count + 1 != size)
                    return fail(in_.offsetOf(in_.p) - 1,
                                fmt::format("the {} has {} numbers, expected {}", groupName(group),
                                            count + 1, size));
                return checkGroup(group, groupStart, fieldOfViewAt, numbers);
            }
            return fail(in_.offsetOf(in_.p),
                        fmt::format("{}, after the {}: expected ',' or ';', found {}",
                                    groupName(group), numberNames[count], describeFound(in_.p)),
                        numberStart);
        }
    }

    // The game's numbers are 32-bit floats: a number is read as the float
    // that the plugin printed, and must be one.
    bool parseOneNumber(std::size_t group, int index, float& number) {
        const char* start = in_.p;
        const std::size_t at = in_.offsetOf(start);
        double value = 0.0;
        const auto [next, status] = parseNumber(start, in_.end, value);
        const auto what = [&] {
            return fmt::format("{}, {}", groupName(group), numberNames[index]);
        };
        if (status != std::errc::invalid_argument &&
            static_cast<std::size_t>(next - start) > longestNumber)
            return fail(
                at, fmt::format("{}: a number of more than {} characters", what(), longestNumber));
        if (status == std::errc::result_out_of_range ||
            (status == std::errc{} && std::isfinite(value) && std::abs(value) > double{FLT_MAX}))
            return fail(at, fmt::format("{}: {} is out of range", what(), describeFound(start)));
        if (status != std::errc{})
            return fail(
                at, fmt::format("{}: expected a number, found {}", what(), describeFound(start)),
                at);
        if (!std::isfinite(value))
            return fail(at,
                        fmt::format("{}: {} is not a finite number", what(), describeFound(start)));
        number = static_cast<float>(value);
        in_.p = next;
        return true;
    }

    bool checkGroup(std::size_t group, std::size_t groupStart, std::size_t fieldOfViewAt,
                    const float* numbers) {
        const float* q = numbers + format::quaternionAt;
        double squares = 0.0;
        for (int i = 0; i < 4; ++i)
            squares += static_cast<double>(q[i]) * static_cast<double>(q[i]);
        const double length = std::sqrt(squares);
        if (std::abs(length - 1.0) > quaternionLengthTolerance)
            return fail(groupStart, fmt::format("the {}'s quaternion has length {:g}, not 1",
                                                groupName(group), length));
        if (group == 0) {
            const float fov = numbers[format::fieldOfViewAt];
            if (!(fov > 0.0f && fov < 180.0f))
                return fail(fieldOfViewAt,
                            fmt::format("the camera's field of view {:g} is not between 0 and "
                                        "180 degrees",
                                        static_cast<double>(fov)));
        }
        return true;
    }

    FrameDataSource& in_;
    FrameDataVisitor* visitor_;
    FrameDataScan& scan_;
    FrameDataError& error_;
    const std::size_t entryLimit_;
    bool cut_ = false;
    std::size_t entryStart_ = 0; // in the file
    std::size_t lineStart_ = 0;
    std::size_t line_ = 1;
    std::size_t entry_ = 0;
};

// Keeps the entries in memory; those of an entry that turns out to be cut
// off are taken back at the end.
class Collector final : public FrameDataVisitor {
public:
    explicit Collector(FrameData& data) : data_(data) {
        data_.entries.clear();
        data_.cars.clear();
        data_.cutOff.reset();
    }
    void beginEntry(const FrameEntry& entry) override {
        pending_ = entry;
        pending_.firstCar = static_cast<std::uint32_t>(data_.cars.size());
        pending_.carCount = 0;
    }
    void car(const ActorPose& pose) override {
        data_.cars.push_back(pose);
        ++pending_.carCount;
    }
    void endEntry() override { data_.entries.push_back(pending_); }

    bool finish(bool read, const FrameDataScan& scan) {
        if (!data_.entries.empty()) {
            const FrameEntry& last = data_.entries.back();
            data_.cars.resize(last.firstCar + last.carCount);
        }
        data_.cutOff = scan.cutOff;
        return read;
    }

private:
    FrameData& data_;
    FrameEntry pending_;
};

} // namespace

bool scanFrameData(std::string_view text, FrameDataVisitor* visitor, FrameDataScan& scan,
                   FrameDataError& error, std::size_t entryLimit) {
    FrameDataSource source(text);
    return Parser(source, visitor, scan, error, entryLimit).run();
}

bool scanFrameDataFile(const std::filesystem::path& path, FrameDataVisitor* visitor,
                       FrameDataScan& scan, FrameDataError& error, std::size_t entryLimit) {
    scan = {};
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::error_code ec;
        const bool exists = std::filesystem::exists(path, ec);
        error = {0, 0, 0, exists ? "cannot be opened for reading" : "no such file"};
        return false;
    }
    return scanFrameDataStream(in, visitor, scan, error, entryLimit);
}

bool scanFrameDataStream(std::istream& in, FrameDataVisitor* visitor, FrameDataScan& scan,
                         FrameDataError& error, std::size_t entryLimit, std::size_t windowBytes) {
    scan = {};
    try {
        FrameDataSource source(in, std::max<std::size_t>(windowBytes, 256));
        return Parser(source, visitor, scan, error, entryLimit).run();
    } catch (const std::bad_alloc&) {
        error = {0, 0, 0, "ran out of memory before reading"};
        return false;
    }
}

bool parseFrameData(std::string_view text, FrameData& data, FrameDataError& error) {
    Collector collector(data);
    FrameDataScan scan;
    const bool read = scanFrameData(text, &collector, scan, error);
    return collector.finish(read, scan);
}

bool readFrameDataFile(const std::filesystem::path& path, FrameData& data, FrameDataError& error) {
    Collector collector(data);
    FrameDataScan scan;
    const bool read = scanFrameDataFile(path, &collector, scan, error);
    return collector.finish(read, scan);
}
