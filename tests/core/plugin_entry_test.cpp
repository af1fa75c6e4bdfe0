// What the host and ReShade see of the library before any plugin code runs:
// the exported record, the exported functions, and the registration with
// ReShade when the library is mapped and unmapped.
#include "loaded_plugin.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "bakkesmod/plugin/PluginSettingsWindow.h"
#include "bakkesmod/plugin/bakkesmodplugin.h"

namespace {

template <typename T> T readAt(const unsigned char* bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes + offset, sizeof(T));
    return value;
}

std::string textAt(const unsigned char* bytes, std::size_t offset) {
    return readAt<const char*>(bytes, offset);
}

using PluginEntry = LoadedPlugin;

} // namespace

// The record is read as 64 raw bytes through the exported symbol, the way the
// host reads it, not through our own declaration of it.
TEST_F(PluginEntry, ExportedRecordHasTheHostsLayout) {
    std::string error;
    ASSERT_TRUE(host->mapPlugin(SimHost::builtPlugin(), &error)) << error;
    PluginLibrary& library = *host->library();

    const auto* record = static_cast<const unsigned char*>(library.symbol("exports"));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(readAt<std::int32_t>(record, 0), 95);
    EXPECT_EQ(readAt<std::uint32_t>(record, 4), 0u);
    EXPECT_EQ(textAt(record, 8), "src/dllmain.cpp");
    EXPECT_EQ(textAt(record, 16), "Kivren");
    EXPECT_EQ(textAt(record, 24), "Kivren2");
    EXPECT_EQ(textAt(record, 32), "2.0.0");
    EXPECT_EQ(readAt<std::int32_t>(record, 40), 1);
    EXPECT_EQ(readAt<std::uint32_t>(record, 44), 0u);
    EXPECT_EQ(readAt<void*>(record, 48), library.symbol("getPlugin"));
    EXPECT_EQ(readAt<void*>(record, 56), library.symbol("deleteMe"));
    EXPECT_NE(library.symbol("getPlugin"), nullptr);
    EXPECT_NE(library.symbol("deleteMe"), nullptr);

    const auto* name = static_cast<const char* const*>(library.symbol("NAME"));
    const auto* description = static_cast<const char* const*>(library.symbol("DESCRIPTION"));
    ASSERT_NE(name, nullptr);
    ASSERT_NE(description, nullptr);
    // NAME points at the very text that the record names.
    EXPECT_EQ(*name, readAt<const char*>(record, 24));
    EXPECT_STREQ(*description,
                 "Kivren2 is a plugin for bakkesmod that allows you to record multiple passes "
                 "(screen, depth map, normal map and a custom pass) and the camera. This "
                 "ensures that they are lined up properly without having to re-record.");
}

TEST_F(PluginEntry, RegistersWithReShadeOnAttachAndLeavesOnDetach) {
    load();
    EXPECT_EQ(reshade.journal(),
              (std::vector<std::string>{"register_addon 4", "register_event 75",
                                        "register_event 76", "register_event 77"}));
    host->unloadPlugin();
    EXPECT_EQ(reshade.journal().back(), "unregister_addon");
    EXPECT_EQ(reshade.journal().size(), 5u);
    // Nothing of the plugin answers any more once it has unregistered.
    EXPECT_EQ(reshade.firePresent(nullptr), 0);
}

TEST_F(PluginEntry, RefusedRegistrationRefusesTheLoad) {
    reshade.refuseAddons(true);
    std::string error;
    EXPECT_FALSE(host->loadPlugin(SimHost::builtPlugin(), &error));
    // The detach path ran before the load was refused, and no event was left behind.
    EXPECT_EQ(reshade.journal(),
              (std::vector<std::string>{"register_addon 4", "unregister_addon"}));
    EXPECT_TRUE(console().variables().empty());
    EXPECT_TRUE(console().notifiers().empty());
}

TEST_F(PluginEntry, OneObjectHoweverOftenTheHostAsks) {
    std::string error;
    ASSERT_TRUE(host->mapPlugin(SimHost::builtPlugin(), &error)) << error;
    auto getPlugin = reinterpret_cast<std::uintptr_t (*)()>(host->library()->symbol("getPlugin"));
    auto deleteMe = reinterpret_cast<void (*)()>(host->library()->symbol("deleteMe"));

    // What the host's loader receives: its own share of the plugin.
    using Share = std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin>;
    auto* owner = reinterpret_cast<Share*>(getPlugin());
    ASSERT_TRUE(*owner);
    auto* first = owner->get();
    EXPECT_EQ(getPlugin(), reinterpret_cast<std::uintptr_t>(owner));
    EXPECT_EQ(owner->get(), first);
    EXPECT_EQ(owner->use_count(), 1);

    Share hostShare = *owner;
    deleteMe();
    EXPECT_FALSE(*owner);
    deleteMe(); // nothing left to give up
    EXPECT_FALSE(*owner);
    // The host's share keeps the object until it lets go: it still answers.
    EXPECT_EQ(hostShare.use_count(), 1);
    auto* page = dynamic_cast<BakkesMod::Plugin::PluginSettingsWindow*>(hostShare.get());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->GetPluginName(), "Kivren 2.0");
}
