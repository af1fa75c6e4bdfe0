// kivren-repair on files cut off as FFmpeg leaves them when it is stopped:
// every whole frame is found wherever the writing stopped, the repaired file
// holds exactly those frames behind an index of their own, the rate and
// profile come from where the report says, and anything else is refused with
// one line. That the repaired frames decode as the originals is checked with
// FFmpeg in sim_program_ffmpeg_test.
#include "cut_off_files.h"
#include "cut_off_movie.h"
#include "repair_tool.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::span<const std::uint8_t> asBytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class Repair : public testing::Test {
protected:
    int run(const std::vector<std::string>& args) {
        const std::vector<std::string_view> views(args.begin(), args.end());
        std::ostringstream out, err;
        const int status = runRepairTool(views, out, err);
        out_ = out.str();
        err_ = err.str();
        return status;
    }
    fs::path at(const std::string& name) const { return scratch_.path() / name; }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& file : fs::directory_iterator(scratch_.path()))
            names.push_back(file.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    bool outputHas(const std::string& line) const {
        const auto lines = linesOf(out_);
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    ScratchFolder scratch_;
    const std::string hqFile = readFile(KIVREN_REPAIR_TEST_DATA "/hq-64x32-30fps.mov");
    const std::string fourFile = readFile(KIVREN_REPAIR_TEST_DATA "/4444-64x32-60fps.mov");
    const WholeMovie hq = takeApart(hqFile);
    const WholeMovie four = takeApart(fourFile);
    std::string out_, err_;
};

TEST_F(Repair, FindsEveryWholeFrameWhereverTheWritingStopped) {
    ASSERT_EQ(hq.frameSizes.size(), 6u);
    std::vector<std::size_t> stops;
    for (std::size_t kept = 0; kept <= hq.media.size(); kept += 29)
        stops.push_back(kept);
    for (std::size_t n = 0; n < hq.frameSizes.size(); ++n)
        for (std::size_t end = frameEnd(hq, n), d = 0; d < 10; ++d)
            stops.insert(stops.end(), {end - d, end + d});
    for (const std::size_t kept : stops) {
        if (kept > hq.media.size())
            continue;
        SCOPED_TRACE(kept);
        const std::string file = cutOffAt(hq, kept);
        MovMemory bytes(asBytes(file));
        CutOffMovie movie;
        std::string why;
        std::size_t whole = 0;
        while (whole < hq.frameSizes.size() && frameEnd(hq, whole) <= kept)
            ++whole;
        const bool analysed = analyseCutOffMovie(bytes, movie, why);
        if (whole == 0) {
            ASSERT_FALSE(analysed);
            EXPECT_EQ(why, kept == 0 ? "holds no frame: the writing stopped before the first one"
                                     : "holds no whole frame: the writing stopped inside the "
                                       "first one");
            continue;
        }
        ASSERT_TRUE(analysed) << why;
        EXPECT_EQ(movie.frames.sizes,
                  std::vector<std::uint32_t>(hq.frameSizes.begin(), hq.frameSizes.begin() + whole));
        const std::size_t dataStart = hq.ftyp.size() + 16;
        EXPECT_EQ(movie.frames.first, dataStart);
        EXPECT_EQ(movie.frames.end(), dataStart + frameEnd(hq, whole - 1));
        EXPECT_EQ(movie.frames.format, (ProResFormat{64, 32, 2, 0, 0}));
        const std::size_t rest = kept - frameEnd(hq, whole - 1);
        EXPECT_EQ(movie.frames.stop,
                  rest == 0 ? ProResFrames::Stop::End : ProResFrames::Stop::CutFrame);
        if (rest != 0) {
            EXPECT_EQ(movie.frames.cutPresent, rest);
        }
    }
}

TEST_F(Repair, RepairedFileIsTheWholeFramesBehindAnIndexOfTheirOwn) {
    const std::size_t kept = frameEnd(hq, 3) + 100;
    const std::string cut = cutOffAt(hq, kept);
    writeBytes(at("clip.mov"), cut);
    ASSERT_EQ(run({at("clip.mov").string(), "--fps", "30"}), repairDone) << err_;
    EXPECT_EQ(err_, "");
    const std::string name = at("clip.mov").string();
    EXPECT_TRUE(outputHas(name + ": 4 whole frames, 64x32 ProRes 422 HQ (from the frames: 4:2:2, "
                                 "which Kivren2 records as ProRes 422 HQ), 30 fps (from --fps)"))
        << out_;
    EXPECT_TRUE(outputHas(name + ": frame 5 is cut off (100 of its " +
                          std::to_string(hq.frameSizes[4]) + " bytes) and left out"))
        << out_;
    EXPECT_TRUE(outputHas("wrote " + at("clip (repaired).mov").string() + ": 4 frames")) << out_;
    EXPECT_EQ(readFile(at("clip.mov")), cut) << "the input is only read";

    // Everything up to the last whole frame, with the media data's size
    // now given, then the index.
    const std::string repaired = readFile(at("clip (repaired).mov"));
    const std::size_t mdat = hq.ftyp.size() + 8;
    const std::size_t mediaEnd = mdat + 8 + frameEnd(hq, 3);
    ASSERT_GT(repaired.size(), mediaEnd + 8);
    EXPECT_EQ(repaired.substr(0, mdat), cut.substr(0, mdat));
    const auto mdatSize = static_cast<std::uint32_t>(8 + frameEnd(hq, 3));
    const std::string mdatHeader = {static_cast<char>(mdatSize >> 24),
                                    static_cast<char>(mdatSize >> 16),
                                    static_cast<char>(mdatSize >> 8),
                                    static_cast<char>(mdatSize),
                                    'm',
                                    'd',
                                    'a',
                                    't'};
    EXPECT_EQ(repaired.substr(mdat, 8), mdatHeader);
    EXPECT_EQ(repaired.substr(mdat + 8, frameEnd(hq, 3)), hq.media.substr(0, frameEnd(hq, 3)));
    EXPECT_EQ(repaired.substr(mediaEnd + 4, 4), "moov");

    MovMemory bytes(asBytes(repaired));
    VideoTrack track;
    std::string why;
    ASSERT_TRUE(readVideoTrack(bytes, track, why)) << why;
    EXPECT_EQ(track.codec, "apch");
    EXPECT_EQ(track.width, 64);
    EXPECT_EQ(track.height, 32);
    EXPECT_EQ(track.frames, 4u);
    EXPECT_EQ(static_cast<double>(track.timescale) / track.sampleDelta, 30.0);

    // The whole file's own index says the same of its frames.
    MovMemory whole(asBytes(hqFile));
    VideoTrack original;
    ASSERT_TRUE(readVideoTrack(whole, original, why)) << why;
    EXPECT_EQ(original.timescale, track.timescale);
    EXPECT_EQ(original.sampleDelta, track.sampleDelta);
    EXPECT_EQ(original.codec, track.codec);

    EXPECT_EQ(files(), (std::vector<std::string>{"clip (repaired).mov", "clip.mov"}));
}

TEST_F(Repair, AMediaDataAtomWithA64BitSizeIsClosedInPlace) {
    // FFmpeg gives the size 64 bits once the media data passes 4 GB.
    std::string file = hq.ftyp + "\0\0\0\x01mdat"s + "\0\0\0\x01\0\0\0\0"s + hq.media;
    file.resize(file.size() - 10);
    writeBytes(at("big.mov"), file);
    ASSERT_EQ(run({at("big.mov").string(), "--fps=30", "--output", at("out.mov").string()}),
              repairDone)
        << err_;
    const std::string repaired = readFile(at("out.mov"));
    const std::size_t mdat = hq.ftyp.size();
    EXPECT_EQ(repaired.substr(mdat, 8), "\0\0\0\x01mdat"s);
    const std::size_t size = 16 + frameEnd(hq, 4);
    EXPECT_EQ(repaired.substr(mdat + 8, 8),
              "\0\0\0\0\0\0"s + static_cast<char>(size >> 8) + static_cast<char>(size));
    MovMemory bytes(asBytes(repaired));
    VideoTrack track;
    std::string why;
    ASSERT_TRUE(readVideoTrack(bytes, track, why)) << why;
    EXPECT_EQ(track.frames, 5u);
}

TEST_F(Repair, RateAndProfileComeFromAWholePassOfTheTake) {
    // A 4:2:2 Main pass cut off beside a whole 4:4:4 ID pass at 60 fps: the
    // rate is the ID pass's, the profile the frames' own.
    writeBytes(at("take.mov"), cutOffAt(hq, frameEnd(hq, 1) + 5));
    writeBytes(at("take - custom pass.mov"), fourFile);
    writeBytes(at("take.txt"), "|||0,1,2");
    ASSERT_EQ(run({at("take.mov").string()}), repairDone) << err_;
    EXPECT_TRUE(outputHas(at("take.mov").string() +
                          ": 2 whole frames, 64x32 ProRes 422 HQ (from the frames: 4:2:2, which "
                          "Kivren2 records as ProRes 422 HQ), 60 fps (from take - custom pass.mov, "
                          "a whole pass of the take)"))
        << out_;
    // Every file of the take with its count, and what to keep.
    EXPECT_TRUE(outputHas("The take \"take\":")) << out_;
    EXPECT_TRUE(outputHas("  take (repaired).mov                    2 frames  (repaired)")) << out_;
    EXPECT_TRUE(outputHas("  take - custom pass.mov                 4 frames")) << out_;
    EXPECT_TRUE(outputHas("  take.txt                               3 entries  (its last entry is "
                          "cut off and left out)"))
        << out_;
    EXPECT_TRUE(outputHas("To bring the take back into line, keep the first 2 frames of each pass "
                          "and entries of the frame data (see the README: \"Repairing a cut-off "
                          "recording\")."))
        << out_;

    // A 4:4:4 ID pass cut off beside a whole 4:2:2 Main pass at 30 fps.
    writeBytes(at("shot - custom pass.mov"), cutOffAt(four, frameEnd(four, 2)));
    writeBytes(at("shot.mov"), hqFile);
    ASSERT_EQ(run({at("shot - custom pass.mov").string()}), repairDone) << err_;
    EXPECT_NE(out_.find(": 3 whole frames, 64x32 ProRes 4444 (from the frames: 4:4:4, which "
                        "Kivren2 records as ProRes 4444), 30 fps (from shot.mov, a whole pass"),
              std::string::npos)
        << out_;
    EXPECT_NE(out_.find("keep the first 3 frames"), std::string::npos) << out_;
    MovFile repaired(at("shot - custom pass (repaired).mov"));
    VideoTrack track;
    std::string why;
    ASSERT_TRUE(readVideoTrack(repaired, track, why)) << why;
    EXPECT_EQ(track.codec, "ap4h");
    EXPECT_EQ(track.timescale / track.sampleDelta, 30u);

    // A whole pass of the same chroma format gives its profile, and --fps
    // wins over the pass's rate.
    writeBytes(at("clip - depth.mov"), cutOffAt(hq, frameEnd(hq, 0)));
    writeBytes(at("clip - normal.mov"), hqFile);
    ASSERT_EQ(run({at("clip - depth.mov").string(), "--fps", "24"}), repairDone) << err_;
    EXPECT_NE(out_.find("ProRes 422 HQ (from clip - normal.mov, of the same chroma format), 24 fps "
                        "(from --fps)"),
              std::string::npos)
        << out_;
}

TEST_F(Repair, RefusesWhatItCannotRepairWithOneLine) {
    const std::string notProRes = hq.ftyp + "\0\0\0\x08wide\0\0\0\0mdat"s + "not a ProRes frame";
    const std::pair<std::string, std::string> refused[] = {
        {hqFile, "is not cut off: it has its index (moov atom), so players open it as it is"},
        {"frame data, not a movie", "is not a QuickTime .mov file"},
        {hq.ftyp, "holds no media data (mdat atom): no frame reached the disk"},
        {notProRes, "is not a ProRes recording: its media data does not start with a ProRes frame"},
        {cutOffAt(hq, 50), "holds no whole frame: the writing stopped inside the first one"},
        {cutOffAt(hq, 0), "holds no frame: the writing stopped before the first one"},
        {cutOffAt(hq, frameEnd(hq, 2)),
         "cannot tell the frame rate: ProRes frames do not hold it, and no whole pass of the "
         "same take lies beside it; give --fps (the recording's kivren_fps)"},
    };
    for (const auto& [bytes, says] : refused) {
        SCOPED_TRACE(says);
        writeBytes(at("in.mov"), bytes);
        EXPECT_EQ(run({at("in.mov").string()}), repairFailed);
        EXPECT_EQ(err_, "kivren-repair: " + at("in.mov").string() + ": " + says + "\n");
        EXPECT_EQ(out_, "");
        EXPECT_EQ(files(), std::vector<std::string>{"in.mov"});
    }
    EXPECT_EQ(run({at("none.mov").string(), "--fps", "30"}), repairFailed);
    EXPECT_EQ(err_, "kivren-repair: " + at("none.mov").string() + ": no such file\n");

    // An existing file is never written over.
    writeBytes(at("in.mov"), cutOffAt(hq, frameEnd(hq, 2)));
    writeBytes(at("in (repaired).mov"), "keep me");
    EXPECT_EQ(run({at("in.mov").string(), "--fps", "30"}), repairFailed);
    EXPECT_EQ(err_, "kivren-repair: " + at("in (repaired).mov").string() +
                        " already exists; remove it or name another with --output\n");
    EXPECT_EQ(readFile(at("in (repaired).mov")), "keep me");

    const std::pair<std::vector<std::string>, std::string> mistakes[] = {
        {{}, "no input file: give the cut-off .mov to repair"},
        {{"a.mov", "--fps", "0"},
         "--fps needs a whole number from 1 to 999 (kivren_fps), not \"0\""},
        {{"a.mov", "--fps", "29.97"}, "--fps needs a whole number from 1 to 999"},
        {{"a.mov", "--output"}, "--output needs a value"},
        {{"a.mov", "b.mov"}, "more than one input file: b.mov"},
        {{"a.mov", "-x"}, "unknown option -x (see --help)"},
    };
    for (const auto& [args, says] : mistakes) {
        EXPECT_EQ(run(args), repairUsage);
        EXPECT_EQ(err_.rfind("kivren-repair: " + says, 0), 0u) << err_;
    }
    EXPECT_EQ(run({"--help"}), repairDone);
    EXPECT_NE(out_.find("Usage: kivren-repair"), std::string::npos);
}

} // namespace
