#pragma once

// One sync item: the values of a fixed set of keys (the property-line names of the export text)
// and of the alarm keys "ACTION" and "TRIGGER". Keys outside the item's set can't be set and read
// as empty text.

#include <cstddef>
#include <vector>

#include <QString>
#include <QStringList>
#include <QStringView>

class CSyncParser;

enum class SyncItemKind { ServiceTodo = 0, OutlookTodo = 1, ServiceEvent = 2, OutlookEvent = 3 };

// The keys of one kind of item, in the order they are listed.
class CSyncKeySet {
public:
    static const CSyncKeySet& For(SyncItemKind kind);
    // The key's place in the set, or -1.
    int IndexOf(QStringView key) const;
    const QStringList& Keys() const { return m_keys; }

private:
    explicit CSyncKeySet(QStringList keys);
    QStringList m_keys;
};

class CSyncItem {
public:
    explicit CSyncItem(SyncItemKind kind);
    CSyncItem(const CSyncItem&) = delete;
    CSyncItem& operator=(const CSyncItem&) = delete;

    SyncItemKind Kind() const { return m_kind; }
    bool HasKey(QStringView key) const { return m_keys->IndexOf(key) >= 0; }
    const QStringList& Keys() const { return m_keys->Keys(); }

    QString Value(QStringView key) const;
    // False when key is not one of the item's keys. A change of "UID" keeps the store's index
    // in step when the item belongs to a list.
    bool SetValue(QStringView key, const QString& value);

    QString AlarmValue(QStringView key) const;
    bool SetAlarmValue(QStringView key, const QString& value);
    static bool IsAlarmKey(QStringView key);

private:
    friend class CSyncParser;

    SyncItemKind m_kind;
    const CSyncKeySet* m_keys;
    std::vector<QString> m_values;
    QString m_alarm[2];
    // Set while the item belongs to a list of a store.
    CSyncParser* m_owner = nullptr;
    std::size_t m_index = 0;
};
