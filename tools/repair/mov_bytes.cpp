#include "mov_bytes.h"

#include <algorithm>
#include <cstring>
#include <system_error>

MovFile::MovFile(const std::filesystem::path& path) : in_(path, std::ios::binary) {
    std::error_code error;
    const auto bytes = std::filesystem::file_size(path, error);
    open_ = in_.is_open() && !error;
    size_ = open_ ? bytes : 0;
}

std::size_t MovFile::read(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    if (!open_ || offset >= size_)
        return 0;
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    const auto wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size_ - offset));
    in_.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(wanted));
    return static_cast<std::size_t>(in_.gcount());
}

std::size_t MovMemory::read(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    if (offset >= bytes_.size())
        return 0;
    const auto n =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), bytes_.size() - offset));
    std::memcpy(buffer.data(), bytes_.data() + offset, n);
    return n;
}
