#include "frame_data_writers.h"

#include "number_text.h"

#include <charconv>
#include <cstdio>
#include <ostream>

std::string_view axesName(Axes axes) {
    return axes == Axes::YUp ? "y-up" : "z-up";
}

std::string_view unitName(LengthUnit unit) {
    return unit == LengthUnit::Metre ? "m" : "cm";
}

std::string_view sensorFitName(SensorFit fit) {
    switch (fit) {
    case SensorFit::Horizontal:
        return "horizontal";
    case SensorFit::Vertical:
        return "vertical";
    case SensorFit::Automatic:
        break;
    }
    return "auto";
}

namespace {

// Text goes to the stream a quarter of a megabyte at a time: a long
// recording's output runs to gigabytes, which need not sit in memory at once.
class TextBuilder {
public:
    explicit TextBuilder(std::ostream& sink) : sink_(sink) { text_.reserve(chunk + chunk / 4); }
    TextBuilder(const TextBuilder&) = delete;
    TextBuilder& operator=(const TextBuilder&) = delete;

    // Called between objects, never inside a number.
    void flushIfFull() {
        if (text_.size() >= chunk)
            flush();
    }
    void flush() {
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
    static constexpr std::size_t chunk = 1 << 18;
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

class JsonOutput final : public FrameDataOutput {
public:
    JsonOutput(std::ostream& sink, const ConversionOptions& options, std::string_view sourceName,
               std::size_t frameCount)
        : out_(sink), options_(options), frameCount_(frameCount) {
        out_ << "{\n\"generator\":\"kivren-framedata\",\n\"source\":";
        appendJsonString(out_, sourceName);
        out_ << ",\n\"fps\":" << options.fps << ",\n\"startFrame\":" << options.startFrame
             << ",\n\"frameCount\":" << static_cast<long>(frameCount) << ",\n\"units\":\""
             << unitName(options.unit) << "\",\n\"axes\":\"" << axesName(options.axes)
             << "\",\n\"quaternionOrder\":\"xyzw\",\n"
             << "\"camera\":{\"looksAlong\":\"-z\",\"up\":\"+y\",\"aspect\":" << options.aspect
             << ",\"sensorFit\":\"" << sensorFitName(options.sensorFit)
             << "\",\"sensorWidth\":" << options.sensorWidth
             << ",\"sensorHeight\":" << options.sensorHeight << "},\n\"frames\":[\n";
    }

    void beginEntry(const FrameEntry& entry) override {
        firstCar_ = true;
        out_ << "{\"frame\":" << frameNumber(options_, index_)
             << ",\"time\":" << frameTime(options_, index_);
        if (!entry.hasReplay) {
            out_ << ",\"camera\":null,\"ball\":null,\"cars\":[";
            return;
        }
        const ConvertedCamera camera = convertCamera(entry.camera, options_);
        out_ << ",\"camera\":{\"location\":";
        appendJsonVec(out_, camera.location);
        out_ << ",\"quaternion\":";
        appendJsonQuat(out_, camera.rotation);
        out_ << ",\"hfov\":" << camera.horizontalFov << ",\"vfov\":" << camera.verticalFov
             << ",\"focalLength\":" << camera.focalLength << "},\"ball\":";
        appendJsonActor(out_, entry.ball, options_);
        out_ << ",\"cars\":[";
    }

    void car(const ActorPose& pose) override {
        if (!firstCar_)
            out_ << ',';
        firstCar_ = false;
        appendJsonActor(out_, pose, options_);
        out_.flushIfFull();
    }

    void endEntry() override {
        ++index_;
        out_ << "]}" << (index_ < frameCount_ ? ",\n" : "\n");
        out_.flushIfFull();
    }

    void finish() override {
        out_ << "]\n}\n";
        out_.flush();
    }

private:
    TextBuilder out_;
    const ConversionOptions options_;
    const std::size_t frameCount_;
    std::size_t index_ = 0;
    bool firstCar_ = true;
};

// The .chan file and the CSV: lines of text written out in pieces, with
// the entry count that numbers their frames.
class LineOutput : public FrameDataOutput {
public:
    void endEntry() override {
        ++index_;
        out_.flushIfFull();
    }
    void finish() override { out_.flush(); }

protected:
    LineOutput(std::ostream& sink, const ConversionOptions& options)
        : out_(sink), options_(options) {}

    TextBuilder out_;
    const ConversionOptions options_;
    std::size_t index_ = 0;
};

class ChanOutput final : public LineOutput {
public:
    ChanOutput(std::ostream& sink, const ConversionOptions& options) : LineOutput(sink, options) {}

    void beginEntry(const FrameEntry& entry) override {
        if (!entry.hasReplay)
            return;
        const ConvertedCamera camera = convertCamera(entry.camera, options_);
        const Vec3 rotation =
            eulerZxyDegrees(camera.rotation, havePrevious_ ? &previous_ : nullptr);
        previous_ = rotation;
        havePrevious_ = true;
        out_ << frameNumber(options_, index_) << '\t' << camera.location.x << '\t'
             << camera.location.y << '\t' << camera.location.z << '\t' << rotation.x << '\t'
             << rotation.y << '\t' << rotation.z << '\t' << camera.verticalFov << '\n';
    }
    void car(const ActorPose&) override {}

private:
    Vec3 previous_;
    bool havePrevious_ = false;
};

void appendCsvActor(TextBuilder& out, const Vec3& location, const Quaternion& rotation) {
    out << ',' << location.x << ',' << location.y << ',' << location.z << ',' << rotation.x << ','
        << rotation.y << ',' << rotation.z << ',' << rotation.w;
}

class CsvOutput final : public LineOutput {
public:
    CsvOutput(std::ostream& sink, const ConversionOptions& options) : LineOutput(sink, options) {
        out_ << "frame,time,object,x,y,z,qx,qy,qz,qw,hfov,vfov,focal_length\n";
    }

    void beginEntry(const FrameEntry& entry) override {
        if (!entry.hasReplay)
            return;
        // Every row of the frame starts alike.
        start_.clear();
        TextBuilder::appendTo(start_, frameNumber(options_, index_));
        start_.push_back(',');
        appendNumber(start_, frameTime(options_, index_));
        start_.push_back(',');
        carNumber_ = 1;

        const ConvertedCamera camera = convertCamera(entry.camera, options_);
        out_ << start_ << "camera";
        appendCsvActor(out_, camera.location, camera.rotation);
        out_ << ',' << camera.horizontalFov << ',' << camera.verticalFov << ','
             << camera.focalLength << '\n';

        out_ << start_ << "ball";
        appendCsvActor(out_, convertLocation(entry.ball.location, options_),
                       convertActorRotation(entry.ball.quaternion, options_.axes));
        out_ << ",,,\n";
    }

    void car(const ActorPose& pose) override {
        out_ << start_ << "car" << carNumber_++;
        appendCsvActor(out_, convertLocation(pose.location, options_),
                       convertActorRotation(pose.quaternion, options_.axes));
        out_ << ",,,\n";
        out_.flushIfFull();
    }

private:
    std::string start_;
    long carNumber_ = 1;
};

} // namespace

std::unique_ptr<FrameDataOutput> makeJsonOutput(std::ostream& out, const ConversionOptions& options,
                                                std::string_view sourceName,
                                                std::size_t frameCount) {
    return std::make_unique<JsonOutput>(out, options, sourceName, frameCount);
}

std::unique_ptr<FrameDataOutput> makeChanOutput(std::ostream& out,
                                                const ConversionOptions& options) {
    return std::make_unique<ChanOutput>(out, options);
}

std::unique_ptr<FrameDataOutput> makeCsvOutput(std::ostream& out,
                                               const ConversionOptions& options) {
    return std::make_unique<CsvOutput>(out, options);
}

void visitFrameData(const FrameData& data, FrameDataVisitor& visitor) {
    for (const FrameEntry& entry : data.entries) {
        visitor.beginEntry(entry);
        for (const ActorPose& car : data.carsOf(entry))
            visitor.car(car);
        visitor.endEntry();
    }
}

void writeFrameDataJson(std::ostream& out, const FrameData& data, const ConversionOptions& options,
                        std::string_view sourceName) {
    JsonOutput json(out, options, sourceName, data.entries.size());
    visitFrameData(data, json);
    json.finish();
}

void writeCameraChan(std::ostream& out, const FrameData& data, const ConversionOptions& options) {
    ChanOutput chan(out, options);
    visitFrameData(data, chan);
    chan.finish();
}

void writeFrameDataCsv(std::ostream& out, const FrameData& data, const ConversionOptions& options) {
    CsvOutput csv(out, options);
    visitFrameData(data, csv);
    csv.finish();
}
