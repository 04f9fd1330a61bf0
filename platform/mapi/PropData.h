#pragma once

// Internal: a property value as the store keeps it (type + bytes), and its conversion to and from
// SPropValue. Strings are kept as UTF-16LE, narrow strings are converted from and to UTF-8 (the
// ANSI code page of this platform).

#include <map>
#include <string>

#include "platform/mapi/MapiDefs.h"

namespace tamo::mapi {

struct PropData {
    ULONG type = PT_NULL;  // PT_STRING8 never occurs here: narrow text is kept as PT_UNICODE
    std::string bytes;     // encoding per type, see PropData.cpp
};

// Property id → value. One type per id, as a message store keeps it.
using PropMap = std::map<ULONG, PropData>;

// Encodes a caller's value; false (with the MAPI error) for a type the store does not keep or a
// value whose pointers are missing.
bool EncodeProp(const SPropValue& value, PropData& out, SCODE* error);

// Fills dst for the requested tag from data, allocating pointed-to parts with MAPIAllocateMore on
// parent. A requested type of PT_UNSPECIFIED gives the kept type (strings wide when unicode is set,
// else narrow); PT_STRING8 and PT_UNICODE convert between each other; any other mismatch is false.
bool DecodeProp(ULONG requestedTag, bool unicode, const PropData& data, SPropValue& dst, void* parent);

// A PT_ERROR value for tag.
void ErrorProp(ULONG tag, SCODE code, SPropValue& dst);

// Helpers for the store's own values.
PropData MakeLong(LONG value);
PropData MakeBool(bool value);
PropData MakeBinary(const std::string& bytes);
PropData MakeUnicode(const std::u16string& text);
PropData MakeTime(const FILETIME& ft);
// Reads back a kept value of the matching type (false when the type differs).
bool ReadLong(const PropData& data, LONG& value);
bool ReadBinary(const PropData& data, std::string& bytes);
bool ReadUnicode(const PropData& data, std::u16string& text);

// The present time as a UTC file time.
FILETIME NowAsFileTime();

}  // namespace tamo::mapi
