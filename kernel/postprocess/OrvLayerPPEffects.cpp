#include "postprocess/OrvLayerPPEffects.h"

#include "core/OrvPropId.h"
#include "document/OrvDemo.h"
#include "layers/OrvMouseDrag.h"

namespace
{
// Shared by every wave layer of the process.
float g_fWaveTimer = 0.0f;

} // namespace

COrvLayerPPBlackWhite::COrvLayerPPBlackWhite(COrvDemo* pDemo) : COrvLayerPPBase(pDemo)
{
    m_EffectFileName = "ppBlackWhite.fx";
}

COrvLayerPPFishEye::COrvLayerPPFishEye(COrvDemo* pDemo) : COrvLayerPPBase(pDemo)
{
    m_EffectFileName = "ppFishEye.fx";
    m_pPower = AddFloatProperty(ORV_PROP_POWER, 0.0f, 0.0f, 1.0f);
}

COrvLayerPPFishEye::~COrvLayerPPFishEye() {}

void COrvLayerPPFishEye::Draw()
{
    if (!m_pEffect)
        return;
    m_pEffect->SetFloat("Power", m_pPower->GetValue());
    COrvLayerPPBase::Draw();
}

COrvLayerPPRadialBlur::COrvLayerPPRadialBlur(COrvDemo* pDemo) : COrvLayerPPBase(pDemo)
{
    m_EffectFileName = "ppRadialBlur.fx";
    m_pCenter = AddProperty<COrvPropVector>(ORV_PROP_CENTER, D3DXVECTOR3(0.5f, 0.5f, 0.0f));
    m_pPower = AddFloatProperty(ORV_PROP_POWER, -0.14f, -1.0f, 1.0f);
}

COrvLayerPPRadialBlur::~COrvLayerPPRadialBlur() {}

void COrvLayerPPRadialBlur::Draw()
{
    if (!m_pEffect)
        return;
    const D3DXVECTOR3 center = m_pCenter->GetValue();
    const float xy[2] = {center.x, center.y};
    m_pEffect->SetFloatArray("Center", xy, 2);
    m_pEffect->SetFloat("BlurWidth", m_pPower->GetValue());
    COrvLayerPPBase::Draw();
}

void COrvLayerPPRadialBlur::MouseDown(float x, float y)
{
    // An output without size has no place for a centre.
    if (!m_pDemo || m_pDemo->GetOuputWidth() <= 0 || m_pDemo->GetOuputHeight() <= 0)
        return;
    m_pCenter->SetValue(D3DXVECTOR3(x / static_cast<float>(m_pDemo->GetOuputWidth()),
                                    y / static_cast<float>(m_pDemo->GetOuputHeight()), 0.0f));
}

void COrvLayerPPRadialBlur::MouseMove(float x, float y, DWORD flags)
{
    if (flags & MOUSE_LEFT)
        MouseDown(x, y);
}

COrvLayerPPWave::COrvLayerPPWave(COrvDemo* pDemo) : COrvLayerPPBase(pDemo)
{
    m_EffectFileName = "ppWave.fx";
    m_pPower = AddFloatProperty(ORV_PROP_POWER, 0.0f, 0.0f, 0.1f);
    m_pFrequency = AddFloatProperty(ORV_PROP_FREQUENCY, 1.0f, 0.0f, 30.0f);
    m_pOffset = AddFloatProperty(ORV_PROP_OFFSET, 0.0f, 0.0f, 10.0f);
}

COrvLayerPPWave::~COrvLayerPPWave() {}

float COrvLayerPPWave::GetTimer()
{
    return g_fWaveTimer;
}

void COrvLayerPPWave::SetTimer(float timer)
{
    g_fWaveTimer = timer;
}

void COrvLayerPPWave::Draw()
{
    if (!m_pEffect)
        return;
    g_fWaveTimer += 0.01f;
    m_pEffect->SetFloat("Timer", g_fWaveTimer);
    m_pEffect->SetFloat("Power", m_pPower->GetValue());
    m_pEffect->SetFloat("Freq", m_pFrequency->GetValue());
    m_pEffect->SetFloat("Offset", m_pOffset->GetValue());
    const float center[2] = {0.0f, 0.0f};
    m_pEffect->SetFloatArray("Center", center, 2);
    COrvLayerPPBase::Draw();
}
