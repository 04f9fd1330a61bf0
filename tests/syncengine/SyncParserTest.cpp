// The export parser and the walk operations of the item store.
#include <gtest/gtest.h>

#include <QStringList>

#include "syncengine/MAPISync.h"
#include "syncengine/OleDate.h"

namespace {

QString Export(const QStringList& lines) { return lines.join(QStringLiteral("\r\n")); }

// The service's escaping, for round trips.
QString Escape(const QString& value)
{
    QString out;
    for (QChar c : value) {
        if (c == u'\\')
            out += QLatin1String("\\\\");
        else if (c == u';')
            out += QLatin1String("\\;");
        else if (c == u',')
            out += QLatin1String("\\,");
        else
            out += c;
    }
    return out.replace(QLatin1String("\r\n"), QLatin1String("\\n"));
}

struct ParseCase {
    const char* name;
    QStringList lines;
    std::size_t count;
    // (item index, key, value); alarm keys are prefixed "ALARM:".
    std::vector<std::tuple<std::size_t, QString, QString>> values;
};

std::vector<ParseCase> TodoCases()
{
    return {
        {"escaped comma and line break",
         {"BEGIN:VTODO", "UID:a", "SUMMARY:one\\, two", "DESCRIPTION:first\\nsecond", "END:VTODO"},
         1,
         {{0, "SUMMARY", "one, two"}, {0, "DESCRIPTION", "first\r\nsecond"}}},
        {"summary continued on a line without a key",
         {"BEGIN:VTODO", "SUMMARY:Buy", " milk", "UID:b", "END:VTODO"}, 1, {{0, "SUMMARY", "Buy milk"}, {0, "UID", "b"}}},
        {"continuation line with a colon joins whole",
         {"BEGIN:VTODO", "SUMMARY:Meet at", " 10:30 sharp", "STATUS:NEEDS-ACTION", "END:VTODO"},
         1,
         {{0, "SUMMARY", "Meet at 10:30 sharp"}, {0, "STATUS", "NEEDS-ACTION"}}},
        {"unknown property ignored",
         {"BEGIN:VTODO", "X-UNKNOWN:zzz", "RRULE:FREQ=DAILY", "UID:c", "END:VTODO"}, 1, {{0, "UID", "c"}, {0, "X-UNKNOWN", ""}}},
        {"parameters belong to the name",
         {"BEGIN:VTODO", "DUE;TZID=Asia/Seoul:20071121T093000", "DUE:20990101", "END:VTODO"},
         1,
         {{0, "DUE;TZID=Asia/Seoul", "20071121T093000"}}},
        {"alarm block kept raw",
         {"BEGIN:VTODO", "UID:d", "BEGIN:VALARM", "ACTION:DISPLAY", "TRIGGER:-PT900S", "X:y\\,z", "END:VALARM",
          "SUMMARY:after alarm", "END:VTODO"},
         1,
         {{0, "ALARM:ACTION", "DISPLAY"}, {0, "ALARM:TRIGGER", "-PT900S"}, {0, "SUMMARY", "after alarm"}}},
        {"items back to back and wrapped", {"BEGIN:VCALENDAR", "BEGIN:VTODO", "UID:1", "END:VTODO", "BEGIN:VTODO",
                                            "UID:2", "END:VTODO", "", "BEGIN:VTODO", "UID:3", "END:VTODO", "END:VCALENDAR"},
         3, {{0, "UID", "1"}, {1, "UID", "2"}, {2, "UID", "3"}}},
        {"unclosed item is not added", {"BEGIN:VTODO", "UID:1", "END:VTODO", "BEGIN:VTODO", "UID:2"}, 1, {{0, "UID", "1"}}},
        {"no items", {"BEGIN:VCALENDAR", "END:VCALENDAR"}, 0, {}},
        {"last value before the end line stays in its item",
         {"BEGIN:VTODO", "UID:1", "DESCRIPTION:last", "END:VTODO", "BEGIN:VTODO", "STATUS:x", "UID:2", "END:VTODO"},
         2,
         {{0, "DESCRIPTION", "last"}, {1, "UID", "2"}, {0, "STATUS", ""}}},
        {"value running into an alarm block", {"BEGIN:VTODO", "SUMMARY:s", "BEGIN:VALARM", "ACTION:DISPLAY", "END:VALARM", "END:VTODO"},
         1, {{0, "SUMMARY", "s"}, {0, "ALARM:ACTION", "DISPLAY"}}},
        {"lone line feeds are not line ends", {"BEGIN:VTODO", "SUMMARY:a\nb", "END:VTODO"}, 1, {{0, "SUMMARY", "a\nb"}}},
    };
}

}  // namespace

TEST(SyncParserTest, TodoExportCases)
{
    for (const ParseCase& c : TodoCases()) {
        SCOPED_TRACE(c.name);
        CSyncParser parser;
        parser.ParseTodos(Export(c.lines));
        ASSERT_EQ(parser.Count(CSyncParser::ServiceTodos), c.count);
        for (const auto& [index, key, value] : c.values) {
            const CSyncItem* item = parser.At(CSyncParser::ServiceTodos, index);
            ASSERT_NE(item, nullptr);
            if (key.startsWith("ALARM:"))
                EXPECT_EQ(item->AlarmValue(key.mid(6)), value) << qPrintable(key);
            else
                EXPECT_EQ(item->Value(key), value) << qPrintable(key);
        }
    }
}

