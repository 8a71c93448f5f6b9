#include "document/OrvFrameProfile.h"

#include "layers/OrvLayer.h"

#include <algorithm>

namespace
{
// Frames whose answers may be outstanding before the profile waits for the oldest.
constexpr size_t MAX_PENDING_FRAMES = 4;
// Polls of a query that must answer (the device finishes its work on the first one).
constexpr int MAX_POLLS = 1000;

double Seconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

// The answer of a timestamp query: S_OK with the ticks, S_FALSE when not there yet.
HRESULT ReadStamp(IDirect3DQuery9* pQuery, bool bWait, UINT64& rTicks)
{
    HRESULT hr = pQuery->GetData(&rTicks, sizeof(rTicks), bWait ? D3DGETDATA_FLUSH : 0);
    for (int i = 0; bWait && hr == S_FALSE && i < MAX_POLLS; ++i)
        hr = pQuery->GetData(&rTicks, sizeof(rTicks), D3DGETDATA_FLUSH);
    return hr;
}

// The length of one timestamp tick in seconds, from the device's frequency query.
bool ReadTickLength(IDirect3DDevice9* pDevice, double& rSeconds)
{
    COrvComPtr<IDirect3DQuery9> pFrequency;
    if (FAILED(pDevice->CreateQuery(D3DQUERYTYPE_TIMESTAMPFREQ,
                                    pFrequency.ReleaseAndGetAddressOf())) ||
        !pFrequency)
        return false;
    UINT64 ticksPerSecond = 0;
    const bool ok = SUCCEEDED(pFrequency->Issue(D3DISSUE_END)) &&
                    ReadStamp(pFrequency.Get(), true, ticksPerSecond) == S_OK && ticksPerSecond > 0;
    if (ok)
        rSeconds = 1.0 / static_cast<double>(ticksPerSecond);
    return ok;
}
} // namespace

ORV_FrameProfile::ORV_FrameProfile()
{
    m_Frames.m_Name = "frame";
}

ORV_FrameProfile::~ORV_FrameProfile() = default;

void ORV_FrameProfile::AddSample(ORV_LayerCost& row, double cpu)
{
    ++row.m_iFrames;
    row.m_dCpuTotal += cpu;
    row.m_dCpuWorst = std::max(row.m_dCpuWorst, cpu);
}

void ORV_FrameProfile::ReleaseQueries()
{
    m_Pending.clear();
    m_Current = SPendingFrame();
    m_pFrameBegin.Reset();
    m_pLayerBegin.Reset();
    m_FreeQueries.clear();
}

void ORV_FrameProfile::Recycle(SPendingFrame& frame)
{
    for (SStampPair& pair : frame.m_Pairs)
    {
        m_FreeQueries.push_back(std::move(pair.m_pBegin));
        m_FreeQueries.push_back(std::move(pair.m_pEnd));
    }
    frame.m_Pairs.clear();
}

ORV_FrameProfile::Query ORV_FrameProfile::Stamp()
{
    Query pQuery;
    if (!m_bGpu)
        return pQuery;
    if (!m_FreeQueries.empty())
    {
        pQuery = std::move(m_FreeQueries.back());
        m_FreeQueries.pop_back();
    }
    else if (FAILED(
                 m_pDevice->CreateQuery(D3DQUERYTYPE_TIMESTAMP, pQuery.ReleaseAndGetAddressOf())) ||
             !pQuery)
    {
        m_bGpu = false;
        return Query();
    }
    if (FAILED(pQuery->Issue(D3DISSUE_END)))
    {
        m_FreeQueries.push_back(std::move(pQuery));
        m_bGpu = false;
        return Query();
    }
    return pQuery;
}

int ORV_FrameProfile::FindRow(const COrvLayer* pLayer)
{
    const std::string name = pLayer->GetName();
    const std::string kind = pLayer->GetClass();
    const std::string key = kind + '\n' + name;
    auto found = m_RowOfKey.find(key);
    if (found != m_RowOfKey.end())
        return found->second;
    ORV_LayerCost row;
    row.m_Name = name;
    row.m_Class = kind;
    m_Layers.push_back(row);
    const int index = static_cast<int>(m_Layers.size()) - 1;
    m_RowOfKey.emplace(key, index);
    return index;
}

