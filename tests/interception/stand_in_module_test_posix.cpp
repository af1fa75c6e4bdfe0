// What only the stand-in module can show: the captured blocks are exactly
// the stand-ins' method tables (at full length, thanks to their room for the
// later interface versions), entry 73 runs the context's DrawIndexed, the
// throw-away objects are all released, and a failing device creation leaves
// no table.
#include "interception/method_table.h"
#include "sim_d3d11.h"
#include "stand_in_d3d11_module.h"

#include <gtest/gtest.h>

namespace {

void* const* methodsOf(const void* object) {
    return *static_cast<void* const* const*>(object);
}

struct GameObjects {
    GameObjects() {
        DXGI_SWAP_CHAIN_DESC desc{};
        const D3D_FEATURE_LEVEL level = D3D_FEATURE_LEVEL_11_0;
        result = D3D11CreateDeviceAndSwapChain(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0,
                                               &level, 1, D3D11_SDK_VERSION, &desc, &swapChain,
                                               &device, nullptr, &context);
    }
    ~GameObjects() {
        if (swapChain)
            swapChain->Release();
        if (context)
            context->Release();
        if (device)
            device->Release();
    }
    HRESULT result;
    IDXGISwapChain* swapChain = nullptr;
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
};

class StandInModule : public testing::Test {
protected:
    void TearDown() override {
        releaseMethodTable();
        standInD3d11FailCreation(S_OK);
        EXPECT_EQ(standInD3d11Misuses(), 0u);
    }
};

} // namespace

TEST_F(StandInModule, EveryBlockIsTheStandInsTableAndNothingIsLeftAlive) {
    const std::size_t liveBefore = standInD3d11LiveObjects();
    const std::size_t devicesBefore = standInD3d11DevicesCreated();
    ASSERT_EQ(captureMethodTable(RenderType::Direct3D11), MethodTableStatus::Success);
    EXPECT_EQ(standInD3d11DevicesCreated(), devicesBefore + 1) << "one throw-away device";
    EXPECT_EQ(standInD3d11LiveObjects(), liveBefore) << "the throw-away objects were released";

    GameObjects game;
    ASSERT_EQ(game.result, S_OK);
    const struct {
        const void* object;
        std::size_t first;
        std::size_t count;
    } blocks[] = {{game.swapChain, swapChainEntry, swapChainMethods},
                  {game.device, deviceEntry, deviceMethods},
                  {game.context, contextEntry, contextMethods}};
    for (const auto& block : blocks) {
        void* const* methods = methodsOf(block.object);
        for (std::size_t i = 0; i < block.count; ++i)
            EXPECT_EQ(methodTable[block.first + i], methods[i]) << "entry " << block.first + i;
    }
}

TEST_F(StandInModule, EntrySeventyThreeIsTheContextsDrawIndexed) {
    ASSERT_EQ(captureMethodTable(RenderType::Direct3D11), MethodTableStatus::Success);
    GameObjects game;
    ASSERT_EQ(game.result, S_OK);
    auto* context = static_cast<SimDeviceContext*>(game.context);
    const std::size_t before = context->drawIndexedCalls();
    using DrawIndexed = void (*)(ID3D11DeviceContext*, UINT, UINT, INT);
    reinterpret_cast<DrawIndexed>(methodTable[drawIndexedEntry])(game.context, 6, 0, 0);
    EXPECT_EQ(context->drawIndexedCalls(), before + 1);
    // And the swap chain block starts with Present at method 8.
    auto* swapChain = game.swapChain;
    using Present = HRESULT (*)(IDXGISwapChain*, UINT, UINT);
    UINT presents = 0;
    EXPECT_EQ(reinterpret_cast<Present>(methodTable[swapChainEntry + 8])(swapChain, 0, 0), S_OK);
    ASSERT_EQ(swapChain->GetLastPresentCount(&presents), S_OK);
    EXPECT_EQ(presents, 1u);
}

TEST_F(StandInModule, AFailedDeviceCreationLeavesNoTable) {
    standInD3d11FailCreation(static_cast<HRESULT>(0x887a0004u));
    EXPECT_EQ(captureMethodTable(RenderType::Direct3D11), MethodTableStatus::Failed);
    EXPECT_EQ(methodTable, nullptr);
    EXPECT_EQ(capturedRenderType, RenderType::None);

    standInD3d11FailCreation(S_OK);
    EXPECT_EQ(captureMethodTable(RenderType::Direct3D11), MethodTableStatus::Success);
}
