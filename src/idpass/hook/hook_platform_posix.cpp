#include "hook_platform.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <linux/futex.h>
#include <new>
#include <sched.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

// Everything here that may run while other threads are stopped uses raw
// system calls on fixed buffers: no stdio, no malloc, no dynamic-linker
// lookups, any of which could wait forever for a lock a stopped thread holds.

namespace {

constexpr uintptr_t pageSize = 4096;

uintptr_t alignDown(uintptr_t v, uintptr_t a) {
    return v & ~(a - 1);
}

// Reads /proc/self/maps line by line with read(2) into a fixed buffer.
class MapsReader {
public:
    MapsReader()
        : fd_(static_cast<int>(
              syscall(SYS_openat, AT_FDCWD, "/proc/self/maps", O_RDONLY | O_CLOEXEC))) {}
    ~MapsReader() {
        if (fd_ >= 0) {
            syscall(SYS_close, fd_);
        }
    }
    MapsReader(const MapsReader&) = delete;
    MapsReader& operator=(const MapsReader&) = delete;

    bool ok() const { return fd_ >= 0; }

    // Fills start, end and whether the mapping is executable; false at the end.
    bool next(uintptr_t& start, uintptr_t& end, uint32_t& protection) {
        uint64_t file = 0;
        return next(start, end, protection, file);
    }

    // Also the mapped file's device and inode folded into one number, 0 for
    // anonymous memory.
    bool next(uintptr_t& start, uintptr_t& end, uint32_t& protection, uint64_t& file) {
        char* line = nullptr;
        if (!nextLine(line)) {
            return false;
        }
        char* p = line;
        start = parseHex(p);
        ++p; // '-'
        end = parseHex(p);
        ++p; // ' '
        protection = (p[0] == 'r' ? PROT_READ : 0) | (p[1] == 'w' ? PROT_WRITE : 0) |
                     (p[2] == 'x' ? PROT_EXEC : 0);
        // "perms offset major:minor inode"
        p += 5;
        parseHex(p); // offset
        ++p;
        const uint64_t major = parseHex(p);
        ++p; // ':'
        const uint64_t minor = parseHex(p);
        ++p;
        uint64_t inode = 0;
        for (; *p >= '0' && *p <= '9'; ++p) {
            inode = inode * 10 + static_cast<uint64_t>(*p - '0');
        }
        file = inode == 0 ? 0 : (major << 52 ^ minor << 40 ^ inode);
        return true;
    }

private:
    static uintptr_t parseHex(char*& p) {
        uintptr_t v = 0;
        for (;; ++p) {
            char c = *p;
            if (c >= '0' && c <= '9') {
                v = v * 16 + static_cast<uintptr_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                v = v * 16 + static_cast<uintptr_t>(c - 'a' + 10);
            } else {
                return v;
            }
        }
    }

    bool nextLine(char*& line) {
        for (;;) {
            for (size_t i = pos_; i < len_; ++i) {
                if (buf_[i] == '\n') {
                    buf_[i] = '\0';
                    line = buf_ + pos_;
                    pos_ = i + 1;
                    return true;
                }
            }
            // Keep the start of a partial line, dropping the tail of an
            // overlong path: only the leading fields matter.
            size_t keep = len_ - pos_;
            if (keep == sizeof buf_ - 1) {
                keep = 64;
            }
            std::memmove(buf_, buf_ + pos_, keep);
            len_ = keep;
            pos_ = 0;
            if (fd_ < 0) {
                return false;
            }
            long n = syscall(SYS_read, fd_, buf_ + len_, sizeof buf_ - 1 - len_);
            if (n <= 0) {
                return false;
            }
            len_ += static_cast<size_t>(n);
        }
    }

