#include "frame_data_reader.h"

#include "framedata/frame_data_format.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
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

namespace {

const char* const numberNames[format::cameraGroupSize] = {
    "location X",   "location Y",   "location Z",   "quaternion X",
    "quaternion Y", "quaternion Z", "quaternion W", "field of view"};

// A hand-edited or damaged value may be a unit quaternion with one digit
// changed; the recipe's own rounding stays below 1e-6.
constexpr double quaternionLengthTolerance = 1e-3;

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

// Takes the file in pieces, so that a long recording is never held in memory
// whole beside what is read from it.
class Parser {
public:
    Parser(FrameData& data, FrameDataError& error, std::size_t fileSize)
        : data_(data), error_(error), fileSize_(fileSize) {
        data_.entries.clear();
        data_.cars.clear();
    }

    // Reads the whole entries of text, which starts at byte offset of the
    // file, and sets consumed to where the last of them ends; the rest waits
    // for the next piece. With last set, text runs to the end of the file
    // and is read to its end.
    bool feed(std::string_view text, std::size_t offset, bool last, std::size_t& consumed) {
        begin_ = p_ = text.data();
        offset_ = offset;
        atFileEnd_ = last;
        const auto lastEntryEnd = text.rfind(format::entryEnd);
        end_ = last ? text.data() + text.size()
                    : text.data() + (lastEntryEnd == std::string_view::npos ? 0 : lastEntryEnd + 1);
        if (data_.entries.capacity() == 0)
            reserve();
        for (;;) {
            skipLineBreaks();
            if (p_ == end_)
                break;
            ++entry_;
            if (!parseEntry())
                return false;
        }
        consumed = static_cast<std::size_t>(end_ - begin_);
        return true;
    }

    bool finish() {
        if (data_.entries.empty()) {
            error_ = {0, 0, 0, "holds no frame data entries"};
            return false;
        }
        return true;
    }

private:
    // Every entry ends with one '|' and every group with one ';': counted in
    // the first piece and scaled to the file, they give the room for all
    // entries and cars, so that the vectors are not copied as they grow.
    void reserve() {
        const auto size = static_cast<std::size_t>(end_ - p_);
        if (size == 0)
            return;
        const auto entries = static_cast<std::size_t>(std::count(p_, end_, format::entryEnd));
        const auto groups = static_cast<std::size_t>(std::count(p_, end_, format::groupEnd));
        const double scale =
            static_cast<double>(std::max(fileSize_, size)) / static_cast<double>(size);
        const auto cars = groups > 2 * entries ? groups - 2 * entries : 0;
        data_.entries.reserve(static_cast<std::size_t>(static_cast<double>(entries) * scale) + 1);
        data_.cars.reserve(static_cast<std::size_t>(static_cast<double>(cars) * scale) + 1);
    }

    std::size_t fileOffset(const char* at) const {
        return offset_ + static_cast<std::size_t>(at - begin_);
    }

    bool fail(const char* at, std::string message) {
        error_.line = line_;
        error_.column = fileOffset(at) - lineStart_ + 1;
        error_.entry = entry_;
        error_.message = std::move(message);
        return false;
    }

    bool failCutShort() { return fail(end_, "the file ends inside this entry, before its '|'"); }

    std::string describeFound(const char* at) const {
        if (at == end_ && atFileEnd_)
            return "the end of the file";
        const auto c = static_cast<unsigned char>(*at);
        if (c < 0x20 || c >= 0x7f)
            return fmt::format("the byte 0x{:02x}", c);
        if (isSeparator(*at))
            return fmt::format("'{}'", *at);
        const char* stop = at;
        while (stop != end_ && stop - at < 24 && !isSeparator(*stop) &&
               static_cast<unsigned char>(*stop) >= 0x20)
            ++stop;
        return fmt::format("\"{}\"", std::string_view(at, static_cast<std::size_t>(stop - at)));
    }

    // Between entries only: an editor's line breaks, "\n" or "\r\n".
    void skipLineBreaks() {
        while (p_ != end_) {
            if (*p_ == '\r' && end_ - p_ > 1 && p_[1] == '\n')
                ++p_;
            if (*p_ != '\n')
                return;
            ++p_;
            ++line_;
            lineStart_ = fileOffset(p_);
        }
    }

