#pragma once

// What a dry run would write: every write the engine announced (and skipped), the pairs that
// would need the user's decision, and the plan printed in Korean, one line per item and totals by
// side, kind and action.

#include <vector>

#include <QString>
#include <QStringList>

#include "syncengine/SyncWrites.h"

struct SPlanConflict {
    QString uid;
    QString serviceText;
    QString outlookText;
    bool todo = true;
};

class CSyncPlan final : public CSyncWriteSink {
public:
    bool BeginWrite(const SSyncWrite& write) override
    {
        m_writes.push_back(write);
        return false;
    }
    void EndWrite(bool, const QString&, const QString&) override {}

    void AddConflict(const SPlanConflict& conflict) { m_conflicts.push_back(conflict); }
    // What the run would do that is no write: items left deleted, deletions held back.
    void AddNote(const QString& note) { m_notes << note; }
    const QStringList& Notes() const { return m_notes; }
    void Clear()
    {
        m_writes.clear();
        m_conflicts.clear();
        m_notes.clear();
    }

    const std::vector<SSyncWrite>& Writes() const { return m_writes; }
    const std::vector<SPlanConflict>& Conflicts() const { return m_conflicts; }
    bool IsEmpty() const { return m_writes.empty() && m_conflicts.empty() && m_notes.isEmpty(); }

    // One line per item, then the totals.
    QStringList Lines() const;
    // "아웃룩 할일 추가: 제목"
    static QString Line(const SSyncWrite& write);
    static QString SideText(SyncSide side);
    static QString KindText(bool todo);
    static QString ActionText(SyncAction action);

private:
    std::vector<SSyncWrite> m_writes;
    std::vector<SPlanConflict> m_conflicts;
    QStringList m_notes;
};
