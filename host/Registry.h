// The record types as a host sees them: the library's list of types
// (manager/CSVRecordTypes.h), found by the words people use for them.
// Nothing here lists the types again: a type the library gains shows up
// here, on the command line, in its help and in its completion by itself.
#pragma once

#include "host/varnohost_export.h"
#include "manager/CSVRecordTypes.h"

#include <span>
#include <string>
#include <string_view>

namespace varno::host {

using RecordType = varno::CSVRecordType;

/// Every type, in code order.
[[nodiscard]] VARNO_HOST_EXPORT std::span<const RecordType> RecordTypes();
/// The type named `word` (its name in any letter case, or its code as a
/// decimal number), or nullptr.
[[nodiscard]] VARNO_HOST_EXPORT const RecordType* FindRecordType(std::string_view word);
/// The names of every type joined by `between`: "contact, calendar, ...".
[[nodiscard]] VARNO_HOST_EXPORT std::string TypeNames(std::string_view between = ", ");
/// The range of the type codes in words: "1 to 6".
[[nodiscard]] VARNO_HOST_EXPORT std::string TypeCodes();
/// "1 memo", "3 memos".
[[nodiscard]] VARNO_HOST_EXPORT std::string Counted(const RecordType& type, long long n);

} // namespace varno::host
