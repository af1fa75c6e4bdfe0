#include "output_files.h"

#include "system/system_error_text.h"

#include <cerrno>

namespace {

std::filesystem::path withSuffix(const std::filesystem::path& path, const char* suffix) {
    std::filesystem::path named = path;
    named += suffix;
    return named;
}

} // namespace

OutputFiles::OutputFiles(Rename rename) : rename_(std::move(rename)) {}

OutputFiles::~OutputFiles() {
    discard();
}

std::ostream* OutputFiles::open(const std::filesystem::path& target, std::string& error) {
    // Names that say what they are, should the process be killed before the
    // end: nobody mistakes them for a finished export.
    Staged file{target, withSuffix(target, ".kivren-partial"), nullptr,
                withSuffix(target, ".kivren-previous"), false};
    std::error_code ec;
    if (std::filesystem::is_directory(target, ec)) {
        error = "cannot write " + target.string() + ": it is a folder";
        return nullptr;
    }
    errno = 0;
    file.stream =
        std::make_unique<std::ofstream>(file.temporary, std::ios::binary | std::ios::trunc);
    if (!*file.stream) {
        error = "cannot create " + file.temporary.string() + ": " + errnoText(errno);
        return nullptr;
    }
    staged_.push_back(std::move(file));
    return staged_.back().stream.get();
}

bool OutputFiles::closeAll(std::string& error) {
    for (Staged& file : staged_) {
        // A write that failed before (a full disk) left its reason in errno.
        const int earlier = *file.stream ? 0 : errno;
        errno = 0;
        file.stream->close();
        if (!*file.stream) {
            const int reason = errno ? errno : earlier;
            error = "cannot write " + file.temporary.string() + ": " +
                    (reason ? errnoText(reason) : "the system refused the data");
            return false;
        }
    }
    return true;
}

bool OutputFiles::renameAll(std::string& error) {
    for (Staged& file : staged_) {
        std::error_code ec;
        if (std::filesystem::is_directory(file.target, ec)) {
            error = "cannot write " + file.target.string() + ": it is a folder";
            return false;
        }
        if (std::filesystem::exists(file.target, ec)) {
            if (!rename_(file.target, file.previous, error))
                return false;
        } else {
            file.previous.clear();
        }
        if (!rename_(file.temporary, file.target, error)) {
            if (!file.previous.empty()) {
                std::string ignored;
                rename_(file.previous, file.target, ignored);
                file.previous.clear();
            }
            return false;
        }
        file.inPlace = true;
    }
    return true;
}

// Back to how the targets were: the new files out, the earlier ones in.
void OutputFiles::undoRenames() {
    for (auto file = staged_.rbegin(); file != staged_.rend(); ++file) {
        if (!file->inPlace)
            continue;
        std::string ignored;
        std::error_code ec;
        if (file->previous.empty())
            std::filesystem::remove(file->target, ec);
        else
            rename_(file->previous, file->target, ignored);
        file->inPlace = false;
    }
}

bool OutputFiles::commit(std::string& error) {
    if (!closeAll(error))
        return false;
    if (!renameAll(error)) {
        undoRenames();
        return false;
    }
    for (const Staged& file : staged_) {
        std::error_code ec;
        if (!file.previous.empty())
            std::filesystem::remove(file.previous, ec);
    }
    staged_.clear();
    return true;
}

void OutputFiles::discard() {
    for (Staged& file : staged_) {
        file.stream.reset();
        std::error_code ec;
        std::filesystem::remove(file.temporary, ec);
    }
    staged_.clear();
}
