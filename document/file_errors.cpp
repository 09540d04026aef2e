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
    case ENXIO:
    case ENODEV: return QStringLiteral("找不到這個裝置，或裝置沒有連接");
    case EAGAIN: return QStringLiteral("資源暫時無法使用，請稍後再試");
    case EINVAL: return QStringLiteral("這個檔案或檔名不能這樣使用");
    case EINTR: return QStringLiteral("操作被中斷");
    case ENOTSUP: return QStringLiteral("檔案系統不支援這個操作");
    case EEXIST: return QStringLiteral("檔案已存在");
    case ENOTEMPTY: return QStringLiteral("資料夾不是空的");
    case EOVERFLOW: return QStringLiteral("檔案太大，無法處理");
    case ESPIPE: return QStringLiteral("這個來源不能跳著讀寫");
    case ESTALE: return QStringLiteral("網路檔案已經失效，請重新開啟");
    case ETIMEDOUT: return QStringLiteral("連線逾時");
    case ENOLCK: return QStringLiteral("無法鎖定檔案");
    case EILSEQ: return QStringLiteral("檔名含有無法使用的字元");
    case EMLINK: return QStringLiteral("連結數已達上限");
    default: break;
    }
    // A reason without words of its own: say so in Chinese, and keep the system's text after it.
    return QStringLiteral("系統錯誤（%1）").arg(QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace document
