#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

// One XML document held as a single 8-bit text plus a table of element offsets into it, walked
// with a cursor: a current element and, below it, a current child element. The parser is
// lenient (it checks only that tags close in order) and never copies the document to find or
// read an element. All texts given and returned are 8-bit; a document that declares
// encoding "UTF-8" hands its texts back in the ANSI code page (UTF-8 on this platform).
class CMarkupSTL {
public:
    CMarkupSTL();
    explicit CMarkupSTL(const char* szDoc);
    CMarkupSTL(const CMarkupSTL&) = default;
    CMarkupSTL& operator=(const CMarkupSTL&) = default;
    CMarkupSTL(CMarkupSTL&&) noexcept = default;
    CMarkupSTL& operator=(CMarkupSTL&&) noexcept = default;
    virtual ~CMarkupSTL();

    // Document. SetDoc answers true when a root element was found; null empties the document
    // without touching the last error.
    bool SetDoc(const char* szDoc);
    bool SetDoc(std::string_view doc);
    bool Load(const char* szPath);
    [[nodiscard]] bool Save(const char* szPath) const;
    const std::string& GetDoc() const { return m_strDoc; }
    const std::string& GetError() const { return m_strError; }
    bool IsWellFormed() const { return m_aPos[0].iElemChild != 0; }
    void SetVersion(const char* szProlog) { m_strProlog = szProlog ? szProlog : ""; }

    // Navigation. Paths are a name, "*", or steps joined by "/"; a leading "/" starts at the
    // root whatever the cursor. Null or empty takes the next element whatever its name.
    void ResetPos();
    void ResetChildPos() { m_iPosChild = 0; }
    bool FindElem(const char* szPath = nullptr);
    bool FindChildElem(const char* szPath = nullptr);
    bool IntoElem();
    bool OutOfElem();
    std::string GetTagName() const { return x_GetTagName(m_iPos); }
    std::string GetChildTagName() const { return x_GetTagName(m_iPosChild); }
    std::string GetData() const { return x_GetData(m_iPos); }
    std::string GetChildData() const { return x_GetData(m_iPosChild); }
    std::string GetAttrib(const char* szAttrib) const { return x_GetAttrib(m_iPos, szAttrib); }
    std::string GetChildAttrib(const char* szAttrib) const
    {
        return x_GetAttrib(m_iPosChild, szAttrib);
    }
    std::string GetAttribName(int n) const;
    std::string FindGetData(const char* szPath);
    bool GetOffsets(int& nStart, int& nEnd) const;
    std::string GetChildSubDoc() const;
    bool SavePos(const char* szName);
    bool RestorePos(const char* szName);

    // Writing: each answers false when the element it works on is missing.
    bool AddElem(const char* szName, const char* szData = nullptr);
    bool AddChildElem(const char* szName, const char* szData = nullptr);
    bool InsertChildElem(const char* szName, const char* szData = nullptr);
    bool AddChildSubDoc(const char* szSubDoc) { return x_AddSubDoc(szSubDoc, false); }
    bool InsertChildSubDoc(const char* szSubDoc) { return x_AddSubDoc(szSubDoc, true); }
    bool AddAttrib(const char* szAttrib, const char* szValue)
    {
        return x_SetAttrib(m_iPos, szAttrib, szValue);
    }
    bool AddAttrib(const char* szAttrib, int nValue);
    bool AddChildAttrib(const char* szAttrib, const char* szValue)
    {
        return x_SetAttrib(m_iPosChild, szAttrib, szValue);
    }
    bool AddChildAttrib(const char* szAttrib, int nValue);
    bool SetAttrib(const char* szAttrib, const char* szValue) { return AddAttrib(szAttrib, szValue); }
    bool SetAttrib(const char* szAttrib, int nValue) { return AddAttrib(szAttrib, nValue); }
    bool SetChildAttrib(const char* szAttrib, const char* szValue)
    {
        return AddChildAttrib(szAttrib, szValue);
    }
    bool SetChildAttrib(const char* szAttrib, int nValue) { return AddChildAttrib(szAttrib, nValue); }
    bool RemoveAttrib(const char* szAttrib) { return x_RemoveAttrib(m_iPos, szAttrib); }
    bool RemoveChildAttrib(const char* szAttrib) { return x_RemoveAttrib(m_iPosChild, szAttrib); }
    bool SetData(const char* szData, bool bCDATA = false) { return x_SetData(m_iPos, szData, bCDATA); }
    bool SetChildData(const char* szData, bool bCDATA = false)
    {
        return x_SetData(m_iPosChild, szData, bCDATA);
    }
    bool FindSetData(const char* szPath, const char* szData, bool bCDATA = false);
    bool RemoveElem();
    bool RemoveChildElem();

