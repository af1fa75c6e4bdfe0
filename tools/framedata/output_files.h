#pragma once
// Output files that appear under their names only when every one of them is
// complete. Each is written to a temporary name beside its target (same
// folder, so the final rename never copies); only when all are written are
// they renamed over their targets. A failure on the way removes the temporary
// files and leaves any earlier file of the same name as it was.

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

class OutputFiles {
public:
    OutputFiles() = default;
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;
    ~OutputFiles(); // discards whatever was not committed

    // write fills the temporary file. On failure, error names the file and
    // the system's reason.
    bool stage(const std::filesystem::path& target, const std::function<void(std::ostream&)>& write,
               std::string& error);
    bool commit(std::string& error);

private:
    struct Staged {
        std::filesystem::path target;
        std::filesystem::path temporary;
    };
    void discard();

    std::vector<Staged> staged_;
};

// Renames from over to, replacing a file that is already there.
bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to,
                 std::string& error);
