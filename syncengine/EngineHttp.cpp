#include "syncengine/EngineHttp.h"

#include "base/HttpClient.h"
#include "base/ServiceEndpoints.h"
#include "platform/TextCodec.h"

namespace enginehttp {

namespace {

const QString kFormHeader = QStringLiteral("Content-Type: application/x-www-form-urlencoded");

Answer Exchange(const QString& verb, const QString& url, const QByteArray* body)
{
    Answer answer;
    CHttpClient http;
    if (!http.Open(verb, url))
        return answer;
    const bool sent = body ? http.Send(kFormHeader, long(kFormHeader.size()), body->constData(), DWORD(body->size()))
                           : http.Send(QString(), 0, nullptr, 0);
    if (!sent) {
        answer.step = Step::Send;
        return answer;
    }
    answer.status = http.GetStatusCode();
    answer.text = http.ReadAll(CP_UTF8, -1);
    answer.step = answer.text.isEmpty() ? Step::Empty : Step::Done;
    return answer;
}

}  // namespace

QString CalendarUrl(const QString& path) { return CServiceConfig::Current().Url(Service::Calendar, path); }

Answer Get(const QString& url) { return Exchange(QStringLiteral("GET"), url, nullptr); }

Answer PostForm(const QString& url, const QString& body)
{
    const QByteArray bytes = platform::textcodec::ToAnsi(body);
    return Exchange(QStringLiteral("POST"), url, &bytes);
}

}  // namespace enginehttp
