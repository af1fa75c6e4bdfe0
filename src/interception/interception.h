#pragma once
// The detour that the game's ID3D11DeviceContext::DrawIndexed is redirected
// to, and the trampoline through which the unhooked method still runs.

#include <d3d11.h>

using DrawIndexedMethod = void(STDMETHODCALLTYPE*)(ID3D11DeviceContext* context, UINT indexCount,
                                                   UINT startIndexLocation, INT baseVertexLocation);

// Written by the hook engine when the hook is created; valid from then on for
// the life of the process.
extern void* drawIndexedTrampoline;

// The signature and calling convention of DrawIndexed: the plugin sees the
// draw, then the game's draw runs exactly as issued.
void STDMETHODCALLTYPE drawIndexedDetour(ID3D11DeviceContext* context, UINT indexCount,
                                         UINT startIndexLocation, INT baseVertexLocation);
