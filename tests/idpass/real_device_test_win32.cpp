// The flat shaders on a real Direct3D 11 device with the real HLSL compiler:
// a quad drawn with each shader reads back as exactly the 8-bit colour that
// the encoder will see, and the draw path reads real buffers as mesh keys.
#include "core/kivren.h"
#include "d3d11_helpers_win32.h"
#include "idpass/flat_shader.h"

#include <d3d11.h>
#include <d3dcompiler.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

namespace {

using Rgba = std::array<std::uint8_t, 4>;

ID3DBlob* compile(const char* source, const char* target) {
    ID3DBlob* code = compileShader(source, target);
    EXPECT_NE(code, nullptr) << target;
    return code;
}

// A game's draw in miniature: a quad whose buffers have the sizes of the
// worked mesh (stride 32, 65536 vertex bytes, 12288 index bytes, a 4096-byte
// pixel-shader constant buffer), drawn with its own colour-passing shaders
// into an 8 by 8 target.
class RealDevice : public testing::Test {
protected:
    void SetUp() override {
        const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_10_1};
        HRESULT hr = D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, levels, 2,
                                       D3D11_SDK_VERSION, &device, nullptr, &context);
        ASSERT_EQ(hr, S_OK) << "no hardware device (is DISPLAY set for Wine?)";

        D3D11_TEXTURE2D_DESC texture{};
        texture.Width = texture.Height = 8;
        texture.MipLevels = texture.ArraySize = 1;
        texture.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
        texture.SampleDesc.Count = 1;
        texture.BindFlags = D3D11_BIND_RENDER_TARGET;
        ASSERT_EQ(device->CreateTexture2D(&texture, nullptr, &target), S_OK);
        ASSERT_EQ(device->CreateRenderTargetView(target, nullptr, &targetView), S_OK);
        texture.BindFlags = 0;
        texture.Usage = D3D11_USAGE_STAGING;
        texture.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
        ASSERT_EQ(device->CreateTexture2D(&texture, nullptr, &readback), S_OK);

        ID3DBlob* vsCode = compile(colourVertexShader, "vs_4_0");
        ASSERT_NE(vsCode, nullptr);
        ASSERT_EQ(device->CreateVertexShader(vsCode->GetBufferPointer(), vsCode->GetBufferSize(),
                                             nullptr, &vertexShader),
                  S_OK);
        hr = device->CreateInputLayout(colourVertexElements, 2, vsCode->GetBufferPointer(),
                                       vsCode->GetBufferSize(), &layout);
        vsCode->Release();
        ASSERT_EQ(hr, S_OK);

        ID3DBlob* psCode = compile(colourPixelShader, "ps_4_0");
        ASSERT_NE(psCode, nullptr);
        hr = device->CreatePixelShader(psCode->GetBufferPointer(), psCode->GetBufferSize(), nullptr,
                                       &gameShader);
        psCode->Release();
        ASSERT_EQ(hr, S_OK);

        // Four corners covering the target, in the game's own colour (51, 102, 153).
        std::vector<float> vertices(65536 / sizeof(float));
        const float corners[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
        for (int i = 0; i < 4; ++i) {
            const float vertex[8] = {corners[i][0], corners[i][1], 0.5f, 1.0f,
                                     0.2f,          0.4f,          0.6f, 1.0f};
            std::memcpy(&vertices[i * 8], vertex, sizeof vertex);
        }
        std::vector<std::uint16_t> indices(12288 / sizeof(std::uint16_t));
        const std::uint16_t quad[6] = {0, 1, 2, 2, 1, 3};
        std::memcpy(indices.data(), quad, sizeof quad);
        std::vector<std::uint8_t> constants(4096);
        vertexBuffer = buffer(65536, D3D11_BIND_VERTEX_BUFFER, vertices.data());
        indexBuffer = buffer(12288, D3D11_BIND_INDEX_BUFFER, indices.data());
        constantBuffer = buffer(4096, D3D11_BIND_CONSTANT_BUFFER, constants.data());

        D3D11_RASTERIZER_DESC raster{};
        raster.FillMode = D3D11_FILL_SOLID;
        raster.CullMode = D3D11_CULL_NONE;
        raster.DepthClipEnable = TRUE;
        ASSERT_EQ(device->CreateRasterizerState(&raster, &rasterizer), S_OK);

        plugin.debugModelsMode = std::make_shared<bool>(false);
        plugin.previewCustomPass = std::make_shared<bool>(false);
        plugin.recordCustomPass = std::make_shared<bool>(false);
    }

    void TearDown() override {
        plugin.onUnload();
        releaseObject(rasterizer);
        releaseObject(constantBuffer);
        releaseObject(indexBuffer);
        releaseObject(vertexBuffer);
        releaseObject(gameShader);
        releaseObject(layout);
        releaseObject(vertexShader);
        releaseObject(readback);
        releaseObject(targetView);
        releaseObject(target);
        releaseObject(context);
        releaseObject(device);
    }