    int fd_;
    char buf_[4096];
    size_t len_ = 0;
    size_t pos_ = 0;
};

// ---- Thread stopping ----
//
// A stopped thread sits in the handler of a real-time signal, waiting on a
// futex, with its interrupted registers in the handler's ucontext. Park slots
// are never freed, so a late signal for an abandoned stop still finds valid
// memory; the generation in the state word tells it that it is late.
//
// The handler must not run from this library: the host may unmap it right
// after a hook operation, while a thread let go a moment before is still on
// its way out of the handler. So the handler is a few position-independent
// instructions copied once into a page that is never unmapped, and nothing a
// thread touches after its release belongs to the library: the copied code,
// the slot (never freed), raw system calls (no errno, no libc), then the C
// library's signal return. The thaw therefore need not wait for the released
// threads to run, which on a busy machine can take many time slices each. A
// thread on its way out only compares the state word with its own "parked"
// value, so a later stop that has already reused its slot never holds it.

enum SlotCode : uint32_t { SlotIdle = 0, SlotSent = 1, SlotParked = 2, SlotReleased = 3 };

struct alignas(64) ParkSlot {
    std::atomic<uint32_t> state{0}; // generation << 2 | SlotCode
    std::atomic<int32_t> tid{0};
    std::atomic<ucontext_t*> context{nullptr};
};

// The handler below reads these fields by offset.
static_assert(offsetof(ParkSlot, tid) == 4 && offsetof(ParkSlot, context) == 8);
static_assert(offsetof(siginfo_t, si_code) == 8 && offsetof(siginfo_t, si_value) == 24);
static_assert(SI_QUEUE == -1 && SYS_gettid == 186 && SYS_futex == 202);
static_assert(FUTEX_WAIT_PRIVATE == 128 && FUTEX_WAKE_PRIVATE == 129);
static_assert(SlotSent == 1 && SlotParked == 2 && SlotReleased == 3);

} // namespace

// handler(signal: rdi, siginfo: rsi, ucontext: rdx). Parks only for a signal
// queued with a slot whose state is "sent" to this very thread; anything else
// (a late or foreign signal) returns at once. The system call instruction
// keeps every register but rax, rcx and r11.
asm(R"(
    .pushsection .text
    .balign 16
    .globl kivrenParkHandlerBegin
    .hidden kivrenParkHandlerBegin
    .globl kivrenParkHandlerEnd
    .hidden kivrenParkHandlerEnd
kivrenParkHandlerBegin:
    endbr64
    cmpl    $-1, 8(%rsi)            # si_code == SI_QUEUE
    jne     3f
    movq    24(%rsi), %r8           # si_value: the slot
    testq   %r8, %r8
    jz      3f
    movl    (%r8), %r9d             # the state as sent
    movl    %r9d, %eax
    andl    $3, %eax
    cmpl    $1, %eax                # SlotSent
    jne     3f
    movl    $186, %eax              # gettid
    syscall
    cmpl    4(%r8), %eax            # sent to this thread?
    jne     3f
    movq    %rdx, 8(%r8)            # the ucontext, before the state says parked
    pushq   %rbx
    pushq   %r12
    movq    %r8, %rbx               # the slot
    leal    1(%r9), %r12d           # parked: same generation, SlotParked
    movl    %r9d, %eax
    lock cmpxchgl %r12d, (%rbx)     # abandoned meanwhile if this fails
    jne     2f
    movq    %rbx, %rdi
    movl    $129, %esi              # FUTEX_WAKE_PRIVATE
    movl    $1, %edx
    movl    $202, %eax              # futex: tell the engine
    syscall
1:  cmpl    %r12d, (%rbx)           # still parked?
    jne     2f
    movq    %rbx, %rdi
    movl    $128, %esi              # FUTEX_WAIT_PRIVATE
    movl    %r12d, %edx
    xorl    %r10d, %r10d            # no timeout
    movl    $202, %eax
    syscall
    jmp     1b
2:  popq    %r12
    popq    %rbx
3:  ret
kivrenParkHandlerEnd:
    .popsection
)");

extern "C" const unsigned char kivrenParkHandlerBegin[];
extern "C" const unsigned char kivrenParkHandlerEnd[];

