// kivren-framedata as a user runs it: the outputs it writes, read back by
// their own rules, and what it does with bad input and bad command lines.
#include "converter.h"
#include "frame_data_samples.h"
#include "json_value.h"
#include "number_text.h"
#include "output_files.h"
#include "scratch_folder.h"

#include <charconv>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string_view>

namespace {

namespace fs = std::filesystem;

void writeText(const fs::path& path, std::string_view text) {
    std::ofstream(path, std::ios::binary)
        .write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::vector<std::vector<std::string>> splitLines(const std::string& text, char separator) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        rows.emplace_back();
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, separator);)
            rows.back().push_back(field);
        if (!line.empty() && line.back() == separator)
            rows.back().push_back("");
    }
    return rows;
}

Vec3 jsonVec(const JsonValue& v) {
    return {v[0].number, v[1].number, v[2].number};
}
Quaternion jsonQuat(const JsonValue& v) {
    return {v[0].number, v[1].number, v[2].number, v[3].number};
}

class FrameDataTool : public testing::Test {
protected:
    int run(const std::vector<std::string>& args) {
        const std::vector<std::string_view> views(args.begin(), args.end());
        std::ostringstream out, err;
        const int status = runFrameDataTool(views, out, err);
        out_ = out.str();
        err_ = err.str();
        return status;
    }
    std::string at(const char* name) const { return (scratch_.path() / name).string(); }

    ScratchFolder scratch_;
    std::string out_, err_;
};

TEST_F(FrameDataTool, WorkedEntryRoundTripsThroughJsonChanAndCsv) {
    // The camera stands at (0, -4608, 1024) cm looking level along the game's
    // +Y (yaw 90 degrees) with 90 degrees across the picture; the ball rests
    // unrotated at 93.15 cm; the car sits at (0, -4608, 17.01) facing +Y.
    // In z-up metres the game's +Y is -y, and what is right of that view is -x.
    const std::string input = KIVREN_TOOLS_TEST_DATA "/worked_entry.txt";
    writeText(at("old.json"), "from an earlier run");
    ASSERT_EQ(run({input, "--json", at("old.json"), "--chan", at("w.chan"), "--csv", at("w.csv")}),
              exitDone)
        << err_;

    JsonValue json;
    ASSERT_TRUE(parseJson(readFile(at("old.json")), json));
    EXPECT_EQ(json["fps"].number, 30.0);
    EXPECT_EQ(json["frameCount"].number, 1.0);
    const JsonValue& frame = json["frames"][0];
    EXPECT_EQ(frame["frame"].number, 1.0);
    const JsonValue& camera = frame["camera"];
    expectNear(jsonVec(camera["location"]), {0, 46.08, 10.24}, 1e-9, "camera");
    const Quaternion view = jsonQuat(camera["quaternion"]);
    expectNear(rotateByQuaternion(view, {0, 0, -1}), {0, -1, 0}, 2e-6, "view");
    expectNear(rotateByQuaternion(view, {0, 1, 0}), {0, 0, 1}, 2e-6, "up");
    expectNear(rotateByQuaternion(view, {1, 0, 0}), {-1, 0, 0}, 2e-6, "picture right");
    EXPECT_EQ(camera["hfov"].number, 90.0);
    // Ninety degrees across a 36 mm sensor is half its width: 18 mm.
    EXPECT_NEAR(camera["focalLength"].number, 18.0, 1e-5);
    expectNear(jsonVec(frame["ball"]["location"]), {0, 0, 0.9315}, 1e-9, "ball");
    EXPECT_EQ(frame["ball"]["quaternion"][3].number, 1.0);
    const JsonValue& car = frame["cars"][0];
    ASSERT_EQ(frame["cars"].items.size(), 1u);
    expectNear(jsonVec(car["location"]), {0, 46.08, 0.1701}, 1e-9, "car");
    expectNear(rotateByQuaternion(jsonQuat(car["quaternion"]), {1, 0, 0}), {0, -1, 0}, 2e-6,
               "car nose");

    const auto chan = splitLines(readFile(at("w.chan")), '\t');
    ASSERT_EQ(chan.size(), 1u);
    ASSERT_EQ(chan[0].size(), 8u);
    EXPECT_EQ(chan[0][0], "1");
    expectNear({std::stod(chan[0][1]), std::stod(chan[0][2]), std::stod(chan[0][3])},
               {0, 46.08, 10.24}, 1e-9, "chan translation");
    const Vec3 euler{std::stod(chan[0][4]), std::stod(chan[0][5]), std::stod(chan[0][6])};
    expectNear(rotateByZxyDegrees(euler, {0, 0, -1}), {0, -1, 0}, 2e-6, "chan view");
    expectNear(rotateByZxyDegrees(euler, {0, 1, 0}), {0, 0, 1}, 2e-6, "chan up");
    EXPECT_NEAR(std::stod(chan[0][7]), 58.7155, 1e-4); // down a 16:9 picture

    const auto csv = splitLines(readFile(at("w.csv")), ',');
    ASSERT_EQ(csv.size(), 4u);
    EXPECT_EQ(csv[0][2], "object");
    for (std::size_t row = 1; row < csv.size(); ++row)
        ASSERT_EQ(csv[row].size(), csv[0].size());
    EXPECT_EQ(csv[1][2], "camera");
    EXPECT_EQ(std::stod(csv[1][5]), 10.24);
    EXPECT_EQ(csv[2][2], "ball");
    EXPECT_EQ(std::stod(csv[2][5]), 0.9315);
    EXPECT_EQ(csv[3][2], "car1");
    EXPECT_EQ(std::stod(csv[3][4]), 46.08);
}

