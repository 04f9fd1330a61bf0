#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <string>

#include "base/MarkupSTL.h"

namespace {

struct ParseCase {
    const char* label;
    const char* doc;
    bool bOk;
    const char* error;  // expected message when the parse fails
};

class MarkupParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(MarkupParseTest, ResultAndMessage)
{
    const ParseCase& c = GetParam();
    CMarkupSTL xml;
    EXPECT_EQ(xml.SetDoc(c.doc), c.bOk);
    EXPECT_EQ(xml.IsWellFormed(), c.bOk);
    if (!c.bOk) {
        EXPECT_EQ(xml.GetError(), c.error);
        // A failed parse leaves nothing to find, but keeps the text.
        EXPECT_FALSE(xml.FindElem());
        EXPECT_FALSE(xml.FindChildElem());
        EXPECT_EQ(xml.GetDoc(), c.doc);
    } else {
        EXPECT_TRUE(xml.FindElem());
    }
}

const ParseCase kParseCases[] = {
    {"Empty", "", false, "Element tag not found"},
    {"TextOnly", "hello", false, "Element tag not found"},
    {"AbruptEnd", "<", false, "Abrupt end within tag"},
    {"AbruptEndBlanks", "<a></a>< \r\n", true, ""},  // text after the root is not looked at
    {"QuotedTag", "<\"a\">", false, "Tag starts with quote"},
    {"StartTagOpen", "<a", false, "End of tag not found"},
    {"StartTagOpenQuote", "<a x=\">\"", false, "End of tag not found"},
    {"CommentOpen", "<!-- x", false, "End of tag not found"},
    {"PiOpen", "<?xml ", false, "End of tag not found"},
    {"CDataOpen", "<a><![CDATA[x</a>", false, "End of tag not found"},
    {"OnlyStart", "<a>", false, "End tag of a element not found"},
    {"OnlyStartNested", "<a><b>", false, "End tag of b element not found"},
    {"WrongEnd", "<a><b/></c>", false, "End tag does not correspond to a"},
    {"PrefixEnd", "<ab></a>", false, "End tag does not correspond to ab"},
    {"LongerEnd", "<a></ab>", false, "End tag does not correspond to a"},
    {"EndNotClosed", "<a></a", false, "End tag not completed for element a"},
    {"EndWithoutName", "<a></>", false, "End tag not completed for element a"},
    {"RootEndTagOnly", "</a>", false, ""},
    {"Empty element", "<a/>", true, ""},
    {"SpacesInTags", "< a x = \"1\" >< / a >", true, ""},
    {"EndTagExtraTokens", "<a></a junk>", true, ""},
    {"EndTagLineBreak", "<a><b></b\r\n></a>", true, ""},
    {"EndTagSlashAfterName", "<a></a/>", true, ""},
    {"EndTagNameThenQuote", "<a></a\">\">", false, "End tag does not correspond to a"},
    {"PrologAndComment",
     "<?xml version=\"1.0\"?>\r\n<!DOCTYPE r>\r\n<!-- c -->\r\n<r><!-- in --><x/></r>", true, ""},
    {"CDataWithTags", "<a><![CDATA[<b></c>]]></a>", true, ""},
    {"NestedDeep", "<a><b><c><d/></c></b></a>", true, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, MarkupParseTest, testing::ValuesIn(kParseCases),
                         [](const auto& info) {
                             std::string name;
                             for (const char* p = info.param.label; *p; ++p)
                                 name += std::isalnum((unsigned char)*p) ? *p : '_';
                             return name;
                         });

TEST(MarkupParseTest, ZeroByteInStartTagIsText)
{
    // A document given with its length keeps its zero bytes; in a start tag one is only text.
    CMarkupSTL xml;
    ASSERT_TRUE(xml.SetDoc(std::string_view("<a \0 x=\"1\">t</a>", 17)));
    ASSERT_TRUE(xml.FindElem());
    EXPECT_EQ(xml.GetAttrib("x"), "1");
    EXPECT_EQ(xml.GetData(), "t");
}

TEST(MarkupParseTest, LongNameInMessageIsCut)
{
    const std::string name(1000, 'n');
    CMarkupSTL xml;
    EXPECT_FALSE(xml.SetDoc(("<" + name + ">").c_str()));
    EXPECT_EQ(xml.GetError().size(), 300u);
    EXPECT_EQ(xml.GetError().rfind("End tag of nnn", 0), 0u);
}

TEST(MarkupParseTest, ErrorSurvivesLaterSuccess)
{
    CMarkupSTL xml("<a>");
    EXPECT_TRUE(xml.SetDoc("<b/>"));
    EXPECT_EQ(xml.GetError(), "End tag of a element not found");
}

TEST(MarkupParseTest, DeepNestingParsesWithoutRecursion)
{
    const int kDepth = 200000;
    std::string doc;
    for (int i = 0; i < kDepth; ++i)
        doc += "<e>";
    for (int i = 0; i < kDepth; ++i)
        doc += "</e>";
    CMarkupSTL xml;
    ASSERT_TRUE(xml.SetDoc(doc.c_str()));
    int nDepth = 1;
    xml.FindElem();
    while (xml.IntoElem())
        ++nDepth;
    EXPECT_EQ(nDepth, kDepth);
}

TEST(MarkupNavigationTest, ChildSearchContinuesAfterCurrentChild)
{
    CMarkupSTL xml("<r><x>1</x><y a=\"v\"/></r>");
    ASSERT_TRUE(xml.FindElem());
    EXPECT_EQ(xml.GetTagName(), "r");
    ASSERT_TRUE(xml.FindChildElem("y"));
    EXPECT_EQ(xml.GetChildAttrib("a"), "v");
    EXPECT_FALSE(xml.FindChildElem("x"));
    xml.ResetChildPos();
    ASSERT_TRUE(xml.FindChildElem("x"));
    EXPECT_EQ(xml.GetChildData(), "1");
    EXPECT_EQ(xml.GetChildTagName(), "x");
}

TEST(MarkupNavigationTest, AbsolutePathFromAnyCursor)
{
    CMarkupSTL xml("<r><x><z/></x><y>2</y></r>");
    ASSERT_TRUE(xml.FindElem());
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.IntoElem());
    EXPECT_EQ(xml.GetTagName(), "z");
    ASSERT_TRUE(xml.FindElem("/r/y"));
    EXPECT_EQ(xml.GetTagName(), "y");
    EXPECT_EQ(xml.GetData(), "2");
    ASSERT_TRUE(xml.FindElem("/"));
    EXPECT_EQ(xml.GetTagName(), "r");
    EXPECT_FALSE(xml.FindElem("/y"));
}

TEST(MarkupNavigationTest, PathSteps)
{
    struct Case {
        const char* path;
        bool bFound;
        const char* data;
    };
    // A matching step is followed into its children and its siblings are not revisited, so
    // "a/d" fails although the second <a> holds a <d>.
    const Case cases[] = {
        {"a/b", true, "ab"},  {"*/c", true, "ac"},  {"a/*", true, "ab"},  {"a/c", true, "ac"},
        {"*", true, ""},      {"a/b/x", false, ""}, {"a/d", false, ""},   {"b", false, ""},
        {"a/", false, ""},    {"aa/b", false, ""},  {"", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        CMarkupSTL xml("<r><a><b>ab</b><c>ac</c></a><a><d/></a></r>");
        ASSERT_TRUE(xml.FindElem());
        EXPECT_EQ(xml.FindChildElem(c.path), c.bFound);
        if (c.bFound) {
            EXPECT_EQ(xml.GetChildData(), c.data);
        }
    }
}

TEST(MarkupNavigationTest, IntoAndOutOf)
{
    CMarkupSTL xml("<r><a><b/></a><c/></r>");
    EXPECT_FALSE(xml.OutOfElem());
    EXPECT_TRUE(xml.IntoElem());  // finds the root as a child of nothing, then descends
    EXPECT_EQ(xml.GetTagName(), "a");
    ASSERT_TRUE(xml.OutOfElem());
    EXPECT_EQ(xml.GetTagName(), "r");
    EXPECT_EQ(xml.GetChildTagName(), "a");
    EXPECT_FALSE(xml.OutOfElem());  // the root level
    ASSERT_TRUE(xml.FindChildElem("c"));
    EXPECT_FALSE(xml.IntoElem() && xml.IntoElem());
}

TEST(MarkupNavigationTest, SavedPositions)
{
    CMarkupSTL xml("<r><a/><b/></r>");
    EXPECT_FALSE(xml.SavePos("start"));  // no current element
    ASSERT_TRUE(xml.FindElem());
    ASSERT_TRUE(xml.FindChildElem("a"));
    EXPECT_TRUE(xml.SavePos("at a"));
    ASSERT_TRUE(xml.FindChildElem("b"));
    EXPECT_FALSE(xml.RestorePos("never"));
    EXPECT_FALSE(xml.RestorePos(nullptr));
    EXPECT_FALSE(xml.SavePos(nullptr));
    ASSERT_TRUE(xml.RestorePos("at a"));
    EXPECT_EQ(xml.GetChildTagName(), "a");
    xml.SetDoc("<r/>");
    EXPECT_FALSE(xml.RestorePos("at a"));
}

TEST(MarkupNavigationTest, SubDocAndOffsets)
{
    CMarkupSTL xml("<r>\r\n  <a x=\"1\">t</a>\r\n  <b/>\r\n</r>");
    int nStart = -1, nEnd = -1;
    EXPECT_FALSE(xml.GetOffsets(nStart, nEnd));
    ASSERT_TRUE(xml.FindChildElem("a"));
    EXPECT_EQ(xml.GetChildSubDoc(), "<a x=\"1\">t</a>\r\n  ");
    ASSERT_TRUE(xml.GetOffsets(nStart, nEnd));
    EXPECT_EQ(nStart, 0);
    EXPECT_EQ(nEnd, int(xml.GetDoc().size()) - 1);
}

TEST(MarkupDataTest, TextContent)
{
    struct Case {
        const char* label;
        const char* doc;
        const char* data;
    };
    const Case cases[] = {
        {"plain", "<a> x y </a>", " x y "},
        {"empty element", "<a/>", ""},
        {"nothing between tags", "<a></a>", ""},
        {"children hide text", "<a>text<b/>more</a>", ""},
        {"comment is not a child", "<a>x<!-- c -->y</a>", "x<!-- c -->y"},
        {"named entities", "<a>&lt;&amp;&gt;&apos;&quot;</a>", "<&>'\""},
        {"escaped reference", "<a>&amp;#65;&amp;#x42;</a>", "AB"},
        {"decimal and hex", "<a>&#65;&#x41;&#x4a;&#X41;</a>", "AAJ&#X41;"},
        {"reference too long", "<a>&#0000065;&#000065;</a>", "&#0000065;A"},
        {"lone ampersand", "<a>a & b &</a>", "a & b &"},
        {"unknown entity", "<a>&nbsp;&amp</a>", "&nbsp;&amp"},
        {"unterminated reference", "<a>&#65</a>", "&#65"},
        {"empty reference", "<a>&#;&#x;</a>", "&#;&#x;"},
        {"reference to zero", "<a>&#0;</a>", "&#0;"},
        {"ascii document reference", "<a>&#xAC00;</a>", "\xEA\xB0\x80"},
        {"beyond the plane", "<a>&#x1F600;</a>", "\xF0\x9F\x98\x80"},
        {"surrogate", "<a>&#xD800;</a>", "&#xD800;"},
        {"cdata", "<a>  <![CDATA[<b>&amp;</b>]]>  </a>", "<b>&amp;</b>"},
        {"cdata after text", "<a>x<![CDATA[y]]></a>", "x<![CDATA[y]]>"},
        {"entity at the end", "<a>&lt</a>", "&lt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        CMarkupSTL xml(c.doc);
        ASSERT_TRUE(xml.FindElem());
        EXPECT_EQ(xml.GetData(), c.data);
    }
}

TEST(MarkupDataTest, Utf8Declaration)
{
    struct Case {
        const char* label;
        const char* doc;
        const char* data;
    };
    const Case cases[] = {
        {"small letters", "<?xml version=\"1.0\" encoding=\"utf-8\"?><a>&#xAC00;</a>", "\xEA\xB0\x80"},
        {"declared text passes", "<?xml encoding=\"UTF-8\"?><a>\xEA\xB0\x80</a>", "\xEA\xB0\x80"},
        {"invalid bytes replaced", "<?xml encoding=\"UTF-8\"?><a>x\xFFy</a>", "x\xEF\xBF\xBDy"},
        {"overlong form replaced", "<?xml encoding=\"UTF-8\"?><a>\xC0\xAF</a>", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"surrogate replaced", "<?xml encoding=\"UTF-8\"?><a>\xED\xA0\x80</a>", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"cut sequence replaced", "<?xml encoding=\"UTF-8\"?><a>x\xEA\xB0</a>", "x\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"undeclared bytes pass", "<a>x\xFFy</a>", "x\xFFy"},
        {"not the first markup", "<!-- c --><?xml encoding=\"UTF-8\"?><a>x\xFFy</a>", "x\xFFy"},
        {"cdata unconverted", "<?xml encoding=\"UTF-8\"?><a><![CDATA[x\xFFy]]></a>", "x\xFFy"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        CMarkupSTL xml(c.doc);
        ASSERT_TRUE(xml.FindElem());
        EXPECT_EQ(xml.GetData(), c.data);
    }
}

TEST(MarkupDataTest, OtherBracketMarkupIsText)
{
    CMarkupSTL ok("<r><a><![ x ]]></a></r>");
    ASSERT_TRUE(ok.FindChildElem("a"));
    EXPECT_EQ(ok.GetChildData(), "<![ x ]]>");
}

TEST(MarkupAttribTest, Values)
{
    struct Case {
        const char* tag;
        const char* name;
        const char* value;
    };
    const Case cases[] = {
        {"<e a=\"1\" b=\"2\"/>", "b", "2"},
        {"<e a = \"1\"/>", "a", "1"},
        {"<e a='1'/>", "a", ""},
        {"<e ab=\"1\" a=\"2\"/>", "a", "2"},
        {"<e a=\"&lt;&#65;\"/>", "a", "<A"},
        {"<e x=\"a\" a=\"3\"></e>", "a", "3"},
        {"<e b=\"1\" a/>", "a", ""},
        {"<e a=\"1\"></e>", "e", ""},
        {"<e a=\"\"/>", "a", ""},
        {"<e a=\"x>y\" b=\"/>\"/>", "b", "/>"},  // ">" inside a value doesn't end the tag
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        const std::string doc = std::string("<r>") + c.tag + "</r>";
        CMarkupSTL xml(doc.c_str());
        ASSERT_TRUE(xml.FindChildElem());
        EXPECT_EQ(xml.GetChildAttrib(c.name), c.value);
    }
}

TEST(MarkupAttribTest, Names)
{
    CMarkupSTL xml("<e first=\"1\" second=\"2\">x</e>");
    ASSERT_TRUE(xml.FindElem());
    EXPECT_EQ(xml.GetAttribName(0), "first");
    EXPECT_EQ(xml.GetAttribName(1), "second");
    EXPECT_EQ(xml.GetAttribName(2), "");
    EXPECT_EQ(xml.GetAttrib(nullptr), "");
}

TEST(MarkupDocumentTest, ServiceAnswerWalk)
{
    const char* answer =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<response>\n"
        "  <calendar id=\"11\" default=\"true\"><name>개인</name></calendar>\n"
        "  <calendar id=\"12\" default=\"false\"><name>&lt;회사&gt;</name></calendar>\n"
        "</response>\n";
    CMarkupSTL xml;
    ASSERT_TRUE(xml.SetDoc(answer));
    xml.ResetPos();
    ASSERT_TRUE(xml.FindElem());
    EXPECT_FALSE(xml.FindChildElem("ERROR"));
    std::string names;
    while (xml.FindChildElem("calendar")) {
        names += xml.GetChildAttrib("id") + ":";
        ASSERT_TRUE(xml.IntoElem());
        ASSERT_TRUE(xml.FindChildElem("name"));
        names += xml.GetChildData() + ";";
        ASSERT_TRUE(xml.OutOfElem());
    }
    EXPECT_EQ(names, "11:개인;12:<회사>;");
    EXPECT_EQ(xml.FindGetData("/response/calendar/name"), "개인");
    EXPECT_EQ(xml.FindGetData("/response/nothing"), "");
}

TEST(MarkupDocumentTest, LoadAndSave)
{
    const std::string dir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    const std::string path = dir + "/markup-load.xml";
    CMarkupSTL xml("<r>\r\n<a>1</a>\r\n</r>\r\n");
    ASSERT_TRUE(xml.Save(path.c_str()));
    CMarkupSTL loaded;
    ASSERT_TRUE(loaded.Load(path.c_str()));
    EXPECT_EQ(loaded.GetDoc(), xml.GetDoc());
    EXPECT_EQ(loaded.FindGetData("/r/a"), "1");

    EXPECT_FALSE(loaded.Load((dir + "/missing.xml").c_str()));
    EXPECT_EQ(loaded.GetDoc(), "");
    EXPECT_FALSE(loaded.FindElem());

    CMarkupSTL broken("<a>");
    ASSERT_TRUE(broken.Save(path.c_str()));
    EXPECT_FALSE(loaded.Load(path.c_str()));
    EXPECT_EQ(loaded.GetDoc(), "");
    EXPECT_EQ(loaded.GetError(), "End tag of a element not found");

    CMarkupSTL empty;
    EXPECT_TRUE(empty.Save(path.c_str()));
    EXPECT_FALSE(empty.Save((dir + "/no/such/dir/x.xml").c_str()));
}

TEST(MarkupDocumentTest, CopyIsIndependent)
{
    CMarkupSTL xml("<r><a>1</a></r>");
    ASSERT_TRUE(xml.FindChildElem("a"));
    CMarkupSTL copy(xml);
    EXPECT_EQ(copy.GetChildData(), "1");
    ASSERT_TRUE(copy.SetChildData("2"));
    EXPECT_EQ(xml.GetChildData(), "1");
    EXPECT_EQ(copy.GetChildData(), "2");
}

TEST(MarkupBase64Test, RoundTripAndLayout)
{
    std::string bytes;
    for (int i = 0; i < 100; ++i)
        bytes += char(i * 7);
    for (size_t n : {0u, 1u, 2u, 3u, 47u, 48u, 49u, 100u}) {
        SCOPED_TRACE(n);
        const std::string text =
            CMarkupSTL::EncodeBase64(reinterpret_cast<const unsigned char*>(bytes.data()), int(n));
        ASSERT_EQ(text.rfind("\r\n", 0), 0u);
        const int nNeeded = CMarkupSTL::DecodeBase64(text.c_str(), nullptr, 0);
        EXPECT_GE(nNeeded, int(n));
        std::string out(size_t(nNeeded), '\0');
        const int nOut = CMarkupSTL::DecodeBase64(text.c_str(), reinterpret_cast<unsigned char*>(out.data()),
                                                  nNeeded);
        ASSERT_EQ(nOut, int(n));
        EXPECT_EQ(out.substr(0, n), bytes.substr(0, n));
        if (n > 1) {  // a length of 0 asks for the size needed
            std::string small(n - 1, '\0');
            EXPECT_EQ(CMarkupSTL::DecodeBase64(text.c_str(), reinterpret_cast<unsigned char*>(small.data()),
                                               int(n) - 1),
                      0);
        }
    }
    const unsigned char abc[] = {'M', 'a', 'n', 'M', 'a'};
    EXPECT_EQ(CMarkupSTL::EncodeBase64(abc, 5), "\r\nTWFuTWE=\r\n");
    EXPECT_EQ(CMarkupSTL::EncodeBase64(abc, 3), "\r\nTWFu");
    const std::string line48(48, 'x');
    const std::string encoded =
        CMarkupSTL::EncodeBase64(reinterpret_cast<const unsigned char*>(line48.data()), 48);
    EXPECT_EQ(encoded.size(), 2u + 64u + 2u);
}

TEST(MarkupBase64Test, Utf8ToAnsiCutsAtCharacters)
{
    char buffer[5];
    EXPECT_EQ(CMarkupSTL::UTF8ToAnsi("가나", buffer, sizeof buffer), 6);
    EXPECT_STREQ(buffer, "가");
    EXPECT_EQ(CMarkupSTL::UTF8ToAnsi("ab", buffer, sizeof buffer), 2);
    EXPECT_STREQ(buffer, "ab");
}

}  // namespace
