#include "base/MarkupSTL.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/TextCodec.h"

namespace {

// Character classes of the tokenizer, looked up rather than compared one by one.
enum : unsigned char { kSpace = 1, kDelimiter = 2 };
constexpr auto kClasses = [] {
    std::array<unsigned char, 256> classes{};
    for (const char c : std::string_view(" \t\n\r"))
        classes[(unsigned char)c] = kSpace;
    for (const char c : std::string_view("<>=\\/?!"))
        classes[(unsigned char)c] = kDelimiter;
    return classes;
}();

bool IsSpace(char c)
{
    return kClasses[(unsigned char)c] == kSpace;
}

bool IsDelimiter(char c)
{
    return kClasses[(unsigned char)c] == kDelimiter;
}

// One token of the document: a quoted string, a single delimiter, or a run of other
// characters. The text is doc[nL, nR).
struct Token {
    std::string_view doc;
    int nL = 0;
    int nR = 0;
    int nNext = 0;
    bool bIsString = false;

    Token(std::string_view d, int nStart) : doc(d), nNext(nStart) {}

    bool FindToken()
    {
        const int nLen = int(doc.size());
        int n = nNext;
        while (n < nLen && IsSpace(doc[n]))
            ++n;
        if (n >= nLen) {
            nNext = nLen;
            return false;
        }
        bIsString = doc[n] == '"';
        if (bIsString) {
            nL = n + 1;
            const size_t q = doc.find('"', size_t(nL));
            nR = q == std::string_view::npos ? nLen : int(q);
            nNext = q == std::string_view::npos ? nLen : nR + 1;
            return true;
        }
        nL = n;
        if (IsDelimiter(doc[n])) {
            nR = nNext = n + 1;
            return true;
        }
        while (n < nLen && !kClasses[(unsigned char)doc[n]])
            ++n;
        nR = nNext = n;
        return true;
    }

    std::string_view Text() const { return doc.substr(size_t(nL), size_t(nR - nL)); }
    bool Is(char c) const { return !bIsString && nR == nL + 1 && doc[nL] == c; }

    // The name begins with the token and goes on with its end or one of " =/[".
    bool Match(std::string_view name) const
    {
        const std::string_view text = Text();
        if (name.size() < text.size() || name.compare(0, text.size(), text) != 0)
            return false;
        if (name.size() == text.size())
            return true;
        const char c = name[text.size()];
        return c == ' ' || c == '=' || c == '/' || c == '[';
    }
};

// Valid names for elements and attributes that the writing side creates: anything that the
// tokenizer reads back as one name token.
bool IsWritableName(const char* szName)
{
    if (!szName || !*szName)
        return false;
    for (const char* p = szName; *p; ++p) {
        if (IsSpace(*p) || IsDelimiter(*p) || *p == '"' || *p == '&')
            return false;
    }
    return true;
}

void AppendUtf8(std::string& out, unsigned cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// A character reference after "&#" at nPos: decimal digits, or "x" and hexadecimal digits,
// closed by ";" within 7 characters, all before nEnd. Answers the position after the ";".
int ReadCharRef(std::string_view doc, int nPos, int nEnd, unsigned& cp)
{
    const int nLimit = std::min(nEnd, nPos + 7);
    int n = nPos;
    const bool bHex = n < nLimit && doc[n] == 'x';
    if (bHex)
        ++n;
    const int nDigits = n;
    unsigned value = 0;
    for (; n < nLimit && doc[n] != ';'; ++n) {
        const char c = doc[n];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (bHex && c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else if (bHex && c >= 'A' && c <= 'F')
            digit = unsigned(c - 'A' + 10);
        else
            return -1;
        value = value * (bHex ? 16 : 10) + digit;
    }
    if (n >= nLimit || n == nDigits)
        return -1;
    // Zero, surrogates and numbers beyond Unicode name no character: left as written.
    if (value == 0 || (value >= 0xD800 && value < 0xE000) || value > 0x10FFFF)
        return -1;
    cp = value;
    return n + 1;
}

std::string EscapeText(std::string_view text, bool bAttrib)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        // "&amp;#" reads back as a character reference, so an ampersand before "#" is
        // written as a reference of its own.
        case '&': out += (i + 1 < text.size() && text[i + 1] == '#') ? "&#38;" : "&amp;"; break;
        case '\'': out += bAttrib ? "&apos;" : "'"; break;
        case '"': out += bAttrib ? "&quot;" : "\""; break;
        default: out += c; break;
        }
    }
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8)
{
    const QByteArray ansi = platform::textcodec::ToAnsi(
        platform::textcodec::ToUnicode(CP_UTF8, QByteArrayView(utf8.data(), qsizetype(utf8.size()))));
    return std::string(ansi.constData(), size_t(ansi.size()));
}

// Well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF) converts to
// itself through UTF-16 and back, so only other text needs the round trip.
bool IsWellFormedUtf8(std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        if (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if ((word & 0x8080808080808080u) == 0) {
                p += 8;
                continue;
            }
        }
        const unsigned c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        // The usual three-byte character (Hangul) without the general loop.
        if (c >= 0xE1 && c <= 0xEC && end - p > 2 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
            p += 3;
            continue;
        }
        int nMore;
        unsigned min;
        if (c >= 0xC2 && c <= 0xDF)
            nMore = 1, min = 0x80;
        else if (c >= 0xE0 && c <= 0xEF)
            nMore = 2, min = 0x800;
        else if (c >= 0xF0 && c <= 0xF4)
            nMore = 3, min = 0x10000;
        else
            return false;
        if (end - p <= nMore)
            return false;
        unsigned cp = c & (0x3F >> nMore);
        for (int i = 1; i <= nMore; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            cp = cp << 6 | (p[i] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
            return false;
        p += nMore + 1;
    }
    return true;
}

}  // namespace

