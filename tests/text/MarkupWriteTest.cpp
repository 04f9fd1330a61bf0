#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/MarkupSTL.h"

namespace {

// Everything a reader can see of the element under the cursor and below it: names, offsets,
// attributes, text and each child's sub-document. Equal signatures of an edited document and
// of a fresh parse of its text mean the edit kept the element table exact.
void Walk(CMarkupSTL& xml, std::string& out)
{
    int nStart = 0, nEnd = 0;
    xml.GetOffsets(nStart, nEnd);
    out += "<" + xml.GetTagName() + " @" + std::to_string(nStart) + "-" + std::to_string(nEnd);
    for (int n = 0;; ++n) {
        const std::string name = xml.GetAttribName(n);
        if (name.empty())
            break;
        out += " " + name + "=" + xml.GetAttrib(name.c_str());
    }
    out += ">" + xml.GetData();
    while (xml.FindChildElem()) {
        out += "[" + xml.GetChildSubDoc() + "]";
        xml.IntoElem();
        Walk(xml, out);
        xml.OutOfElem();
    }
    out += "</>";
}

std::string Signature(CMarkupSTL xml)
{
    xml.ResetPos();
    if (!xml.FindElem())
        return "no root";
    std::string out;
    Walk(xml, out);
    return out;
}

void ExpectConsistent(const CMarkupSTL& xml)
{
    CMarkupSTL reparsed;
    ASSERT_TRUE(reparsed.SetDoc(xml.GetDoc().c_str())) << reparsed.GetError() << "\n" << xml.GetDoc();
    EXPECT_EQ(Signature(xml), Signature(reparsed)) << xml.GetDoc();
}

TEST(MarkupWriteTest, BuildsDocumentFromNothing)
{
    CMarkupSTL xml;
    xml.SetVersion("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    ASSERT_TRUE(xml.AddElem("r"));
    ASSERT_TRUE(xml.AddChildElem("a", "1"));
    ASSERT_TRUE(xml.AddChildElem("b"));
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.AddChildElem("c", "x<y & z"));
    ASSERT_TRUE(xml.AddChildAttrib("q", "\"'"));
    ASSERT_TRUE(xml.OutOfElem());
    ASSERT_TRUE(xml.AddChildElem("d"));
    ASSERT_TRUE(xml.AddChildAttrib("n", 42));
    EXPECT_EQ(xml.GetDoc(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              "<r>\r\n"
              "<a>1</a>\r\n"
              "<b>\r\n"
              "<c q=\"&quot;&apos;\">x&lt;y &amp; z</c>\r\n"
              "</b>\r\n"
              "<d n=\"42\"/>\r\n"
              "</r>\r\n");
    ExpectConsistent(xml);
    EXPECT_EQ(xml.FindGetData("/r/b/c"), "x<y & z");
}

TEST(MarkupWriteTest, TopLevelAddNeedsAnEmptyDocument)
{
    CMarkupSTL xml("<r/>");
    EXPECT_FALSE(xml.AddElem("s"));  // no cursor, but a root exists
    ASSERT_TRUE(xml.FindElem());
    EXPECT_FALSE(xml.AddElem("s"));  // the root has no siblings
    EXPECT_FALSE(xml.AddChildElem(""));
    EXPECT_FALSE(xml.AddChildElem("a b"));
    EXPECT_FALSE(xml.AddAttrib("x=", "1"));
    EXPECT_EQ(xml.GetDoc(), "<r/>");

    CMarkupSTL broken("<r>");  // a document without a root starts over
    broken.SetVersion("<?xml version=\"1.0\"?>\r\n");
    ASSERT_TRUE(broken.AddElem("n", "v"));
    EXPECT_EQ(broken.GetDoc(), "<?xml version=\"1.0\"?>\r\n<n>v</n>\r\n");
    EXPECT_EQ(broken.GetData(), "v");
}

TEST(MarkupWriteTest, InsertAndAddKeepOrder)
{
    CMarkupSTL xml("<r>\r\n<b/>\r\n<d/>\r\n</r>");
    ASSERT_TRUE(xml.FindElem());
    ASSERT_TRUE(xml.InsertChildElem("a"));  // no child: first
    ASSERT_TRUE(xml.FindChildElem("d"));
    ASSERT_TRUE(xml.InsertChildElem("c"));  // before d
    ASSERT_TRUE(xml.AddChildElem("c2"));    // after c
    xml.ResetChildPos();
    ASSERT_TRUE(xml.AddChildElem("e"));  // no child: last
    ExpectConsistent(xml);
    std::string order;
    xml.ResetChildPos();
    while (xml.FindChildElem())
        order += xml.GetChildTagName() + " ";
    EXPECT_EQ(order, "a b c c2 d e ");

    ASSERT_TRUE(xml.FindChildElem("/r/b"));
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.AddElem("b2", "t"));  // a sibling after b
    ExpectConsistent(xml);
    EXPECT_EQ(xml.GetTagName(), "b2");
    ASSERT_TRUE(xml.FindElem());
    EXPECT_EQ(xml.GetTagName(), "c");
}

TEST(MarkupWriteTest, ChildOfEmptyElementExpandsIt)
{
    CMarkupSTL xml("<r><e a=\"1\"/><f/></r>");
    ASSERT_TRUE(xml.FindChildElem("e"));
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.AddChildElem("g", "1"));
    EXPECT_EQ(xml.GetDoc(), "<r><e a=\"1\">\r\n<g>1</g>\r\n</e><f/></r>");
    ExpectConsistent(xml);
}