    ID3D11Buffer* buffer(UINT bytes, UINT bind, const void* data) {
        D3D11_BUFFER_DESC desc{};
        desc.ByteWidth = bytes;
        desc.BindFlags = bind;
        const D3D11_SUBRESOURCE_DATA initial{data, 0, 0};
        ID3D11Buffer* created = nullptr;
        EXPECT_EQ(device->CreateBuffer(&desc, &initial, &created), S_OK);
        return created;
    }

    // Binds the game's state, lets the plugin see the draw, draws, and reads
    // back the centre of the target.
    Rgba drawQuad(ID3D11PixelShader* shader = nullptr) {
        const float clear[4] = {0, 0, 0, 0};
        context->ClearRenderTargetView(targetView, clear);
        const UINT stride = 32;
        const UINT offset = 0;
        context->IASetInputLayout(layout);
        context->IASetVertexBuffers(0, 1, &vertexBuffer, &stride, &offset);
        context->IASetIndexBuffer(indexBuffer, DXGI_FORMAT_R16_UINT, 0);
        context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        context->VSSetShader(vertexShader, nullptr, 0);
        context->PSSetShader(shader ? shader : gameShader, nullptr, 0);
        context->PSSetConstantBuffers(0, 1, &constantBuffer);
        context->RSSetState(rasterizer);
        const D3D11_VIEWPORT viewport{0, 0, 8, 8, 0, 1};
        context->RSSetViewports(1, &viewport);
        context->OMSetRenderTargets(1, &targetView, nullptr);

        plugin.onDrawIndexed(context);
        context->DrawIndexed(6, 0, 0);

        context->CopyResource(readback, target);
        D3D11_MAPPED_SUBRESOURCE mapped{};
        Rgba pixel{};
        if (context->Map(readback, 0, D3D11_MAP_READ, 0, &mapped) == S_OK) {
            const auto* row = static_cast<const std::uint8_t*>(mapped.pData) + 4 * mapped.RowPitch;
            std::memcpy(pixel.data(), row + 4 * 4, 4);
            context->Unmap(readback, 0);
        }
        return pixel;
    }

    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
    ID3D11Texture2D* target = nullptr;
    ID3D11RenderTargetView* targetView = nullptr;
    ID3D11Texture2D* readback = nullptr;
    ID3D11VertexShader* vertexShader = nullptr;
    ID3D11InputLayout* layout = nullptr;
    ID3D11PixelShader* gameShader = nullptr;
    ID3D11Buffer* vertexBuffer = nullptr;
    ID3D11Buffer* indexBuffer = nullptr;
    ID3D11Buffer* constantBuffer = nullptr;
    ID3D11RasterizerState* rasterizer = nullptr;
    Kivren plugin;
};

} // namespace

TEST_F(RealDevice, EachFlatShaderDrawsItsExactColour) {
    ASSERT_EQ(drawQuad(), (Rgba{51, 102, 153, 255}));
    struct Row {
        float r, g, b;
        Rgba expected;
    };
    const Row rows[] = {
        {1.0f, 0.0f, 1.0f, {255, 0, 255, 255}},
        {1.0f / 255.0f, 128.0f / 255.0f, 254.0f / 255.0f, {1, 128, 254, 255}},
        // The automatic colour of the worked mesh.
        {0.9266666f, 0.1847196f, 0.13899997f, {236, 47, 35, 255}},
    };
    for (const Row& row : rows) {
        ID3D11PixelShader* shader = nullptr;
        ASSERT_EQ(compileFlatShader(device, row.r, row.g, row.b, &shader), S_OK);
        EXPECT_EQ(drawQuad(shader), row.expected) << row.r << " " << row.g << " " << row.b;
        releaseObject(shader);
    }
}

TEST_F(RealDevice, TheDrawPathColoursTheListedMeshAndTheSelection) {
    plugin.inReplay = true;
    // Nothing switched on: the first draw takes the device and leaves the draw alone.
    EXPECT_EQ(drawQuad(), (Rgba{51, 102, 153, 255}));
    EXPECT_NE(plugin.gameDevice, nullptr);

    // The buffers bound above are the worked mesh 4dc13974d71cc7a7.
    plugin.addMeshHash("4dc13974d71cc7a7");
    *plugin.previewCustomPass = true;
    EXPECT_EQ(drawQuad(), (Rgba{236, 47, 35, 255}));

    *plugin.previewCustomPass = false;
    *plugin.debugModelsMode = true;
    plugin.selectedMesh = {32, 65536, 12288, 4096};
    EXPECT_EQ(drawQuad(), (Rgba{255, 0, 255, 255}));
    plugin.setHighlightFromWord("#0180fe");
    EXPECT_EQ(drawQuad(), (Rgba{1, 128, 254, 255}));
}
