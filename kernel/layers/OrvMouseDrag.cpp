#include "layers/OrvMouseDrag.h"

void OrvDragTransform(COrvPropQuat& rRotation, COrvPropVector& rTranslation, float dx, float dy,
                      float fStep, DWORD flags)
{
    if (flags & MOUSE_LEFT)
    {
        const D3DXVECTOR3 xAxis(1.0f, 0.0f, 0.0f);
        const D3DXVECTOR3 yAxis(0.0f, 1.0f, 0.0f);
        D3DXQUATERNION q = rRotation.GetValue();
        D3DXQUATERNION turn;
        D3DXQuaternionRotationAxis(&turn, &xAxis, -dy * 0.01f);
        D3DXQuaternionMultiply(&q, &q, &turn);
        D3DXQuaternionRotationAxis(&turn, &yAxis, -dx * 0.01f);
        D3DXQuaternionMultiply(&q, &q, &turn);
        D3DXQuaternionNormalize(&q, &q);
        rRotation.SetValue(q);
    }
    else if (flags & MOUSE_RIGHT)
    {
        D3DXVECTOR3 t = rTranslation.GetValue();
        t.x += fStep * dx;
        t.y -= fStep * dy;
        rTranslation.SetValue(t);
    }
    else if (flags & MOUSE_MIDDLE)
    {
        D3DXVECTOR3 t = rTranslation.GetValue();
        t.z -= fStep * dy;
        rTranslation.SetValue(t);
    }
}
