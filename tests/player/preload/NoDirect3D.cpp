// Preloaded into OrvPlayer by its run tests: a machine whose Direct3D gives no object.
#include "d3d9.h"

extern "C" ORVPLATFORM_API IDirect3D9* Direct3DCreate9(UINT /*uSdkVersion*/)
{
    return nullptr;
}