TEST_F(FrameDataTool, GeneratedRecordingStaysAlignedWithItsFrames) {
    const auto frames = samplePath(60);
    std::string text = sampleFile(frames);
    // An editor's line breaks between entries change nothing.
    text.insert(text.find('|') + 1, "\r\n");
    writeText(at("path.txt"), text + "\n");
    ASSERT_EQ(run({at("path.txt"), "--check", "--json=" + at("p.json"), "--chan", at("p.chan"),
                   "--csv", at("p.csv"), "--fps", "60", "--start-frame", "101", "--axes", "y-up",
                   "--units", "cm", "--aspect", "1280x720"}),
              exitDone)
        << err_;
    const auto replays =
        std::count_if(frames.begin(), frames.end(), [](const SampleFrame& f) { return f.replay; });
    EXPECT_NE(out_.find(": 60 frames (1.00 s at 60 fps), " + std::to_string(replays) +
                        " with a replay, up to 3 cars\n"),
              std::string::npos)
        << out_;

    JsonValue json;
    ASSERT_TRUE(parseJson(readFile(at("p.json")), json));
    const auto chan = splitLines(readFile(at("p.chan")), '\t');
    const auto csv = splitLines(readFile(at("p.csv")), ',');
    ASSERT_EQ(json["frames"].items.size(), frames.size());
    std::size_t chanLine = 0, csvRow = 1;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        const JsonValue& frame = json["frames"][i];
        const std::string frameNumber = std::to_string(101 + i);
        EXPECT_EQ(frame["frame"].number, 101.0 + static_cast<double>(i));
        EXPECT_NEAR(frame["time"].number, static_cast<double>(i) / 60.0, 1e-6);
        if (!frames[i].replay) {
            EXPECT_EQ(frame["camera"].kind, JsonValue::Kind::Null);
            continue;
        }
        const SampleActor& camera = frames[i].camera;
        const GameAxes axes = gameAxes(camera.rotation);
        // y-up centimetres: x = X, y = Z, z = Y.
        const Vec3 place{camera.location.X, camera.location.Z, camera.location.Y};
        expectNear(jsonVec(frame["camera"]["location"]), place, 0.05, "json camera");
        const Quaternion view = jsonQuat(frame["camera"]["quaternion"]);
        expectNear(rotateByQuaternion(view, {0, 0, -1}), targetDirection(axes.forward, Axes::YUp),
                   2e-5, "json view");
        EXPECT_NEAR(frame["camera"]["hfov"].number, frames[i].fieldOfView, 1e-4);
        const Vector& ball = frames[i].ball.location;
        expectNear(jsonVec(frame["ball"]["location"]), {ball.X, ball.Z, ball.Y}, 0.05, "ball");
        ASSERT_EQ(frame["cars"].items.size(), frames[i].cars.size());
        for (std::size_t c = 0; c < frames[i].cars.size(); ++c) {
            const Vector& car = frames[i].cars[c].location;
            expectNear(jsonVec(frame["cars"][c]["location"]), {car.X, car.Z, car.Y}, 0.05, "car");
        }

        ASSERT_LT(chanLine, chan.size());
        const auto& line = chan[chanLine++];
        EXPECT_EQ(line[0], frameNumber);
        expectNear({std::stod(line[1]), std::stod(line[2]), std::stod(line[3])}, place, 0.05,
                   "chan");
        const Vec3 euler{std::stod(line[4]), std::stod(line[5]), std::stod(line[6])};
        expectNear(rotateByZxyDegrees(euler, {0, 1, 0}), targetDirection(axes.up, Axes::YUp), 2e-5,
                   "chan up");

        for (std::size_t object = 0; object < 2 + frames[i].cars.size(); ++object) {
            ASSERT_LT(csvRow, csv.size());
            EXPECT_EQ(csv[csvRow++][0], frameNumber);
        }
    }
    EXPECT_EQ(chanLine, chan.size());
    EXPECT_EQ(csvRow, csv.size());
}

