#include "converter_arguments.h"

#include <charconv>
#include <optional>

std::string_view helpText() {
    return R"(Usage: kivren-framedata [options] INPUT.txt

Reads the frame data file that Kivren2 records beside its videos, checks it,
and writes it out for 3D and compositing tools. Entry N of the file belongs to
frame N of the Main video; entries recorded while no replay was showing keep
their frame number but carry no camera (null in JSON, left out of .chan and CSV).

Outputs (at least one, or --check):
  --json FILE            camera, ball and cars of every frame, with the options used
  --chan FILE            the camera for Nuke (also Maya, Houdini and others):
                         frame, translation, rotation in degrees for the rotation
                         order ZXY, vertical field of view
  --csv FILE             one row per object and frame, for spreadsheets and scripts
  --check                only check the file and print a summary

Conversion (the game: Unreal units = cm, left-handed, X forward, Y right, Z up):
  --fps N                frame rate of the recording, kivren_fps (default 30)
  --start-frame N        frame number of the first entry (default 1)
  --frames N             only the first N entries, for videos of N frames (a
                         repaired recording cut short; see kivren-repair)
  --units m|cm           metres or centimetres (default m)
  --axes z-up|y-up       right-handed target frame (default z-up)
                           z-up: x = X, y = -Y, z = Z   (Blender)
                           y-up: x = X, y = Z,  z = Y   (Nuke, Maya, Houdini: use
                                                         this one for .chan)
  --aspect W:H           shape of the recorded videos, as 16:9, 1920x1080 or 1.7778
                         (default 16:9); the game's field of view is horizontal,
                         the vertical one and the focal length follow from this
  --sensor-fit auto|horizontal|vertical
                         which sensor side the focal length spans, as Blender's
                         camera (default auto: the longer side)
  --sensor-width MM      (default 36)
  --sensor-height MM     (default 24)

  --help, -h             this text
  --version              the program's version

A file that ends inside its last entry, as a recording cut off by a crash or a
full disk does, is read without that entry, and a warning names its place.

Exit status: 0 done; 1 the input is not valid frame data or an output could not
be written (one line names the file, line, column and entry of the first
problem, and no output file is created or changed); 2 wrong usage.
)";
}

