#include "frame_data_writers.h"

#include "number_text.h"

#include <charconv>
#include <cstdio>
#include <ostream>

std::string_view axesName(Axes axes) {
    return axes == Axes::yUp ? "y-up" : "z-up";
}

std::string_view unitName(LengthUnit unit) {
    return unit == LengthUnit::metre ? "m" : "cm";
}

std::string_view sensorFitName(SensorFit fit) {
    switch (fit) {
    case SensorFit::horizontal:
        return "horizontal";
    case SensorFit::vertical:
        return "vertical";
    case SensorFit::automatic:
        break;
    }
    return "auto";
}

namespace {

// Text goes to the stream a megabyte at a time: a long recording's output
// runs to a hundred megabytes, which need not sit in memory at once.
class TextBuilder {
public:
    explicit TextBuilder(std::ostream& sink) : sink_(sink) { text_.reserve(chunk + chunk / 4); }
    ~TextBuilder() { sink_.write(text_.data(), static_cast<std::streamsize>(text_.size())); }
    TextBuilder(const TextBuilder&) = delete;
    TextBuilder& operator=(const TextBuilder&) = delete;

    // Called between frames, never inside one.
    void flushIfFull() {
        if (text_.size() < chunk)
            return;
        sink_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
        text_.clear();
    }

    TextBuilder& operator<<(std::string_view text) {
        text_.append(text);
        return *this;
    }
    TextBuilder& operator<<(char c) {
        text_.push_back(c);
        return *this;
    }
    TextBuilder& operator<<(double value) {
        appendNumber(text_, value);
        return *this;
    }
    TextBuilder& operator<<(long value) {
        appendTo(text_, value);
        return *this;
    }
    static void appendTo(std::string& text, long value) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof(digits), value).ptr;
        text.append(digits, static_cast<std::size_t>(end - digits));
    }

private:
    static constexpr std::size_t chunk = 1 << 20;
    std::ostream& sink_;
    std::string text_;
};

long frameNumber(const ConversionOptions& options, std::size_t index) {
    return options.startFrame + static_cast<long>(index);
}

double frameTime(const ConversionOptions& options, std::size_t index) {
    return static_cast<double>(index) / options.fps;
}

void appendJsonString(TextBuilder& out, std::string_view text) {
    out << '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out << '\\' << c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned>(c));
            out << std::string_view(escaped);
        } else {
            out << c;
        }
    }
    out << '"';
}

void appendJsonVec(TextBuilder& out, const Vec3& v) {
    out << '[' << v.x << ',' << v.y << ',' << v.z << ']';
}

void appendJsonQuat(TextBuilder& out, const Quaternion& q) {
    out << '[' << q.x << ',' << q.y << ',' << q.z << ',' << q.w << ']';
}

void appendJsonActor(TextBuilder& out, const ActorPose& pose, const ConversionOptions& options) {
    out << "{\"location\":";
    appendJsonVec(out, convertLocation(pose.location, options));
    out << ",\"quaternion\":";
    appendJsonQuat(out, convertActorRotation(pose.quaternion, options.axes));
    out << '}';
}

} // namespace

