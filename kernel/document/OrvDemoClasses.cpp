#include "document/OrvDemoClasses.h"

#include "graphics/OrvMaterial.h"
#include "graphics/OrvResRenderTarget.h"
#include "layers/OrvLayerSprite.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace
{
struct SResourceClass
{
    const char* pName;
    COrvResource* (*pCreate)();
};

struct SLayerClass
{
    const char* pName;
    COrvLayer* (*pCreate)(COrvDemo*);
};

template <typename T> COrvResource* CreateResource()
{
    return new T;
}

template <typename T> COrvLayer* CreateLayer(COrvDemo* pDemo)
{
    return new T(pDemo);
}

const SResourceClass g_ResourceClasses[] = {
    {"COrvResMaterial", &CreateResource<COrvResMaterial>},
    {"COrvResRenderTarget", &CreateResource<COrvResRenderTarget>},
};

const SLayerClass g_LayerClasses[] = {
    {"COrvLayerSprite", &CreateLayer<COrvLayerSprite>},
};
} // namespace

COrvResource* OrvCreateResourceByClass(const std::string& className)
{
    for (const SResourceClass& entry : g_ResourceClasses)
        if (className == entry.pName)
            return entry.pCreate();
    return nullptr;
}

COrvLayer* OrvCreateLayerByClass(const std::string& className, COrvDemo* pDemo)
{
    for (const SLayerClass& entry : g_LayerClasses)
        if (className == entry.pName)
            return entry.pCreate(pDemo);
    return nullptr;
}

int OrvAtoi(const char* pText)
{
    if (!pText)
        return 0;
    errno = 0;
    const long long value = std::strtoll(pText, nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}