TEST(SyncParserTest, EventRuleIsSplitIntoItsParts)
{
    CSyncParser parser;
    parser.ParseEvents(Export({"BEGIN:VEVENT", "UID:w", "RRULE:FREQ=WEEKLY;BYDAY=MO\\,WE\\,FR;UNTIL=20080131",
                               "END:VEVENT", "BEGIN:VEVENT", "UID:d", "RRULE:UNTIL=20080101;INTERVAL=100;FREQ=DAILY",
                               "END:VEVENT", "trailing garbage"}));
    ASSERT_EQ(parser.Count(CSyncParser::ServiceEvents), 2u);
    const CSyncItem* weekly = parser.At(CSyncParser::ServiceEvents, 0);
    EXPECT_EQ(weekly->Value(u"RRULE"), "true");
    EXPECT_EQ(weekly->Value(u"FREQ"), "WEEKLY");
    EXPECT_EQ(weekly->Value(u"BYDAY"), "MO,WE,FR");
    EXPECT_EQ(weekly->Value(u"UNTIL"), "20080131");
    const CSyncItem* daily = parser.At(CSyncParser::ServiceEvents, 1);
    EXPECT_EQ(daily->Value(u"FREQ"), "DAILY");
    EXPECT_EQ(daily->Value(u"INTERVAL"), "100");
    EXPECT_EQ(daily->Value(u"UNTIL"), "20080101");
    // A to-do has no rule keys: the line is ignored there.
    CSyncParser todos;
    todos.ParseTodos(Export({"BEGIN:VTODO", "RRULE:FREQ=DAILY", "END:VTODO"}));
    EXPECT_EQ(todos.At(CSyncParser::ServiceTodos, 0)->Value(u"FREQ"), "");
}

TEST(SyncParserTest, EscapedValuesRoundTrip)
{
    const QString values[] = {
        "C:\\new",          // backslash before n: no line break
        "C:\\\\server\\n",  // several backslashes
        "a;b,c",            "line one\r\nline two", "ends with \\", "\\;\\,", "회의, 준비; 끝",
    };
    for (const QString& value : values) {
        SCOPED_TRACE(value.toStdString());
        EXPECT_EQ(CSyncParser::Unescape(Escape(value)), value);
        CSyncParser parser;
        parser.ParseTodos(Export({"BEGIN:VTODO", "SUMMARY:" + Escape(value), "DESCRIPTION:" + Escape(value),
                                  "END:VTODO"}));
        ASSERT_EQ(parser.Count(CSyncParser::ServiceTodos), 1u);
        EXPECT_EQ(parser.At(CSyncParser::ServiceTodos, 0)->Value(u"SUMMARY"), value);
        EXPECT_EQ(parser.At(CSyncParser::ServiceTodos, 0)->Value(u"DESCRIPTION"), value);
    }
    EXPECT_EQ(CSyncParser::Unescape(u"x\\q"), "x\\q") << "other escapes are left alone";
}

TEST(SyncParserTest, LineReaderSplitsAtCrLfOnly)
{
    CExportLineReader reader(u"a\r\n\r\nb\nc\r\n");
    QStringList lines;
    QStringView line;
    while (reader.Next(line))
        lines << line.toString();
    EXPECT_EQ(lines, QStringList({"a", "", "b\nc"}));
}

TEST(SyncParserTest, LineReaderKeepsBareCarriageReturns)
{
    // A CR ends a line only with a LF after it, also when another CR or the text's end follows.
    CExportLineReader reader(u"a\rb\r\r\nc\r\r\rd\r");
    QStringList lines;
    QStringView line;
    while (reader.Next(line))
        lines << line.toString();
    EXPECT_EQ(lines, QStringList({"a\rb\r", "c\r\r\rd\r"}));
}

TEST(SyncParserTest, WalkingAnEmptyListOrFromNullThrows)
{
    CMAPISync engine;
    EXPECT_THROW(engine.GetParserHeadPosition(true), CSyncParserException) << "no item store yet";
    engine.m_pParser = std::make_shared<CSyncParser>();
    EXPECT_EQ(engine.GetParserCount(true), 0u);
    EXPECT_THROW(engine.GetParserHeadPosition(true), CSyncParserException);
    engine.m_pParser->ParseTodos(Export({"BEGIN:VTODO", "UID:1", "SUMMARY:first", "END:VTODO", "BEGIN:VTODO",
                                         "UID:2", "SUMMARY:second", "END:VTODO"}));
    EXPECT_THROW(engine.GetParserNextPosition(nullptr, true), CSyncParserException);
    try {
        engine.GetParserNextPosition(nullptr, true);
    } catch (const CSyncParserException& e) {
        EXPECT_EQ(e.Code(), E_FAIL);
    }

    QStringList seen;
    for (POSITION pos = engine.GetParserHeadPosition(true); pos; pos = engine.GetParserNextPosition(pos, true))
        seen << engine.GetParserUID(true) + "=" + engine.GetParserText(true, false);
    EXPECT_EQ(seen, QStringList({"1=first", "2=second"}));
    EXPECT_EQ(engine.GetParserCount(false), 0u) << "the event list is apart";
}

