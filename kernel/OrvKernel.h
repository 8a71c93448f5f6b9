#pragma once

// Umbrella header of libOrvKernel: every class a host may use.
// Compile with -I kernel -I platform/include, link with -lOrvKernel -lOrvPlatform (or use
// the installed CMake package: find_package(OrvKernel), target OrvKernel::OrvKernel).

#include "OrvExport.h"

// Animation core
#include "core/OrvVersion.h"
#include "core/OrvObject.h"
#include "core/OrvPropId.h"
#include "core/OrvKey.h"
#include "core/OrvPropBase.h"
#include "core/OrvProp.h"
#include "core/OrvModifiable.h"
#include "core/OrvText.h"
#include "core/OrvSniffer.h"
#include "core/OrvRandom.h"

// Timing and music
#include "audio/OrvChrono.h"
#include "audio/OrvMusic.h"

// Demo document, resources and layers
#include "document/OrvDemo.h"
#include "document/OrvFrameProfile.h"
#include "graphics/OrvResource.h"
#include "graphics/OrvResTexture.h"
#include "graphics/OrvResImage.h"
#include "graphics/OrvResRenderTarget.h"
#include "graphics/OrvMaterial.h"
#include "graphics/OrvResShader.h"
#include "graphics/OGLObject.h"
#include "graphics/OrvResObject3D.h"
#include "layers/OrvLayer.h"
#include "layers/OrvLayerSprite.h"
#include "layers/OrvGelly.h"
#include "layers/OrvBallSimulation.h"
#include "layers/OrvParticleCloud.h"
#include "layers/OrvLayerParticules.h"
#include "layers/OrvLayerSphere.h"
#include "layers/OrvLayer3DObject.h"
#include "layers/OrvLayer3DObjectGelly.h"
#include "layers/OrvDofPass.h"
#include "layers/OrvGridLattice.h"
#include "layers/OrvLayerBalls.h"
#include "layers/OrvLayerGrid.h"

// Post-processing layers
#include "postprocess/OrvLayerPPBase.h"
#include "postprocess/OrvLayerPPEffects.h"
#include "postprocess/OrvLayerPPBloom.h"
#include "postprocess/OrvLayerPostProcess.h"

// Video capture
#include "capture/OrvAvi.h"
#include "capture/AviFile.h"

// Software surfaces
#include "surface/OrvSurface.h"
#include "surface/OrvMat3.h"
