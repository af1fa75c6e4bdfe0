// A flat-colour shader that cannot be made says so once in ReShade's log, with
// the HRESULT and the compiler's own message. A program of its own: the
// plugin's log looks ReShade up once, so the stand-in module is loaded first.
#include "idpass/flat_shader.h"
#include "reshade_module.h"
#include "sim_d3d11.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

class ShaderFailure : public ::testing::Test {
protected:
    void SetUp() override {
        reshade.reset();
        createSimDevice(&device, &context);
    }
    void TearDown() override {
        context->Release();
        device->Release();
    }

    std::vector<std::string> failureLines() const { return reshade.logLinesAt(1); }

    StandInReShade& reshade = StandInReShade::instance();
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
};

} // namespace

TEST_F(ShaderFailure, TheDevicesRefusalIsLoggedWithItsHresult) {
    static_cast<SimDevice*>(device)->failPixelShaders(E_OUTOFMEMORY);
    ID3D11PixelShader* shader = nullptr;
    EXPECT_EQ(compileFlatShader(device, 1.0f, 0.0f, 1.0f, &shader), E_OUTOFMEMORY);
    EXPECT_EQ(shader, nullptr);
    EXPECT_EQ(failureLines(),
              std::vector<std::string>{"[Kivren] The flat-colour shader for (1, 0, 1) could not be "
                                       "created on the game's device (HRESULT 0x8007000E)"});
}

TEST_F(ShaderFailure, TheCompilersRefusalIsLoggedWithItsHresultAndMessage) {
    // HLSL has no NaN literal: the compiler refuses the source and says why.
    ID3D11PixelShader* shader = nullptr;
    const HRESULT result = compileFlatShader(device, std::nanf(""), 0.0f, 1.0f, &shader);
    EXPECT_TRUE(FAILED(result));
    EXPECT_EQ(shader, nullptr);
    const std::vector<std::string> lines = failureLines();
    ASSERT_EQ(lines.size(), 1u);
    const std::string start =
        fmt::format("[Kivren] The flat-colour shader for (nan, 0, 1) did not compile (HRESULT "
                    "0x{:08X}): ",
                    static_cast<std::uint32_t>(result));
    EXPECT_EQ(lines[0].substr(0, start.size()), start);
    EXPECT_GT(lines[0].size(), start.size()) << "the compiler's message follows";
    EXPECT_EQ(lines[0].find('\n'), std::string::npos) << "one line, whatever the compiler wrote";
}

TEST_F(ShaderFailure, NoDeviceYetAndSuccessSayNothing) {
    ID3D11PixelShader* shader = nullptr;
    EXPECT_EQ(compileFlatShader(nullptr, 1.0f, 0.0f, 1.0f, &shader), E_HANDLE);
    ASSERT_EQ(compileFlatShader(device, 0.25f, 0.5f, 1.0f, &shader), S_OK);
    ASSERT_NE(shader, nullptr);
    shader->Release();
    EXPECT_TRUE(failureLines().empty());
}
