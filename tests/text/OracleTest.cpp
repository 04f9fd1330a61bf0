// Cases generated from Python's own implementations by make_fixtures.py.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "base/MarkupSTL.h"
#include "base/TimeExt.h"
#include "base/URLEncoder.h"

namespace {

QJsonDocument LoadFixture(const char* name)
{
    QFile file(QStringLiteral(TEXT_FIXTURES "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll());
}

TEST(OracleTest, EncodeUtf8MatchesQuotePlus)
{
    const QJsonDocument doc = LoadFixture("url.json");
    const QJsonArray cases = doc.object().value("utf16").toArray();
    ASSERT_GT(cases.size(), 100);
    for (const QJsonValue& value : cases) {
        const QJsonObject c = value.toObject();
        const QString text = c.value("text").toString();
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(CURLEncoder::EncodeUTF8(text, true), c.value("lower").toString());
        EXPECT_EQ(CURLEncoder::EncodeUTF8(text, false), c.value("upper").toString());
    }
}

TEST(OracleTest, EncodeMatchesQuotePlus)
{
    const QJsonDocument doc = LoadFixture("url.json");
    const QJsonArray cases = doc.object().value("bytes").toArray();
    ASSERT_GT(cases.size(), 50);
    for (const QJsonValue& value : cases) {
        const QJsonObject c = value.toObject();
        const QByteArray bytes = QByteArray::fromHex(c.value("hex").toString().toLatin1());
        SCOPED_TRACE(c.value("hex").toString().toStdString());
        EXPECT_EQ(CURLEncoder::Encode(bytes.constData(), true), c.value("lower").toString());
        EXPECT_EQ(CURLEncoder::Encode(bytes.constData(), false), c.value("upper").toString());
    }
}

TEST(OracleTest, Rfc1123MatchesEmailUtils)
{
    const QJsonArray cases = LoadFixture("rfc1123.json").array();
    ASSERT_GT(cases.size(), 100);
    for (const QJsonValue& value : cases) {
        const QJsonObject c = value.toObject();
        const QString text = c.value("text").toString();
        SCOPED_TRACE(text.toStdString());
        CTime time = 0;
        ASSERT_TRUE(CTimeExt::ParseRfc1123(text, time));
        EXPECT_EQ(time, CTime(c.value("time").toDouble()));
    }
}

// Checks the current element, then its children, against the elements in pre-order.
void WalkAndCompare(CMarkupSTL& xml, const QJsonArray& expected, qsizetype& n)
{
    ASSERT_LT(n, expected.size());
    const QJsonObject e = expected[n++].toObject();
    EXPECT_EQ(xml.GetTagName(), e.value("tag").toString().toStdString());
    EXPECT_EQ(xml.GetData(), e.value("text").toString().toStdString());
    const QJsonObject attrs = e.value("attrs").toObject();
    for (auto it = attrs.begin(); it != attrs.end(); ++it) {
        EXPECT_EQ(xml.GetAttrib(it.key().toUtf8().constData()), it.value().toString().toStdString())
            << it.key().toStdString();
    }
    while (xml.FindChildElem()) {
        ASSERT_TRUE(xml.IntoElem());
        WalkAndCompare(xml, expected, n);
        ASSERT_TRUE(xml.OutOfElem());
    }
}

TEST(OracleTest, MarkupTextMatchesElementTree)
{
    const QJsonArray cases = LoadFixture("markup.json").array();
    ASSERT_GT(cases.size(), 100);
    for (const QJsonValue& value : cases) {
        const QJsonObject c = value.toObject();
        const QByteArray doc = c.value("doc").toString().toUtf8();
        SCOPED_TRACE(doc.toStdString());
        CMarkupSTL xml;
        ASSERT_TRUE(xml.SetDoc(doc.constData())) << xml.GetError();
        ASSERT_TRUE(xml.FindElem());
        const QJsonArray expected = c.value("elements").toArray();
        qsizetype n = 0;
        WalkAndCompare(xml, expected, n);
        EXPECT_EQ(n, expected.size());
    }
}

}  // namespace
