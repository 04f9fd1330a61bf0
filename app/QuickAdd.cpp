#include "app/QuickAdd.h"

#include <iterator>

#include <QRegularExpression>

#include "base/HttpClient.h"
#include "base/MarkupSTL.h"
#include "base/ServiceClock.h"
#include "base/ServiceEndpoints.h"
#include "base/URLEncoder.h"
#include "platform/TextCodec.h"

namespace quickadd {

namespace {

constexpr int kSlots = 24;
constexpr long kAlarmLeads[] = {60, 300, 600, 900, 1800, 3600, 7200, 86400, 604800};
constexpr long kDefaultAlarmLead = 600;
const QString kFormHeader = QStringLiteral("Content-Type: application/x-www-form-urlencoded");

QString DateDigits(const QDate& date)
{
    return QString::asprintf("%04d%02d%02d", date.year(), date.month(), date.day());
}

QString StampOf(const STimeSlot& t)
{
    return DateDigits(t.date) + QString::asprintf("T%02d:%02d:00", t.Hour(), t.Minute());
}

SAnswer Exchange(const QString& verb, const QString& path, const QByteArray* body)
{
    SAnswer answer;
    const QString url = CServiceConfig::Current().Url(Service::Calendar, path);
    CHttpClient http;
    if (url.isEmpty() || !http.Open(verb, url))
        return answer;
    answer.bSent = body ? http.Send(kFormHeader, long(kFormHeader.size()), body->constData(), DWORD(body->size()))
                        : http.Send(QString(), 0, nullptr, 0);
    if (!answer.bSent)
        return answer;
    answer.nStatus = http.GetStatusCode();
    answer.strText = http.ReadAll(CP_UTF8, -1);
    return answer;
}

}  // namespace

QDateTime STimeSlot::DateTime() const
{
    return QDateTime(date, QTime(Hour(), Minute()), Qt::UTC);
}

SDefaultTimes DefaultTimes(const QDateTime& nowSeoul)
{
    const QDate today = nowSeoul.date();
    const int h = nowSeoul.time().hour();
    const int s = 2 * (h % 12) + (nowSeoul.time().minute() > 29 ? 1 : 0);
    const bool pm = h > 11;
    SDefaultTimes t;
    t.start = {today, 0, pm};
    t.end = {today, 0, pm};
    if (s < 21) {
        t.start.nSlot = s + 1;
        t.end.nSlot = s + 3;
    } else if (s == 21 || s == 22) {
        // The end passes twelve o'clock: AM turns PM on the same day, PM turns AM on the next.
        t.start.nSlot = s + 1;
        t.end.nSlot = s - 21;
        t.end.bPM = !pm;
        if (pm)
            t.end.date = today.addDays(1);
    } else {
        // The start itself is twelve o'clock.
        t.start = {pm ? today.addDays(1) : today, 0, !pm};
        t.end = {t.start.date, 2, !pm};
    }
    return t;
}

STimeSlot EndAfterStart(const STimeSlot& start)
{
    if (start.nSlot < 22)
        return {start.date, start.nSlot + 2, start.bPM};
    // An hour after 11:00 or 11:30 is twelve o'clock of the other half of the day; only after
    // a PM start is that the next day.
    return {start.bPM ? start.date.addDays(1) : start.date, start.nSlot - 22, !start.bPM};
}

QString FormatDateText(const QDate& date)
{
    return QString::asprintf("%4d년 %02d월 %02d일", date.year(), date.month(), date.day());
}

std::optional<QDate> ParseDateText(const QString& text)
{
    QString digits = text;
    digits.remove(QChar(u'년')).remove(QChar(u'월')).remove(QChar(u'일'));
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{4})\\s+(\\d{1,2})\\s+(\\d{1,2})\\s*$"));
    const QRegularExpressionMatch m = form.match(digits);
    if (!m.hasMatch())
        return std::nullopt;
    const int year = m.captured(1).toInt();
    const QDate date(year, m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid() || year < 1000 || year > 4000)
        return std::nullopt;
    return date;
}

QString SlotText(int nSlot)
{
    const int hour = nSlot / 2;
    return QString::asprintf("%d시 %02d분", hour == 0 ? 12 : hour, nSlot % 2 ? 30 : 0);
}

bool ParseColor(const QString& text, COLORREF& crColor)
{
    if (!text.startsWith(QLatin1Char('#')))
        return false;
    QString hex = text.mid(1);
    if (hex.size() == 3)
        hex = QString(2, hex[0]) + QString(2, hex[1]) + QString(2, hex[2]);
    if (hex.size() != 6)
        return false;
    bool ok = false;
    const uint value = hex.toUInt(&ok, 16);
    if (!ok)
        return false;
    crColor = RGB(int(value >> 16), int(value >> 8), int(value));
    return true;
}

