#pragma once
// Output files that appear under their names all together or not at all.
// Each is written to a temporary name beside its target (same folder, so the
// final rename never copies). Only when every one is written are they renamed
// over their targets, an earlier file of a target's name being kept aside
// until all renames have worked. A failure on the way removes the temporary
// files and puts every earlier file back as it was.

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Renames from over to, replacing a file that is already there.
bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to,
                 std::string& error);

class OutputFiles {
public:
    using Rename = std::function<bool(const std::filesystem::path& from,
                                      const std::filesystem::path& to, std::string& error)>;

    // rename is replaceFile but where a test makes it fail.
    explicit OutputFiles(Rename rename = replaceFile);
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;
    ~OutputFiles(); // discards whatever was not committed

    // The temporary file standing for target, or null with error naming the
    // file and the system's reason. The stream lives until commit.
    std::ostream* open(const std::filesystem::path& target, std::string& error);

    // Closes every temporary file and renames each over its target, or none.
    bool commit(std::string& error);

private:
    struct Staged {
        std::filesystem::path target;
        std::filesystem::path temporary;
        std::unique_ptr<std::ofstream> stream;
        std::filesystem::path previous; // where an earlier file of target's name waits
        bool inPlace = false;
    };
    bool closeAll(std::string& error);
    bool renameAll(std::string& error);
    void undoRenames();
    void discard();

    Rename rename_;
    std::vector<Staged> staged_;
};
