// Pass capture on the effect runtime: the Main, Depth and Normal textures of
// kivren2.fx on every processed frame, the back buffer as the Custom pass at
// the start of a Custom turn, and the frame data entry beside Main.
#include "recording/recording_session.h"

#include "core/reshade_log.h"

#include <fmt/format.h>

#include <cstring>

namespace {

namespace api = reshade::api;

constexpr const char* effectName = "kivren2.fx";
constexpr const char* textureNames[] = {"Kivren_Main", "Kivren_Depth", "Kivren_Normal"};

struct Unmap {
    api::device* device;
    api::resource texture;
    ~Unmap() { device->unmap_texture_region(texture, 0); }
};

} // namespace

void RecordingSession::lookUpPassTextures(api::effect_runtime* runtime) {
    runtime->enumerate_texture_variables(effectName, &RecordingSession::findPassTextures, this);
}

// Said once per recording, at its start: a texture the effect lacks leaves
// its pass's video unchanged from frame to frame.
void RecordingSession::reportMissingTextures() const {
    const bool chosen[] = {true, settings_.isOn(Switch::Depth), settings_.isOn(Switch::Normal)};
    for (std::size_t i = 0; i < 3; ++i) {
        if (chosen[i] && passTextureViews_[i].handle == 0)
            logToReShade(logFailure,
                         fmt::format("[Kivren] {} has no texture {}; the {} pass records "
                                     "unchanged frames.",
                                     effectName, textureNames[i],
                                     passName(static_cast<PassKind>(i))));
    }
}

// Direct3D 11 copies only between formats of one typeless family, and ReShade
// FX textures are always r8g8b8a8 while many games present b8g8r8a8: a
// readback texture in the back buffer's format would take no copy from an
// effect texture, silently. So Main, Depth and Normal read back in their
// effect texture's format, Custom (a copy of the back buffer) in the back
// buffer's; all of them at the back buffer's size.
bool RecordingSession::createReadbackTexture(api::device* device, PassKind pass,
                                             const api::resource_desc& sizeAndFallback) {
    api::resource_desc desc = sizeAndFallback;
    if (pass != PassKind::Custom) {
        const api::resource_view view = passTextureViews_[passIndex(pass)];
        const api::resource texture =
            view.handle != 0 ? device->get_resource_from_view(view) : api::resource{};
        if (texture.handle != 0) {
            const api::resource_desc effect = device->get_resource_desc(texture);
            if (effect.type == api::resource_type::texture_2d) {
                desc = effect;
                desc.texture.width = sizeAndFallback.texture.width;
                desc.texture.height = sizeAndFallback.texture.height;
            }
        }
    }
    desc.type = api::resource_type::texture_2d;
    desc.heap = api::memory_heap::gpu_to_cpu;
    desc.usage = api::resource_usage::copy_dest;
    desc.flags = api::resource_flags::none;
    // Only the top level is copied and read.
    desc.texture.levels = 1;
    api::resource& readback = readbackTextures_[passIndex(pass)];
    return device->create_resource(desc, nullptr, api::resource_usage::copy_dest, &readback);
}

void RecordingSession::findPassTextures(api::effect_runtime* runtime,
                                        api::effect_texture_variable variable, void* context) {
    auto* self = static_cast<RecordingSession*>(context);
    char name[32] = {};
    std::size_t capacity = sizeof(name);
    runtime->get_texture_variable_name(variable, name, &capacity);
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::strcmp(name, textureNames[i]) == 0)
            runtime->get_texture_binding(variable, &self->passTextureViews_[i]);
    }
}

