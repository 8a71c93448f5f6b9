#include "graphics/OrvResource.h"

#include "document/OrvDemo.h"

void COrvResource::ReportProblem(const std::string& name, int line, const std::string& reason) const
{
    if (m_pDemo)
        m_pDemo->ReportProblem({m_pDemo->GetDataPath(name), line, reason, GetName()});
}

bool COrvResource::EnterDataDir() const
{
    return m_pDemo && m_pDemo->EnterDataDir();
}