void writeFrameDataJson(std::ostream& sink, const FrameData& data, const ConversionOptions& options,
                        std::string_view sourceName) {
    TextBuilder out(sink);
    out << "{\n\"generator\":\"kivren-framedata\",\n\"source\":";
    appendJsonString(out, sourceName);
    out << ",\n\"fps\":" << options.fps << ",\n\"startFrame\":" << options.startFrame
        << ",\n\"frameCount\":" << static_cast<long>(data.entries.size()) << ",\n\"units\":\""
        << unitName(options.unit) << "\",\n\"axes\":\"" << axesName(options.axes)
        << "\",\n\"quaternionOrder\":\"xyzw\",\n"
        << "\"camera\":{\"looksAlong\":\"-z\",\"up\":\"+y\",\"aspect\":" << options.aspect
        << ",\"sensorFit\":\"" << sensorFitName(options.sensorFit)
        << "\",\"sensorWidth\":" << options.sensorWidth
        << ",\"sensorHeight\":" << options.sensorHeight << "},\n\"frames\":[\n";

    for (std::size_t i = 0; i < data.entries.size(); ++i) {
        const FrameEntry& entry = data.entries[i];
        out << "{\"frame\":" << frameNumber(options, i) << ",\"time\":" << frameTime(options, i);
        if (!entry.hasReplay) {
            out << ",\"camera\":null,\"ball\":null,\"cars\":[]}";
        } else {
            const ConvertedCamera camera = convertCamera(entry.camera, options);
            out << ",\"camera\":{\"location\":";
            appendJsonVec(out, camera.location);
            out << ",\"quaternion\":";
            appendJsonQuat(out, camera.rotation);
            out << ",\"hfov\":" << camera.horizontalFov << ",\"vfov\":" << camera.verticalFov
                << ",\"focalLength\":" << camera.focalLength << "},\"ball\":";
            appendJsonActor(out, entry.ball, options);
            out << ",\"cars\":[";
            bool first = true;
            for (const ActorPose& car : data.carsOf(entry)) {
                if (!first)
                    out << ',';
                first = false;
                appendJsonActor(out, car, options);
            }
            out << "]}";
        }
        out << (i + 1 < data.entries.size() ? ",\n" : "\n");
        out.flushIfFull();
    }
    out << "]\n}\n";
}

void writeCameraChan(std::ostream& sink, const FrameData& data, const ConversionOptions& options) {
    TextBuilder out(sink);
    Vec3 previous;
    bool havePrevious = false;
    for (std::size_t i = 0; i < data.entries.size(); ++i) {
        const FrameEntry& entry = data.entries[i];
        if (!entry.hasReplay)
            continue;
        const ConvertedCamera camera = convertCamera(entry.camera, options);
        const Vec3 rotation = eulerZxyDegrees(camera.rotation, havePrevious ? &previous : nullptr);
        previous = rotation;
        havePrevious = true;
        out << frameNumber(options, i) << '\t' << camera.location.x << '\t' << camera.location.y
            << '\t' << camera.location.z << '\t' << rotation.x << '\t' << rotation.y << '\t'
            << rotation.z << '\t' << camera.verticalFov << '\n';
        out.flushIfFull();
    }
}

namespace {

void appendCsvActor(TextBuilder& out, const Vec3& location, const Quaternion& rotation) {
    out << ',' << location.x << ',' << location.y << ',' << location.z << ',' << rotation.x << ','
        << rotation.y << ',' << rotation.z << ',' << rotation.w;
}

} // namespace

void writeFrameDataCsv(std::ostream& sink, const FrameData& data,
                       const ConversionOptions& options) {
    TextBuilder out(sink);
    out << "frame,time,object,x,y,z,qx,qy,qz,qw,hfov,vfov,focal_length\n";
    for (std::size_t i = 0; i < data.entries.size(); ++i) {
        const FrameEntry& entry = data.entries[i];
        if (!entry.hasReplay)
            continue;
        // Every row of the frame starts alike.
        std::string start;
        TextBuilder::appendTo(start, frameNumber(options, i));
        start.push_back(',');
        appendNumber(start, frameTime(options, i));
        start.push_back(',');

        const ConvertedCamera camera = convertCamera(entry.camera, options);
        out << start << "camera";
        appendCsvActor(out, camera.location, camera.rotation);
        out << ',' << camera.horizontalFov << ',' << camera.verticalFov << ',' << camera.focalLength
            << '\n';

        out << start << "ball";
        appendCsvActor(out, convertLocation(entry.ball.location, options),
                       convertActorRotation(entry.ball.quaternion, options.axes));
        out << ",,,\n";

        long carNumber = 1;
        for (const ActorPose& car : data.carsOf(entry)) {
            out << start << "car" << carNumber++;
            appendCsvActor(out, convertLocation(car.location, options),
                           convertActorRotation(car.quaternion, options.axes));
            out << ",,,\n";
        }
        out.flushIfFull();
    }
}
