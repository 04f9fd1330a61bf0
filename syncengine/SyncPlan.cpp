#include "syncengine/SyncPlan.h"

#include <map>
#include <tuple>

QString CSyncPlan::SideText(SyncSide side)
{
    return side == SyncSide::Outlook ? QStringLiteral("아웃룩") : QStringLiteral("서비스");
}

QString CSyncPlan::KindText(bool todo) { return todo ? QStringLiteral("할일") : QStringLiteral("일정"); }

QString CSyncPlan::ActionText(SyncAction action)
{
    switch (action) {
    case SyncAction::Create: return QStringLiteral("추가");
    case SyncAction::Modify: return QStringLiteral("수정");
    case SyncAction::Rekey: return QStringLiteral("연결");
    case SyncAction::Delete: return QStringLiteral("삭제");
    }
    return QString();
}

QString CSyncPlan::Line(const SSyncWrite& write)
{
    const QString title = write.summary.isEmpty() ? QStringLiteral("(제목 없음)") : write.summary;
    return QStringLiteral("%1 %2 %3: %4").arg(SideText(write.side), KindText(write.todo), ActionText(write.action), title);
}

QStringList CSyncPlan::Lines() const
{
    QStringList lines;
    // Totals in a fixed order: side, kind (to-dos first), action.
    std::map<std::tuple<int, int, int>, int> totals;
    for (const SSyncWrite& write : m_writes) {
        lines << Line(write);
        ++totals[{int(write.side), write.todo ? 0 : 1, int(write.action)}];
    }
    for (const SPlanConflict& c : m_conflicts)
        lines << QStringLiteral("%1 충돌: 서비스 \"%2\" / 아웃룩 \"%3\"").arg(KindText(c.todo), c.serviceText, c.outlookText);
    lines << m_notes;
    if (m_writes.empty() && m_conflicts.empty()) {
        if (!m_notes.isEmpty())
            return lines;
        lines << QStringLiteral("바뀔 항목이 없습니다.");
        return lines;
    }
    for (int side = 0; side < 2; ++side) {
        QStringList parts;
        for (const auto& [key, count] : totals)
            if (std::get<0>(key) == side)
                parts << QStringLiteral("%1 %2 %3건")
                             .arg(KindText(std::get<1>(key) == 0), ActionText(SyncAction(std::get<2>(key))))
                             .arg(count);
        if (!parts.isEmpty())
            lines << QStringLiteral("합계 %1: %2").arg(SideText(SyncSide(side)), parts.join(QStringLiteral(", ")));
    }
    if (!m_conflicts.empty())
        lines << QStringLiteral("충돌 %1건: 싱크할 때 선택합니다.").arg(m_conflicts.size());
    return lines;
}