namespace {

constexpr size_t slotsPerChunk = 256;
constexpr size_t maxChunks = 256;
ParkSlot* slotChunks[maxChunks];
uint32_t slotGeneration = 0;
int parkSignal = 0;

// A stop that takes longer than this is given up: the thread has the signal
// blocked (or is stuck in the kernel) and is left running.
constexpr long freezeTimeoutNanoseconds = 200'000'000;

long futexWait(std::atomic<uint32_t>* word, uint32_t expected, const timespec* timeout) {
    return syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAIT_PRIVATE, expected,
                   timeout, nullptr, 0);
}

void futexWake(std::atomic<uint32_t>* word) {
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr,
            0);
}

ParkSlot& slotAt(size_t i) {
    return slotChunks[i / slotsPerChunk][i % slotsPerChunk];
}

using SignalHandler = void (*)(int, siginfo_t*, void*);

bool isParkHandlerCopy(const void* code) {
    const auto* bytes = static_cast<const unsigned char*>(code);
    for (const unsigned char* b = kivrenParkHandlerBegin; b != kivrenParkHandlerEnd; ++b, ++bytes) {
        if (*bytes != *b) {
            return false;
        }
    }
    return true;
}

// The handler's copy outside the library. A copy left by an earlier load of
// the library (or by another copy of the engine) is taken over rather than
// leaving a page behind at every load.
SignalHandler parkHandlerCopy(int signal) {
    struct sigaction current;
    if (sigaction(signal, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) != 0 &&
        current.sa_sigaction != nullptr &&
        isParkHandlerCopy(reinterpret_cast<const void*>(current.sa_sigaction))) {
        return current.sa_sigaction;
    }
    const size_t size = static_cast<size_t>(kivrenParkHandlerEnd - kivrenParkHandlerBegin);
    void* page =
        mmap(nullptr, pageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) {
        return nullptr;
    }
    std::memcpy(page, kivrenParkHandlerBegin, size);
    if (mprotect(page, pageSize, PROT_READ | PROT_EXEC) != 0) {
        munmap(page, pageSize);
        return nullptr;
    }
    __builtin___clear_cache(static_cast<char*>(page), static_cast<char*>(page) + size);
    return reinterpret_cast<SignalHandler>(page);
}

int64_t nowNanoseconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

bool appendThread(void* heap, ThreadList& threads, uintptr_t tid) {
    if (threads.count == threads.capacity) {
        const uint32_t capacity = threads.capacity == 0 ? 128 : threads.capacity * 2;
        void* grown = heapReallocate(heap, threads.items, capacity * sizeof(uintptr_t));
        if (grown == nullptr) {
            return false;
        }
        threads.items = static_cast<uintptr_t*>(grown);
        threads.capacity = capacity;
    }
    threads.items[threads.count++] = tid;
    return true;
}

// Lists the other threads from /proc/self/task with getdents64.
void listOtherThreads(void* heap, ThreadList& threads) {
    const long self = syscall(SYS_gettid);
    const int fd = static_cast<int>(
        syscall(SYS_openat, AT_FDCWD, "/proc/self/task", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd < 0) {
        return;
    }
    alignas(8) char buf[4096];
    bool room = true;
    long n;
    while (room && (n = syscall(SYS_getdents64, fd, buf, sizeof buf)) > 0) {
        for (long off = 0; off < n && room;) {
            // struct linux_dirent64: ino, off, reclen, type, name.
            unsigned short reclen;
            std::memcpy(&reclen, buf + off + 16, sizeof reclen);
            const char* name = buf + off + 19;
            long tid = 0;
            for (const char* c = name; *c >= '0' && *c <= '9'; ++c) {
                tid = tid * 10 + (*c - '0');
            }
            if (tid > 0 && tid != self) {
                room = appendThread(heap, threads, static_cast<uintptr_t>(tid));
            }
            off += reclen;
        }
    }
    syscall(SYS_close, fd);
}

bool ensureSlots(size_t count) {
    for (size_t chunk = 0; chunk * slotsPerChunk < count; ++chunk) {
        if (chunk == maxChunks) {
            return false;
        }
        if (slotChunks[chunk] == nullptr) {
            slotChunks[chunk] = new (std::nothrow) ParkSlot[slotsPerChunk];
            if (slotChunks[chunk] == nullptr) {
                return false;
            }
        }
    }
    return true;
}

bool sendPark(pid_t pid, pid_t tid, ParkSlot* slot) {
    siginfo_t info;
    std::memset(&info, 0, sizeof info);
    info.si_signo = parkSignal;
    info.si_code = SI_QUEUE;
    info.si_pid = pid;
    info.si_uid = getuid();
    info.si_value.sival_ptr = slot;
    return syscall(SYS_rt_tgsigqueueinfo, pid, tid, parkSignal, &info) == 0;
}

} // namespace

