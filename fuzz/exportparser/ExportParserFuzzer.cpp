// The export parser and the date reader on arbitrary service answers: both exports parsed into
// one item store, every item walked, looked up by its UID and its dates read.
#include <cstddef>
#include <cstdint>

#include <QString>

#include "syncengine/MAPISync.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CMAPISync engine;
    engine.m_pParser = std::make_shared<CSyncParser>();
    CSyncParser& store = *engine.m_pParser;
    store.ParseTodos(text);
    store.ParseEvents(text);
    static const QStringView kDates[] = {u"DUE;TZID=Asia/Seoul", u"DTSTART;TZID=Asia/Seoul", u"UNTIL",
                                         u"LAST-MODIFIED;TZID=Asia/Seoul"};
    for (bool todo : {true, false}) {
        if (engine.GetParserCount(todo) == 0)
            continue;
        std::size_t walked = 0;
        for (POSITION pos = engine.GetParserHeadPosition(todo); pos; pos = engine.GetParserNextPosition(pos, todo)) {
            const QString uid = engine.GetParserUID(todo);
            // Every walked item must be found again by its UID in its own list.
            if (!store.FindUID(CSyncParser::ServiceList(todo), uid))
                __builtin_trap();
            for (QStringView key : kDates)
                (void)CMAPISync::StringtoDate(store.Text(CSyncParser::ServiceList(todo), key));
            ++walked;
        }
        if (walked != engine.GetParserCount(todo))
            __builtin_trap();
    }
    (void)CMAPISync::StringtoDate(text.left(64));
    (void)CSyncParser::Unescape(text);
    return 0;
}
