#include "syncengine/SyncParser.h"

#include <algorithm>
#include <cstdint>

namespace {

POSITION ToPosition(std::size_t index) { return reinterpret_cast<POSITION>(static_cast<std::uintptr_t>(index) + 1); }
std::size_t FromPosition(POSITION pos) { return static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(pos)) - 1; }

SyncItemKind KindOf(CSyncParser::List list) { return static_cast<SyncItemKind>(list); }

// A plain scan: export lines and values are short, where the general search costs more than
// it saves.
qsizetype Find(QStringView text, char16_t c, qsizetype from = 0)
{
    const char16_t* begin = text.utf16();
    const char16_t* end = begin + text.size();
    const char16_t* found = std::find(begin + from, end, c);
    return found == end ? -1 : found - begin;
}

QStringView NameOf(QStringView line)
{
    const qsizetype colon = Find(line, u':');
    return colon < 0 ? line : line.left(colon);
}

QStringView ValueOf(QStringView line)
{
    const qsizetype colon = Find(line, u':');
    return colon < 0 ? QStringView() : line.mid(colon + 1);
}

}  // namespace

bool CExportLineReader::Next(QStringView& line)
{
    if (m_rest.isEmpty())
        return false;
    // A bare CR is part of the line: look for the CR that a LF follows.
    qsizetype end = m_rest.indexOf(u'\r');
    while (end >= 0 && (end + 1 >= m_rest.size() || m_rest[end + 1] != u'\n'))
        end = m_rest.indexOf(u'\r', end + 1);
    if (end < 0) {
        line = m_rest;
        m_rest = QStringView();
    } else {
        line = m_rest.left(end);
        m_rest = m_rest.mid(end + 2);
    }
    return true;
}

CSyncParser::~CSyncParser() = default;

CSyncItem* CSyncParser::At(List list, std::size_t index) const
{
    const auto& items = m_lists[list].items;
    return index < items.size() ? items[index].get() : nullptr;
}

POSITION CSyncParser::HeadPosition(List list)
{
    ListData& data = m_lists[list];
    if (data.items.empty())
        throw CSyncParserException();
    data.current = data.items.front().get();
    return ToPosition(0);
}

POSITION CSyncParser::NextPosition(POSITION pos, List list)
{
    ListData& data = m_lists[list];
    if (!pos || FromPosition(pos) >= data.items.size())
        throw CSyncParserException();
    const std::size_t next = FromPosition(pos) + 1;
    if (next >= data.items.size())
        return nullptr;
    data.current = data.items[next].get();
    return ToPosition(next);
}

bool CSyncParser::FindUID(List list, const QString& uid)
{
    ListData& data = m_lists[list];
    const auto it = data.byUid.constFind(uid);
    if (it == data.byUid.constEnd() || it->empty())
        return false;
    data.current = data.items[it->front()].get();
    return true;
}

QString CSyncParser::Text(List list, QStringView key) const
{
    const CSyncItem* item = m_lists[list].current;
    return item ? item->Value(key) : QString();
}

QString CSyncParser::AlarmText(List list, QStringView key) const
{
    const CSyncItem* item = m_lists[list].current;
    return item ? item->AlarmValue(key) : QString();
}

bool CSyncParser::SetText(List list, QStringView key, const QString& value)
{
    CSyncItem* item = m_lists[list].current;
    return item && item->SetValue(key, value);
}

CSyncItem& CSyncParser::NewItem(List list)
{
    ListData& data = m_lists[list];
    data.pending = std::make_unique<CSyncItem>(KindOf(list));
    data.current = data.pending.get();
    return *data.pending;
}

bool CSyncParser::AppendCurrent(List list)
{
    ListData& data = m_lists[list];
    if (!data.pending || data.current != data.pending.get())
        return false;
    CSyncItem* item = data.pending.get();
    item->m_owner = this;
    item->m_index = data.items.size();
    data.items.push_back(std::move(data.pending));
    Index(list, item->Value(u"UID"), item->m_index);
    return true;
}

