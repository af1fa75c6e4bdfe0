// Stopping threads on Linux, which has no SuspendThread: each thread is sent
// a real-time signal whose handler parks it on a futex.
#include "hook/threads.h"

#include "hook/memory.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
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

namespace hook {
namespace {

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

enum class ParkState : uint32_t { Idle = 0, Sent = 1, Parked = 2, Released = 3 };

// A slot's state word: the stop's generation and the state, as the handler
// below reads and writes it.
constexpr uint32_t stateWord(uint32_t generation, ParkState state) {
    return generation << 2 | static_cast<uint32_t>(state);
}

struct alignas(64) ParkSlot {
    std::atomic<uint32_t> state{0}; // stateWord(generation, ParkState)
    std::atomic<int32_t> tid{0};
    std::atomic<ucontext_t*> context{nullptr};
};

// The handler below reads these fields by offset.
static_assert(offsetof(ParkSlot, tid) == 4 && offsetof(ParkSlot, context) == 8);
static_assert(offsetof(siginfo_t, si_code) == 8 && offsetof(siginfo_t, si_value) == 24);
static_assert(SI_QUEUE == -1 && SYS_gettid == 186 && SYS_futex == 202);
static_assert(FUTEX_WAIT_PRIVATE == 128 && FUTEX_WAKE_PRIVATE == 129);
static_assert(stateWord(0, ParkState::Sent) == 1 && stateWord(0, ParkState::Parked) == 2 &&
              stateWord(0, ParkState::Released) == 3);

} // namespace
} // namespace hook

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
    cmpl    $1, %eax                # ParkState::Sent
    jne     3f
    movl    $186, %eax              # gettid
    syscall
    cmpl    4(%r8), %eax            # sent to this thread?
    jne     3f
    movq    %rdx, 8(%r8)            # the ucontext, before the state says parked
    pushq   %rbx
    pushq   %r12
    movq    %r8, %rbx               # the slot
    leal    1(%r9), %r12d           # parked: same generation, ParkState::Parked
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

namespace hook {

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
        slot.state.store(stateWord(generation, ParkState::Sent), std::memory_order_release);
        if (!sendPark(pid, static_cast<pid_t>(threads.items[i]), &slot)) {
            slot.state.store(stateWord(generation, ParkState::Idle), std::memory_order_release);
            threads.items[i] = 0; // already gone
        }
    }
    const int64_t deadline = nowNanoseconds() + freezeTimeoutNanoseconds;
    const timespec pollInterval{0, 1'000'000};
    for (uint32_t i = 0; i < threads.count; ++i) {
        ParkSlot& slot = slotAt(i);
        uint32_t sent = stateWord(generation, ParkState::Sent);
        while (threads.items[i] != 0 && slot.state.load(std::memory_order_acquire) == sent) {
            const bool gone =
                syscall(SYS_tgkill, pid, static_cast<pid_t>(threads.items[i]), 0) != 0 &&
                errno == ESRCH;
            if (gone || nowNanoseconds() > deadline) {
                // Abandon unless it parked meanwhile.
                if (slot.state.compare_exchange_strong(sent,
                                                       stateWord(generation, ParkState::Idle))) {
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
    const uint32_t released = stateWord(slotGeneration, ParkState::Released);
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

} // namespace hook