    bool parseEntry() {
        FrameEntry entry;
        if (*p_ == format::entryEnd) {
            ++p_;
            data_.entries.push_back(entry);
            return true;
        }
        entry.hasReplay = true;
        entry.firstCar = static_cast<std::uint32_t>(data_.cars.size());
        for (std::size_t group = 0;; ++group) {
            const int size = group == 0 ? format::cameraGroupSize : format::actorGroupSize;
            double numbers[format::cameraGroupSize];
            const char* groupStart = p_;
            if (!parseGroup(group, size, numbers) || !checkGroup(group, groupStart, numbers))
                return false;

            ActorPose pose;
            for (int i = 0; i < 3; ++i)
                pose.location[i] = static_cast<float>(numbers[format::locationAt + i]);
            for (int i = 0; i < 4; ++i)
                pose.quaternion[i] = static_cast<float>(numbers[format::quaternionAt + i]);
            if (group == 0) {
                static_cast<ActorPose&>(entry.camera) = pose;
                entry.camera.fieldOfView = static_cast<float>(numbers[format::fieldOfViewAt]);
            } else if (group == 1) {
                entry.ball = pose;
            } else {
                data_.cars.push_back(pose);
                ++entry.carCount;
            }

            if (p_ == end_)
                return failCutShort();
            if (*p_ == format::entryEnd) {
                if (group == 0)
                    return fail(p_, "the camera group is not followed by a ball group");
                ++p_;
                break;
            }
        }
        data_.entries.push_back(entry);
        return true;
    }

    // Reads the numbers of one group and its ending ';'.
    bool parseGroup(std::size_t group, int size, double* numbers) {
        for (int count = 0;; ++count) {
            if (p_ == end_)
                return failCutShort();
            if (count == size)
                return fail(p_,
                            fmt::format("the {} has more than {} numbers", groupName(group), size));
            const auto [next, status] = parseNumber(p_, end_, numbers[count]);
            if (status == std::errc::result_out_of_range)
                return fail(p_, fmt::format("{}, {}: {} is out of range", groupName(group),
                                            numberNames[count], describeFound(p_)));
            if (status != std::errc{})
                return fail(p_, fmt::format("{}, {}: expected a number, found {}", groupName(group),
                                            numberNames[count], describeFound(p_)));
            if (!std::isfinite(numbers[count]))
                return fail(p_, fmt::format("{}, {}: {} is not a finite number", groupName(group),
                                            numberNames[count], describeFound(p_)));
            p_ = next;
            if (p_ == end_)
                return failCutShort();
            if (*p_ == format::numberSeparator) {
                ++p_;
                continue;
            }
            if (*p_ == format::groupEnd) {
                ++p_;
                if (count + 1 != size)
                    return fail(p_ - 1, fmt::format("the {} has {} numbers, expected {}",
                                                    groupName(group), count + 1, size));
                return true;
            }
            return fail(p_, fmt::format("{}, after the {}: expected ',' or ';', found {}",
                                        groupName(group), numberNames[count], describeFound(p_)));
        }
    }

    bool checkGroup(std::size_t group, const char* groupStart, const double* numbers) {
        const double* q = numbers + format::quaternionAt;
        const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
        if (std::abs(length - 1.0) > quaternionLengthTolerance)
            return fail(groupStart, fmt::format("the {}'s quaternion has length {:g}, not 1",
                                                groupName(group), length));
        if (group == 0) {
            const double fov = numbers[format::fieldOfViewAt];
            if (!(fov > 0.0 && fov < 180.0))
                return fail(groupStart,
                            fmt::format("the camera's field of view {:g} is not between 0 and "
                                        "180 degrees",
                                        fov));
        }
        return true;
    }

    const char* begin_ = nullptr;
    const char* p_ = nullptr;
    const char* end_ = nullptr;
    std::size_t offset_ = 0;
    bool atFileEnd_ = false;
    std::size_t lineStart_ = 0; // in the file
    std::size_t line_ = 1;
    std::size_t entry_ = 0;
    FrameData& data_;
    FrameDataError& error_;
    const std::size_t fileSize_;
};

} // namespace

bool parseFrameData(std::string_view text, FrameData& data, FrameDataError& error) {
    Parser parser(data, error, text.size());
    std::size_t consumed = 0;
    return parser.feed(text, 0, true, consumed) && parser.finish();
}

bool readFrameDataFile(const std::filesystem::path& path, FrameData& data, FrameDataError& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::error_code ec;
        const bool exists = std::filesystem::exists(path, ec);
        error = {0, 0, 0, exists ? "cannot be opened for reading" : "no such file"};
        return false;
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    Parser parser(data, error, ec ? 0 : static_cast<std::size_t>(size));
    constexpr std::size_t piece = 4 << 20;
    std::string buffer;     // what is left of the last piece, then the next piece
    std::size_t offset = 0; // of buffer[0] in the file
    for (;;) {
        const std::size_t kept = buffer.size();
        buffer.resize(kept + piece);
        in.read(buffer.data() + kept, static_cast<std::streamsize>(piece));
        buffer.resize(kept + static_cast<std::size_t>(in.gcount()));
        if (in.bad()) {
            error = {0, 0, 0, "could not be read to the end"};
            return false;
        }
        const bool last = in.eof();
        std::size_t consumed = 0;
        if (!parser.feed(buffer, offset, last, consumed))
            return false;
        if (last)
            return parser.finish();
        buffer.erase(0, consumed);
        offset += consumed;
    }
}