CMarkupSTL::CMarkupSTL()
{
    SetDoc(static_cast<const char*>(nullptr));
}

CMarkupSTL::CMarkupSTL(const char* szDoc)
{
    SetDoc(szDoc);
}

CMarkupSTL::~CMarkupSTL() = default;

// ---- document -------------------------------------------------------------------------------

bool CMarkupSTL::SetDoc(const char* szDoc)
{
    if (szDoc)
        return SetDoc(std::string_view(szDoc));
    m_strDoc.clear();
    m_mapSavedPos.clear();
    m_bUTF8 = false;
    ResetPos();
    m_aPos.assign(8, ElemPos{});
    m_iPosFree = 1;
    return false;
}

bool CMarkupSTL::SetDoc(std::string_view doc)
{
    m_strDoc.assign(doc);
    m_mapSavedPos.clear();
    m_bUTF8 = false;
    return x_ParseDoc();
}

bool CMarkupSTL::Load(const char* szPath)
{
    std::string strDoc;
    bool bRead = false;
    if (szPath) {
        if (std::FILE* fp = std::fopen(szPath, "rb")) {
            char buffer[65536];
            size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, fp)) > 0)
                strDoc.append(buffer, n);
            bRead = !std::ferror(fp);
            std::fclose(fp);
        }
    }
#ifdef TAMO_UPDATER
    // The update program parses the whole file as read, zero bytes and all.
    if (bRead && SetDoc(std::string_view(strDoc)))
        return true;
#else
    // The file is read as a zero-terminated text: it ends at its first zero byte.
    if (bRead && SetDoc(strDoc.c_str()))
        return true;
#endif
    SetDoc(static_cast<const char*>(nullptr));
    return false;
}

bool CMarkupSTL::Save(const char* szPath) const
{
    if (!szPath)
        return false;
    std::FILE* fp = std::fopen(szPath, "wb");
    if (!fp)
        return false;
    const bool bWritten = std::fwrite(m_strDoc.data(), 1, m_strDoc.size(), fp) == m_strDoc.size();
    return std::fclose(fp) == 0 && bWritten;
}

// ---- parsing --------------------------------------------------------------------------------

bool CMarkupSTL::x_ParseDoc()
{
    ResetPos();
    // Room for the elements of most documents: small answers are dense with tags.
    const size_t nSize = m_strDoc.size();
    m_aPos.assign(nSize < 65536 ? nSize / 16 + 16 : nSize / 32 + 8, ElemPos{});
    m_iPosFree = 1;
    int iRoot = -1;
    if (m_strDoc.size() >= size_t(INT_MAX) / 2)
        m_strError = "Document too large";
    else
        iRoot = x_ParseElems();
    if (iRoot <= 0) {
        m_aPos[0] = ElemPos{};
        m_iPosFree = 1;
        ResetPos();
        return false;
    }
    m_aPos[0].iElemChild = iRoot;
    return true;
}

int CMarkupSTL::x_GetFreePos()
{
    if (m_iPosFree >= int(m_aPos.size()))
        m_aPos.resize(m_aPos.size() + m_aPos.size() / 2);
    m_aPos[m_iPosFree] = ElemPos{};
    return m_iPosFree++;
}

void CMarkupSTL::x_SetError(const char* szFormat, std::string_view name)
{
    char buffer[301];
    const std::string strName(name);
    std::snprintf(buffer, sizeof buffer, szFormat, strName.c_str());
    m_strError = buffer;
}

void CMarkupSTL::x_SetNext(int iPos)
{
    ElemPos& e = m_aPos[iPos];
    const size_t lt = m_strDoc.find('<', size_t(e.nEndR) + 1);
    e.nNext = lt == std::string::npos ? int(m_strDoc.size()) : int(lt);
}

// The element tree is built with an explicit stack of open elements rather than by recursion,
// so that a deeply nested document can't exhaust the call stack.
int CMarkupSTL::x_ParseElems()
{
    struct Open {
        int iPos;
        int iLastChild;
        std::string_view name;
    };
    std::vector<Open> stack;
    stack.reserve(16);
    int nScan = 0;
    bool bFirstMarkup = true;
    for (;;) {
        const int iParent = stack.empty() ? 0 : stack.back().iPos;
        const int iPos = x_GetFreePos();
        m_aPos[iPos].iElemParent = iParent;
        bool bEmpty = false;
        std::string_view name;
        const int nResult = x_ParseStartTag(iPos, nScan, bFirstMarkup, stack.empty(), bEmpty, name);
        if (nResult < 0)
            return -1;
        if (nResult == 0) {
            --m_iPosFree;  // the entry is not used: no more children
            if (stack.empty())
                return 0;
            const int iClosed = stack.back().iPos;
            if (!x_ParseEndTag(iClosed, nScan, stack.back().name))
                return -1;
            stack.pop_back();
            if (stack.empty())
                return iClosed;
            continue;
        }
        if (!stack.empty()) {
            Open& parent = stack.back();
            if (parent.iLastChild)
                m_aPos[parent.iLastChild].iElemNext = iPos;
            else
                m_aPos[parent.iPos].iElemChild = iPos;
            parent.iLastChild = iPos;
        }
        if (bEmpty) {
            x_SetNext(iPos);
            if (stack.empty())
                return iPos;
            nScan = m_aPos[iPos].nEndR + 1;
        } else {
            stack.push_back({iPos, 0, name});
            nScan = m_aPos[iPos].nStartR + 1;
        }
    }
}

