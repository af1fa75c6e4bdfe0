// What the plugin and its hosts exchange must have Microsoft's layouts and
// calling conventions: the host is built with Microsoft's compiler and
// hands the plugin std::string and std::function values, calls its virtual
// functions and unwinds exceptions through it.
#include "loaded_plugin.h"

#include <windows.h>

#include <psapi.h>

#include <array>
#include <cstring>
#include <functional>
#include <malloc.h>
#include <stdexcept>
#include <string>

namespace {

class AbiModule {
public:
    AbiModule() : module_(LoadLibraryW(L"kivren_abi_module.dll")) {}
    ~AbiModule() {
        if (module_)
            FreeLibrary(module_);
    }
    bool loaded() const { return module_ != nullptr; }
    template <class Function> Function* get(const char* name) const {
        return reinterpret_cast<Function*>(GetProcAddress(module_, name));
    }

private:
    HMODULE module_;
};

class PluginAbi : public LoadedPlugin {};

} // namespace

// Microsoft's ABI: one (scalar deleting) destructor slot, then the page's
// functions in declaration order. With two destructor slots, as GCC makes
// them, the host's call for the page's title would run another function.
TEST_F(PluginAbi, SettingsPageHasOneDestructorSlotThenTheTitleAtSlotTwo) {
    load();
    auto* page = dynamic_cast<BakkesMod::Plugin::PluginSettingsWindow*>(host->plugin().get());
    ASSERT_NE(page, nullptr) << "the page is not found through the plugin's RTTI";
    void** table = *reinterpret_cast<void***>(page);

    // A member function returning a class writes it through a hidden pointer
    // passed after 'this'. The 64 bytes around it show what the plugin wrote.
    using TitleSlot = void* (*)(void* self, void* result);
    alignas(16) std::array<unsigned char, 64> result;
    result.fill(0xCD);
    reinterpret_cast<TitleSlot>(table[2])(page, result.data());

    // std::string as the plugin built it: 32 bytes, the short text inline
    // at the start, then its size and capacity (15).
    EXPECT_EQ(std::memcmp(result.data(), "Kivren 2.0", 11), 0);
    std::uint64_t size = 0, capacity = 0;
    std::memcpy(&size, result.data() + 16, 8);
    std::memcpy(&capacity, result.data() + 24, 8);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(capacity, 15u);
    for (std::size_t i = 32; i < result.size(); ++i)
        ASSERT_EQ(result[i], 0xCD) << "the plugin's std::string is larger than 32 bytes";
    static_assert(sizeof(std::string) == 32);
}

// The plugin hands each command's handler to the host as a std::function
// built by its own code. Microsoft's is 64 bytes, and its last pointer slot
// (offset 56) points at the callable's implementation: inside the object
// when it is small, on the heap otherwise. Either way that implementation
// starts with a vftable of the plugin's. In a smaller std::function, offset
// 56 would be whatever followed it on the plugin's stack.
TEST_F(PluginAbi, CommandHandlersAreSixtyFourByteFunctionObjects) {
    load();
    static_assert(sizeof(std::function<void()>) == 64);
    static_assert(sizeof(std::function<void(std::vector<std::string>)>) == 64);

    const HMODULE plugin = GetModuleHandleW(L"Kivren2.dll");
    ASSERT_NE(plugin, nullptr);
    MODULEINFO image{};
    ASSERT_TRUE(K32GetModuleInformation(GetCurrentProcess(), plugin, &image, sizeof(image)));
    const auto begin = reinterpret_cast<std::uintptr_t>(image.lpBaseOfDll);
    const auto end = begin + image.SizeOfImage;

    for (const char* command : {"kivren_start", "kivren_stop", "kivren_custom_pass_add"}) {
        SCOPED_TRACE(command);
        const auto built = console().notifierAsBuilt(command);
        ASSERT_TRUE(built.has_value());
        std::uintptr_t implementation = 0;
        std::memcpy(&implementation, built->bytes.data() + 56, sizeof(implementation));
        ASSERT_NE(implementation, 0u);
        const bool inside = implementation == built->address;
        // The C runtime's heap (Wine's is not the process heap).
        const auto crtHeap = reinterpret_cast<HANDLE>(_get_heap_handle());
        const bool onHeap =
            HeapValidate(crtHeap, 0, reinterpret_cast<void*>(implementation)) != FALSE;
        ASSERT_TRUE(inside || onHeap) << "offset 56 does not point at the callable";
        std::uintptr_t vftable = 0;
        std::memcpy(&vftable, reinterpret_cast<const void*>(implementation), sizeof(vftable));
        EXPECT_GE(vftable, begin);
        EXPECT_LT(vftable, end);
    }
}

TEST(ModuleAbi, InterfaceMethodReturningAHandleIsCalledAcrossModules) {
    AbiModule module;
    ASSERT_TRUE(module.loaded());
    auto* device = module.get<reshade::api::device*()>("abiModuleDevice")();
    ASSERT_NE(device, nullptr);
    for (std::uint64_t view : {1ull, 0x1234ull, 0x7fff'ffff'ffffull})
        EXPECT_EQ(device->get_resource_from_view({view}).handle, view * 3 + 1);
}

namespace {
void throwHere() {
    throw std::logic_error("thrown by the test program");
}
} // namespace

TEST(ModuleAbi, ExceptionsCrossModulesBothWays) {
    AbiModule module;
    ASSERT_TRUE(module.loaded());
    try {
        module.get<void(const char*)>("?abiModuleThrow@@YAXPEBD@Z")("thrown by the module");
        ADD_FAILURE() << "nothing was thrown";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "thrown by the module");
    }
    char what[64] = {};
    EXPECT_TRUE(module.get<bool(void (*)(), char*, size_t)>("abiModuleCatch")(&throwHere, what,
                                                                              sizeof(what)));
    EXPECT_STREQ(what, "thrown by the test program");
}

TEST(ModuleAbi, StringsAllocatedHereAreFreedThereOnOneHeap) {
    AbiModule module;
    ASSERT_TRUE(module.loaded());
    EXPECT_EQ(module.get<void*()>("abiModuleFree")(), reinterpret_cast<void*>(&free));
    auto* adopt = module.get<size_t(std::string)>(
        "?abiModuleAdopt@@YA_KV?$basic_string@DU?$char_traits@D@std@@V?$allocator@D@2@@std@@@Z");
    ASSERT_NE(adopt, nullptr);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(adopt(std::string(100 + i % 50, 'x')), 100u + i % 50);
    EXPECT_EQ(_heapchk(), _HEAPOK);
}
