// Factories of the mesh, gelly, particles, balls, sphere, grid and post-process layers: each
// makes its layer, names it from its own process-wide counter and adds it to the document.
#include "document/OrvDemo.h"

#include "layers/OrvLayer3DObject.h"
#include "layers/OrvLayer3DObjectGelly.h"
#include "layers/OrvLayerBalls.h"
#include "layers/OrvLayerGrid.h"
#include "layers/OrvLayerParticules.h"
#include "layers/OrvLayerSphere.h"
#include "postprocess/OrvLayerPPBloom.h"
#include "postprocess/OrvLayerPPEffects.h"
#include "postprocess/OrvLayerPostProcess.h"

#include <cstdio>

namespace
{
int g_iObject3DCount = 0;
int g_iGellyCount = 0;
int g_iParticlesCount = 0;
int g_iBallsCount = 0;
int g_iSphereCount = 0;
int g_iGridCount = 0;
int g_iPostProcessCount = 0;
int g_iWaveCount = 0;
int g_iRadialBlurCount = 0;
int g_iBlackWhiteCount = 0;
int g_iFishEyeCount = 0;
int g_iBloomCount = 0;

std::string NextLayerName(int& counter, const char* pFormat)
{
    ++counter;
    char text[64];
    std::snprintf(text, sizeof(text), pFormat, counter);
    return text;
}
} // namespace

COrvModifiable* COrvDemo::AddNamedLayer(COrvLayer* pLayer, int& counter, const char* pFormat)
{
    pLayer->SetName(NextLayerName(counter, pFormat));
    AddLayer(pLayer);
    return pLayer;
}

COrvModifiable* COrvDemo::AddLayerObject3D()
{
    return AddNamedLayer(new COrvLayer3DObject(this), g_iObject3DCount, "3D object %d");
}

COrvModifiable* COrvDemo::AddLayerObject3DGelly()
{
    return AddNamedLayer(new COrvLayer3DObjectGelly(this), g_iGellyCount, "Gelly %d");
}

COrvModifiable* COrvDemo::AddLayerParticles()
{
    return AddNamedLayer(new COrvLayerParticules(this), g_iParticlesCount, "Particles %d");
}

COrvModifiable* COrvDemo::AddLayerBalls()
{
    return AddNamedLayer(new COrvLayerBalls(this), g_iBallsCount, "Balls %d");
}

COrvModifiable* COrvDemo::AddLayerSphere()
{
    return AddNamedLayer(new COrvLayerSphere(this), g_iSphereCount, "sphereFX %d");
}

COrvModifiable* COrvDemo::AddLayerGrid()
{
    return AddNamedLayer(new COrvLayerGrid(this), g_iGridCount, "FXGrid %d");
}

COrvModifiable* COrvDemo::AddLayerPostProcess()
{
    return AddNamedLayer(new COrvLayerPostProcess(this), g_iPostProcessCount, "Post %d");
}

COrvModifiable* COrvDemo::AddLayerPPWave()
{
    return AddNamedLayer(new COrvLayerPPWave(this), g_iWaveCount, "PP Wave %d");
}

COrvModifiable* COrvDemo::AddLayerPPRadialBlur()
{
    return AddNamedLayer(new COrvLayerPPRadialBlur(this), g_iRadialBlurCount, "PP RadialBlur %d");
}

COrvModifiable* COrvDemo::AddLayerPPBlackWhite()
{
    return AddNamedLayer(new COrvLayerPPBlackWhite(this), g_iBlackWhiteCount, "PP B&W %d");
}

COrvModifiable* COrvDemo::AddLayerPPFishEye()
{
    // The fish-eye shares the black-and-white layer's name format, with its own counter.
    return AddNamedLayer(new COrvLayerPPFishEye(this), g_iFishEyeCount, "PP B&W %d");
}

COrvModifiable* COrvDemo::AddLayerPPBloom()
{
    return AddNamedLayer(new COrvLayerPPBloom(this), g_iBloomCount, "PP Bloom %d");
}
