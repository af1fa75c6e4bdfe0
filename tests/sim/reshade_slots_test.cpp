// The stand-in ReShade's interfaces, entered the way the plugin's compiled
// calls enter real ReShade: through a slot number of the object's method
// table. The numbers are ReShade 5.4's, as its headers order the methods:
// api_object has get_native, get_private_data and set_private_data (0 to 2);
// device_object adds get_device (3); a command list or queue then starts at
// 4, a device at 3; the effect runtime is a swap chain (get_hwnd,
// get_back_buffer, get_back_buffer_count, get_current_back_buffer_index: 4
// to 7) before its own methods from 8. Each slot must run the stand-in's
// method of that name, and a slot the plugin never uses must stop the program.
#include "minimal_runtime.h"
#include "sim_effect_runtime.h"

#include <gtest/gtest.h>
#include <reshade_events.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace {

namespace api = reshade::api;

// The slots of the methods the plugin calls.
enum RuntimeSlot : std::size_t {
    runtimeGetDevice = 3,
    runtimeGetCommandQueue = 8,
    runtimeGetScreenshotWidthAndHeight = 11,
    runtimeEnumerateTextureVariables = 36,
    runtimeGetTextureVariableName = 38,
    runtimeGetTextureBinding = 45,
    runtimeGetEffectsState = 60,
};
enum DeviceSlot : std::size_t {
    deviceCreateResource = 8,
    deviceDestroyResource = 9,
    deviceGetResourceDesc = 10,
    deviceGetResourceFromView = 13,
    deviceMapTextureRegion = 17,
    deviceUnmapTextureRegion = 18,
};
enum CommandSlot : std::size_t {
    listBarrier = 4,
    listCopyTextureRegion = 25,
    queueWaitIdle = 5,
    queueFlushImmediateCommandList = 6,
    queueGetImmediateCommandList = 7,
};

template <class Object> void* slotAddress(Object* object, std::size_t slot) {
    void* const* table = *reinterpret_cast<void* const* const*>(object);
    return table[slot];
}

// Calls the function in a slot as a compiled virtual call does: the object
// first, then the arguments (a reference goes as a pointer).
template <class R, class Object, class... Args>
R callSlot(Object* object, std::size_t slot, Args... args) {
    return reinterpret_cast<R (*)(Object*, Args...)>(slotAddress(object, slot))(object, args...);
}

// A method that returns a struct. In Microsoft's ABI its address comes right
// after the object, whatever the struct's size; in the Itanium ABI the call
// is the same as a free function's.
constexpr bool resultAfterObject = KIVREN_MEMBER_RESULT_AFTER_THIS;

template <class R, class Object, class... Args>
R callSlotForStruct(Object* object, std::size_t slot, Args... args) {
    if constexpr (resultAfterObject) {
        R result{};
        reinterpret_cast<R* (*)(Object*, R*, Args...)>(slotAddress(object, slot))(object, &result,
                                                                                  args...);
        return result;
    } else {
        return callSlot<R>(object, slot, args...);
    }
}

void collectVariable(api::effect_runtime*, api::effect_texture_variable variable, void* context) {
    static_cast<std::vector<api::effect_texture_variable>*>(context)->push_back(variable);
}

api::resource_desc textureDesc(std::uint32_t width, std::uint32_t height, api::memory_heap heap,
                               api::resource_usage usage) {
    return api::resource_desc(width, height, 1, 1, api::format::b8g8r8a8_unorm, 1, heap, usage);
}

api::resource_usage stateOf(SimDevice& device, api::resource texture) {
    api::resource_usage state{};
    device.withTexture(texture, [&](SimTexture& t) { state = t.state; });
    return state;
}

int pendingCopiesOf(SimDevice& device, api::resource texture) {
    int pending = -1;
    device.withTexture(texture, [&](SimTexture& t) { pending = t.pendingCopies; });
    return pending;
}

