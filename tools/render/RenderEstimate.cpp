#include "RenderEstimate.h"

#include "PlayerTiming.h"
#include "PrerollPlan.h"
#include "core/OrvProp.h"
#include "document/OrvDemo.h"
#include "layers/OrvLayer.h"

#include <algorithm>
#include <memory>

namespace
{

// The cost of each kind, measured on the sample at 1280x720: windows of 100 recorded frames
// timed one by one, each kind's cost what its windows cost beyond the others' (the
// profile's per-layer times cannot be used for this: the software rasteriser does a layer's
// work when a later layer or the present waits for it). A kind's layers all draw alike (the
// particles' 10,000 point sprites, the balls' room, the grid's lattice), so its cost holds
// for another demo's layers of that kind.
struct SKindCost
{
    const char* pClass;
    double dCost;
};
constexpr SKindCost s_aKindCosts[] = {
    {"COrvLayerSprite", 2.0},        {"COrvLayer3DObject", 1.0},
    {"COrvLayer3DObjectGelly", 2.0}, {"COrvLayerParticules", 100.0},
    {"COrvLayerBalls", 32.0},        {"COrvLayerSphere", 1.0},
    {"COrvLayerGrid", 36.0},         {"COrvLayerPostProcess", 8.0},
    {"COrvLayerPPWave", 6.0},        {"COrvLayerPPRadialBlur", 10.0},
    {"COrvLayerPPBlackWhite", 5.0},  {"COrvLayerPPFishEye", 6.0},
    {"COrvLayerPPBloom", 12.0},
};
// A kind the table does not know: as much as a full-screen pass.
constexpr double kUnknownKindCost = 8.0;

// What the layers drawing at the current frame cost; vdCosts holds each layer's.
double CostOfVisibleLayers(const COrvDemo& rDemo, const std::vector<double>& vdCosts)
{
    const std::vector<COrvLayer*>& layers = rDemo.GetLayers();
    double dCost = 0.0;
    for (size_t i = 0; i < layers.size(); ++i)
        if (layers[i]->IsVisible())
            dCost += vdCosts[i];
    return dCost;
}

} // namespace

double EstimateLayerCost(const std::string& sClass)
{
    for (const SKindCost& kind : s_aKindCosts)
        if (sClass == kind.pClass)
            return kind.dCost;
    return kUnknownKindCost;
}

SFrameCosts EstimateFrameCosts(COrvDemo& rDemo, int iEnd, float fBeatsPerMinute, int iFps,
                               const SCostModel& model)
{
    // Drawing alone, frame by frame from the show's start (what a pre-roll's frame costs).
    auto pDraw = std::make_shared<std::vector<double>>(1, 0.0);
    SFrameCosts costs;
    costs.vdPrefix.assign(1, 0.0);
    const float fSavedFrame = COrvPropBase::m_siFrame;
    std::vector<double> layerCosts;
    for (const COrvLayer* pLayer : rDemo.GetLayers())
        layerCosts.push_back(EstimateLayerCost(pLayer->GetClass()));
    for (int iFrame = 0; iFrame < iEnd; ++iFrame)
    {
        COrvPropBase::SetFrame(GetRecordedFrameTime(iFrame, fBeatsPerMinute, iFps));
        const double dDraw = model.dFrameBase + CostOfVisibleLayers(rDemo, layerCosts);
        pDraw->push_back(pDraw->back() + dDraw);
        costs.vdPrefix.push_back(costs.vdPrefix.back() + dDraw + model.dCapture);
    }
    COrvPropBase::SetFrame(fSavedFrame);
    COrvDemo* pDemo = &rDemo;
    const double dShare = model.dStepShare;
    costs.prerollCost = [pDemo, pDraw, dShare, fBeatsPerMinute, iFps](int iStart)
    {
        const SPrerollPlan preroll = PlanPreroll(*pDemo, iStart, fBeatsPerMinute, iFps);
        double dDrawn = 0.0;
        for (size_t i = 0; i < preroll.drawn.size(); ++i)
            if (preroll.drawn[i])
                dDrawn += (*pDraw)[i + 1] - (*pDraw)[i];
        return dDrawn + dShare * ((*pDraw)[static_cast<size_t>(iStart)] - dDrawn);
    };
    return costs;
}
