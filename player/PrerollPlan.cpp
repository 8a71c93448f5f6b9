#include "PrerollPlan.h"

#include "PlayerTiming.h"
#include "core/OrvProp.h"
#include "document/OrvDemo.h"
#include "graphics/OrvResRenderTarget.h"
#include "layers/OrvLayer.h"

#include <algorithm>
#include <set>

namespace
{

using Names = std::set<std::string>;

bool IsRenderTarget(const COrvDemo& rDemo, const std::string& sName)
{
    return dynamic_cast<COrvResRenderTarget*>(rDemo.GetResourceByName(sName)) != nullptr;
}

// The render targets an object reads at the current frame: those its text properties name
// (an input surface, a texture), also through the resources they name (a material naming a
// target). The property naming the object's own target is a write, not a read.
void CollectReads(const COrvDemo& rDemo, const COrvModifiable& rObject, Names& rVisited,
                  Names& rReads)
{
    for (COrvPropBase* pProp : rObject.GetProperties())
    {
        auto* pText = dynamic_cast<COrvPropString*>(pProp);
        if (pText == nullptr || pProp->GetPropId() == ORV_PROP_RENDER_TARGET)
            continue;
        const std::string sName = pText->GetValue();
        if (sName.empty() || !rVisited.insert(sName).second)
            continue;
        if (IsRenderTarget(rDemo, sName))
            rReads.insert(sName);
        else if (COrvResource* pResource = rDemo.GetResourceByName(sName))
            CollectReads(rDemo, *pResource, rVisited, rReads);
    }
}

// What one frame does to the render targets, layer after layer.
struct SFrameTargets
{
    Names written;   // drawn into
    Names cleared;   // cleared by the first layer that touches them this frame
    Names inherited; // content from before the frame that the frame uses or keeps
};

SFrameTargets ReadFrame(COrvDemo& rDemo)
{
    SFrameTargets frame;
    Names touched; // written (cleared or not) earlier in this frame
    const std::vector<COrvLayer*>& layers = rDemo.GetLayers();
    for (size_t i = 0; i < layers.size(); ++i)
    {
        if (!layers[i]->IsVisible())
            continue;
        Names visited, reads;
        CollectReads(rDemo, *layers[i], visited, reads);
        for (const std::string& sRead : reads)
            if (!touched.count(sRead))
                frame.inherited.insert(sRead);
        const std::string sTarget = rDemo.ResolveTarget(i);
        if (!IsRenderTarget(rDemo, sTarget))
            continue; // the back buffer, cleared before every frame
        if (!touched.count(sTarget))
            (layers[i]->GetClearFirst() ? frame.cleared : frame.inherited).insert(sTarget);
        touched.insert(sTarget);
        frame.written.insert(sTarget);
    }
    return frame;
}

Names AllRenderTargets(const COrvDemo& rDemo)
{
    Names names;
    for (COrvResource* pResource : rDemo.GetResources())
        if (dynamic_cast<COrvResRenderTarget*>(pResource) != nullptr)
            names.insert(pResource->GetName());
    return names;
}

bool Meets(const Names& a, const Names& b)
{
    return std::any_of(a.begin(), a.end(), [&b](const std::string& s) { return b.count(s) > 0; });
}

} // namespace

int SPrerollPlan::CountDrawn() const
{
    return static_cast<int>(std::count(drawn.begin(), drawn.end(), true));
}

SPrerollPlan PlanPreroll(COrvDemo& rDemo, int iFrames, float fBeatsPerMinute, int iFps)
{
    SPrerollPlan plan;
    plan.drawn.assign(static_cast<size_t>(std::max(iFrames, 0)), false);
    // Walking back from the first frame shown: the targets whose content is still needed.
    // Any target may be read from the first frame shown on.
    Names needed = AllRenderTargets(rDemo);
    Names writtenByDrawn;
    const float fSavedFrame = COrvPropBase::m_siFrame;
    for (int iFrame = iFrames - 1; iFrame >= 0 && !needed.empty(); --iFrame)
    {
        COrvPropBase::SetFrame(GetRecordedFrameTime(iFrame, fBeatsPerMinute, iFps));
        const SFrameTargets frame = ReadFrame(rDemo);
        if (!Meets(frame.written, needed))
            continue; // its pixels all land where nobody looks before the next clear
        plan.drawn[static_cast<size_t>(iFrame)] = true;
        writtenByDrawn.insert(frame.written.begin(), frame.written.end());
        for (const std::string& sCleared : frame.cleared)
            needed.erase(sCleared);
        needed.insert(frame.inherited.begin(), frame.inherited.end());
    }
    COrvPropBase::SetFrame(fSavedFrame);
    // What is still needed at the show's start and was drawn into since then without a
    // clear (a target nobody draws into holds nothing to carry).
    for (const std::string& sName : needed)
        if (writtenByDrawn.count(sName))
            plan.carried.push_back(sName);
    return plan;
}

std::string DescribePreroll(const SPrerollPlan& plan)
{
    const int iFrames = static_cast<int>(plan.drawn.size());
    std::string sText = std::to_string(plan.CountDrawn()) + " of its " + std::to_string(iFrames) +
                        " frames drawn, the others only stepped";
    if (plan.carried.empty())
        return sText + " (no render target carries content from further back)";
    std::string sNames;
    for (const std::string& sName : plan.carried)
        sNames += (sNames.empty() ? "" : ", ") + sName;
    return sText + " (render targets drawn into without a clear carry content from the " +
           "show's start: " + sNames + "; every frame drawing into them is drawn)";
}
