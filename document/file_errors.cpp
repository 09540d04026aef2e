// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/file_errors.h"

#include <cerrno>
#include <cstring>

namespace document {

QString systemReason(int error)
{
    switch (error) {
    case ENOENT: return QStringLiteral("檔案不存在");
    case EACCES:
    case EPERM: return QStringLiteral("沒有存取權限");
    case ENOSPC: return QStringLiteral("磁碟已滿");
    case EDQUOT: return QStringLiteral("已超過磁碟配額");
    case EISDIR: return QStringLiteral("這是資料夾，不是檔案");
    case ENOTDIR: return QStringLiteral("路徑中有一層不是資料夾");
    case EROFS: return QStringLiteral("檔案系統是唯讀的");
    case ENAMETOOLONG: return QStringLiteral("檔名或路徑太長");
    case ELOOP: return QStringLiteral("符號連結的層數太多");
    case EFBIG: return QStringLiteral("檔案超過系統允許的大小");
    case EIO: return QStringLiteral("磁碟讀寫錯誤");
    case EBADF: return QStringLiteral("這個資料流已經關閉");
    case ETXTBSY:
    case EBUSY: return QStringLiteral("檔案正被其他程式使用");
    case EMFILE:
    case ENFILE: return QStringLiteral("開啟的檔案太多");
    case ENOMEM: return QStringLiteral("記憶體不足");
    case EPIPE: return QStringLiteral("接收輸出的程式已經結束");
    case EXDEV: return QStringLiteral("無法跨檔案系統移動檔案");
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

} // namespace document