AddressLimits addressLimits() {
    // Above mmap_min_addr's usual 64 KiB, below the 47-bit user space top.
    return AddressLimits{0x10000, 0x7FFFFFFFEFFF, pageSize};
}

// A mapping's allocation is the run of adjacent mappings of the same file it
// belongs to (a module's segments, or a segment split by protection changes),
// as the image is on Windows; anonymous memory is its own allocation.
bool queryRegion(uintptr_t address, MemoryRegion& region) {
    MapsReader maps;
    if (!maps.ok() || address < addressLimits().lowest || address > addressLimits().highest) {
        return false;
    }
    uintptr_t previousEnd = addressLimits().lowest;
    uint64_t previousFile = 0;
    uintptr_t runStart = 0;
    uintptr_t start = 0;
    uintptr_t end = 0;
    uint32_t protection = 0;
    uint64_t file = 0;
    while (maps.next(start, end, protection, file)) {
        if (address < start) {
            break;
        }
        if (file == 0 || file != previousFile || start != previousEnd) {
            runStart = start;
        }
        if (address < end) {
            region = MemoryRegion{start, end - start, runStart,
                                  false, true,        (protection & PROT_EXEC) != 0};
            return true;
        }
        previousEnd = end;
        previousFile = file;
    }
    const uintptr_t top = addressLimits().highest + 1;
    const uintptr_t gapEnd = address < start && start < top ? start : top;
    region = MemoryRegion{previousEnd, gapEnd - previousEnd, previousEnd, true, false, false};
    return true;
}

bool isExecutableAddress(uintptr_t address) {
    MemoryRegion region;
    return queryRegion(address, region) && region.committed && region.executable;
}

