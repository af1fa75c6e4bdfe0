#include "cut_off_files.h"

#include <stdexcept>

namespace {

std::uint32_t bigEndian32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

} // namespace

WholeMovie takeApart(const std::string& file) {
    WholeMovie movie;
    for (std::size_t at = 0; at + 8 <= file.size();) {
        const std::uint32_t size = bigEndian32(file, at);
        const std::string type = file.substr(at + 4, 4);
        if (size < 8)
            throw std::runtime_error("an atom this test cannot take apart");
        if (type == "ftyp")
            movie.ftyp = file.substr(at, size);
        if (type == "mdat")
            movie.media = file.substr(at + 8, size - 8);
        at += size;
    }
    for (std::size_t at = 0; at + 8 <= movie.media.size();) {
        movie.frameSizes.push_back(bigEndian32(movie.media, at));
        at += movie.frameSizes.back();
    }
    if (movie.ftyp.empty() || movie.frameSizes.empty())
        throw std::runtime_error("not a whole ProRes file");
    return movie;
}

std::string cutOffAt(const WholeMovie& movie, std::size_t kept) {
    using namespace std::string_literals;
    return movie.ftyp + "\0\0\0\x08wide"s + "\0\0\0\0mdat"s + movie.media.substr(0, kept);
}

std::size_t frameEnd(const WholeMovie& movie, std::size_t n) {
    std::size_t end = 0;
    for (std::size_t i = 0; i <= n; ++i)
        end += movie.frameSizes.at(i);
    return end;
}