// Finds the next markup from nScan, skipping declarations, processing instructions, comments
// and CDATA sections. Answers 1 for a start tag (recorded in iPos), 0 for an end tag or, inside
// an element, the end of the document, and -1 for an error.
int CMarkupSTL::x_ParseStartTag(int iPos, int& nScan, bool& bFirstMarkup, bool bTopLevel,
                                bool& bEmpty, std::string_view& name)
{
    const std::string_view doc(m_strDoc);
    for (;;) {
        const size_t lt = doc.find('<', size_t(nScan));
        if (lt == std::string_view::npos) {
            if (bTopLevel) {
                m_strError = "Element tag not found";
                return -1;
            }
            nScan = int(doc.size());
            return 0;
        }
        nScan = int(lt);
        Token token(doc, nScan + 1);
        if (!token.FindToken()) {
            m_strError = "Abrupt end within tag";
            return -1;
        }
        if (token.bIsString) {
            m_strError = "Tag starts with quote";
            return -1;
        }
        const bool bFirst = bFirstMarkup;
        bFirstMarkup = false;
        const char c = doc[size_t(token.nL)];
        if (c == '/')
            return 0;
        if (c == '?' || c == '!') {
            std::string_view end = "?>";
            if (c == '!') {
                const char next = size_t(token.nNext) < doc.size() ? doc[size_t(token.nNext)] : '\0';
                end = next == '[' ? "]]>" : next == '-' ? "-->" : ">";
            }
            const size_t found = doc.find(end, size_t(token.nNext));
            if (found == std::string_view::npos) {
                m_strError = "End of tag not found";
                return -1;
            }
            if (c == '?' && bFirst) {
                m_aPos[iPos].nStartL = nScan;
                const std::string strEncoding = x_GetAttrib(iPos, "encoding");
                if (strEncoding.size() == 5 && ::strncasecmp(strEncoding.c_str(), "UTF-8", 5) == 0)
                    m_bUTF8 = true;
            }
            nScan = int(found + end.size());
            continue;
        }
        // The start tag ends at the first ">" outside a quoted value.
        size_t gt = size_t(token.nNext);
        for (;;) {
            while (gt < doc.size() && doc[gt] != '>' && doc[gt] != '"')
                ++gt;
            if (gt >= doc.size()) {
                gt = std::string_view::npos;
                break;
            }
            if (doc[gt] == '>')
                break;
            gt = doc.find('"', gt + 1);
            if (gt == std::string_view::npos)
                break;
            ++gt;
        }
        if (gt == std::string_view::npos) {
            m_strError = "End of tag not found";
            return -1;
        }
        ElemPos& e = m_aPos[iPos];
        e.nStartL = nScan;
        e.nStartR = int(gt);
        name = token.Text();
        if (doc[gt - 1] == '/') {
            e.nEndL = int(gt) - 1;
            e.nEndR = int(gt);
            bEmpty = true;
        }
        return 1;
    }
}

bool CMarkupSTL::x_ParseEndTag(int iPos, int& nScan, std::string_view strName)
{
    const std::string_view doc(m_strDoc);
    const size_t lt = doc.find('<', size_t(nScan));
    if (lt == std::string_view::npos) {
        x_SetError("End tag of %s element not found", strName);
        return false;
    }
    // The usual "</name>" needs no tokens: the name is one token, so it ends exactly at ">".
    const size_t nNameAt = lt + 2;
    if (!strName.empty() && nNameAt + strName.size() < doc.size() && doc[lt + 1] == '/' &&
        doc.compare(nNameAt, strName.size(), strName) == 0 && doc[nNameAt + strName.size()] == '>') {
        ElemPos& e = m_aPos[iPos];
        e.nEndL = int(lt);
        e.nEndR = int(nNameAt + strName.size());
        x_SetNext(iPos);
        nScan = e.nEndR + 1;
        return true;
    }
    Token token(doc, int(lt) + 1);
    int nTokens = 0;
    for (;;) {
        if (!token.FindToken()) {
            x_SetError("End tag not completed for element %s", strName);
            return false;
        }
        if (token.Is('>')) {
            if (nTokens < 2) {
                x_SetError("End tag not completed for element %s", strName);
                return false;
            }
            break;
        }
        ++nTokens;
        if (nTokens == 1 && !token.Is('/')) {
            x_SetError("Expecting end tag of element %s", strName);
            return false;
        }
        if (nTokens == 2 && (token.bIsString || !token.Match(strName))) {
            x_SetError("End tag does not correspond to %s", strName);
            return false;
        }
    }
    ElemPos& e = m_aPos[iPos];
    e.nEndL = int(lt);
    e.nEndR = token.nL;
    x_SetNext(iPos);
    nScan = e.nEndR + 1;
    return true;
}

// ---- navigation -----------------------------------------------------------------------------

void CMarkupSTL::ResetPos()
{
    m_iPos = 0;
    m_iPosChild = 0;
    m_nLevel = 0;
}

bool CMarkupSTL::x_MatchStep(int iPos, std::string_view path) const
{
    if (!path.empty() && path[0] == '*' && (path.size() == 1 || path[1] == '/'))
        return true;
    Token token(m_strDoc, m_aPos[iPos].nStartL + 1);
    return token.FindToken() && !token.bIsString && token.Match(path);
}

int CMarkupSTL::x_FindElem(int iStart, std::string_view path) const
{
    if (path.empty())
        return iStart;
    int iPos = iStart;
    while (iPos) {
        if (x_MatchStep(iPos, path)) {
            const size_t slash = path.find('/');
            if (slash == std::string_view::npos)
                return iPos;
            // A matching step is followed into its children; its siblings are not revisited.
            path.remove_prefix(slash + 1);
            iPos = m_aPos[iPos].iElemChild;
            continue;
        }
        iPos = m_aPos[iPos].iElemNext;
    }
    return 0;
}

bool CMarkupSTL::FindElem(const char* szPath)
{
    std::string_view path = szPath ? szPath : "";
    int iStart;
    if (!path.empty() && path[0] == '/') {
        path.remove_prefix(1);
        iStart = m_aPos[0].iElemChild;
    } else {
        iStart = m_iPos ? m_aPos[m_iPos].iElemNext : m_aPos[0].iElemChild;
    }
    const int iPos = x_FindElem(iStart, path);
    if (!iPos)
        return false;
    m_iPos = iPos;
    m_iPosChild = 0;
    return true;
}

