#include "idpass/shader_compiler.h"

#include <dlfcn.h>

// There is no system compiler here: the program that hosts the plugin (the
// stand-in host and the tests) exports its stand-in D3DCompile.
pD3DCompile findShaderCompiler() noexcept {
    return reinterpret_cast<pD3DCompile>(dlsym(RTLD_DEFAULT, "D3DCompile"));
}
