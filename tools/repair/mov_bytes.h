#pragma once
// The bytes of a QuickTime file, read at offsets: from the file on disk, or
// from memory where a test or the fuzzer holds them. Big-endian numbers, as
// every QuickTime field is.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string_view>

class MovBytes {
public:
    virtual std::uint64_t size() const = 0;
    // Reads up to buffer.size() bytes at offset; how many were read (fewer
    // only at the end of the file, or when reading fails).
    virtual std::size_t read(std::uint64_t offset, std::span<std::uint8_t> buffer) = 0;
    // Reads exactly buffer.size() bytes at offset, or returns false.
    bool readExactly(std::uint64_t offset, std::span<std::uint8_t> buffer) {
        return read(offset, buffer) == buffer.size();
    }

protected:
    ~MovBytes() = default;
};

class MovFile final : public MovBytes {
public:
    explicit MovFile(const std::filesystem::path& path);
    bool isOpen() const { return open_; }
    std::uint64_t size() const override { return size_; }
    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> buffer) override;

private:
    std::ifstream in_;
    std::uint64_t size_ = 0;
    bool open_ = false;
};

class MovMemory final : public MovBytes {
public:
    explicit MovMemory(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> buffer) override;

private:
    std::span<const std::uint8_t> bytes_;
};

inline std::uint16_t bigEndian16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}
inline std::uint32_t bigEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
           std::uint32_t{p[3]};
}
inline std::uint64_t bigEndian64(const std::uint8_t* p) {
    return std::uint64_t{bigEndian32(p)} << 32 | bigEndian32(p + 4);
}

// A four-character code as the file holds it, e.g. "mdat".
inline std::string_view fourCc(const std::uint8_t* p) {
    return {reinterpret_cast<const char*>(p), 4};
}