bool CMarkupSTL::FindChildElem(const char* szPath)
{
    if (!m_iPos && !FindElem(nullptr))
        return false;
    std::string_view path = szPath ? szPath : "";
    int iStart;
    if (!path.empty() && path[0] == '/') {
        path.remove_prefix(1);
        iStart = m_aPos[0].iElemChild;
    } else {
        iStart = m_iPosChild ? m_aPos[m_iPosChild].iElemNext : m_aPos[m_iPos].iElemChild;
    }
    const int iPos = x_FindElem(iStart, path);
    if (!iPos)
        return false;
    m_iPosChild = iPos;
    m_iPos = m_aPos[iPos].iElemParent;
    return true;
}

bool CMarkupSTL::IntoElem()
{
    if (!m_iPosChild)
        FindChildElem(nullptr);
    if (!m_iPosChild)
        return false;
    m_iPos = m_iPosChild;
    m_iPosChild = 0;
    ++m_nLevel;
    return true;
}

bool CMarkupSTL::OutOfElem()
{
    if (!m_iPos || !m_aPos[m_iPos].iElemParent)
        return false;
    m_iPosChild = m_iPos;
    m_iPos = m_aPos[m_iPos].iElemParent;
    --m_nLevel;
    return true;
}

std::string_view CMarkupSTL::x_TagNameView(int iPos) const
{
    if (!iPos)
        return {};
    Token token(m_strDoc, m_aPos[iPos].nStartL + 1);
    if (!token.FindToken() || token.bIsString)
        return {};
    return token.Text();
}

std::string CMarkupSTL::x_GetTagName(int iPos) const
{
    return std::string(x_TagNameView(iPos));
}

std::string CMarkupSTL::x_GetData(int iPos) const
{
    if (!iPos)
        return {};
    const ElemPos& e = m_aPos[iPos];
    if (e.iElemChild || e.IsEmptyElement() || e.nStartR + 1 >= e.nEndL)
        return {};
    const std::string_view content = std::string_view(m_strDoc).substr(0, size_t(e.nEndL));
    size_t nFirst = size_t(e.nStartR) + 1;
    while (nFirst < content.size() && IsSpace(content[nFirst]))
        ++nFirst;
    constexpr std::string_view kCData = "<![CDATA[";
    if (content.substr(nFirst).starts_with(kCData)) {
        const size_t nBegin = nFirst + kCData.size();
        const size_t nEnd = content.find("]]>", nBegin);
        if (nEnd == std::string_view::npos)
            return {};
        return std::string(content.substr(nBegin, nEnd - nBegin));
    }
    return x_TextFromDoc(e.nStartR + 1, e.nEndL);
}

// Decodes doc[nLeft, nRight): the five named entities, character references (also when
// escaped once more as "&amp;#"), and in a UTF-8 document the conversion to the ANSI code page.
std::string CMarkupSTL::x_TextFromDoc(int nLeft, int nRight) const
{
    const std::string_view doc(m_strDoc);
    const std::string_view text = doc.substr(size_t(nLeft), size_t(nRight - nLeft));
    if (text.find('&') == std::string_view::npos) {
        if (m_bUTF8 && !IsWellFormedUtf8(text))
            return Utf8ToAnsi(text);
        return std::string(text);
    }
    std::string out;
    out.reserve(size_t(nRight - nLeft));
    int n = nLeft;
    while (n < nRight) {
        const size_t amp = doc.substr(0, size_t(nRight)).find('&', size_t(n));
        const int nAmp = amp == std::string_view::npos ? nRight : int(amp);
        out.append(doc.substr(size_t(n), size_t(nAmp - n)));
        n = nAmp;
        if (n >= nRight)
            break;
        const std::string_view rest = doc.substr(size_t(n), size_t(nRight - n));
        int nRef = -1;
        if (rest.starts_with("&#"))
            nRef = n + 2;
        else if (rest.starts_with("&amp;#"))
            nRef = n + 6;
        if (nRef >= 0) {
            unsigned cp = 0;
            const int nAfter = ReadCharRef(doc, nRef, nRight, cp);
            if (nAfter > 0) {
                AppendUtf8(out, cp);
                n = nAfter;
                continue;
            }
        }
        static constexpr struct {
            std::string_view entity;
            char c;
        } kEntities[] = {{"&lt;", '<'}, {"&amp;", '&'}, {"&gt;", '>'}, {"&apos;", '\''}, {"&quot;", '"'}};
        bool bNamed = false;
        for (const auto& entity : kEntities) {
            if (rest.starts_with(entity.entity)) {
                out += entity.c;
                n += int(entity.entity.size());
                bNamed = true;
                break;
            }
        }
        if (!bNamed) {
            out += '&';
            ++n;
        }
    }
    if (m_bUTF8 && !IsWellFormedUtf8(out))
        return Utf8ToAnsi(out);
    return out;
}

std::string CMarkupSTL::x_GetAttrib(int iPos, const char* szAttrib) const
{
    if (!iPos || !szAttrib || !*szAttrib)
        return {};
    const std::string_view name(szAttrib);
    // A value is always a quoted string: a start tag without a quote has none. (The declaration
    // is read before its end is recorded.)
    const ElemPos& e = m_aPos[iPos];
    if (e.nStartR > e.nStartL && !std::memchr(m_strDoc.data() + e.nStartL, '"', size_t(e.nStartR - e.nStartL)))
        return {};
    Token token(m_strDoc, e.nStartL + 1);
    if (!token.FindToken())
        return {};
    int nAfterMark = -1;
    while (token.FindToken()) {
        if (token.Is('>') || token.Is('/'))
            return {};
        if (nAfterMark >= 0) {
            if (++nAfterMark < 2)
                continue;
            if (token.bIsString)
                return x_TextFromDoc(token.nL, token.nR);
            nAfterMark = -1;
        }
        if (!token.bIsString && !token.Is('=') && token.Match(name))
            nAfterMark = 0;
    }
    return {};
}

