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

bool IsRenderTarget(const COrvDemo& rDemo, const std::string& strName)
{
    return dynamic_cast<COrvResRenderTarget*>(rDemo.GetResourceByName(strName)) != nullptr;
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
        const std::string strName = pText->GetValue();
        if (strName.empty() || !rVisited.insert(strName).second)
            continue;
        if (IsRenderTarget(rDemo, strName))
            rReads.insert(strName);
        else if (COrvResource* pResource = rDemo.GetResourceByName(strName))
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
        for (const std::string& strRead : reads)
            if (!touched.count(strRead))
                frame.inherited.insert(strRead);
        const std::string strTarget = rDemo.ResolveTarget(i);
        if (!IsRenderTarget(rDemo, strTarget))
            continue; // the back buffer, cleared before every frame
        if (!touched.count(strTarget))
            (layers[i]->GetClearFirst() ? frame.cleared : frame.inherited).insert(strTarget);
        touched.insert(strTarget);
        frame.written.insert(strTarget);
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
        for (const std::string& strCleared : frame.cleared)
            needed.erase(strCleared);
        needed.insert(frame.inherited.begin(), frame.inherited.end());
    }
    COrvPropBase::SetFrame(fSavedFrame);
    // What is still needed at the show's start and was drawn into since then without a
    // clear (a target nobody draws into holds nothing to carry).
    for (const std::string& strName : needed)
        if (writtenByDrawn.count(strName))
            plan.carried.push_back(strName);
    return plan;
}

std::string DescribePreroll(const SPrerollPlan& plan)
{
    const int iFrames = static_cast<int>(plan.drawn.size());
    std::string strText = std::to_string(plan.CountDrawn()) + " of its " + std::to_string(iFrames) +
                          " frames drawn, the others only stepped";
    if (plan.carried.empty())
        return strText + " (no render target carries content from further back)";
    std::string strNames;
    for (const std::string& strName : plan.carried)
        strNames += (strNames.empty() ? "" : ", ") + strName;
    return strText + " (render targets drawn into without a clear carry content from the " +
           "show's start: " + strNames + "; every frame drawing into them is drawn)";
}
