// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Why a file operation failed, in the user's language. The system's own texts are English
// ("No space left on device"); the common reasons are given in Traditional Chinese.
//
// How failures travel in this program: anything a user can cause (a missing file, a full disk,
// a bad option, a file too large) comes back as a result struct with a reason in words
// (ReadResult, WriteResult, ParseResult ...) and is shown or printed by the caller. Exceptions
// are left for what no user can cause: a broken build (std::runtime_error from a missing ICU
// converter or table), caught in main(), and exhausted memory (std::bad_alloc), caught at the
// edge of each command so the text stays as it was.

#include <QString>

namespace document {

// The reason for the error number `error` (an errno value).
QString systemReason(int error);

} // namespace document