TEST_F(FrameDataTool, BadInputNamesThePlaceAndLeavesEveryOutputAsItWas) {
    std::string cut = readFile(KIVREN_TOOLS_TEST_DATA "/worked_entry.txt");
    cut.pop_back(); // a copy that stopped before the last '|'
    writeText(at("cut.txt"), cut);
    writeText(at("keep.json"), "from an earlier run");
    EXPECT_EQ(run({at("cut.txt"), "--json", at("keep.json"), "--csv", at("new.csv")}), exitFailed);
    EXPECT_EQ(err_, "kivren-framedata: " + at("cut.txt") + ":1:" + std::to_string(cut.size() + 1) +
                        ": entry 1: the file ends inside this entry, before its '|'\n");
    EXPECT_EQ(readFile(at("keep.json")), "from an earlier run");

    // One output that cannot be written stops the others from appearing.
    EXPECT_EQ(run({KIVREN_TOOLS_TEST_DATA "/worked_entry.txt", "--json", at("fine.json"), "--chan",
                   at("no-such-folder/w.chan")}),
              exitFailed);
    EXPECT_NE(err_.find("cannot create"), std::string::npos) << err_;
    EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1);

    EXPECT_EQ(namesIn(scratch_.path()), (std::vector<std::string>{"cut.txt", "keep.json"}));
}

TEST_F(FrameDataTool, ACutOffRecordingConvertsWithAWarning) {
    // A crash stopped the recording inside its fifth entry.
    std::string text = sampleFile(samplePath(5));
    text.resize(text.size() - 20);
    writeText(at("crash.txt"), text);
    ASSERT_EQ(run({at("crash.txt"), "--check", "--json", at("c.json"), "--chan", at("c.chan")}),
              exitDone)
        << err_;
    EXPECT_EQ(err_, "kivren-framedata: warning: " + at("crash.txt") +
                        ":1:" + std::to_string(text.size() + 1) +
                        ": entry 5: the file ends inside this entry, before its '|'; the entry "
                        "is left out\n");
    EXPECT_NE(out_.find(": 4 frames"), std::string::npos) << out_;
    JsonValue json;
    ASSERT_TRUE(parseJson(readFile(at("c.json")), json));
    EXPECT_EQ(json["frameCount"].number, 4.0);
    EXPECT_EQ(json["frames"].items.size(), 4u);

    // Its videos, repaired, may hold fewer frames: only as many entries are written.
    ASSERT_EQ(run({at("crash.txt"), "--frames", "2", "--json", at("c.json"), "--csv", at("c.csv")}),
              exitDone)
        << err_;
    JsonValue shorter;
    ASSERT_TRUE(parseJson(readFile(at("c.json")), shorter));
    EXPECT_EQ(shorter["frameCount"].number, 2.0);
    EXPECT_EQ(shorter["frames"].items.size(), 2u);
    const std::string csv = readFile(at("c.csv"));
    EXPECT_EQ(csv.find("\n3,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\n2,"), std::string::npos) << csv;
}

TEST_F(FrameDataTool, OutputsAppearAllTogetherOrNotAtAll) {
    const std::string input = KIVREN_TOOLS_TEST_DATA "/worked_entry.txt";
    writeText(at("a.json"), "from an earlier run");
    fs::create_directory(at("folder"));
    EXPECT_EQ(run({input, "--json", at("a.json"), "--csv", at("folder")}), exitFailed);
    EXPECT_EQ(err_, "kivren-framedata: cannot write " + at("folder") + ": it is a folder\n");
    EXPECT_EQ(readFile(at("a.json")), "from an earlier run");

    // A rename that fails half-way (on Windows, a target open in another
    // program) puts back the files already replaced.
    writeText(at("b.chan"), "earlier chan");
    int renames = 0;
    {
        OutputFiles files([&](const fs::path& from, const fs::path& to, std::string& error) {
            if (++renames == 4) {
                error = "refused";
                return false;
            }
            return replaceFile(from, to, error);
        });
        std::string error;
        for (const char* name : {"a.json", "b.chan", "c.csv"}) {
            std::ostream* file = files.open(at(name), error);
            ASSERT_NE(file, nullptr) << error;
            *file << "new " << name;
        }
        EXPECT_FALSE(files.commit(error));
        EXPECT_EQ(error, "refused");
    }
    EXPECT_EQ(readFile(at("a.json")), "from an earlier run");
    EXPECT_EQ(readFile(at("b.chan")), "earlier chan");
    EXPECT_EQ(namesIn(scratch_.path()), (std::vector<std::string>{"a.json", "b.chan", "folder"}));

    // And when every rename works, every output is new and nothing else is left.
    ASSERT_EQ(run({input, "--json", at("a.json"), "--chan", at("b.chan")}), exitDone) << err_;
    EXPECT_NE(readFile(at("a.json")), "from an earlier run");
    EXPECT_NE(readFile(at("b.chan")), "earlier chan");
    EXPECT_EQ(namesIn(scratch_.path()), (std::vector<std::string>{"a.json", "b.chan", "folder"}));
}

