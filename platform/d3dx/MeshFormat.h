#pragma once

#include "d3dx9mesh.h"

#include <vector>

// Vertex layouts of meshes: the elements of a declaration up to its end marker, and copying
// vertices from one layout into another (elements matched by usage and index; float
// elements of different widths keep their common components; missing ones become zero).
std::vector<D3DVERTEXELEMENT9> OrvDeclarationElements(const D3DVERTEXELEMENT9* pDecl);
UINT OrvDeclTypeSize(BYTE uType);
void OrvConvertVertices(const std::vector<D3DVERTEXELEMENT9>& source, UINT uSourceStride,
                        const std::vector<D3DVERTEXELEMENT9>& target, UINT uTargetStride,
                        size_t uCount, const void* pSource, void* pTarget);
