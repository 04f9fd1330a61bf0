#include "base/PathExt.h"

#include <algorithm>

qsizetype CPathExt::LastSeparator() const
{
    return std::max(m_strPath.lastIndexOf(QLatin1Char('\\')), m_strPath.lastIndexOf(QLatin1Char('/')));
}

QString CPathExt::GetFileName() const
{
    const qsizetype n = LastSeparator();
    return n < 0 ? m_strPath : m_strPath.mid(n + 1);
}

QString CPathExt::GetExtension() const
{
    const qsizetype n = m_strPath.lastIndexOf(QLatin1Char('.'));
    return n < 0 ? QString() : m_strPath.mid(n + 1);
}

QString CPathExt::GetParent() const
{
    const qsizetype n = LastSeparator();
    return n < 0 ? QString() : m_strPath.left(n);
}