TEST(ReShadeSlots, EffectRuntimeAnswersInReShadesSlots) {
    SimEffectRuntime runtime(64, 32, api::format::b8g8r8a8_unorm);
    runtime.addEffectTexture("other.fx", "Other");
    runtime.addEffectTexture("kivren2.fx", "Kivren_Depth");
    api::effect_runtime* r = &runtime;

    EXPECT_EQ(callSlot<api::device*>(r, runtimeGetDevice), &runtime.device());
    EXPECT_EQ(callSlot<api::command_queue*>(r, runtimeGetCommandQueue), &runtime.queue());

    std::uint32_t width = 0, height = 0;
    callSlot<void>(r, runtimeGetScreenshotWidthAndHeight, &width, &height);
    EXPECT_EQ(width, 64u);
    EXPECT_EQ(height, 32u);

    std::vector<api::effect_texture_variable> found;
    callSlot<void>(r, runtimeEnumerateTextureVariables, "kivren2.fx", &collectVariable,
                   static_cast<void*>(&found));
    EXPECT_EQ(runtime.enumerations(), 1);
    ASSERT_EQ(found.size(), 1u) << "only the textures of the effect asked for";

    char name[32] = {};
    std::size_t capacity = sizeof(name);
    callSlot<void>(r, runtimeGetTextureVariableName, found[0], static_cast<char*>(name), &capacity);
    EXPECT_EQ(std::string(name), "Kivren_Depth");

    api::resource_view view{};
    callSlot<void>(r, runtimeGetTextureBinding, found[0], &view,
                   static_cast<api::resource_view*>(nullptr));
    const api::resource texture = runtime.device().get_resource_from_view(view);
    ASSERT_NE(texture.handle, 0u) << "the slot bound no view of a known texture";
    EXPECT_EQ(runtime.device().get_resource_desc(texture).texture.width, 64u);

    runtime.setEffectsOn(false);
    EXPECT_FALSE(callSlot<bool>(r, runtimeGetEffectsState));
    runtime.setEffectsOn(true);
    EXPECT_TRUE(callSlot<bool>(r, runtimeGetEffectsState));
}

TEST(ReShadeSlots, DeviceAnswersInReShadesSlots) {
    SimDevice device;
    api::device* d = &device;

    const api::resource_desc desc =
        textureDesc(16, 8, api::memory_heap::gpu_to_cpu, api::resource_usage::copy_dest);
    api::resource texture{};
    ASSERT_TRUE(callSlot<bool>(
        d, deviceCreateResource, &desc, static_cast<const api::subresource_data*>(nullptr),
        api::resource_usage::copy_dest, &texture, static_cast<void**>(nullptr)));
    ASSERT_NE(texture.handle, 0u);
    EXPECT_EQ(device.textureCount(), 1u);

    const auto described = callSlotForStruct<api::resource_desc>(d, deviceGetResourceDesc, texture);
    EXPECT_EQ(described.texture.width, 16u);
    EXPECT_EQ(described.texture.height, 8u);
    EXPECT_EQ(described.heap, api::memory_heap::gpu_to_cpu);

    const api::resource_view view = device.createView(texture);
    EXPECT_EQ(callSlotForStruct<api::resource>(d, deviceGetResourceFromView, view).handle,
              texture.handle);

    api::subresource_data mapped{};
    ASSERT_TRUE(callSlot<bool>(d, deviceMapTextureRegion, texture, std::uint32_t{0},
                               static_cast<const api::subresource_box*>(nullptr),
                               api::map_access::read_only, &mapped));
    EXPECT_NE(mapped.data, nullptr);
    EXPECT_EQ(mapped.row_pitch, 256u) << "16 pixels of 4 bytes, padded as readback rows are";
    callSlot<void>(d, deviceUnmapTextureRegion, texture, std::uint32_t{0});
    // Only an unmapped texture can be mapped again.
    ASSERT_TRUE(
        device.map_texture_region(texture, 0, nullptr, api::map_access::read_only, &mapped));
    device.unmap_texture_region(texture, 0);

    callSlot<void>(d, deviceDestroyResource, texture);
    EXPECT_EQ(device.textureCount(), 0u);
    EXPECT_TRUE(device.errors().empty()) << device.errors().front();
}