void ORV_FrameProfile::BeginFrame(IDirect3DDevice9* pDevice)
{
    if (pDevice != m_pDevice)
    {
        ReleaseQueries();
        m_pDevice = pDevice;
        m_bGpu = pDevice && SUCCEEDED(pDevice->CreateQuery(D3DQUERYTYPE_TIMESTAMP, nullptr)) &&
                 ReadTickLength(pDevice, m_dTickSeconds);
    }
    while (!m_Pending.empty() && Harvest(m_Pending.size() >= MAX_PENDING_FRAMES))
    {
    }
    m_FrameStart = Clock::now();
    m_pFrameBegin = Stamp();
}

void ORV_FrameProfile::BeginLayer(const COrvLayer* pLayer)
{
    m_iLayerRow = pLayer ? FindRow(pLayer) : -1;
    m_LayerStart = Clock::now();
    m_pLayerBegin = Stamp();
}

void ORV_FrameProfile::EndLayer()
{
    Query pEnd = m_pLayerBegin ? Stamp() : Query();
    if (m_iLayerRow >= 0)
        AddSample(m_Layers[m_iLayerRow], Seconds(Clock::now() - m_LayerStart));
    if (m_pLayerBegin && pEnd && m_iLayerRow >= 0)
        m_Current.m_Pairs.push_back({m_iLayerRow, std::move(m_pLayerBegin), std::move(pEnd)});
    for (Query* pQuery : {&m_pLayerBegin, &pEnd})
        if (*pQuery)
            m_FreeQueries.push_back(std::move(*pQuery));
    m_pLayerBegin.Reset();
    m_iLayerRow = -1;
}

void ORV_FrameProfile::EndFrame()
{
    Query pEnd = m_pFrameBegin ? Stamp() : Query();
    AddSample(m_Frames, Seconds(Clock::now() - m_FrameStart));
    if (m_pFrameBegin && pEnd)
        m_Current.m_Pairs.push_back({-1, std::move(m_pFrameBegin), std::move(pEnd)});
    if (m_pFrameBegin)
        m_FreeQueries.push_back(std::move(m_pFrameBegin));
    m_pFrameBegin.Reset();
    if (!m_Current.m_Pairs.empty())
        m_Pending.push_back(std::move(m_Current));
    m_Current = SPendingFrame();
}

bool ORV_FrameProfile::Harvest(bool bWait)
{
    SPendingFrame& frame = m_Pending.front();
    std::vector<double> costs;
    for (const SStampPair& pair : frame.m_Pairs)
    {
        UINT64 begin = 0;
        UINT64 end = 0;
        const HRESULT hrEnd = ReadStamp(pair.m_pEnd.Get(), bWait, end);
        const HRESULT hrBegin =
            hrEnd == S_OK ? ReadStamp(pair.m_pBegin.Get(), bWait, begin) : hrEnd;
        if (hrBegin == S_FALSE && !bWait)
            return false;
        // A stamp that never answers, or answers nonsense, leaves its row without a sample.
        costs.push_back(hrBegin == S_OK && end >= begin ? (end - begin) * m_dTickSeconds : -1.0);
    }
    for (size_t i = 0; i < costs.size(); ++i)
    {
        if (costs[i] < 0.0)
            continue;
        const int row = frame.m_Pairs[i].m_iRow;
        ORV_LayerCost& cost = row < 0 ? m_Frames : m_Layers[row];
        ++cost.m_iGpuFrames;
        cost.m_dGpuTotal += costs[i];
        cost.m_dGpuWorst = std::max(cost.m_dGpuWorst, costs[i]);
    }
    Recycle(frame);
    m_Pending.pop_front();
    return true;
}

void ORV_FrameProfile::Collect()
{
    while (!m_Pending.empty())
        Harvest(true);
}

void ORV_FrameProfile::Reset()
{
    ReleaseQueries();
    m_pDevice = nullptr;
    m_bGpu = false;
    m_Layers.clear();
    m_RowOfKey.clear();
    m_Frames = ORV_LayerCost();
    m_Frames.m_Name = "frame";
}