TEST(MarkupWriteTest, EmptyTagEndingInTwoSlashes)
{
    // Found by fuzzing: '<a x=1 //>' reads as empty; giving it content must not leave a
    // "/" before the ">" of its start tag.
    CMarkupSTL xml("<r><a x=1 //><b//></r>");
    ASSERT_TRUE(xml.FindChildElem("a"));
    ASSERT_TRUE(xml.SetChildData("t"));
    EXPECT_EQ(xml.GetChildData(), "t");
    ExpectConsistent(xml);
    ASSERT_TRUE(xml.FindChildElem("b"));
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.AddChildElem("c"));
    ExpectConsistent(xml);
    EXPECT_EQ(xml.GetDoc(), "<r><a x=1 / >t</a><b/ >\r\n<c/>\r\n</b></r>");
}

TEST(MarkupWriteTest, Attributes)
{
    CMarkupSTL xml("<r>\r\n<e/>\r\n<f  x=\"1\" >t<g/></f>\r\n</r>");
    ASSERT_TRUE(xml.FindChildElem("e"));
    ASSERT_TRUE(xml.SetChildAttrib("a", "v&<"));
    ASSERT_TRUE(xml.SetChildAttrib("b", -7));
    ASSERT_TRUE(xml.SetChildAttrib("a", "longer value"));
    ExpectConsistent(xml);
    EXPECT_EQ(xml.GetChildSubDoc(), "<e a=\"longer value\" b=\"-7\"/>\r\n");
    ASSERT_TRUE(xml.FindChildElem("f"));
    ASSERT_TRUE(xml.AddChildAttrib("y", "2"));
    ASSERT_TRUE(xml.RemoveChildAttrib("x"));
    EXPECT_FALSE(xml.RemoveChildAttrib("x"));
    ExpectConsistent(xml);
    EXPECT_EQ(xml.GetChildSubDoc(), "<f y=\"2\" >t<g/></f>\r\n");
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.AddAttrib("z", "&#65;"));
    EXPECT_EQ(xml.GetAttrib("z"), "&#65;");
    ExpectConsistent(xml);
    xml.ResetPos();
    EXPECT_FALSE(xml.SetAttrib("a", "1"));
    EXPECT_FALSE(xml.SetChildAttrib("a", "1"));
}

