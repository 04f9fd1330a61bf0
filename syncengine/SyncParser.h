#pragma once

// The engine's item store: four ordered lists of sync items (service to-dos, Outlook to-dos,
// service events, Outlook events), a current item per list, an index by "UID" per list, and the
// reader of the service's export text.

#include <array>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <vector>

#include <QHash>
#include <QString>
#include <QStringView>

#include "platform/mapi/MapiDefs.h"
#include "syncengine/SyncItem.h"

// A list position as the walk operations hand it out: borrowed, valid while the store lives
// (lists only grow). Null is "no position".
using POSITION = struct __POSITION*;

// Raised by the walk operations for an empty list or a null (or foreign) position: the one failure
// of the item store that is an exception (HRESULT E_FAIL, as the framework's list raises it).
class CSyncParserException : public std::runtime_error {
public:
    CSyncParserException() : std::runtime_error("item store walk failed (E_FAIL)") {}
    HRESULT Code() const { return E_FAIL; }
};

// Splits export text into lines at "\r\n" without copying: linear in the size of the text.
class CExportLineReader {
public:
    explicit CExportLineReader(QStringView text) : m_rest(text) {}
    // The next line; false when nothing is left.
    bool Next(QStringView& line);

private:
    QStringView m_rest;
};

class CSyncParser {
public:
    enum List { ServiceTodos = 0, OutlookTodos = 1, ServiceEvents = 2, OutlookEvents = 3 };
    static List ServiceList(bool todo) { return todo ? ServiceTodos : ServiceEvents; }
    static List OutlookList(bool todo) { return todo ? OutlookTodos : OutlookEvents; }

    CSyncParser() = default;
    ~CSyncParser();
    CSyncParser(const CSyncParser&) = delete;
    CSyncParser& operator=(const CSyncParser&) = delete;

    std::size_t Count(List list) const { return m_lists[list].items.size(); }
    CSyncItem* At(List list, std::size_t index) const;
    // The item the last walk, lookup, parse or NewItem of the list stopped at (may be null).
    CSyncItem* Current(List list) const { return m_lists[list].current; }

    // The first item's position, making it current; throws CSyncParserException on an empty list.
    POSITION HeadPosition(List list);
    // The position after pos, making that item current; null at the end. Throws on a null position.
    POSITION NextPosition(POSITION pos, List list);

    // Makes the first item whose "UID" equals uid exactly current; false (current unchanged) when
    // there is none. Constant time per lookup.
    bool FindUID(List list, const QString& uid);

    // A value of the current item (empty when there is none or it lacks the key).
    QString Text(List list, QStringView key) const;
    QString AlarmText(List list, QStringView key) const;
    bool SetText(List list, QStringView key, const QString& value);

    // A fresh item of the list's kind, current but not yet in the list (a new one replaces an
    // earlier one that was never appended).
    CSyncItem& NewItem(List list);
    // Appends the current item made by NewItem; false when there is none.
    bool AppendCurrent(List list);

    // Reads a to-do export into the service to-do list, an event export into the service event list.
    void ParseTodos(QStringView text) { Parse(ServiceTodos, text); }
    void ParseEvents(QStringView text) { Parse(ServiceEvents, text); }

    // Undoes the export escapes in one pass: "\n" → "\r\n", "\;" → ";", "\\" → "\", "\," → ",";
    // any other backslash stays as it is.
    static QString Unescape(QStringView value);

private:
    friend class CSyncItem;
    void UidChanged(CSyncItem& item, const QString& oldUid);
    void Parse(List list, QStringView text);
    void Index(List list, const QString& uid, std::size_t index);
    void Unindex(List list, const QString& uid, std::size_t index);

    struct ListData {
        std::vector<std::unique_ptr<CSyncItem>> items;
        std::unique_ptr<CSyncItem> pending;
        CSyncItem* current = nullptr;
        QHash<QString, std::vector<std::size_t>> byUid;  // ascending indices per UID
    };
    std::array<ListData, 4> m_lists;
};
