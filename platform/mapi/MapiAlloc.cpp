#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/mapi/Mapi.h"

// Every block carries a header; a block from MAPIAllocateBuffer heads a chain of the blocks that
// MAPIAllocateMore linked to it, and MAPIFreeBuffer of the head frees the chain.
namespace {

struct alignas(16) BlockHeader {
    BlockHeader* next;  // next linked block (on the head: first linked block)
    BlockHeader* head;  // the head of the chain; itself for a head
};

BlockHeader* HeaderOf(void* p) { return static_cast<BlockHeader*>(p) - 1; }

void* NewBlock(ULONG cb, BlockHeader* head)
{
    auto* h = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + (cb ? cb : 1)));
    if (!h)
        return nullptr;
    h->next = nullptr;
    h->head = head ? head : h;
    std::memset(h + 1, 0, cb);
    return h + 1;
}

}  // namespace

extern "C" {

SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer)
{
    if (!lppBuffer)
        return MAPI_E_INVALID_PARAMETER;
    *lppBuffer = NewBlock(cbSize, nullptr);
    return *lppBuffer ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

SCODE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer)
{
    if (!lppBuffer || !lpObject)
        return MAPI_E_INVALID_PARAMETER;
    BlockHeader* head = HeaderOf(lpObject)->head;
    void* p = NewBlock(cbSize, head);
    if (!p) {
        *lppBuffer = nullptr;
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    BlockHeader* h = HeaderOf(p);
    h->next = head->next;
    head->next = h;
    *lppBuffer = p;
    return S_OK;
}

ULONG MAPIFreeBuffer(LPVOID lpBuffer)
{
    if (!lpBuffer)
        return 0;
    BlockHeader* head = HeaderOf(lpBuffer);
    if (head->head != head)
        return 0;  // a linked block goes with its head
    BlockHeader* h = head->next;
    while (h) {
        BlockHeader* next = h->next;
        std::free(h);
        h = next;
    }
    std::free(head);
    return 0;
}

void FreeProws(LPSRowSet lpRows)
{
    if (!lpRows)
        return;
    for (ULONG i = 0; i < lpRows->cRows; ++i)
        MAPIFreeBuffer(lpRows->aRow[i].lpProps);
    MAPIFreeBuffer(lpRows);
}
}
