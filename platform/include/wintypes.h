#pragma once

// The handful of Windows base types that the platform interfaces (Direct3D 9, the audio
// library, AVIFile) are declared with, so that engine code reads as on the original
// platform. Our own definitions; sizes follow the Win32 data model on LP64.
#include <cstddef>
#include <cstdint>

#define ORVPLATFORM_API __attribute__((visibility("default")))

#ifndef ORV_WINTYPES_DEFINED
#define ORV_WINTYPES_DEFINED
typedef int32_t BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef int32_t INT;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint64_t QWORD;
typedef uint64_t UINT64;
typedef int64_t LONGLONG;
typedef float FLOAT;
typedef int32_t HRESULT;
typedef void* HANDLE;
typedef void* HWND;
typedef void* HMONITOR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

typedef struct _RECT
{
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT;

typedef struct _POINT
{
    LONG x;
    LONG y;
} POINT;

#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_FAIL ((HRESULT)0x80004005)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define E_NOTIMPL ((HRESULT)0x80004001)
#define E_POINTER ((HRESULT)0x80004003)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#endif

#include "OrvComPtr.h"
