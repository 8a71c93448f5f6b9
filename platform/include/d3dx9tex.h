#pragma once

// D3DX textures from image files (BMP, PNG, JPEG, TGA, DDS): 2D, cube and volume textures,
// and surfaces saved as images.
#include "d3dx9core.h"

#ifndef ORV_PALETTEENTRY_DEFINED
#define ORV_PALETTEENTRY_DEFINED
typedef struct tagPALETTEENTRY
{
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
} PALETTEENTRY;
#endif

typedef enum _D3DXIMAGE_FILEFORMAT
{
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_HDR = 7,
    D3DXIFF_PFM = 8,
    D3DXIFF_FORCE_DWORD = 0x7fffffff
} D3DXIMAGE_FILEFORMAT;

// What an image file holds (its own size, which the texture can differ from).
typedef struct _D3DXIMAGE_INFO
{
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format; // D3DFMT_R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_L8, D3DFMT_A8L8 ...
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
} D3DXIMAGE_INFO;

// Filters (accepted; scaling is always a box or bilinear filter).
#define D3DX_FILTER_NONE (1 << 0)
#define D3DX_FILTER_POINT (2 << 0)
#define D3DX_FILTER_LINEAR (3 << 0)
#define D3DX_FILTER_TRIANGLE (4 << 0)
#define D3DX_FILTER_BOX (5 << 0)

// The largest images accepted, in pixels per side and in pixels (8192 x 8192): a small file
// that claims more is refused rather than unpacked into gigabytes.
#define ORV_MAX_IMAGE_SIZE 16384u
#define ORV_MAX_IMAGE_PIXELS (1u << 26)