void* allocateBlockAt(uintptr_t address, size_t size) {
    void* p = mmap(reinterpret_cast<void*>(address), size, PROT_READ | PROT_WRITE | PROT_EXEC,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    if (p == MAP_FAILED) {
        return nullptr;
    }
    // Kernels before 4.17 take the flag as a mere hint.
    if (reinterpret_cast<uintptr_t>(p) != address) {
        munmap(p, size);
        return nullptr;
    }
    return p;
}

void releaseBlock(void* block, size_t size) {
    munmap(block, size);
}

// The C heap serves as the private heap: the engine never allocates while
// threads are stopped, so it cannot meet a lock held by one of them.
void* createHookHeap() {
    static int heapToken;
    return &heapToken;
}

void* heapAllocate(void*, size_t size) {
    return std::malloc(size);
}

void* heapReallocate(void*, void* memory, size_t size) {
    return std::realloc(memory, size);
}

void heapFree(void*, void* memory) {
    std::free(memory);
}

bool prepareThreadFreezing() {
    parkSignal = SIGRTMIN + 6;
    const SignalHandler handler = parkHandlerCopy(parkSignal);
    if (handler == nullptr) {
        return false;
    }
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_sigaction = handler;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigfillset(&action.sa_mask);
    return sigaction(parkSignal, &action, nullptr) == 0;
}

bool prepareCodeWrite(uintptr_t address, size_t size, CodeWrite& write) {
    write = CodeWrite{};
    write.address = address;
    write.size = size;
    write.firstPage = alignDown(address, pageSize);
    write.pageCount = static_cast<uint32_t>(
        (alignDown(address + size - 1, pageSize) - write.firstPage) / pageSize + 1);
    if (size == 0 || write.pageCount > 2) {
        return false;
    }
    for (uint32_t i = 0; i < write.pageCount; ++i) {
        MapsReader maps;
        const uintptr_t page = write.firstPage + i * pageSize;
        uintptr_t start = 0;
        uintptr_t end = 0;
        uint32_t protection = 0;
        bool found = false;
        while (!found && maps.next(start, end, protection)) {
            found = page >= start && page < end;
        }
        if (!found) {
            return false;
        }
        write.oldProtection[i] = protection;
    }
    return true;
}

bool openCodeWrite(CodeWrite& write) {
    for (uint32_t i = 0; i < write.pageCount; ++i) {
        void* page = reinterpret_cast<void*>(write.firstPage + i * pageSize);
        if (mprotect(page, pageSize, PROT_READ | PROT_WRITE | PROT_EXEC) != 0) {
            while (i-- > 0) {
                mprotect(reinterpret_cast<void*>(write.firstPage + i * pageSize), pageSize,
                         static_cast<int>(write.oldProtection[i]));
            }
            return false;
        }
    }
    return true;
}

void closeCodeWrite(const CodeWrite& write) {
    for (uint32_t i = 0; i < write.pageCount; ++i) {
        mprotect(reinterpret_cast<void*>(write.firstPage + i * pageSize), pageSize,
                 static_cast<int>(write.oldProtection[i]));
    }
    char* begin = reinterpret_cast<char*>(write.address);
    __builtin___clear_cache(begin, begin + write.size);
}

void freezeOtherThreads(void* heap, ThreadList& threads) {
    threads.count = 0;
    listOtherThreads(heap, threads);
    if (!ensureSlots(threads.count)) {
        threads.count = 0;
        return;
    }
    // From here on, system calls only.
    const pid_t pid = getpid();
    const uint32_t generation = ++slotGeneration;
    for (uint32_t i = 0; i < threads.count; ++i) {
        ParkSlot& slot = slotAt(i);
        slot.tid.store(static_cast<int32_t>(threads.items[i]), std::memory_order_relaxed);
        slot.state.store(generation << 2 | SlotSent, std::memory_order_release);
        if (!sendPark(pid, static_cast<pid_t>(threads.items[i]), &slot)) {
            slot.state.store(generation << 2 | SlotIdle, std::memory_order_release);
            threads.items[i] = 0; // already gone
        }
    }
    const int64_t deadline = nowNanoseconds() + freezeTimeoutNanoseconds;
    const timespec pollInterval{0, 1'000'000};
    for (uint32_t i = 0; i < threads.count; ++i) {
        ParkSlot& slot = slotAt(i);
        uint32_t sent = generation << 2 | SlotSent;
        while (threads.items[i] != 0 && slot.state.load(std::memory_order_acquire) == sent) {
            const bool gone =
                syscall(SYS_tgkill, pid, static_cast<pid_t>(threads.items[i]), 0) != 0 &&
                errno == ESRCH;
            if (gone || nowNanoseconds() > deadline) {
                // Abandon unless it parked meanwhile.
                if (slot.state.compare_exchange_strong(sent, generation << 2 | SlotIdle)) {
                    threads.items[i] = 0;
                }
                break;
            }
            futexWait(&slot.state, sent, &pollInterval);
        }
    }
}

void moveInstructionPointers(const ThreadList& threads, InstructionPointerMover mover,
                             void* context) {
    for (uint32_t i = 0; i < threads.count; ++i) {
        if (threads.items[i] == 0) {
            continue;
        }
        ucontext_t* uc = slotAt(i).context.load(std::memory_order_relaxed);
        uintptr_t ip = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
        if (mover(ip, context)) {
            uc->uc_mcontext.gregs[REG_RIP] = static_cast<greg_t>(ip);
        }
    }
}

void thawOtherThreads(void* heap, ThreadList& threads) {
    const uint32_t released = slotGeneration << 2 | SlotReleased;
    for (uint32_t i = 0; i < threads.count; ++i) {
        if (threads.items[i] != 0) {
            slotAt(i).state.store(released, std::memory_order_release);
            futexWake(&slotAt(i).state);
        }
    }
    heapFree(heap, threads.items);
    threads = ThreadList{};
}

void sleepMilliseconds(uint32_t milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    timespec ts{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1'000'000};
    nanosleep(&ts, nullptr);
}