TEST_F(FrameDataTool, UsageMistakesAreNamedAndExitWithTwo) {
    const std::string input = KIVREN_TOOLS_TEST_DATA "/worked_entry.txt";
    const std::pair<std::vector<std::string>, const char*> mistakes[] = {
        {{}, "no input file"},
        {{input}, "nothing to do"},
        {{input, "--json"}, "--json needs a value"},
        {{input, "--check", "--fps", "0"}, "--fps needs a number above 0"},
        {{input, "--check", "--axes", "x-up"}, "--axes is one of z-up, y-up, not \"x-up\""},
        {{input, "--check", "--aspect", "wide"}, "--aspect needs a shape"},
        {{input, "--json", input}, "--json would overwrite the input file"},
        {{input, "--csv", at("a"), "--chan", at("a")}, "--chan and --csv name the same file"},
        {{input, "-o", at("a")}, "unknown option -o"},
        {{input, "--check", "--frames", "0"}, "--frames needs a whole number above 0"},
    };
    for (const auto& [args, says] : mistakes) {
        EXPECT_EQ(run(args), exitUsage);
        EXPECT_NE(err_.find(says), std::string::npos) << err_;
    }
    EXPECT_EQ(run({"--help"}), exitDone);
    EXPECT_NE(out_.find("--sensor-fit"), std::string::npos);
    EXPECT_EQ(run({input, "--check", "--fps", "60"}), exitDone);
    EXPECT_NE(out_.find("1 frames"), std::string::npos) << out_;
}

std::string appended(double value) {
    std::string text;
    appendNumber(text, value);
    return text;
}

// The standard library's exact conversion as the reference: the C runtime's
// printf is not exact on every system (Wine's rounds ties away from zero).
std::string sevenDigits(double value) {
    char text[32];
    const auto written =
        std::to_chars(text, text + sizeof(text), value, std::chars_format::general, 7);
    return std::string(text, written.ptr);
}

TEST(NumberText, WritesWhatPrintfWritesWithSevenDigits) {
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> exponent(-20.0, 20.0);
    for (int i = 0; i < 200000; ++i) {
        double value = std::pow(10.0, exponent(random)) * (i % 2 ? -1.0 : 1.0);
        // Half of them as the file holds them: floats with six digits, in metres.
        if (i % 4 < 2) {
            char printed[32];
            std::snprintf(printed, sizeof(printed), "%g",
                          static_cast<double>(static_cast<float>(value)));
            value = std::strtod(printed, nullptr) * 0.01;
        }
        ASSERT_EQ(appended(value), sevenDigits(value)) << "for " << value;
    }
    EXPECT_EQ(appended(-0.0), "0");
}

TEST(NumberText, RoundsExactTiesToEvenAsPrintfDoes) {
    // A multiple of a power of two has a finite decimal expansion; those with
    // eight significant digits ending in 5 lie exactly halfway between two
    // seven-digit numbers, where printf rounds to the even one.
    for (const auto& [value, text] :
         {std::pair{2.0078125, "2.007812"}, std::pair{917699.25, "917699.2"},
          std::pair{-0.0009765625, "-0.0009765625"}, std::pair{1.0000005, "1.000001"},
          std::pair{2.5e-7, "2.5e-07"}})
        EXPECT_EQ(appended(value), text) << value;
    std::mt19937_64 random(20240612);
    std::uniform_int_distribution<std::int64_t> numerator(1, std::int64_t{1} << 27);
    std::uniform_int_distribution<int> shift(0, 30);
    int ties = 0;
    for (int i = 0; i < 400000; ++i) {
        const double value =
            std::ldexp(static_cast<double>(numerator(random)), -shift(random)) * (i % 2 ? -1 : 1);
        char exact[64];
        std::snprintf(exact, sizeof(exact), "%.7e", value);
        ties += std::string_view(exact).substr(value < 0 ? 9 : 8, 1) == "5" &&
                std::strtod(exact, nullptr) == value;
        ASSERT_EQ(appended(value), sevenDigits(value)) << "for " << exact;
    }
    EXPECT_GT(ties, 1000) << "too few exact ties among the values tried";
}

} // namespace
