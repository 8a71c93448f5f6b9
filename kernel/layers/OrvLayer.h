#pragma once

#include "OrvExport.h"
#include "core/OrvModifiable.h"
#include "core/OrvProp.h"

#include "d3d9.h"

#include <string>

class COrvDemo;

// Base of everything that draws a part of a frame. A layer owns four properties
// ("Visible", "Visible Track", "Clear First", "Render taget"), knows its demo (not
// counted) and the device it was handed (not counted). The demo draws each visible layer
// in its own scene, inside the render target that "Render taget" names.
class ORV_API COrvLayer : public COrvModifiable
{
public:
    explicit COrvLayer(COrvDemo* pDemo);
    ~COrvLayer() override;

    virtual void SetDevice(IDirect3DDevice9* pDevice);
    virtual void Draw() = 0;
    virtual void Update() {}
    virtual void MouseUp(float x, float y);
    virtual void MouseDown(float x, float y);
    virtual void MouseMove(float x, float y, DWORD flags);

    // Post-process layers that take their picture from a render target answer true and
    // give the name of that target ("Input surface"); the frame pipeline follows "NEXT"
    // through them. Every other layer answers false.
    virtual bool GetInputSurface(std::string& name) const;

    // The current "Render taget" value.
    std::string GetRenderTarget() const;
    // True when both "Visible" and "Visible Track" are true at the current frame.
    bool IsVisible() const;
    bool GetClearFirst() const;

    COrvDemo* GetDemo() const { return m_pDemo; }
    IDirect3DDevice9* GetDevice() const { return m_pDevice; }

protected:
    // Width over height of the device's render target 0 (1 when there is none).
    float GetTargetAspect() const;

    IDirect3DDevice9* m_pDevice = nullptr;
    COrvComPtr<COrvPropBool> m_pVisible;
    COrvComPtr<COrvPropBool> m_pVisibleTrack;
    COrvComPtr<COrvPropBool> m_pClearFirst;
    COrvDemo* m_pDemo = nullptr;
    COrvComPtr<COrvPropString> m_pRenderTarget;
};