std::string CMarkupSTL::GetAttribName(int n) const
{
    if (!m_iPos || n < 0)
        return {};
    Token token(m_strDoc, m_aPos[m_iPos].nStartL + 1);
    if (!token.FindToken())
        return {};
    int nAttrib = 0;
    while (token.FindToken()) {
        if (token.Is('>') || token.Is('/'))
            return {};
        if (token.bIsString || token.Is('='))
            continue;
        if (nAttrib++ == n)
            return std::string(token.Text());
    }
    return {};
}

std::string CMarkupSTL::FindGetData(const char* szPath)
{
    if (FindElem(szPath))
        return GetData();
    return {};
}

bool CMarkupSTL::GetOffsets(int& nStart, int& nEnd) const
{
    if (!m_iPos)
        return false;
    nStart = m_aPos[m_iPos].nStartL;
    nEnd = m_aPos[m_iPos].nEndR;
    return true;
}

std::string CMarkupSTL::GetChildSubDoc() const
{
    if (!m_iPosChild)
        return {};
    const ElemPos& e = m_aPos[m_iPosChild];
    return m_strDoc.substr(size_t(e.nStartL), size_t(e.nNext - e.nStartL));
}

bool CMarkupSTL::SavePos(const char* szName)
{
    if (!szName || !m_iPos)
        return false;
    m_mapSavedPos[szName] = SavedPos{m_iPos, m_iPosChild, m_nLevel};
    return true;
}

bool CMarkupSTL::RestorePos(const char* szName)
{
    if (!szName)
        return false;
    const auto it = m_mapSavedPos.find(szName);
    if (it == m_mapSavedPos.end())
        return false;
    m_iPos = it->second.iPos;
    m_iPosChild = it->second.iPosChild;
    m_nLevel = it->second.nLevel;
    return true;
}

// ---- writing --------------------------------------------------------------------------------

bool CMarkupSTL::x_CanGrowBy(long long nDelta) const
{
    return (long long)m_strDoc.size() + nDelta < (long long)(INT_MAX / 2);
}

void CMarkupSTL::x_DocChange(int nLeft, int nReplace, std::string_view insert)
{
    const size_t nNeeded = m_strDoc.size() - size_t(nReplace) + insert.size();
    if (nNeeded > m_strDoc.capacity())
        m_strDoc.reserve(std::max({nNeeded, m_strDoc.size() + m_strDoc.size() / 2, size_t(200)}));
    m_strDoc.replace(size_t(nLeft), size_t(nReplace), insert);
}

void CMarkupSTL::x_ShiftSubtree(int iRoot, int nShift)
{
    int iPos = iRoot;
    for (;;) {
        ElemPos& e = m_aPos[iPos];
        e.nStartL += nShift;
        e.nStartR += nShift;
        e.nEndL += nShift;
        e.nEndR += nShift;
        e.nNext += nShift;
        if (e.iElemChild) {
            iPos = e.iElemChild;
            continue;
        }
        while (iPos != iRoot && !m_aPos[iPos].iElemNext)
            iPos = m_aPos[iPos].iElemParent;
        if (iPos == iRoot)
            return;
        iPos = m_aPos[iPos].iElemNext;
    }
}

// After a change of nShift bytes at iPos: the elements that follow it move, and the ancestors'
// end tags move. bOwnEnd when the change lies inside iPos itself (before its end tag).
void CMarkupSTL::x_Adjust(int iPos, int nShift, bool bOwnEnd)
{
    if (!nShift || !iPos)
        return;
    if (bOwnEnd) {
        ElemPos& e = m_aPos[iPos];
        e.nEndL += nShift;
        e.nEndR += nShift;
        e.nNext += nShift;
    }
    for (;;) {
        for (int iSibling = m_aPos[iPos].iElemNext; iSibling; iSibling = m_aPos[iSibling].iElemNext)
            x_ShiftSubtree(iSibling, nShift);
        iPos = m_aPos[iPos].iElemParent;
        if (!iPos)
            return;
        ElemPos& e = m_aPos[iPos];
        e.nEndL += nShift;
        e.nEndR += nShift;
        e.nNext += nShift;
    }
}

int CMarkupSTL::x_PrevSibling(int iPos) const
{
    int iPrev = 0;
    for (int i = m_aPos[m_aPos[iPos].iElemParent].iElemChild; i && i != iPos; i = m_aPos[i].iElemNext)
        iPrev = i;
    return iPrev;
}

// Links iPos under iParent after iAfter, or before iBefore, or as the only child.
void CMarkupSTL::x_Link(int iPos, int iParent, int iAfter, int iBefore)
{
    m_aPos[iPos].iElemParent = iParent;
    if (iAfter) {
        m_aPos[iPos].iElemNext = m_aPos[iAfter].iElemNext;
        m_aPos[iAfter].iElemNext = iPos;
    } else if (iBefore) {
        const int iPrev = x_PrevSibling(iBefore);
        m_aPos[iPos].iElemNext = iBefore;
        if (iPrev)
            m_aPos[iPrev].iElemNext = iPos;
        else
            m_aPos[iParent].iElemChild = iPos;
    } else {
        m_aPos[iPos].iElemNext = 0;
        m_aPos[iParent].iElemChild = iPos;
    }
}

// What replaces the "/>" of an empty element that gets content: ">", or " >" when another "/"
// stands before it (as in '<a x=1 //>'), which would make the tag read as empty again.
std::string CMarkupSTL::x_StartTagClose(int iPos) const
{
    const int nSlash = m_aPos[iPos].nEndL;
    return nSlash > 0 && m_strDoc[size_t(nSlash) - 1] == '/' ? " >" : ">";
}