    // Base64 with the standard alphabet: the text starts with a line break and breaks after
    // every 64 characters. DecodeBase64 with nBufferLen 0 answers the size needed.
    static std::string EncodeBase64(const unsigned char* pBuffer, int nBufferLen);
    static int DecodeBase64(const char* szText, unsigned char* pBuffer, int nBufferLen);
    // UTF-8 → ANSI into pszAnsi (zero-terminated when nAnsiLen > 0, cut at a character
    // boundary); answers the length of the whole converted text.
    static int UTF8ToAnsi(const char* pszUTF8, char* pszAnsi, int nAnsiLen);

private:
    // Offsets into the document of one element, and its links in the element tree.
    struct ElemPos {
        int nStartL = 0;  // "<" of the start tag
        int nStartR = 0;  // ">" of the start tag
        int nEndL = 0;    // "<" of the end tag ("/" of an empty element)
        int nEndR = 0;    // ">" of the end tag (the start tag's ">" of an empty element)
        int nNext = 0;    // the next "<" after the element, or the document's end
        int iElemParent = 0;
        int iElemChild = 0;
        int iElemNext = 0;
        bool IsEmptyElement() const { return nStartR == nEndR; }
    };
    struct SavedPos {
        int iPos = 0;
        int iPosChild = 0;
        int nLevel = 0;
    };

    bool x_ParseDoc();
    int x_ParseElems();
    int x_ParseStartTag(int iPos, int& nScan, bool& bFirstMarkup, bool bTopLevel, bool& bEmpty,
                        std::string_view& name);
    bool x_ParseEndTag(int iPos, int& nScan, std::string_view strName);
    void x_SetError(const char* szFormat, std::string_view name);
    void x_SetNext(int iPos);
    int x_GetFreePos();
    int x_FindElem(int iStart, std::string_view path) const;
    bool x_MatchStep(int iPos, std::string_view path) const;
    std::string_view x_TagNameView(int iPos) const;
    std::string x_GetTagName(int iPos) const;
    std::string x_GetData(int iPos) const;
    std::string x_GetAttrib(int iPos, const char* szAttrib) const;
    std::string x_TextFromDoc(int nLeft, int nRight) const;

    bool x_CanGrowBy(long long nDelta) const;
    void x_DocChange(int nLeft, int nReplace, std::string_view insert);
    void x_ShiftSubtree(int iPos, int nShift);
    void x_Adjust(int iPos, int nShift, bool bOwnEnd);
    int x_PrevSibling(int iPos) const;
    void x_Link(int iPos, int iParent, int iAfter, int iBefore);
    std::string x_StartTagClose(int iPos) const;
    bool x_ExpandEmpty(int iPos);
    int x_InsertionPoint(int iParent, int iChild, bool bInsert, int& iAfter, int& iBefore);
    bool x_AddElem(const char* szName, const char* szData, bool bChild, bool bInsert);
    bool x_AddSubDoc(const char* szSubDoc, bool bInsert);
    bool x_SetAttrib(int iPos, const char* szAttrib, const char* szValue);
    bool x_RemoveAttrib(int iPos, const char* szAttrib);
    bool x_SetData(int iPos, const char* szData, bool bCDATA);
    bool x_RemoveElem(int iPos);

    std::string m_strDoc;
    int m_nLevel = 0;
    std::string m_strError;
    bool m_bUTF8 = false;
    std::string m_strProlog;
    std::vector<ElemPos> m_aPos;
    int m_iPos = 0;
    int m_iPosChild = 0;
    int m_iPosFree = 1;
    std::map<std::string, SavedPos> m_mapSavedPos;
};
