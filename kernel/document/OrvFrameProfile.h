#pragma once

// What each layer of a demo costs: the time a document's frame pipeline spends in each
// layer on the calling thread (our code and the driver's), and the time the device spends
// on that layer's work, measured with timestamp queries where the device answers them.
// A host sets a profile on the document (COrvDemo::SetProfile), draws, then reads the rows.
#include "OrvExport.h"

#include "d3d9.h"

#include <chrono>
#include <deque>
#include <map>
#include <string>
#include <vector>

class COrvLayer;

struct ORV_LayerCost
{
    std::string m_Name;  // the layer's name ("frame" for the whole frames)
    std::string m_Class; // its kind
    int m_iFrames = 0;   // frames in which it was drawn
    double m_dCpuTotal = 0.0;
    double m_dCpuWorst = 0.0; // seconds on the calling thread
    int m_iGpuFrames = 0;     // frames for which the device answered
    double m_dGpuTotal = 0.0;
    double m_dGpuWorst = 0.0; // seconds of device work

    double CpuAverage() const { return m_iFrames > 0 ? m_dCpuTotal / m_iFrames : 0.0; }
    double GpuAverage() const { return m_iGpuFrames > 0 ? m_dGpuTotal / m_iGpuFrames : 0.0; }
};

class ORV_API ORV_FrameProfile
{
public:
    ORV_FrameProfile();
    ~ORV_FrameProfile();
    ORV_FrameProfile(const ORV_FrameProfile&) = delete;
    ORV_FrameProfile& operator=(const ORV_FrameProfile&) = delete;

    // Called by the frame pipeline around a frame and around each layer it draws.
    void BeginFrame(IDirect3DDevice9* pDevice);
    void BeginLayer(const COrvLayer* pLayer);
    void EndLayer();
    void EndFrame();

    // Waits for every answer the device still owes; call it before reading the rows.
    void Collect();
    // One row per layer, in the order they were first drawn (layers of the same name and
    // kind share a row, also across documents).
    const std::vector<ORV_LayerCost>& GetLayers() const { return m_Layers; }
    const ORV_LayerCost& GetFrames() const { return m_Frames; }
    // True once the device answered timestamps.
    bool HasGpuTimes() const { return m_Frames.m_iGpuFrames > 0; }
    // Forgets every measurement and the device's queries.
    void Reset();

private:
    using Clock = std::chrono::steady_clock;
    // A pair of timestamps of one row in one frame.
    using Query = COrvComPtr<IDirect3DQuery9>;
    struct SStampPair
    {
        int m_iRow; // -1: the whole frame
        Query m_pBegin;
        Query m_pEnd;
    };
    struct SPendingFrame
    {
        std::vector<SStampPair> m_Pairs;
    };

    int FindRow(const COrvLayer* pLayer);
    // A timestamp issued now (null when the device answers none).
    Query Stamp();
    void Recycle(SPendingFrame& frame);
    // Reads the oldest pending frame; false when its answers are not all there (and
    // bWait is false).
    bool Harvest(bool bWait);
    void ReleaseQueries();
    static void AddSample(ORV_LayerCost& row, double cpu);

    IDirect3DDevice9* m_pDevice = nullptr;
    bool m_bGpu = false;
    double m_dTickSeconds = 1e-9;
    std::vector<Query> m_FreeQueries;
    std::deque<SPendingFrame> m_Pending;
    SPendingFrame m_Current;
    Query m_pFrameBegin;
    Query m_pLayerBegin;
    int m_iLayerRow = -1;
    Clock::time_point m_FrameStart;
    Clock::time_point m_LayerStart;

    std::vector<ORV_LayerCost> m_Layers;
    std::map<std::string, int> m_RowOfKey;
    ORV_LayerCost m_Frames;
};
