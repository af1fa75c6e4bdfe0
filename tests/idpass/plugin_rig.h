#pragma once
// A plugin object built in the test program, wired to a stand-in console and
// game and drawing on a stand-in Direct3D 11 context. The graphics objects are
// counted: a rig that goes without every object released exactly once fails.

#include "core/kivren.h"
#include "counted_device.h"
#include "scratch_folder.h"
#include "sdk_handles.h"
#include "sim_console.h"
#include "sim_d3d11.h"
#include "sim_game.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <memory>

// The mesh of the worked examples and its hash.
inline constexpr MeshKey workedKey{32, 65536, 12288, 4096};
inline constexpr MeshHash workedHash = 0x4dc13974d71cc7a7;

struct PluginRig : CountedDevice {
    PluginRig() {
        std::filesystem::create_directories(scratch.path() / "bakkesmod" / "cfg");
        console = std::make_shared<SimConsole>(scratch.path() / "bakkesmod" / "cfg");
        game = std::make_shared<SimGame>(scratch.path() / "data", scratch.path() / "bakkesmod");
        plugin.cvarManager = makeCVarManagerWrapper(console);
        plugin.gameWrapper = makeGameWrapper(game);
    }

    ~PluginRig() { plugin.onUnload(); }

    // Binds buffers of the key's sizes (none for a size of 0) as a game would.
    void bind(const MeshKey& key) {
        auto buffer = [&](UINT bytes, UINT flags) {
            return bytes ? createSimBuffer(device, bytes, flags) : nullptr;
        };
        ID3D11Buffer* vertices = buffer(key.vertexBytes, D3D11_BIND_VERTEX_BUFFER);
        ID3D11Buffer* indices = buffer(key.indexBytes, D3D11_BIND_INDEX_BUFFER);
        ID3D11Buffer* constants = buffer(key.constantBytes, D3D11_BIND_CONSTANT_BUFFER);
        const UINT offset = 0;
        context->IASetVertexBuffers(0, 1, &vertices, &key.stride, &offset);
        context->IASetIndexBuffer(indices, DXGI_FORMAT_R16_UINT, 0);
        context->PSSetConstantBuffers(0, 1, &constants);
        for (ID3D11Buffer* held : {vertices, indices, constants})
            if (held)
                held->Release();
    }

    // One game draw of the mesh: the plugin first, then the draw itself.
    void draw(const MeshKey& key) {
        bind(key);
        plugin.onDrawIndexed(context);
        context->DrawIndexed(6, 0, 0);
    }

    ID3D11PixelShader* bound() const {
        return static_cast<SimDeviceContext*>(context)->boundPixelShader();
    }

    ScratchFolder scratch;
    std::shared_ptr<SimConsole> console;
    std::shared_ptr<SimGame> game;
    Kivren plugin;
};
