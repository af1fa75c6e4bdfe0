#include "output_files.h"

#include <cerrno>
#include <cstring>
#include <fstream>

OutputFiles::~OutputFiles() {
    discard();
}

bool OutputFiles::stage(const std::filesystem::path& target,
                        const std::function<void(std::ostream&)>& write, std::string& error) {
    // A name that says what it is, should the process be killed before the
    // rename: nobody mistakes it for a finished export.
    std::filesystem::path temporary = target;
    temporary += ".kivren-partial";

    errno = 0;
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
        error = "cannot create " + temporary.string() + ": " + std::strerror(errno);
        return false;
    }
    staged_.push_back({target, temporary});
    write(out);
    out.close();
    if (!out) {
        error = "cannot write " + temporary.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool OutputFiles::commit(std::string& error) {
    while (!staged_.empty()) {
        if (!replaceFile(staged_.front().temporary, staged_.front().target, error))
            return false;
        staged_.erase(staged_.begin());
    }
    return true;
}

void OutputFiles::discard() {
    for (const Staged& file : staged_) {
        std::error_code ignored;
        std::filesystem::remove(file.temporary, ignored);
    }
    staged_.clear();
}