void RecordingSession::capturePasses(api::effect_runtime* runtime) {
    api::device* device = runtime->get_device();
    api::command_queue* queue = runtime->get_command_queue();
    api::command_list* list = queue->get_immediate_command_list();

    // Only Main decides whether to look again: an effect without it is
    // enumerated on every processed frame (the start has just looked).
    if (passTextureViews_[0].handle == 0 && frameCount_ > 0) {
        const auto before = passTextureViews_;
        lookUpPassTextures(runtime);
        // A texture that appeared since the start (ReShade compiles effects
        // in the background) gets a readback texture in its own format.
        for (std::size_t i = 0; i < before.size(); ++i) {
            api::resource& readback = readbackTextures_[i];
            if (before[i].handle != 0 || passTextureViews_[i].handle == 0 || readback.handle == 0)
                continue;
            const api::resource_desc size = device->get_resource_desc(readback);
            device->destroy_resource(readback);
            readback = {};
            if (!createReadbackTexture(device, static_cast<PassKind>(i), size))
                logToReShade(logFailure, "[Kivren] Failed to create host resources!");
        }
    }
    // This processed frame ends a Custom turn and captures nothing.
    if (settings_.isOn(Switch::CustomPass) && customTurn_)
        return;

    const bool depth = settings_.isOn(Switch::Depth);
    const bool normal = settings_.isOn(Switch::Normal);
    constexpr auto main = passIndex(PassKind::Main);
    constexpr auto depthPass = passIndex(PassKind::Depth);
    constexpr auto normalPass = passIndex(PassKind::Normal);
    copyPassTexture(device, list, passTextureViews_[main], readbackTextures_[main]);
    if (depth)
        copyPassTexture(device, list, passTextureViews_[depthPass], readbackTextures_[depthPass]);
    if (normal)
        copyPassTexture(device, list, passTextureViews_[normalPass], readbackTextures_[normalPass]);
    queue->flush_immediate_command_list();
    queue->wait_idle();

    // The effect renders bottom row first.
    readBackPass(device, readbackTextures_[main], PassKind::Main, RowOrder::Reversed);
    if (depth)
        readBackPass(device, readbackTextures_[depthPass], PassKind::Depth, RowOrder::Reversed);
    if (normal)
        readBackPass(device, readbackTextures_[normalPass], PassKind::Normal, RowOrder::Reversed);

    if (settings_.isOn(Switch::FrameData))
        frameData_.writeEntry();
}

void RecordingSession::copyPassTexture(api::device* device, api::command_list* list,
                                       api::resource_view view, api::resource readback) {
    if (view.handle == 0 || readback.handle == 0)
        return;
    const api::resource texture = device->get_resource_from_view(view);
    list->barrier(texture, api::resource_usage::render_target, api::resource_usage::copy_source);
    list->copy_texture_region(texture, 0, nullptr, readback, 0, nullptr);
    list->barrier(texture, api::resource_usage::copy_source, api::resource_usage::render_target);
}

void RecordingSession::readBackPass(api::device* device, api::resource readback, PassKind pass,
                                    RowOrder rowOrder) {
    if (readback.handle == 0 || !encoders_.accepts(pass))
        return;
    // Due whether or not the mapping works: the stop reports frames that never arrived.
    encoders_.countDue(pass);
    api::subresource_data mapped{};
    if (!device->map_texture_region(readback, 0, nullptr, api::map_access::read_only, &mapped))
        return;
    const Unmap unmap{device, readback};
    const api::resource_desc desc = device->get_resource_desc(readback);
    encoders_.enqueueFrame(static_cast<const std::uint8_t*>(mapped.data), mapped.row_pitch,
                           desc.texture.height, desc.texture.width * 4, pass, rowOrder);
}

void RecordingSession::captureCustomPass(api::effect_runtime* runtime, api::resource_view rtv) {
    std::lock_guard events(eventMutex_);
    if (!requested_.load() || !settings_.isOn(Switch::CustomPass) || !customTurn_ ||
        frameCount_ == 0)
        return;
    constexpr auto custom = passIndex(PassKind::Custom);
    const api::resource readback = readbackTextures_[custom];
    if (readback.handle == 0 || !encoders_.accepts(PassKind::Custom))
        return;
    // A turn lasts until the next processed frame, which may be several
    // presented frames away; one Custom frame per turn keeps the Custom video
    // in step with Main. frameCount_ stays the same for the whole turn.
    if (!encoders_.claimTurn(PassKind::Custom, frameCount_))
        return;

    api::device* device = runtime->get_device();
    api::command_queue* queue = runtime->get_command_queue();
    api::command_list* list = queue->get_immediate_command_list();
    const api::resource backBuffer = device->get_resource_from_view(rtv);
    list->barrier(backBuffer, api::resource_usage::render_target, api::resource_usage::copy_source);
    list->copy_texture_region(backBuffer, 0, nullptr, readback, 0, nullptr);
    list->barrier(backBuffer, api::resource_usage::copy_source, api::resource_usage::render_target);
    queue->flush_immediate_command_list();
    queue->wait_idle();
    readBackPass(device, readback, PassKind::Custom, RowOrder::AsMapped);
}
