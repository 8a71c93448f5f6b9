// The effect framework's hooks into the device (GLDeviceInternal.h).
#include "GLDeviceInternal.h"

#include "OrvFixedFunction.h"
#include "OrvGLDevice.h"
#include "OrvGLTexture.h"

namespace orv::gl
{
bool MakeCurrent(IDirect3DDevice9* pDevice)
{
    COrvGLDevice* pOurs = pDevice ? OrvAsGLDevice(pDevice) : nullptr;
    if (!pOurs || !pOurs->GetCore()->Prepare())
        return false;
    pOurs->InvalidateBindings();
    return true;
}

unsigned int GetTextureName(IDirect3DBaseTexture9* pTexture)
{
    COrvGLTextureCore* pOurs = pTexture ? OrvAsGLTexture(pTexture) : nullptr;
    return pOurs ? pOurs->GetTextureName() : 0;
}

unsigned int UseShaderStages(IDirect3DDevice9* pDevice, unsigned int vertexShader,
                             unsigned int fragmentShader)
{
    COrvGLDevice* pOurs = pDevice ? OrvAsGLDevice(pDevice) : nullptr;
    return pOurs ? pOurs->UseShaderStages(vertexShader, fragmentShader) : 0;
}

void SetShaderUniforms(IDirect3DDevice9* pDevice, std::function<void(unsigned int)> upload)
{
    if (COrvGLDevice* pOurs = pDevice ? OrvAsGLDevice(pDevice) : nullptr)
        pOurs->SetShaderUniforms(std::move(upload));
}

void ForgetShader(IDirect3DDevice9* pDevice, unsigned int shader)
{
    if (COrvGLDevice* pOurs = pDevice ? OrvAsGLDevice(pDevice) : nullptr)
        pOurs->ForgetShader(shader);
}

std::string GetFixedFunctionVertexSource(IDirect3DDevice9* pDevice)
{
    COrvGLDevice* pOurs = pDevice ? OrvAsGLDevice(pDevice) : nullptr;
    return pOurs ? pOurs->GetFixedFunctionSource(true) : std::string();
}

std::string GetFixedFunctionFragmentSource(IDirect3DDevice9* pDevice)
{
    COrvGLDevice* pOurs = pDevice ? OrvAsGLDevice(pDevice) : nullptr;
    return pOurs ? pOurs->GetFixedFunctionSource(false) : std::string();
}

const char* ClipFixupSource()
{
    return g_szOrvClipFixupSource;
}

const char* AlphaTestSource()
{
    return g_szOrvAlphaTestSource;
}
} // namespace orv::gl
