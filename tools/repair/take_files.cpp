#include "take_files.h"

#include "cut_off_movie.h"
#include "frame_data_reader.h"
#include "mov_atoms.h"

namespace {

constexpr const char* passSuffixes[] = {".mov", " - depth.mov", " - normal.mov",
                                        " - custom pass.mov"};

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TakeFile countPass(const std::filesystem::path& path) {
    TakeFile file{path, std::nullopt, {}};
    MovFile bytes(path);
    if (!bytes.isOpen()) {
        file.note = "cannot be read";
        return file;
    }
    VideoTrack track;
    std::string why;
    if (readVideoTrack(bytes, track, why)) {
        file.frames = track.frames;
        return file;
    }
    CutOffMovie movie;
    if (analyseCutOffMovie(bytes, movie, why)) {
        file.frames = movie.frames.sizes.size();
        file.note = "cut off: repair it too";
        return file;
    }
    file.note = why;
    return file;
}

} // namespace

std::string takeName(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    for (auto suffix = std::rbegin(passSuffixes); suffix != std::rend(passSuffixes); ++suffix)
        if (endsWith(name, *suffix))
            return name.substr(0, name.size() - std::string(*suffix).size());
    return file.stem().string();
}

std::vector<std::filesystem::path> takePasses(const std::filesystem::path& folder,
                                              const std::string& take) {
    std::vector<std::filesystem::path> passes;
    for (const char* suffix : passSuffixes) {
        std::filesystem::path path = folder / (take + suffix);
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error))
            passes.push_back(std::move(path));
    }
    return passes;
}

std::filesystem::path takeFrameData(const std::filesystem::path& folder, const std::string& take) {
    return folder / (take + ".txt");
}

std::vector<TakeFile> countTake(const std::filesystem::path& folder, const std::string& take) {
    std::vector<TakeFile> files;
    for (const auto& pass : takePasses(folder, take))
        files.push_back(countPass(pass));
    const std::filesystem::path frameData = takeFrameData(folder, take);
    std::error_code error;
    if (std::filesystem::is_regular_file(frameData, error)) {
        TakeFile file{frameData, std::nullopt, {}};
        FrameDataScan scan;
        FrameDataError problem;
        if (scanFrameDataFile(frameData, nullptr, scan, problem)) {
            file.frames = scan.entries;
            if (scan.cutOff)
                file.note = "its last entry is cut off and left out";
        } else {
            file.note = describeError(problem, frameData.filename().string());
        }
        files.push_back(file);
    }
    return files;
}