// '<a x="1"/>' becomes '<a x="1">', a line break and '</a>'.
bool CMarkupSTL::x_ExpandEmpty(int iPos)
{
    ElemPos& e = m_aPos[iPos];
    if (!e.IsEmptyElement())
        return true;
    const std::string strName = x_GetTagName(iPos);
    const std::string strClose = x_StartTagClose(iPos);
    const std::string strNew = strClose + "\r\n</" + strName + ">";
    if (!x_CanGrowBy((long long)strNew.size()))
        return false;
    const int nSlash = e.nEndL;
    x_DocChange(nSlash, 2, strNew);
    x_Adjust(iPos, int(strNew.size()) - 2, true);
    ElemPos& expanded = m_aPos[iPos];
    expanded.nStartR = nSlash + int(strClose.size()) - 1;
    expanded.nEndL = expanded.nStartR + 3;
    expanded.nEndR = expanded.nEndL + int(strName.size()) + 2;
    return true;
}

// Where a new child of iParent goes: after iChild (or the last child), or before iChild (or
// the first child), or, with no children, before the end tag. Adjusts nothing.
int CMarkupSTL::x_InsertionPoint(int iParent, int iChild, bool bInsert, int& iAfter, int& iBefore)
{
    iAfter = iBefore = 0;
    if (bInsert) {
        iBefore = iChild ? iChild : m_aPos[iParent].iElemChild;
    } else {
        iAfter = iChild;
        if (!iAfter) {
            for (int i = m_aPos[iParent].iElemChild; i; i = m_aPos[i].iElemNext)
                iAfter = i;
        }
    }
    if (iAfter)
        return m_aPos[iAfter].nNext;
    if (iBefore)
        return m_aPos[iBefore].nStartL;
    return m_aPos[iParent].nEndL;
}

bool CMarkupSTL::x_AddElem(const char* szName, const char* szData, bool bChild, bool bInsert)
{
    if (!IsWritableName(szName))
        return false;
    const std::string_view name(szName);
    std::string strElem = "<" + std::string(name);
    int nStartR, nEndL, nEndR;
    if (szData && *szData) {
        nStartR = int(strElem.size());
        strElem += '>';
        strElem += EscapeText(szData, false);
        nEndL = int(strElem.size());
        strElem += "</" + std::string(name) + ">";
        nEndR = int(strElem.size()) - 1;
    } else {
        strElem += "/>";
        nEndR = nStartR = int(strElem.size()) - 1;
        nEndL = nStartR - 1;
    }
    strElem += "\r\n";
    if (!x_CanGrowBy((long long)strElem.size() + (long long)m_strProlog.size() + 16))
        return false;
    const int nLen = int(strElem.size());

    int iParent, iAfter = 0, iBefore = 0, nInsert;
    if (bChild) {
        iParent = m_iPos;
        if (!iParent || !x_ExpandEmpty(iParent))
            return false;
        nInsert = x_InsertionPoint(iParent, m_iPosChild, bInsert, iAfter, iBefore);
        x_DocChange(nInsert, 0, strElem);
        if (iAfter) {
            x_Adjust(iAfter, nLen, false);
        } else if (iBefore) {
            x_ShiftSubtree(iBefore, nLen);
            x_Adjust(iBefore, nLen, false);
        } else {
            x_Adjust(iParent, nLen, true);
        }
    } else if (!m_iPos) {
        // A new root, only in a document that has none yet.
        if (IsWellFormed())
            return false;
        m_strDoc = m_strProlog;
        m_aPos[0] = ElemPos{};
        m_iPosFree = 1;
        m_mapSavedPos.clear();
        iParent = 0;
        nInsert = int(m_strDoc.size());
        x_DocChange(nInsert, 0, strElem);
    } else {
        iParent = m_aPos[m_iPos].iElemParent;
        if (!iParent)
            return false;  // the root has no siblings
        iAfter = m_iPos;
        nInsert = m_aPos[iAfter].nNext;
        x_DocChange(nInsert, 0, strElem);
        x_Adjust(iAfter, nLen, false);
    }

    const int iPos = x_GetFreePos();
    ElemPos& e = m_aPos[iPos];
    e.nStartL = nInsert;
    e.nStartR = nInsert + nStartR;
    e.nEndL = nInsert + nEndL;
    e.nEndR = nInsert + nEndR;
    e.nNext = nInsert + nLen;
    x_Link(iPos, iParent, iAfter, iBefore);
    if (bChild) {
        m_iPosChild = iPos;
    } else {
        m_iPos = iPos;
        m_iPosChild = 0;
    }
    return true;
}

bool CMarkupSTL::AddElem(const char* szName, const char* szData)
{
    return x_AddElem(szName, szData, false, false);
}

bool CMarkupSTL::AddChildElem(const char* szName, const char* szData)
{
    return x_AddElem(szName, szData, true, false);
}

bool CMarkupSTL::InsertChildElem(const char* szName, const char* szData)
{
    return x_AddElem(szName, szData, true, true);
}

