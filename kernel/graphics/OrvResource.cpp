#include "graphics/OrvResource.h"

#include "document/OrvDemo.h"

bool COrvResource::EnterDataDir() const
{
    return m_pDemo && m_pDemo->EnterDataDir();
}
