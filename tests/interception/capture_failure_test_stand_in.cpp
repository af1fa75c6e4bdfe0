// A device creation that the d3d11 module refuses at the plugin's load: the
// plugin runs without the interception, and ReShade's log says why, with the
// capture's status and the module's HRESULT. The stand-in module is the one
// that can be made to refuse.
#include "drawing_game.h"
#include "loaded_plugin.h"
#include "stand_in_d3d11_module.h"

#include <string>
#include <vector>

namespace {

class CaptureFailure : public LoadedPlugin {
protected:
    void TearDown() override {
        standInD3d11FailCreation(S_OK);
        LoadedPlugin::TearDown();
    }
};

} // namespace

TEST_F(CaptureFailure, TheRefusedDeviceIsLoggedWithStatusAndHresult) {
    DrawingGame game{sampleMeshes};
    ASSERT_EQ(game.failure(), "");
    const std::vector<std::uint8_t> original(game.drawIndexedCode(), game.drawIndexedCode() + 16);
    standInD3d11FailCreation(static_cast<HRESULT>(0x887A0004u)); // DXGI_ERROR_UNSUPPORTED
    load();
    EXPECT_EQ(std::vector<std::uint8_t>(game.drawIndexedCode(), game.drawIndexedCode() + 16),
              original)
        << "nothing is patched";
    EXPECT_EQ(reshade.logLinesAt(1),
              std::vector<std::string>{
                  "[Kivren] The ID pass cannot intercept draws: no Direct3D 11 method "
                  "table (status: Failed, -1) (HRESULT 0x887A0004)"});
}