namespace {

std::optional<double> parseDouble(std::string_view text) {
    double value = 0.0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (status != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<long> parseLong(std::string_view text) {
    long value = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (status != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// "16:9", "1920x1080" or a plain ratio.
std::optional<double> parseAspect(std::string_view text) {
    const auto split = text.find_first_of(":x");
    if (split == std::string_view::npos)
        return parseDouble(text);
    const auto width = parseDouble(text.substr(0, split));
    const auto height = parseDouble(text.substr(split + 1));
    if (!width || !height || *height <= 0.0)
        return std::nullopt;
    return *width / *height;
}

class Parser {
public:
    Parser(std::span<const std::string_view> args, ConverterArguments& line, std::string& error)
        : args_(args), line_(line), error_(error) {}

    bool run() {
        for (next_ = 0; next_ < args_.size();) {
            const std::string_view arg = args_[next_++];
            if (positionalOnly_ || arg.size() < 2 || arg[0] != '-') {
                if (!line_.input.empty())
                    return fail("more than one input file: " + std::string(arg));
                line_.input = std::filesystem::path(std::string(arg));
                continue;
            }
            if (arg == "--") {
                positionalOnly_ = true;
                continue;
            }
            if (arg == "-h") {
                line_.help = true;
                continue;
            }
            if (arg[1] != '-')
                return fail("unknown option " + std::string(arg) + " (see --help)");
            const auto equals = arg.find('=');
            name_ = arg.substr(0, equals);
            inlineValue_ = equals == std::string_view::npos ? std::optional<std::string_view>{}
                                                            : arg.substr(equals + 1);
            if (!option())
                return false;
        }
        if (line_.help || line_.version)
            return true;
        if (line_.input.empty())
            return fail("no input file: give the frame data .txt to read");
        if (!line_.checkOnly && line_.json.empty() && line_.chan.empty() && line_.csv.empty())
            return fail("nothing to do: give --json, --chan, --csv or --check");
        return checkPaths();
    }

private:
    bool fail(std::string message) {
        error_ = std::move(message);
        return false;
    }

    bool flag() {
        if (inlineValue_)
            return fail(std::string(name_) + " takes no value");
        return true;
    }

    std::optional<std::string_view> value() {
        if (inlineValue_)
            return inlineValue_;
        if (next_ < args_.size())
            return args_[next_++];
        fail(std::string(name_) + " needs a value");
        return std::nullopt;
    }

    bool number(double& target, double above, double atMost) {
        const auto text = value();
        if (!text)
            return false;
        const auto parsed = parseDouble(*text);
        if (!parsed || !(*parsed > above && *parsed <= atMost))
            return fail(std::string(name_) + " needs a number above " + shortText(above) +
                        ", not \"" + std::string(*text) + "\"");
        target = *parsed;
        return true;
    }

    static std::string shortText(double value) {
        char text[32];
        return {text, std::to_chars(text, text + sizeof(text), value).ptr};
    }

    template <typename Enum>
    bool choice(Enum& target, std::initializer_list<std::pair<std::string_view, Enum>> choices) {
        const auto text = value();
        if (!text)
            return false;
        std::string names;
        for (const auto& [name, meaning] : choices) {
            if (*text == name) {
                target = meaning;
                return true;
            }
            names += (names.empty() ? "" : ", ") + std::string(name);
        }
        return fail(std::string(name_) + " is one of " + names + ", not \"" + std::string(*text) +
                    "\"");
    }

    bool path(std::filesystem::path& target) {
        const auto text = value();
        if (!text)
            return false;
        if (text->empty())
            return fail(std::string(name_) + " needs a file name");
        target = std::filesystem::path(std::string(*text));
        return true;
    }

    bool option() {
        ConversionOptions& c = line_.conversion;
        if (name_ == "--help")
            return flag() && (line_.help = true);
        if (name_ == "--version")
            return flag() && (line_.version = true);
        if (name_ == "--check")
            return flag() && (line_.checkOnly = true);
        if (name_ == "--json")
            return path(line_.json);
        if (name_ == "--chan")
            return path(line_.chan);
        if (name_ == "--csv")
            return path(line_.csv);
        if (name_ == "--fps")
            return number(c.fps, 0.0, 1000.0);
        if (name_ == "--sensor-width")
            return number(c.sensorWidth, 0.0, 1000.0);
        if (name_ == "--sensor-height")
            return number(c.sensorHeight, 0.0, 1000.0);
        if (name_ == "--units")
            return choice(c.unit, {{"m", LengthUnit::Metre}, {"cm", LengthUnit::Centimetre}});
        if (name_ == "--axes")
            return choice(c.axes, {{"z-up", Axes::ZUp}, {"y-up", Axes::YUp}});
        if (name_ == "--sensor-fit")
            return choice(c.sensorFit, {{"auto", SensorFit::Automatic},
                                        {"horizontal", SensorFit::Horizontal},
                                        {"vertical", SensorFit::Vertical}});
        if (name_ == "--start-frame") {
            const auto text = value();
            if (!text)
                return false;
            const auto parsed = parseLong(*text);
            if (!parsed || *parsed < -1000000000L || *parsed > 1000000000L)
                return fail("--start-frame needs a whole number, not \"" + std::string(*text) +
                            "\"");
            c.startFrame = *parsed;
            return true;
        }
        if (name_ == "--frames") {
            const auto text = value();
            if (!text)
                return false;
            const auto parsed = parseLong(*text);
            if (!parsed || *parsed < 1)
                return fail("--frames needs a whole number above 0, not \"" + std::string(*text) +
                            "\"");
            line_.frames = static_cast<std::size_t>(*parsed);
            return true;
        }
        if (name_ == "--aspect") {
            const auto text = value();
            if (!text)
                return false;
            const auto parsed = parseAspect(*text);
            if (!parsed || !(*parsed > 0.0 && *parsed < 100.0))
                return fail("--aspect needs a shape such as 16:9 or 1920x1080, not \"" +
                            std::string(*text) + "\"");
            c.aspect = *parsed;
            return true;
        }
        return fail("unknown option " + std::string(name_) + " (see --help)");
    }

    // Writing over the input, or two outputs to one file, would lose data.
    bool checkPaths() {
        const std::pair<const char*, const std::filesystem::path*> outputs[] = {
            {"--json", &line_.json}, {"--chan", &line_.chan}, {"--csv", &line_.csv}};
        for (std::size_t i = 0; i < std::size(outputs); ++i) {
            const auto& [name, path] = outputs[i];
            if (path->empty())
                continue;
            if (sameFile(*path, line_.input))
                return fail(std::string(name) + " would overwrite the input file");
            for (std::size_t j = i + 1; j < std::size(outputs); ++j)
                if (!outputs[j].second->empty() && sameFile(*path, *outputs[j].second))
                    return fail(std::string(name) + " and " + outputs[j].first +
                                " name the same file");
        }
        return true;
    }

    static bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
        std::error_code ec;
        if (std::filesystem::equivalent(a, b, ec))
            return true;
        return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec);
    }

    std::span<const std::string_view> args_;
    ConverterArguments& line_;
    std::string& error_;
    std::size_t next_ = 0;
    bool positionalOnly_ = false;
    std::string_view name_;
    std::optional<std::string_view> inlineValue_;
};

} // namespace

bool parseConverterArguments(std::span<const std::string_view> args, ConverterArguments& line,
                             std::string& error) {
    line = ConverterArguments{};
    return Parser(args, line, error).run();
}