bool CMarkupSTL::x_AddSubDoc(const char* szSubDoc, bool bInsert)
{
    const int iParent = m_iPos;
    if (!iParent || !szSubDoc)
        return false;
    CMarkupSTL sub(szSubDoc);
    if (!sub.IsWellFormed())
        return false;
    const ElemPos& subRoot = sub.m_aPos[sub.m_aPos[0].iElemChild];
    std::string strText = sub.m_strDoc.substr(size_t(subRoot.nStartL),
                                              size_t(subRoot.nEndR - subRoot.nStartL + 1));
    strText += "\r\n";
    if (!x_CanGrowBy((long long)strText.size() + 16) || !x_ExpandEmpty(iParent))
        return false;
    const int nLen = int(strText.size());
    int iAfter, iBefore;
    const int nInsert = x_InsertionPoint(iParent, m_iPosChild, bInsert, iAfter, iBefore);
    x_DocChange(nInsert, 0, strText);
    if (iAfter) {
        x_Adjust(iAfter, nLen, false);
    } else if (iBefore) {
        x_ShiftSubtree(iBefore, nLen);
        x_Adjust(iBefore, nLen, false);
    } else {
        x_Adjust(iParent, nLen, true);
    }

    // Graft the parsed table: entries keep their order, offsets move to the insertion point.
    const int nShift = nInsert - subRoot.nStartL;
    const int iSubRoot = sub.m_aPos[0].iElemChild;
    const int iBase = m_iPosFree - 1;
    auto mapIndex = [iBase](int i) { return i ? i + iBase : 0; };
    for (int i = 1; i < sub.m_iPosFree; ++i) {
        const int iNew = x_GetFreePos();
        const ElemPos& from = sub.m_aPos[i];
        ElemPos& to = m_aPos[iNew];
        to.nStartL = from.nStartL + nShift;
        to.nStartR = from.nStartR + nShift;
        to.nEndL = from.nEndL + nShift;
        to.nEndR = from.nEndR + nShift;
        to.nNext = from.nNext + nShift;
        to.iElemParent = mapIndex(from.iElemParent);
        to.iElemChild = mapIndex(from.iElemChild);
        to.iElemNext = mapIndex(from.iElemNext);
    }
    const int iPos = mapIndex(iSubRoot);
    m_aPos[iPos].nNext = nInsert + nLen;
    x_Link(iPos, iParent, iAfter, iBefore);
    m_iPosChild = iPos;
    return true;
}

bool CMarkupSTL::AddAttrib(const char* szAttrib, int nValue)
{
    return x_SetAttrib(m_iPos, szAttrib, std::to_string(nValue).c_str());
}

bool CMarkupSTL::AddChildAttrib(const char* szAttrib, int nValue)
{
    return x_SetAttrib(m_iPosChild, szAttrib, std::to_string(nValue).c_str());
}

bool CMarkupSTL::x_SetAttrib(int iPos, const char* szAttrib, const char* szValue)
{
    if (!iPos || !IsWritableName(szAttrib))
        return false;
    const std::string strValue = EscapeText(szValue ? szValue : "", true);
    if (!x_CanGrowBy((long long)strValue.size() + (long long)std::strlen(szAttrib) + 4))
        return false;
    const std::string_view name(szAttrib);
    const ElemPos e = m_aPos[iPos];

    // The value of an attribute already there is replaced in place.
    int nLeft = -1, nReplace = 0;
    std::string strInsert;
    Token token(m_strDoc, e.nStartL + 1);
    token.FindToken();
    int nAfterMark = -1;
    while (token.FindToken() && !token.Is('>') && !token.Is('/')) {
        if (nAfterMark >= 0) {
            if (++nAfterMark < 2)
                continue;
            if (token.bIsString) {
                if (token.nNext > e.nStartR)
                    return false;  // a value that runs past the tag: leave the tag alone
                nLeft = token.nL;
                nReplace = token.nR - token.nL;
                strInsert = strValue;
                break;
            }
            nAfterMark = -1;
        }
        if (!token.bIsString && !token.Is('=') && token.Match(name))
            nAfterMark = 0;
    }
    if (nLeft < 0) {
        nLeft = e.IsEmptyElement() ? e.nEndL : e.nStartR;
        while (nLeft - 1 > e.nStartL && IsSpace(m_strDoc[size_t(nLeft) - 1]))
            --nLeft;
        strInsert = " " + std::string(name) + "=\"" + strValue + "\"";
    }
    x_DocChange(nLeft, nReplace, strInsert);
    const int nShift = int(strInsert.size()) - nReplace;
    m_aPos[iPos].nStartR += nShift;
    for (int iChild = m_aPos[iPos].iElemChild; iChild; iChild = m_aPos[iChild].iElemNext)
        x_ShiftSubtree(iChild, nShift);
    x_Adjust(iPos, nShift, true);
    return true;
}

bool CMarkupSTL::x_RemoveAttrib(int iPos, const char* szAttrib)
{
    if (!iPos || !szAttrib || !*szAttrib)
        return false;
    const std::string_view name(szAttrib);
    const ElemPos e = m_aPos[iPos];
    Token token(m_strDoc, e.nStartL + 1);
    token.FindToken();
    int nAfterMark = -1, nNameLeft = 0;
    while (token.FindToken() && !token.Is('>') && !token.Is('/')) {
        if (nAfterMark >= 0) {
            if (++nAfterMark < 2)
                continue;
            if (token.bIsString) {
                if (token.nNext > e.nStartR)
                    return false;
                int nLeft = nNameLeft;
                while (nLeft - 1 > e.nStartL && IsSpace(m_strDoc[size_t(nLeft) - 1]))
                    --nLeft;
                const int nRemove = token.nNext - nLeft;
                x_DocChange(nLeft, nRemove, {});
                m_aPos[iPos].nStartR -= nRemove;
                for (int iChild = m_aPos[iPos].iElemChild; iChild; iChild = m_aPos[iChild].iElemNext)
                    x_ShiftSubtree(iChild, -nRemove);
                x_Adjust(iPos, -nRemove, true);
                return true;
            }
            nAfterMark = -1;
        }
        if (!token.bIsString && !token.Is('=') && token.Match(name)) {
            nAfterMark = 0;
            nNameLeft = token.nL;
        }
    }
    return false;
}

