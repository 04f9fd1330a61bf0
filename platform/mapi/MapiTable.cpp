#include "platform/mapi/MapiObjects.h"

namespace tamo::mapi {

Table::Table(std::shared_ptr<StoreDb> db, std::vector<ObjectId> rows, std::vector<ULONG> columns, bool unicode,
             Loader loader)
    : m_db(std::move(db)), m_rows(std::move(rows)), m_columns(std::move(columns)), m_unicode(unicode),
      m_loader(std::move(loader))
{
}

HRESULT Table::SetColumns(LPSPropTagArray lpPropTagArray, ULONG /*ulFlags*/)
{
    if (!lpPropTagArray || lpPropTagArray->cValues == 0)
        return MAPI_E_INVALID_PARAMETER;
    m_columns.assign(lpPropTagArray->aulPropTag, lpPropTagArray->aulPropTag + lpPropTagArray->cValues);
    return S_OK;
}

HRESULT Table::QueryColumns(ULONG /*ulFlags*/, LPSPropTagArray* lpPropTagArray)
{
    if (!lpPropTagArray)
        return MAPI_E_INVALID_PARAMETER;
    void* p = nullptr;
    if (MAPIAllocateBuffer(static_cast<ULONG>(CbNewSPropTagArray(m_columns.size() + 1)), &p) != S_OK)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    auto* tags = static_cast<LPSPropTagArray>(p);
    tags->cValues = static_cast<ULONG>(m_columns.size());
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        tags->aulPropTag[i] = m_columns[i];
    *lpPropTagArray = tags;
    return S_OK;
}

HRESULT Table::GetRowCount(ULONG /*ulFlags*/, ULONG* lpulCount)
{
    if (!lpulCount)
        return MAPI_E_INVALID_PARAMETER;
    *lpulCount = static_cast<ULONG>(m_rows.size());
    return S_OK;
}

HRESULT Table::SeekRow(BOOKMARK bkOrigin, LONG lRowCount, LONG* lplRowsSought)
{
    std::int64_t from = 0;
    switch (bkOrigin) {
    case BOOKMARK_BEGINNING: from = 0; break;
    case BOOKMARK_CURRENT: from = static_cast<std::int64_t>(m_cursor); break;
    case BOOKMARK_END: from = static_cast<std::int64_t>(m_rows.size()); break;
    default: return MAPI_E_INVALID_PARAMETER;
    }
    std::int64_t to = from + lRowCount;
    if (to < 0)
        to = 0;
    if (to > static_cast<std::int64_t>(m_rows.size()))
        to = static_cast<std::int64_t>(m_rows.size());
    m_cursor = static_cast<std::size_t>(to);
    if (lplRowsSought)
        *lplRowsSought = static_cast<LONG>(to - from);
    return S_OK;
}

HRESULT Table::QueryPosition(ULONG* lpulRow, ULONG* lpulNumerator, ULONG* lpulDenominator)
{
    if (!lpulRow || !lpulNumerator || !lpulDenominator)
        return MAPI_E_INVALID_PARAMETER;
    *lpulRow = static_cast<ULONG>(m_cursor);
    *lpulNumerator = static_cast<ULONG>(m_cursor);
    *lpulDenominator = static_cast<ULONG>(m_rows.size() ? m_rows.size() : 1);
    return S_OK;
}

HRESULT Table::QueryRows(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows)
{
    if (!lppRows || lRowCount == 0)
        return MAPI_E_INVALID_PARAMETER;
    *lppRows = nullptr;
    std::lock_guard lock(m_db->Mutex());
    // Rows whose object went away since the table was made are left out.
    std::vector<std::pair<ObjectId, PropMap>> fetched;
    const bool backwards = lRowCount < 0;
    const std::size_t want = static_cast<std::size_t>(backwards ? -static_cast<std::int64_t>(lRowCount) : lRowCount);
    std::size_t cursor = m_cursor;
    while (fetched.size() < want && (backwards ? cursor > 0 : cursor < m_rows.size())) {
        const ObjectId id = backwards ? m_rows[--cursor] : m_rows[cursor++];
        PropMap props;
        if (m_loader(id, m_columns, props))
            fetched.emplace_back(id, std::move(props));
    }
    if (!(ulFlags & TBL_NOADVANCE))
        m_cursor = cursor;

    void* p = nullptr;
    if (MAPIAllocateBuffer(static_cast<ULONG>(CbNewSRowSet(fetched.size() + 1)), &p) != S_OK)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    auto* rows = static_cast<LPSRowSet>(p);
    rows->cRows = 0;
    for (auto& [id, props] : fetched) {
        SRow& row = rows->aRow[rows->cRows];
        std::vector<ULONG> cols = m_columns;
        LPSPropTagArray tags = nullptr;
        void* t = nullptr;
        MAPIAllocateBuffer(static_cast<ULONG>(CbNewSPropTagArray(cols.size())), &t);
        tags = static_cast<LPSPropTagArray>(t);
        tags->cValues = static_cast<ULONG>(cols.size());
        for (std::size_t i = 0; i < cols.size(); ++i)
            tags->aulPropTag[i] = cols[i];
        ULONG count = 0;
        LPSPropValue values = nullptr;
        const HRESULT hr = props::GetProps(props, tags, m_unicode ? MAPI_UNICODE : 0, &count, &values);
        MAPIFreeBuffer(tags);
        if (FAILED(hr)) {
            FreeProws(rows);
            return hr;
        }
        row.ulAdrEntryPad = 0;
        row.cValues = count;
        row.lpProps = values;
        ++rows->cRows;
    }
    *lppRows = rows;
    return S_OK;
}

}  // namespace tamo::mapi