TEST(ReShadeSlots, CommandListAndQueueAnswerInReShadesSlots) {
    SimDevice device;
    SimCommandQueue queue(device);
    api::resource source{}, readback{};
    ASSERT_TRUE(device.create_resource(
        textureDesc(4, 2, api::memory_heap::gpu_only,
                    api::resource_usage::render_target | api::resource_usage::copy_source),
        nullptr, api::resource_usage::render_target, &source, nullptr));
    ASSERT_TRUE(device.create_resource(
        textureDesc(4, 2, api::memory_heap::gpu_to_cpu, api::resource_usage::copy_dest), nullptr,
        api::resource_usage::copy_dest, &readback, nullptr));

    api::command_queue* q = &queue;
    api::command_list* list = callSlot<api::command_list*>(q, queueGetImmediateCommandList);
    ASSERT_EQ(list, &queue.list());

    const api::resource_usage renderTarget = api::resource_usage::render_target;
    const api::resource_usage copySource = api::resource_usage::copy_source;
    callSlot<void>(list, listBarrier, std::uint32_t{1}, &source, &renderTarget, &copySource);
    EXPECT_EQ(stateOf(device, source), api::resource_usage::copy_source);

    callSlot<void>(list, listCopyTextureRegion, source, std::uint32_t{0},
                   static_cast<const api::subresource_box*>(nullptr), readback, std::uint32_t{0},
                   static_cast<const api::subresource_box*>(nullptr),
                   api::filter_mode::min_mag_mip_point);
    EXPECT_EQ(pendingCopiesOf(device, readback), 1);

    // Flushing submits the copy; only the wait runs it.
    callSlot<void>(q, queueFlushImmediateCommandList);
    EXPECT_EQ(queue.waits(), 0);
    EXPECT_EQ(pendingCopiesOf(device, readback), 1);
    callSlot<void>(q, queueWaitIdle);
    EXPECT_EQ(queue.waits(), 1);
    EXPECT_EQ(pendingCopiesOf(device, readback), 0);
    EXPECT_TRUE(device.errors().empty()) << device.errors().front();
}

TEST(ReShadeSlots, MinimalRuntimeAnswersInReShadesSlots) {
    MinimalRuntime runtime;
    api::effect_runtime* r = &runtime;
    runtime.effectsOn = false;
    EXPECT_FALSE(callSlot<bool>(r, runtimeGetEffectsState));
    runtime.effectsOn = true;
    EXPECT_TRUE(callSlot<bool>(r, runtimeGetEffectsState));
    api::device* device = callSlot<api::device*>(r, runtimeGetDevice);
    ASSERT_EQ(device, runtime.get_device());
    EXPECT_EQ(
        callSlotForStruct<api::resource>(device, deviceGetResourceFromView, api::resource_view{7})
            .handle,
        0u);
}

// Add-on API 4 numbers the three events the plugin handles 75, 76 and 77;
// ReShade fires handlers by these numbers.
TEST(ReShadeSlots, EventsCarryTheNumbersOfAddOnApi4) {
    EXPECT_EQ(static_cast<std::uint32_t>(reshade::addon_event::reshade_present), 75u);
    EXPECT_EQ(static_cast<std::uint32_t>(reshade::addon_event::reshade_begin_effects), 76u);
    EXPECT_EQ(static_cast<std::uint32_t>(reshade::addon_event::reshade_finish_effects), 77u);
}

// A call one slot off from a method the plugin uses reaches a method it never
// uses, which stops the program and names itself.
TEST(ReShadeSlotsDeathTest, AMethodThePluginNeverCallsStopsTheProgram) {
    SimEffectRuntime runtime(8, 8, api::format::b8g8r8a8_unorm);
    api::effect_runtime* r = &runtime;
    EXPECT_DEATH(callSlot<bool>(r, runtimeGetCommandQueue + 2, static_cast<std::uint8_t*>(nullptr)),
                 "effect_runtime::capture_screenshot");
    EXPECT_DEATH(callSlot<bool>(r, runtimeGetEffectsState + 1, false),
                 "effect_runtime::set_effects_state");
    api::device* d = &runtime.device();
    EXPECT_DEATH(callSlot<void>(d, deviceCreateResource - 1, api::sampler{1}),
                 "device::destroy_sampler");
    EXPECT_DEATH(r->get_native(), "effect_runtime::get_native");
    EXPECT_DEATH(runtime.queue().get_device(), "command_queue::get_device");
}

} // namespace
