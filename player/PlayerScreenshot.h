#pragma once

// A still of a show: the presented frame written as an opaque PNG file.
#include "d3d9.h"

#include <string>

// Reads the presented frame (iWidth x iHeight) and writes it as PNG through a temporary
// file in the same folder and a rename, so sFile is either complete or left as it was.
// False with a one-line reason.
bool SaveFrontBufferPng(IDirect3DDevice9* pDevice, int iWidth, int iHeight,
                        const std::string& sFile, std::string& sError);

// The same for a render target of that size (read with GetRenderTargetData): the editor's
// PNG of the frame in its view.
bool SaveSurfacePng(IDirect3DDevice9* pDevice, IDirect3DSurface9* pTarget, int iWidth, int iHeight,
                    const std::string& sFile, std::string& sError);
