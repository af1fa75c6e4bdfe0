#include "copy_prefix.h"

#include "system/system_error_text.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Where the kernel cannot copy between the two (another file system on an
// old kernel, a file system without the call): through a buffer.
bool copyThroughBuffer(int in, int out, std::uint64_t done, std::uint64_t bytes) {
    std::vector<char> buffer(1 << 20);
    while (done < bytes) {
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), bytes - done));
        const ssize_t got = pread(in, buffer.data(), want, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got == 0)
                errno = EIO; // shorter than it was a moment ago
            return false;
        }
        for (ssize_t put = 0; put < got;) {
            const ssize_t n = pwrite(out, buffer.data() + put, static_cast<std::size_t>(got - put),
                                     static_cast<off_t>(done) + put);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            put += n;
        }
        done += static_cast<std::uint64_t>(got);
    }
    return true;
}

} // namespace

bool copyFilePrefix(const std::filesystem::path& from, const std::filesystem::path& to,
                    std::uint64_t bytes, std::string& error) {
    Descriptor in(open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) {
        error = errnoText(errno);
        return false;
    }
    Descriptor out(open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (out.get() < 0) {
        error = errnoText(errno);
        return false;
    }
    std::uint64_t done = 0;
    while (done < bytes) {
        const ssize_t n = copy_file_range(in.get(), nullptr, out.get(), nullptr,
                                          static_cast<std::size_t>(bytes - done), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 &&
            (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
            if (!copyThroughBuffer(in.get(), out.get(), done, bytes)) {
                error = errnoText(errno);
                return false;
            }
            break;
        }
        if (n <= 0) {
            error = n == 0 ? "the file is shorter than it was" : errnoText(errno);
            return false;
        }
        done += static_cast<std::uint64_t>(n);
    }
    return true;
}