bool CMarkupSTL::x_SetData(int iPos, const char* szData, bool bCDATA)
{
    if (!iPos || m_aPos[iPos].iElemChild)
        return false;  // an element with children has no text of its own to replace
    const std::string_view data = szData ? szData : "";
    std::string strText;
    if (bCDATA && data.find("]]>") == std::string_view::npos)
        strText = "<![CDATA[" + std::string(data) + "]]>";
    else
        strText = EscapeText(data, false);
    if (!x_CanGrowBy((long long)strText.size() + 16))
        return false;
    const ElemPos e = m_aPos[iPos];
    if (e.IsEmptyElement()) {
        if (strText.empty())
            return true;
        const std::string strName = x_GetTagName(iPos);
        const std::string strClose = x_StartTagClose(iPos);
        const std::string strNew = strClose + strText + "</" + strName + ">";
        x_DocChange(e.nEndL, 2, strNew);
        x_Adjust(iPos, int(strNew.size()) - 2, true);
        ElemPos& filled = m_aPos[iPos];
        filled.nStartR = e.nEndL + int(strClose.size()) - 1;
        filled.nEndL = filled.nStartR + 1 + int(strText.size());
        filled.nEndR = filled.nEndL + int(strName.size()) + 2;
        return true;
    }
    const int nReplace = e.nEndL - e.nStartR - 1;
    x_DocChange(e.nStartR + 1, nReplace, strText);
    x_Adjust(iPos, int(strText.size()) - nReplace, true);
    return true;
}

bool CMarkupSTL::FindSetData(const char* szPath, const char* szData, bool bCDATA)
{
    return FindElem(szPath) && SetData(szData, bCDATA);
}

bool CMarkupSTL::x_RemoveElem(int iPos)
{
    if (!iPos)
        return false;
    const ElemPos e = m_aPos[iPos];
    const int nRemove = e.nNext - e.nStartL;
    x_DocChange(e.nStartL, nRemove, {});
    x_Adjust(iPos, -nRemove, false);
    const int iPrev = x_PrevSibling(iPos);
    if (iPrev)
        m_aPos[iPrev].iElemNext = e.iElemNext;
    else
        m_aPos[e.iElemParent].iElemChild = e.iElemNext;
    // Saved positions inside the removed element would point at text that is gone.
    auto isInside = [this, iPos](int i) {
        for (; i; i = m_aPos[i].iElemParent) {
            if (i == iPos)
                return true;
        }
        return false;
    };
    std::erase_if(m_mapSavedPos, [&](const auto& entry) {
        return isInside(entry.second.iPos) || isInside(entry.second.iPosChild);
    });
    return true;
}

bool CMarkupSTL::RemoveElem()
{
    const int iPos = m_iPos;
    const int iPrev = iPos ? x_PrevSibling(iPos) : 0;
    if (!x_RemoveElem(iPos))
        return false;
    m_iPos = iPrev;
    m_iPosChild = 0;
    return true;
}

bool CMarkupSTL::RemoveChildElem()
{
    const int iPos = m_iPosChild;
    const int iPrev = iPos ? x_PrevSibling(iPos) : 0;
    if (!x_RemoveElem(iPos))
        return false;
    m_iPosChild = iPrev;
    return true;
}

// ---- helpers --------------------------------------------------------------------------------

std::string CMarkupSTL::EncodeBase64(const unsigned char* pBuffer, int nBufferLen)
{
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out = "\r\n";
    if (!pBuffer || nBufferLen <= 0)
        return out;
    out.reserve(size_t(nBufferLen) / 3 * 4 + size_t(nBufferLen) / 24 + 8);
    int nLine = 0;
    for (int i = 0; i < nBufferLen; i += 3) {
        const int nLeft = std::min(3, nBufferLen - i);
        const unsigned v = unsigned(pBuffer[i]) << 16 | (nLeft > 1 ? unsigned(pBuffer[i + 1]) << 8 : 0u) |
                           (nLeft > 2 ? unsigned(pBuffer[i + 2]) : 0u);
        out += kAlphabet[(v >> 18) & 0x3F];
        out += kAlphabet[(v >> 12) & 0x3F];
        out += nLeft > 1 ? kAlphabet[(v >> 6) & 0x3F] : '=';
        out += nLeft > 2 ? kAlphabet[v & 0x3F] : '=';
        nLine += 4;
        if (nLine == 64) {
            out += "\r\n";
            nLine = 0;
        } else if (nLeft < 3) {
            out += "\r\n";
        }
    }
    return out;
}

int CMarkupSTL::DecodeBase64(const char* szText, unsigned char* pBuffer, int nBufferLen)
{
    if (!szText)
        return 0;
    const size_t nTextLen = std::strlen(szText);
    if (nBufferLen == 0)
        return int(std::min<size_t>(nTextLen / 4 * 3 + 3, INT_MAX));
    if (!pBuffer || nBufferLen < 0)
        return 0;
    int nOut = 0;
    unsigned bits = 0;
    int nBits = 0;
    for (size_t i = 0; i < nTextLen; ++i) {
        const char c = szText[i];
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        else if (c == '=')
            break;
        else
            continue;  // line breaks and anything outside the alphabet
        bits = (bits << 6) | unsigned(v);
        nBits += 6;
        if (nBits >= 8) {
            nBits -= 8;
            if (nOut >= nBufferLen)
                return 0;
            pBuffer[nOut++] = (unsigned char)((bits >> nBits) & 0xFF);
        }
    }
    return nOut;
}

int CMarkupSTL::UTF8ToAnsi(const char* pszUTF8, char* pszAnsi, int nAnsiLen)
{
    const std::string strAnsi = Utf8ToAnsi(pszUTF8 ? pszUTF8 : "");
    if (pszAnsi && nAnsiLen > 0) {
        size_t n = std::min(strAnsi.size(), size_t(nAnsiLen - 1));
        // ANSI is UTF-8 here: never cut a character in two.
        while (n > 0 && n < strAnsi.size() && (static_cast<unsigned char>(strAnsi[n]) & 0xC0) == 0x80)
            --n;
        std::memcpy(pszAnsi, strAnsi.data(), n);
        pszAnsi[n] = '\0';
    }
    return int(strAnsi.size());
}
