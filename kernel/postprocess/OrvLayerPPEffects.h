#pragma once

#include "postprocess/OrvLayerPPBase.h"

// The simple built-in full-screen effects: each sets a few parameters of its own effect
// file from its properties, then draws as COrvLayerPPBase.

// "ppBlackWhite.fx": the picture in shades of grey.
class ORV_API COrvLayerPPBlackWhite : public COrvLayerPPBase
{
public:
    explicit COrvLayerPPBlackWhite(COrvDemo* pDemo);
};

// "ppFishEye.fx": a lens that swells the middle of the picture by "Power" (0 to 1).
class ORV_API COrvLayerPPFishEye : public COrvLayerPPBase
{
public:
    explicit COrvLayerPPFishEye(COrvDemo* pDemo);
    ~COrvLayerPPFishEye() override;

    void Draw() override;

private:
    COrvComPtr<COrvPropFloat> m_pPower;
};

// "ppRadialBlur.fx": a blur along the rays from "Center" (0 to 1 coordinates of the
// output, x and y), "Power" long. A click or a left-button drag over the output places
// the centre.
class ORV_API COrvLayerPPRadialBlur : public COrvLayerPPBase
{
public:
    explicit COrvLayerPPRadialBlur(COrvDemo* pDemo);
    ~COrvLayerPPRadialBlur() override;

    void Draw() override;
    void MouseDown(float x, float y) override;
    void MouseMove(float x, float y, DWORD flags) override;

private:
    COrvComPtr<COrvPropVector> m_pCenter;
    COrvComPtr<COrvPropFloat> m_pPower;
};

// "ppWave.fx": the picture ripples with amplitude "Power", "Frequency" periods and phase
// "Offset", drifting with a timer that every drawn wave layer of the process advances by
// 0.01.
class ORV_API COrvLayerPPWave : public COrvLayerPPBase
{
public:
    explicit COrvLayerPPWave(COrvDemo* pDemo);
    ~COrvLayerPPWave() override;

    void Draw() override;

    static float GetTimer();
    static void SetTimer(float timer);

private:
    COrvComPtr<COrvPropFloat> m_pPower;
    COrvComPtr<COrvPropFloat> m_pFrequency;
    COrvComPtr<COrvPropFloat> m_pOffset;
};