SCalendarList ParseCalendarList(const QByteArray& utf8)
{
    SCalendarList list;
    CMarkupSTL xml;
    if (utf8.isEmpty() || !xml.SetDoc(std::string_view(utf8.constData(), size_t(utf8.size()))) || !xml.IsWellFormed())
        return list;
    if (!xml.FindElem() || xml.FindChildElem("ERROR"))
        return list;
    list.bLoaded = true;
    xml.ResetChildPos();
    while (xml.FindChildElem("calendar")) {
        CMarkupSTL entry(xml.GetChildSubDoc().c_str());
        if (!entry.FindElem())
            continue;
        if (entry.FindChildElem("service-type")) {
            const std::string type = entry.GetChildData();
            if (type.empty() || type == "1")
                continue;
        }
        _comboItem item;
        entry.ResetChildPos();
        if (entry.FindChildElem("name"))
            item.strName = QString::fromStdString(entry.GetChildData());
        entry.ResetChildPos();
        if (entry.FindChildElem("id"))
            item.strId = QString::fromStdString(entry.GetChildData()).trimmed();
        entry.ResetChildPos();
        QString color;
        if (entry.FindChildElem("color"))
            color = QString::fromStdString(entry.GetChildData()).trimmed();
        bool ok = false;
        item.lId = item.strId.toLong(&ok);
        // The whole entry first: a name alone would post calendar 0.
        if (item.strName.isEmpty() || !ok || item.lId <= 0)
            continue;
        if (!ParseColor(color, item.crColor))
            item.crColor = RGB(0xFB, 0x81, 0x02);  // the accent, for a calendar without a usable colour
        list.items.push_back(item);
    }
    return list;
}

long AlarmLeadSeconds(int nItem)
{
    if (nItem < 0 || nItem >= int(std::size(kAlarmLeads)))
        return kDefaultAlarmLead;
    return kAlarmLeads[nItem];
}

QString EventBody(const SEventFields& f)
{
    QString body = QStringLiteral("event[title]=") + CURLEncoder::EncodeUTF8(f.strTitle, true);
    body += QString::asprintf("&event[calendar_id]=%ld", f.lCalendarId);
    if (f.bAllDay) {
        body += QStringLiteral("&event[allday]=true");
        body += QStringLiteral("&event[start_at]=") + DateDigits(f.start.date);
        body += QStringLiteral("&event[end_at]=") + DateDigits(f.end.date);
    } else {
        body += QStringLiteral("&event[allday]=false");
        body += QStringLiteral("&event[start_at]=") + StampOf(f.start);
        body += QStringLiteral("&event[end_at]=") + StampOf(f.end);
    }
    if (f.bAlarm) {
        body += QStringLiteral("&meta[set_alarm]=true");
        body += QStringLiteral("&alarm[delta_sec]=") + QString::number(AlarmLeadSeconds(f.nAlarmItem));
        body += QStringLiteral("&alarm[program]=1");
    }
    return body;
}

QString TodoBody(const QString& strTitle)
{
    return QStringLiteral("todo[title]=") + CURLEncoder::EncodeUTF8(strTitle, true);
}

ESaveResult ReadSaveAnswer(const SAnswer& answer)
{
    if (!answer.bSent)
        return ESaveResult::NotSent;
    // A success echoes the record as text; a page or an XML document is the service refusing.
    // (The title comes back in the answer, so words of it must not be read as a refusal.)
    const QString text = answer.strText.trimmed();
    const bool page = text.startsWith(u"error page") || text.startsWith(u'<');
    if (answer.nStatus == 401 || (page && text.contains(u"로그인이 필요")))
        return ESaveResult::SignInNeeded;
    if (answer.nStatus < 200 || answer.nStatus > 299 || text.isEmpty() || page)
        return ESaveResult::Refused;
    return ESaveResult::Saved;
}

SAnswer Get(const QString& strPath)
{
    return Exchange(QStringLiteral("GET"), strPath, nullptr);
}

SAnswer PostForm(const QString& strPath, const QString& strBody)
{
    // Everything is ASCII after escaping; the ANSI code page keeps it as it is.
    const QByteArray bytes = platform::textcodec::ToAnsi(strBody);
    return Exchange(QStringLiteral("POST"), strPath, &bytes);
}

}  // namespace quickadd
