#pragma once
// Why a file operation failed, in the user's language. The system's own texts are English
// ("No space left on device"); the common reasons are given in Traditional Chinese.

#include <QString>

namespace document {

// The reason for the error number `error` (an errno value).
QString systemReason(int error);

} // namespace document
