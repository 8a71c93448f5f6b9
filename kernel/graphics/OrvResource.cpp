#include "graphics/OrvResource.h"

#include "document/OrvDemo.h"

#include <unistd.h>

bool COrvResource::EnterDataDir() const
{
    if (!m_pDemo)
        return false;
    return chdir(m_pDemo->GetDataDir().c_str()) == 0;
}
