#include "base/SignInCheck.h"

#include <cstdlib>

#include "base/HttpClient.h"
#include "base/MarkupSTL.h"
#include "base/ServiceEndpoints.h"
#include "base/TextCipher.h"
#include "base/URLEncoder.h"
#include "platform/TextCodec.h"

namespace signin {

namespace {

QString FromAnsi(const std::string& text) { return platform::textcodec::FromAnsi(QByteArrayView(text)); }

// An ERROR child of the current element: its TYPE (7008 without one) and URL.
bool ReadError(CMarkupSTL& xml, Result& result)
{
    xml.ResetChildPos();
    if (!xml.FindChildElem("ERROR"))
        return false;
    const std::string type = xml.GetChildAttrib("TYPE");
    result.error = type.empty() ? kErrorNoType : std::atoi(type.c_str());
    result.url = FromAnsi(xml.GetChildAttrib("URL"));
    return true;
}

}  // namespace

QString CheckUrl(const QString& id, const QString& passwordHex)
{
    // Escaped, so that an ID holding "&", "=", "+" or non-ASCII letters arrives as the one value
    // typed and can't add query fields of its own; letters and digits go out as they are.
    return QStringLiteral("%1?versiontype=&id=%2&pw=%3")
        .arg(CServiceConfig::Current().Url(Service::Update, endpoints::kSignInCheck), CURLEncoder::EncodeUTF8(id, true),
             passwordHex);
}

Result Evaluate(const QString& answer)
{
    Result result;
    if (answer.isEmpty()) {
        result.error = kNoAnswer;
        return result;
    }
    CMarkupSTL xml;
    const QByteArray bytes = platform::textcodec::ToAnsi(answer);
    if (!xml.SetDoc(std::string_view(bytes.constData(), size_t(bytes.size()))) || !xml.FindElem()) {
        result.error = kNotXml;
        return result;
    }
    if (ReadError(xml, result))
        return result;
    xml.ResetChildPos();
    if (!xml.FindChildElem("LOGIN"))
        return result;
    xml.IntoElem();
    if (ReadError(xml, result))
        return result;
    xml.ResetChildPos();
    if (!xml.FindChildElem("COOKIE") || xml.GetChildData().empty()) {
        result.error = kNoCookie;
        return result;
    }
    result.cookie = FromAnsi(xml.GetChildData());
    xml.ResetChildPos();
    if (!xml.FindChildElem("SNS")) {
        result.error = kNoSns;
        result.cookie.clear();
        return result;
    }
    result.ok = true;
    return result;
}

Result Check(const QString& rawId, const QString& password)
{
    Result result;
    const QString id = rawId.toLower();
    if (id.isEmpty() || password.isEmpty() || platform::textcodec::ToAnsi(id).isEmpty())
        return result;
    const QString hex = EncryptToHex(id, password);
    CHttpClient http;
    if (hex.isEmpty() || !http.Open(QStringLiteral("GET"), CheckUrl(id, hex)) || !http.Send(QString(), 0, nullptr, 0)) {
        result.error = kNoAnswer;
        return result;
    }
    return Evaluate(http.ReadAll(CP_UTF8, -1));
}

}  // namespace signin
