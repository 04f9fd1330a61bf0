// tamo-fetch: one request through the program's HTTP client.
//   tamo-fetch [--post BODY] [--head] URL...
// Each URL is fetched in turn on the one shared session, so cookies set by one answer go with
// the next request, as they do in the program.
#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>

#include "base/HttpClient.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Sends requests through the program's HTTP client."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("post"), QStringLiteral("Send a form POST with this body."), QStringLiteral("body")});
    parser.addOption({QStringLiteral("head"), QStringLiteral("Print the answer's headers too.")});
    parser.addPositionalArgument(QStringLiteral("url"), QStringLiteral("http:// or https:// address"), QStringLiteral("URL..."));
    parser.process(app);
    if (parser.positionalArguments().isEmpty())
        parser.showHelp(2);

    int status = 0;
    for (const QString& url : parser.positionalArguments()) {
        const bool post = parser.isSet(QStringLiteral("post"));
        const QByteArray body = parser.value(QStringLiteral("post")).toUtf8();
        CHttpClient http;
        if (!http.Open(post ? QStringLiteral("POST") : QStringLiteral("GET"), url)) {
            std::fprintf(stderr, "%s: 주소를 열 수 없습니다.\n", qPrintable(url));
            status = 1;
            continue;
        }
        const QString headers = post ? QStringLiteral("Content-Type: application/x-www-form-urlencoded") : QString();
        if (!http.Send(headers, headers.size(), body.constData(), DWORD(body.size()))) {
            std::fprintf(stderr, "%s: 서버에 연결할 수 없습니다.\n", qPrintable(url));
            status = 1;
            continue;
        }
        std::printf("%s -> %u\n", qPrintable(url), http.GetStatusCode());
        if (parser.isSet(QStringLiteral("head"))) {
            QString raw;
            if (http.QueryInfo(HTTP_QUERY_RAW_HEADERS_CRLF, raw))
                std::printf("%s", raw.toUtf8().constData());
        }
        std::printf("%s\n", http.ReadAll(CP_UTF8, -1).toUtf8().constData());
    }
    return status;
}
