#include "graphics/OrvResource.h"

#include "document/OrvDemo.h"

#include <unistd.h>

void COrvResource::ReportProblem(const std::string& name, int line, const std::string& reason) const
{
    if (m_pDemo)
        m_pDemo->ReportProblem({m_pDemo->GetDataPath(name), line, reason});
}

bool COrvResource::EnterDataDir() const
{
    if (!m_pDemo)
        return false;
    return chdir(m_pDemo->GetDataDir().c_str()) == 0;
}
