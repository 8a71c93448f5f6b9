#include "document/OrvDemoClasses.h"

#include "graphics/OrvMaterial.h"
#include "graphics/OrvResImage.h"
#include "graphics/OrvResObject3D.h"
#include "graphics/OrvResRenderTarget.h"
#include "graphics/OrvResShader.h"
#include "layers/OrvLayer3DObject.h"
#include "layers/OrvLayer3DObjectGelly.h"
#include "layers/OrvLayerBalls.h"
#include "layers/OrvLayerGrid.h"
#include "layers/OrvLayerParticules.h"
#include "layers/OrvLayerSphere.h"
#include "layers/OrvLayerSprite.h"
#include "postprocess/OrvLayerPPBloom.h"
#include "postprocess/OrvLayerPPEffects.h"
#include "postprocess/OrvLayerPostProcess.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace
{
struct SResourceClass
{
    const char* pName;
    COrvResource* (*pCreate)();
};

struct SLayerClass
{
    const char* pName;
    COrvLayer* (*pCreate)(COrvDemo*);
};

template <typename T> COrvResource* CreateResource()
{
    return new T;
}

template <typename T> COrvLayer* CreateLayer(COrvDemo* pDemo)
{
    return new T(pDemo);
}

const SResourceClass g_ResourceClasses[] = {
    {"COrvResImage", &CreateResource<COrvResImage>},
    {"COrvResObject3D", &CreateResource<COrvResObject3D>},
    {"COrvResMaterial", &CreateResource<COrvResMaterial>},
    {"COrvResShader", &CreateResource<COrvResShader>},
    {"COrvResRenderTarget", &CreateResource<COrvResRenderTarget>},
};

const SLayerClass g_LayerClasses[] = {
    {"COrvLayerSprite", &CreateLayer<COrvLayerSprite>},
    {"COrvLayer3DObject", &CreateLayer<COrvLayer3DObject>},
    {"COrvLayer3DObjectGelly", &CreateLayer<COrvLayer3DObjectGelly>},
    {"COrvLayerPostProcess", &CreateLayer<COrvLayerPostProcess>},
    {"COrvLayerParticules", &CreateLayer<COrvLayerParticules>},
    {"COrvLayerBalls", &CreateLayer<COrvLayerBalls>},
    {"COrvLayerGrid", &CreateLayer<COrvLayerGrid>},
    {"COrvLayerSphere", &CreateLayer<COrvLayerSphere>},
    {"COrvLayerPPWave", &CreateLayer<COrvLayerPPWave>},
    {"COrvLayerPPRadialBlur", &CreateLayer<COrvLayerPPRadialBlur>},
    {"COrvLayerPPBlackWhite", &CreateLayer<COrvLayerPPBlackWhite>},
    {"COrvLayerPPFishEye", &CreateLayer<COrvLayerPPFishEye>},
    {"COrvLayerPPBloom", &CreateLayer<COrvLayerPPBloom>},
};
} // namespace

COrvResource* OrvCreateResourceByClass(const std::string& className)
{
    for (const SResourceClass& entry : g_ResourceClasses)
        if (className == entry.pName)
            return entry.pCreate();
    return nullptr;
}

COrvLayer* OrvCreateLayerByClass(const std::string& className, COrvDemo* pDemo)
{
    for (const SLayerClass& entry : g_LayerClasses)
        if (className == entry.pName)
            return entry.pCreate(pDemo);
    return nullptr;
}
