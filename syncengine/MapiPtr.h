#pragma once

// Ownership helpers for what MAPI hands out: buffers freed with MAPIFreeBuffer, row sets with
// FreeProws.

#include <memory>

#include "platform/mapi/Mapi.h"

struct CMapiBufferDeleter {
    void operator()(void* p) const { MAPIFreeBuffer(p); }
};
struct CMapiRowsDeleter {
    void operator()(SRowSet* p) const { FreeProws(p); }
};

template <class T>
using MapiBuffer = std::unique_ptr<T, CMapiBufferDeleter>;
using MapiRows = std::unique_ptr<SRowSet, CMapiRowsDeleter>;