extern "C"
{
    // Width and Height D3DX_DEFAULT, 0 or D3DX_DEFAULT_NONPOW2 keep the file's size; MipLevels
    // D3DX_DEFAULT or 0 make the whole chain (the file's levels where it has them, the others
    // filtered down), D3DX_FROM_FILE the file's levels. Format D3DFMT_UNKNOWN keeps the file's
    // format where the device holds it (DXT1 to DXT5 stay compressed), else D3DFMT_A8R8G8B8 or,
    // for pictures without alpha, D3DFMT_X8R8G8B8. ColorKey (ARGB, 0 for none) turns matching
    // pixels transparent black. Of a cube map or a volume texture, the first face or slice is
    // loaded into the 2D texture.
    ORVPLATFORM_API HRESULT D3DXCreateTextureFromFileExA(
        LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Width, UINT Height, UINT MipLevels,
        DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
        D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
        LPDIRECT3DTEXTURE9* ppTexture);
    ORVPLATFORM_API HRESULT D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                                       LPDIRECT3DTEXTURE9* ppTexture);
    ORVPLATFORM_API HRESULT D3DXGetImageInfoFromFileA(LPCSTR pSrcFile, D3DXIMAGE_INFO* pSrcInfo);
    // The same from a file's bytes in memory.
    ORVPLATFORM_API HRESULT D3DXCreateTextureFromFileInMemoryEx(
        LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataSize, UINT Width, UINT Height,
        UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
        D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
        LPDIRECT3DTEXTURE9* ppTexture);
    ORVPLATFORM_API HRESULT D3DXCreateTextureFromFileInMemory(LPDIRECT3DDEVICE9 pDevice,
                                                              LPCVOID pSrcData, UINT SrcDataSize,
                                                              LPDIRECT3DTEXTURE9* ppTexture);
    ORVPLATFORM_API HRESULT D3DXGetImageInfoFromFileInMemory(LPCVOID pSrcData, UINT SrcDataSize,
                                                             D3DXIMAGE_INFO* pSrcInfo);

    // Cube textures from DDS cube maps: Size (the edge) and the other arguments as for 2D
    // textures above, each face filtered and converted alike. A face the file lacks is
    // transparent black. Any other image (a 2D or volume DDS file, a picture) gives
    // D3DXERR_INVALIDDATA.
    ORVPLATFORM_API HRESULT D3DXCreateCubeTextureFromFileInMemoryEx(
        LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataSize, UINT Size, UINT MipLevels,
        DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
        D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
        LPDIRECT3DCUBETEXTURE9* ppCubeTexture);
    ORVPLATFORM_API HRESULT
    D3DXCreateCubeTextureFromFileInMemory(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                          UINT SrcDataSize, LPDIRECT3DCUBETEXTURE9* ppCubeTexture);
    ORVPLATFORM_API HRESULT D3DXCreateCubeTextureFromFileExA(
        LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Size, UINT MipLevels, DWORD Usage,
        D3DFORMAT Format, D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
        D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette, LPDIRECT3DCUBETEXTURE9* ppCubeTexture);
    ORVPLATFORM_API HRESULT D3DXCreateCubeTextureFromFileA(LPDIRECT3DDEVICE9 pDevice,
                                                           LPCSTR pSrcFile,
                                                           LPDIRECT3DCUBETEXTURE9* ppCubeTexture);

    // Volume textures from DDS volume files: Depth as Width and Height (D3DX_DEFAULT, 0 or
    // D3DX_DEFAULT_NONPOW2 keep the file's), levels halving all three sides. Any other image
    // gives D3DXERR_INVALIDDATA.
    ORVPLATFORM_API HRESULT D3DXCreateVolumeTextureFromFileInMemoryEx(
        LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataSize, UINT Width, UINT Height,
        UINT Depth, UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
        DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
        LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture);
    ORVPLATFORM_API HRESULT D3DXCreateVolumeTextureFromFileInMemory(
        LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataSize,
        LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture);
    ORVPLATFORM_API HRESULT D3DXCreateVolumeTextureFromFileExA(
        LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Width, UINT Height, UINT Depth,
        UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
        D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
        LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture);
    ORVPLATFORM_API HRESULT D3DXCreateVolumeTextureFromFileA(
        LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture);

    // Empty textures: sizes of 0 or D3DX_DEFAULT are 256, larger ones than the device takes
    // are brought down to its largest; MipLevels 0 or D3DX_DEFAULT the whole chain; a format
    // the device cannot hold (or D3DFMT_UNKNOWN) becomes D3DFMT_A8R8G8B8, or D3DFMT_X8R8G8B8
    // for a format without alpha.
    ORVPLATFORM_API HRESULT D3DXCreateCubeTexture(LPDIRECT3DDEVICE9 pDevice, UINT Size,
                                                  UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                                  D3DPOOL Pool,
                                                  LPDIRECT3DCUBETEXTURE9* ppCubeTexture);
    ORVPLATFORM_API HRESULT D3DXCreateVolumeTexture(LPDIRECT3DDEVICE9 pDevice, UINT Width,
                                                    UINT Height, UINT Depth, UINT MipLevels,
                                                    DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                                    LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture);

    // Writes the surface (or pSrcRect of it) as D3DXIFF_PNG or D3DXIFF_BMP.
    ORVPLATFORM_API HRESULT D3DXSaveSurfaceToFileA(LPCSTR pDestFile,
                                                   D3DXIMAGE_FILEFORMAT DestFormat,
                                                   LPDIRECT3DSURFACE9 pSrcSurface,
                                                   const PALETTEENTRY* pSrcPalette,
                                                   const RECT* pSrcRect);
}

#define D3DXCreateTextureFromFileEx D3DXCreateTextureFromFileExA
#define D3DXCreateTextureFromFile D3DXCreateTextureFromFileA
#define D3DXGetImageInfoFromFile D3DXGetImageInfoFromFileA
#define D3DXSaveSurfaceToFile D3DXSaveSurfaceToFileA
#define D3DXCreateCubeTextureFromFileEx D3DXCreateCubeTextureFromFileExA
#define D3DXCreateCubeTextureFromFile D3DXCreateCubeTextureFromFileA
#define D3DXCreateVolumeTextureFromFileEx D3DXCreateVolumeTextureFromFileExA
#define D3DXCreateVolumeTextureFromFile D3DXCreateVolumeTextureFromFileA
