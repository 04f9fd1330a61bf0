#include "service/FaultTable.h"

namespace tamo::service {

void CFaultTable::Set(const std::string& path, const SFault& fault)
{
    std::lock_guard lock(m_mutex);
    m_faults[path] = fault;
}

void CFaultTable::Clear(const std::string& path)
{
    std::lock_guard lock(m_mutex);
    m_faults.erase(path);
}

void CFaultTable::ClearAll()
{
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

std::optional<SFault> CFaultTable::Take(const std::string& path)
{
    std::lock_guard lock(m_mutex);
    auto found = m_faults.find(path);
    if (found == m_faults.end())
        return std::nullopt;
    SFault fault = found->second;
    if (found->second.remaining > 0 && --found->second.remaining == 0)
        m_faults.erase(found);
    return fault;
}

}  // namespace tamo::service