TEST(MarkupWriteTest, DataRoundTrips)
{
    struct Case {
        const char* label;
        const char* data;
        bool bCDATA;
        const char* stored;  // the element as written
    };
    const Case cases[] = {
        {"plain", "a<b>&c", false, "<e>a&lt;b&gt;&amp;c</e>"},
        {"reference text", "&#65; &amp;#66;", false, "<e>&#38;#65; &amp;amp;#66;</e>"},
        {"quotes", "'\"", false, "<e>'\"</e>"},
        {"cdata", "<b>&", true, "<e><![CDATA[<b>&]]></e>"},
        {"cdata end inside", "x]]>y", true, "<e>x]]&gt;y</e>"},
        {"empty", "", false, "<e></e>"},
        {"korean", "일정", false, "<e>일정</e>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        CMarkupSTL xml("<r><e>old</e><n/></r>");
        ASSERT_TRUE(xml.FindChildElem("e"));
        ASSERT_TRUE(xml.SetChildData(c.data, c.bCDATA));
        EXPECT_EQ(xml.GetChildSubDoc(), c.stored);
        EXPECT_EQ(xml.GetChildData(), c.data);
        ExpectConsistent(xml);

        CMarkupSTL empty("<r><e/><n/></r>");
        ASSERT_TRUE(empty.FindChildElem("e"));
        ASSERT_TRUE(empty.SetChildData(c.data, c.bCDATA));
        EXPECT_EQ(empty.GetChildData(), c.data);
        ExpectConsistent(empty);
    }
}

TEST(MarkupWriteTest, DataOfElementWithChildrenIsRefused)
{
    CMarkupSTL xml("<r><a/></r>");
    ASSERT_TRUE(xml.FindElem());
    EXPECT_FALSE(xml.SetData("x"));
    EXPECT_TRUE(xml.FindSetData("/r/a", "y"));
    EXPECT_EQ(xml.GetDoc(), "<r><a>y</a></r>");
    EXPECT_FALSE(xml.FindSetData("/r/none", "y"));
}

TEST(MarkupWriteTest, SubDocuments)
{
    CMarkupSTL xml("<r><a/></r>");
    ASSERT_TRUE(xml.FindElem());
    ASSERT_TRUE(xml.AddChildSubDoc("<!-- lead --><s k=\"1\"><t>x</t><u/></s>trailing"));
    EXPECT_EQ(xml.GetChildTagName(), "s");
    ASSERT_TRUE(xml.InsertChildSubDoc("<p><q/></p>"));
    EXPECT_FALSE(xml.AddChildSubDoc("<broken>"));
    ExpectConsistent(xml);
    EXPECT_EQ(xml.GetDoc(), "<r><a/><p><q/></p>\r\n<s k=\"1\"><t>x</t><u/></s>\r\n</r>");
    EXPECT_EQ(xml.FindGetData("/r/s/t"), "x");
}

TEST(MarkupWriteTest, Removal)
{
    CMarkupSTL xml("<r>\r\n<a/>\r\n<b><c/></b>\r\n<d>4</d>\r\n</r>");
    ASSERT_TRUE(xml.FindChildElem("b"));
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.FindChildElem("c"));
    ASSERT_TRUE(xml.SavePos("in b"));
    ASSERT_TRUE(xml.OutOfElem());
    ASSERT_TRUE(xml.RemoveChildElem());
    EXPECT_EQ(xml.GetChildTagName(), "a");  // the previous sibling
    EXPECT_FALSE(xml.RestorePos("in b"));   // it pointed into the removed element
    ExpectConsistent(xml);
    ASSERT_TRUE(xml.FindChildElem());
    EXPECT_EQ(xml.GetChildData(), "4");
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.RemoveElem());
    EXPECT_EQ(xml.GetTagName(), "a");
    EXPECT_EQ(xml.GetDoc(), "<r>\r\n<a/>\r\n</r>");
    ExpectConsistent(xml);
    ASSERT_TRUE(xml.RemoveElem());
    EXPECT_FALSE(xml.RemoveElem());
    xml.ResetPos();
    ASSERT_TRUE(xml.FindElem());
    ASSERT_TRUE(xml.RemoveElem());
    EXPECT_EQ(xml.GetDoc(), "");
    EXPECT_FALSE(xml.IsWellFormed());
}

// Many random edits in a row, each checked against a fresh parse of the text.
TEST(MarkupWriteTest, RandomEditsStayConsistent)
{
    std::mt19937 random(20061);
    const char* names[] = {"a", "b", "cc", "d"};
    const char* values[] = {"", "1", "x<y", "&#65;", "'q\"", "]]>", "일정"};
    CMarkupSTL xml("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<root><a>t</a><b/></root>\r\n");
    ASSERT_TRUE(xml.FindElem());
    for (int step = 0; step < 1500; ++step) {
        const char* name = names[random() % 4];
        const char* value = values[random() % 7];
        switch (random() % 14) {
        case 0: xml.AddChildElem(name, value); break;
        case 1: xml.InsertChildElem(name, value); break;
        case 2: xml.AddElem(name, value); break;
        case 3: xml.SetAttrib(name, value); break;
        case 4: xml.SetChildAttrib(name, value); break;
        case 5: xml.RemoveAttrib(name); break;
        case 6: xml.SetData(value, random() % 2); break;
        case 7: xml.SetChildData(value, random() % 2); break;
        case 8: if (random() % 3 == 0) xml.RemoveChildElem(); break;
        case 9: xml.IntoElem(); break;
        case 10: xml.OutOfElem(); break;
        case 11: if (!xml.FindChildElem()) xml.ResetChildPos(); break;
        case 12: xml.AddChildSubDoc("<s a=\"1\"><t>v</t></s>"); break;
        case 13: if (random() % 4 == 0 && xml.GetTagName() != "root") xml.RemoveElem(); break;
        }
        ASSERT_NO_FATAL_FAILURE(ExpectConsistent(xml));
        if (HasFailure())
            return;
        if (xml.GetTagName().empty()) {
            xml.ResetPos();
            ASSERT_TRUE(xml.FindElem());
        }
    }
    ExpectConsistent(xml);
}

}  // namespace