void CSyncParser::Index(List list, const QString& uid, std::size_t index)
{
    std::vector<std::size_t>& at = m_lists[list].byUid[uid];
    at.insert(std::upper_bound(at.begin(), at.end(), index), index);
}

void CSyncParser::Unindex(List list, const QString& uid, std::size_t index)
{
    auto it = m_lists[list].byUid.find(uid);
    if (it == m_lists[list].byUid.end())
        return;
    auto pos = std::lower_bound(it->begin(), it->end(), index);
    if (pos != it->end() && *pos == index)
        it->erase(pos);
    if (it->empty())
        m_lists[list].byUid.erase(it);
}

void CSyncParser::UidChanged(CSyncItem& item, const QString& oldUid)
{
    const List list = static_cast<List>(item.Kind());
    Unindex(list, oldUid, item.m_index);
    Index(list, item.Value(u"UID"), item.m_index);
}

QString CSyncParser::Unescape(QStringView value)
{
    QString out;
    out.reserve(value.size());
    const qsizetype n = value.size();
    qsizetype from = 0;
    // Runs without a backslash are copied whole.
    for (qsizetype i = Find(value, u'\\'); i >= 0; i = Find(value, u'\\', from)) {
        out.append(value.sliced(from, i - from));
        const QChar next = i + 1 < n ? value[i + 1] : QChar();
        if (next == u'n') {
            out += QLatin1String("\r\n");
            from = i + 2;
        } else if (next == u';' || next == u'\\' || next == u',') {
            out += next;
            from = i + 2;
        } else {
            out += u'\\';
            from = i + 1;
        }
    }
    out.append(value.sliced(from));
    return out;
}

void CSyncParser::Parse(List list, QStringView text)
{
    const bool events = list == ServiceEvents;
    const QStringView begin = events ? QStringView(u"BEGIN:VEVENT") : QStringView(u"BEGIN:VTODO");
    const QStringView end = events ? QStringView(u"END:VEVENT") : QStringView(u"END:VTODO");
    const QStringView alarmBegin = u"BEGIN:VALARM";
    const QStringView alarmEnd = u"END:VALARM";

    CExportLineReader reader(text);
    QStringView line;
    bool have = reader.Next(line);
    while (have) {
        while (have && line != begin)
            have = reader.Next(line);
        if (!have)
            break;
        CSyncItem& item = NewItem(list);
        have = reader.Next(line);
        bool closed = false;
        while (have) {
            if (line == end) {
                AppendCurrent(list);
                closed = true;
                have = reader.Next(line);
                break;
            }
            if (line == alarmBegin) {
                while ((have = reader.Next(line)) && line != alarmEnd) {
                    const QStringView name = NameOf(line);
                    if (CSyncItem::IsAlarmKey(name))
                        item.SetAlarmValue(name, ValueOf(line).toString());
                }
                if (have)
                    have = reader.Next(line);
                continue;
            }
            const QStringView name = NameOf(line);
            if (!item.HasKey(name)) {
                have = reader.Next(line);
                continue;
            }
            if (name == u"SUMMARY" || name == u"DESCRIPTION" || name == u"UID") {
                // The value runs on over the following lines up to the next line that starts with
                // a key, or that opens or closes a block: those lines are never part of a value.
                QString value = ValueOf(line).toString();
                while ((have = reader.Next(line))) {
                    if (item.HasKey(NameOf(line)) || line == end || line == alarmBegin || line == begin)
                        break;
                    value += line;
                }
                item.SetValue(name, Unescape(value));
                continue;
            }
            if (events && name == u"RRULE") {
                item.SetValue(name, QStringLiteral("true"));
                for (QStringView part : ValueOf(line).split(u';')) {
                    const qsizetype eq = part.indexOf(u'=');
                    if (eq <= 0)
                        continue;
                    const QStringView partName = part.left(eq);
                    if (partName != u"RRULE")
                        item.SetValue(partName, Unescape(part.mid(eq + 1)));
                }
                have = reader.Next(line);
                continue;
            }
            item.SetValue(name, Unescape(ValueOf(line)));
            have = reader.Next(line);
        }
        if (!closed) {
            m_lists[list].pending.reset();
            m_lists[list].current = nullptr;
        }
    }
}