TEST(SyncParserTest, IsUIDFindsTheFirstExactMatchThroughTheIndex)
{
    CMAPISync engine;
    engine.m_pParser = std::make_shared<CSyncParser>();
    CSyncParser& store = *engine.m_pParser;
    for (const char* uid : {"A", "b", "A"}) {
        CSyncItem& item = store.NewItem(CSyncParser::OutlookTodos);
        item.SetValue(u"UID", uid);
        item.SetValue(u"SUMMARY", QStringLiteral("%1#%2").arg(uid).arg(store.Count(CSyncParser::OutlookTodos)));
        ASSERT_TRUE(store.AppendCurrent(CSyncParser::OutlookTodos));
    }
    EXPECT_TRUE(engine.IsUID("A", true));
    EXPECT_EQ(engine.GetParserText(true, true), "A#0") << "the first of two";
    EXPECT_FALSE(engine.IsUID("a", true)) << "letter case counts";
    EXPECT_EQ(engine.GetParserText(true, true), "A#0") << "a miss leaves the current item";
    EXPECT_FALSE(engine.IsUID("b", false)) << "the event list is apart";

    // Re-keying an item moves it in the index.
    ASSERT_TRUE(engine.IsUID("b", true));
    store.SetText(CSyncParser::OutlookTodos, u"UID", "new-b");
    EXPECT_FALSE(engine.IsUID("b", true));
    EXPECT_TRUE(engine.IsUID("new-b", true));
    EXPECT_EQ(engine.GetParserText(true, true), "b#1");
    store.At(CSyncParser::OutlookTodos, 0)->SetValue(u"UID", "gone");
    EXPECT_TRUE(engine.IsUID("A", true));
    EXPECT_EQ(engine.GetParserText(true, true), "A#2") << "the next one with the UID";
}

TEST(SyncParserTest, IsLastDateComparesToTheSecond)
{
    struct Case {
        const char* outlook;
        const char* service;
        bool newer;
    };
    const Case cases[] = {
        {"20071121T093000", "20071121T093000", false},
        {"20071121T093000", "20071121T093001", true},
        {"20071121T093001", "20071121T093000", false},
        {"20071121T330000", "20071122T090001", true},  // hour 33 is 09:00 of the next day
        {"", "20071121T093000", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.outlook) + " vs " + c.service);
        CMAPISync engine;
        engine.m_pParser = std::make_shared<CSyncParser>();
        engine.m_pParser->NewItem(CSyncParser::OutlookEvents).SetValue(u"LAST-MODIFIED;TZID=Asia/Seoul", c.outlook);
        engine.m_pParser->NewItem(CSyncParser::ServiceEvents).SetValue(u"LAST-MODIFIED;TZID=Asia/Seoul", c.service);
        EXPECT_EQ(engine.IsLastDate(false), c.newer);
    }
}

TEST(SyncParserTest, StringtoDateReadsTheServiceForms)
{
    struct Case {
        const char* text;
        int y, mo, d, h, mi, s;  // y = 0: no date (0)
    };
    const Case cases[] = {
        {"20071121T093000", 2007, 11, 21, 9, 30, 0},   {"20071121T253000", 2007, 11, 22, 1, 30, 0},
        {"20071121", 2007, 11, 21, 0, 0, 0},           {"2007-11-21T09:30:00", 2007, 11, 21, 9, 30, 0},
        {"2007-11-21", 2007, 11, 21, 0, 0, 0},         {"20071231T240000", 2008, 1, 1, 0, 0, 0},
        {"20071121T291500", 2007, 11, 22, 5, 15, 0},   {"", 0, 0, 0, 0, 0, 0},
        {"20071321T000000", 0, 0, 0, 0, 0, 0},         {"20070230", 0, 0, 0, 0, 0, 0},
        {"20071121T096000", 0, 0, 0, 0, 0, 0},         {"garbage", 0, 0, 0, 0, 0, 0},
        {"20071121T4830", 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const double date = CMAPISync::StringtoDate(c.text);
        if (c.y == 0) {
            EXPECT_EQ(date, 0.0);
            continue;
        }
        const auto parts = oledate::ToDateTime(date);
        ASSERT_TRUE(parts);
        EXPECT_EQ(std::make_tuple(parts->year, parts->month, parts->day, parts->hour, parts->minute, parts->second),
                  std::make_tuple(c.y, c.mo, c.d, c.h, c.mi, c.s));
    }
    EXPECT_DOUBLE_EQ(CMAPISync::StringtoDate("19000101"), 2.0) << "OLE dates count from 30 December 1899";
}
