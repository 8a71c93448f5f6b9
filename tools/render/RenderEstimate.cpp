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

// The layers drawing at the current frame.
int CountVisibleLayers(const COrvDemo& rDemo)
{
    const std::vector<COrvLayer*>& layers = rDemo.GetLayers();
    return static_cast<int>(
        std::count_if(layers.begin(), layers.end(), [](COrvLayer* p) { return p->IsVisible(); }));
}

} // namespace

SFrameCosts EstimateFrameCosts(COrvDemo& rDemo, int iEnd, float fBeatsPerMinute, int iFps,
                               const SCostModel& model)
{
    // Drawing alone, frame by frame from the show's start (what a pre-roll's frame costs).
    auto pDraw = std::make_shared<std::vector<double>>(1, 0.0);
    SFrameCosts costs;
    costs.vdPrefix.assign(1, 0.0);
    const float fSavedFrame = COrvPropBase::m_siFrame;
    for (int iFrame = 0; iFrame < iEnd; ++iFrame)
    {
        COrvPropBase::SetFrame(GetRecordedFrameTime(iFrame, fBeatsPerMinute, iFps));
        const double dDraw = model.dFrameBase + CountVisibleLayers(rDemo);
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
