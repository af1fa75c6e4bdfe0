// std::filesystem on Windows runs through the runtime layer's Win32 half:
// the answers the standard promises for existing, missing and clashing
// paths, as the plugin and the tools rely on them.
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <set>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

TEST(RuntimeFilesystem, DirectoriesAreMadeOnceAndClashWithFiles) {
    ScratchFolder scratch;
    const fs::path nested = scratch.path() / "a" / "b" / "c";
    std::error_code error;
    EXPECT_TRUE(fs::create_directories(nested, error)) << error.message();
    EXPECT_TRUE(fs::is_directory(nested));
    // Existing directories are no error and are not "created" again.
    EXPECT_FALSE(fs::create_directory(nested, error));
    EXPECT_FALSE(error) << error.message();
    EXPECT_FALSE(fs::create_directories(nested, error));
    EXPECT_FALSE(error) << error.message();
    // A file in the way is an error, never silently taken for a folder.
    writeText(scratch.path() / "file", "x");
    EXPECT_FALSE(fs::create_directory(scratch.path() / "file", error));
    EXPECT_TRUE(error);
    EXPECT_THROW(fs::create_directories(scratch.path() / "file" / "below"), fs::filesystem_error);
}

TEST(RuntimeFilesystem, StatusSizeAndTimeOfFilesAndMissingPaths) {
    ScratchFolder scratch;
    const fs::path file = scratch.path() / "data.bin";
    writeText(file, std::string(12345, 'k'));
    EXPECT_TRUE(fs::exists(file));
    EXPECT_TRUE(fs::is_regular_file(file));
    EXPECT_EQ(fs::file_size(file), 12345u);

    std::error_code error;
    EXPECT_FALSE(fs::exists(scratch.path() / "missing", error));
    EXPECT_FALSE(error) << "a missing file is an answer, not an error";
    EXPECT_FALSE(fs::exists(scratch.path() / "missing" / "deeper", error));
    EXPECT_FALSE(error);
    EXPECT_EQ(fs::file_size(scratch.path() / "missing", error), static_cast<std::uintmax_t>(-1));
    EXPECT_TRUE(error);

    const auto before = fs::last_write_time(file);
    fs::last_write_time(file, before - std::chrono::hours(24));
    EXPECT_EQ(fs::last_write_time(file), before - std::chrono::hours(24));
}

TEST(RuntimeFilesystem, ListingRenamingCopyingAndRemoving) {
    ScratchFolder scratch;
    fs::create_directory(scratch.path() / "sub");
    writeText(scratch.path() / "one.txt", "1");
    writeText(scratch.path() / "two.txt", "22");
    writeText(scratch.path() / "sub" / "three.txt", "333");

    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(scratch.path()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"one.txt", "sub", "two.txt"}));
    std::size_t everything = 0;
    for (const auto& entry : fs::recursive_directory_iterator(scratch.path()))
        everything += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(everything, 3u);

    // A rename replaces an existing file (the frame data tools rely on it).
    fs::rename(scratch.path() / "two.txt", scratch.path() / "one.txt");
    EXPECT_EQ(readFile(scratch.path() / "one.txt"), "22");
    EXPECT_FALSE(fs::exists(scratch.path() / "two.txt"));

    // Copies: refused over an existing file unless asked, then replaced.
    writeText(scratch.path() / "target.txt", "old");
    std::error_code error;
    EXPECT_FALSE(fs::copy_file(scratch.path() / "one.txt", scratch.path() / "target.txt", error));
    EXPECT_TRUE(error);
    EXPECT_FALSE(fs::copy_file(scratch.path() / "one.txt", scratch.path() / "target.txt",
                               fs::copy_options::skip_existing));
    EXPECT_EQ(readFile(scratch.path() / "target.txt"), "old");
    EXPECT_TRUE(fs::copy_file(scratch.path() / "one.txt", scratch.path() / "target.txt",
                              fs::copy_options::overwrite_existing));
    EXPECT_EQ(readFile(scratch.path() / "target.txt"), "22");

    fs::resize_file(scratch.path() / "target.txt", 1000);
    EXPECT_EQ(fs::file_size(scratch.path() / "target.txt"), 1000u);

    // Removing what is not there removes nothing and is no error.
    EXPECT_FALSE(fs::remove(scratch.path() / "missing", error));
    EXPECT_FALSE(error) << error.message();
    EXPECT_TRUE(fs::remove(scratch.path() / "one.txt"));
    EXPECT_EQ(fs::remove_all(scratch.path() / "sub"), 2u);
    EXPECT_FALSE(fs::exists(scratch.path() / "sub"));
}

TEST(RuntimeFilesystem, PathsConvertAndResolve) {
    ScratchFolder scratch;
    // Narrow names go through the process's code page; UTF-8 through u8 paths.
    const fs::path name = scratch.path() / fs::path(u8"caf\u00e9.txt");
    writeText(name, "x");
    EXPECT_TRUE(fs::exists(name));
    EXPECT_EQ(name.filename().u8string(), u8"caf\u00e9.txt");

    const fs::path here = fs::current_path();
    fs::current_path(scratch.path());
    EXPECT_TRUE(fs::equivalent(fs::current_path(), scratch.path()));
    EXPECT_TRUE(fs::exists(fs::absolute("caf\xc3\xa9.txt").parent_path()));
    fs::current_path(here);

    EXPECT_FALSE(fs::temp_directory_path().empty());
    const fs::space_info space = fs::space(scratch.path());
    EXPECT_GT(space.capacity, 0u);
    EXPECT_LE(space.available, space.capacity);

    // A system error's text comes from the system, without its line break.
    const std::string text = std::system_category().message(2);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
}
