// Kivren2: the screen, depth and normal images that the Kivren2 add-on records.
//
// This effect renders three textures every frame; the add-on copies them off
// the GPU after the effects have run and pipes them to FFmpeg. It does not
// change what the game shows.
//
//   Kivren_Main    the screen as the game drew it
//   Kivren_Depth   view depth as a grey level, linear between KIVREN_DEPTH_NEAR
//                  (white) and KIVREN_DEPTH_FAR (black), in Unreal units (cm)
//   Kivren_Normal  the surface normal in view space, reconstructed from depth
//
// How the add-on reads the textures, and so how they are written here:
//   - rows are handed to FFmpeg last row first, so every image is stored
//     upside down and comes out upright in the video;
//   - the bytes of each pixel are declared to FFmpeg as B, G, R, A, while
//     an RGBA8 texture keeps them as R, G, B, A, so red and blue are swapped
//     on the way in and come out right in the video.
//
// Depth mapping (the same in every frame, never normalised per frame):
//   grey = (KIVREN_DEPTH_FAR - d) / (KIVREN_DEPTH_FAR - KIVREN_DEPTH_NEAR), clamped to 0..1,
//   where d is the distance along the camera's viewing axis in Unreal units.
//   Back from the video:  d = KIVREN_DEPTH_FAR - grey * (KIVREN_DEPTH_FAR - KIVREN_DEPTH_NEAR).
//   With the defaults (0 to 20000 uu, 0 to 200 m) one 8-bit step is 78.4 uu.
//   d is recovered from the depth buffer with the game's projection planes
//   KIVREN_PROJECTION_NEAR and KIVREN_PROJECTION_FAR.
//
// Normal encoding: view space with X to the right, Y up and Z towards the
// camera (a surface facing the camera is (0, 0, 1)); each component n is
// stored as n * 0.5 + 0.5 in red (X), green (Y) and blue (Z).
//
// The usual depth-buffer switches apply: RESHADE_DEPTH_INPUT_IS_REVERSED,
// RESHADE_DEPTH_INPUT_IS_UPSIDE_DOWN and RESHADE_DEPTH_INPUT_IS_LOGARITHMIC.

#ifndef RESHADE_DEPTH_INPUT_IS_UPSIDE_DOWN
#define RESHADE_DEPTH_INPUT_IS_UPSIDE_DOWN 0
#endif
#ifndef RESHADE_DEPTH_INPUT_IS_REVERSED
#define RESHADE_DEPTH_INPUT_IS_REVERSED 0
#endif
#ifndef RESHADE_DEPTH_INPUT_IS_LOGARITHMIC
#define RESHADE_DEPTH_INPUT_IS_LOGARITHMIC 0
#endif

// The game's projection: near and far clip planes in Unreal units.
#ifndef KIVREN_PROJECTION_NEAR
#define KIVREN_PROJECTION_NEAR 10.0
#endif
#ifndef KIVREN_PROJECTION_FAR
#define KIVREN_PROJECTION_FAR 100000.0
#endif

// The depth range that the grey levels span, in Unreal units.
#ifndef KIVREN_DEPTH_NEAR
#define KIVREN_DEPTH_NEAR 0.0
#endif
#ifndef KIVREN_DEPTH_FAR
#define KIVREN_DEPTH_FAR 20000.0
#endif

// The camera's horizontal field of view in degrees, for the normals.
#ifndef KIVREN_HORIZONTAL_FOV
#define KIVREN_HORIZONTAL_FOV 110.0
#endif

// The logarithmic depth constant, as games that use one commonly do.
#ifndef KIVREN_LOGARITHMIC_DEPTH_C
#define KIVREN_LOGARITHMIC_DEPTH_C 0.01
#endif

texture KivrenBackBufferTex : COLOR;
texture KivrenDepthBufferTex : DEPTH;

sampler KivrenBackBuffer
{
    Texture = KivrenBackBufferTex;
};

sampler KivrenDepthBuffer
{
    Texture = KivrenDepthBufferTex;
    MagFilter = POINT;
    MinFilter = POINT;
    MipFilter = POINT;
};

texture Kivren_Main
{
    Width = BUFFER_WIDTH;
    Height = BUFFER_HEIGHT;
    Format = RGBA8;
};

texture Kivren_Depth
{
    Width = BUFFER_WIDTH;
    Height = BUFFER_HEIGHT;
    Format = RGBA8;
};

texture Kivren_Normal
{
    Width = BUFFER_WIDTH;
    Height = BUFFER_HEIGHT;
    Format = RGBA8;
};

// A triangle that covers the screen.
void KivrenVS(in uint id : SV_VertexID, out float4 position : SV_Position,
              out float2 texcoord : TEXCOORD)
{
    texcoord.x = (id == 2) ? 2.0 : 0.0;
    texcoord.y = (id == 1) ? 2.0 : 0.0;
    position = float4(texcoord * float2(2.0, -2.0) + float2(-1.0, 1.0), 0.0, 1.0);
}

// Where to read so that the texture holds the image upside down.
float2 SourceCoord(float2 texcoord)
{
    return float2(texcoord.x, 1.0 - texcoord.y);
}

// Distance along the viewing axis, in Unreal units, at a screen position.
float ViewDepth(float2 coord)
{
#if RESHADE_DEPTH_INPUT_IS_UPSIDE_DOWN
    coord.y = 1.0 - coord.y;
#endif
    float z = tex2Dlod(KivrenDepthBuffer, float4(coord, 0.0, 0.0)).x;
#if RESHADE_DEPTH_INPUT_IS_LOGARITHMIC
    const float c = KIVREN_LOGARITHMIC_DEPTH_C;
    z = (exp(z * log(c + 1.0)) - 1.0) / c;
#endif
#if RESHADE_DEPTH_INPUT_IS_REVERSED
    z = 1.0 - z;
#endif
    // A Direct3D perspective projection stores z = f / (f - n) * (1 - n / d).
    const float n = KIVREN_PROJECTION_NEAR;
    const float f = KIVREN_PROJECTION_FAR;
    return n * f / (f - z * (f - n));
}

// The view-space position (X right, Y up, Z towards the camera) of a pixel.
float3 ViewPosition(float2 coord)
{
    const float d = ViewDepth(coord);
    const float tanHalfX = tan(radians(KIVREN_HORIZONTAL_FOV) * 0.5);
    const float tanHalfY = tanHalfX * BUFFER_RCP_WIDTH / BUFFER_RCP_HEIGHT;
    const float2 ndc = coord * float2(2.0, -2.0) + float2(-1.0, 1.0);
    return float3(ndc.x * tanHalfX * d, ndc.y * tanHalfY * d, -d);
}

void KivrenMainPS(in float4 position : SV_Position, in float2 texcoord : TEXCOORD,
                  out float4 colour : SV_Target)
{
    const float3 rgb = tex2D(KivrenBackBuffer, SourceCoord(texcoord)).rgb;
    colour = float4(rgb.bgr, 1.0);
}

void KivrenDepthPS(in float4 position : SV_Position, in float2 texcoord : TEXCOORD,
                   out float4 colour : SV_Target)
{
    const float d = ViewDepth(SourceCoord(texcoord));
    const float grey = saturate((KIVREN_DEPTH_FAR - d) / (KIVREN_DEPTH_FAR - KIVREN_DEPTH_NEAR));
    colour = float4(grey, grey, grey, 1.0);
}

void KivrenNormalPS(in float4 position : SV_Position, in float2 texcoord : TEXCOORD,
                    out float4 colour : SV_Target)
{
    const float2 coord = SourceCoord(texcoord);
    const float2 pixel = float2(BUFFER_RCP_WIDTH, BUFFER_RCP_HEIGHT);
    const float3 centre = ViewPosition(coord);
    // The smaller of the two differences on each axis, so that edges between
    // objects do not bend the normal of the nearer surface.
    float3 right = ViewPosition(coord + float2(pixel.x, 0.0)) - centre;
    float3 left = centre - ViewPosition(coord - float2(pixel.x, 0.0));
    float3 down = ViewPosition(coord + float2(0.0, pixel.y)) - centre;
    float3 up = centre - ViewPosition(coord - float2(0.0, pixel.y));
    const float3 dx = abs(right.z) < abs(left.z) ? right : left;
    const float3 dy = abs(down.z) < abs(up.z) ? down : up;
    // dx runs to the right and dy downwards in view space.
    const float3 normal = normalize(cross(dy, dx));
    const float3 encoded = normal * 0.5 + 0.5;
    colour = float4(encoded.bgr, 1.0);
}

technique Kivren2 <
    ui_tooltip = "Renders the screen, depth and normal images that the Kivren2 add-on records.\n"
                 "Keep it enabled while recording.";
>
{
    pass Main
    {
        VertexShader = KivrenVS;
        PixelShader = KivrenMainPS;
        RenderTarget = Kivren_Main;
    }
    pass Depth
    {
        VertexShader = KivrenVS;
        PixelShader = KivrenDepthPS;
        RenderTarget = Kivren_Depth;
    }
    pass Normal
    {
        VertexShader = KivrenVS;
        PixelShader = KivrenNormalPS;
        RenderTarget = Kivren_Normal;
    }
}
