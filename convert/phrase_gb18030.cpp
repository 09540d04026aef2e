#include "convert/phrase_gb18030.h"

#include "convert/codepage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <memory>

namespace phrase {
namespace {

// ICU calls this for each byte sequence that is no GB18030 character; it writes, byte by byte,
// the code page 950 reading of each lone byte (a reserved code point for a lead byte).
void keepStrayBytes(const void*, UConverterToUnicodeArgs* args, const char* codeUnits,
                    int32_t length, UConverterCallbackReason reason, UErrorCode* err)
{
    if (reason > UCNV_IRREGULAR)
        return;   // reset, close, clone: nothing to write
    *err = U_ZERO_ERROR;   // ICU hands in the error that called us; writing needs a clean one
    for (int32_t i = 0; i < length && U_SUCCESS(*err); ++i) {
        const QString c = cp950::decode(QByteArrayView(codeUnits + i, 1));
        ucnv_cbToUWriteUChars(args, reinterpret_cast<const UChar*>(c.utf16()), int32_t(c.size()),
                              0, err);
    }
}

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};

} // namespace

QString decodeGB18030(QByteArrayView bytes)
{
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> cnv(ucnv_open("gb18030", &err));
    if (U_FAILURE(err))
        return cp950::decode(bytes);   // ICU without GB18030 cannot happen on Debian's ICU
    ucnv_setToUCallBack(cnv.get(), keepStrayBytes, nullptr, nullptr, nullptr, &err);

    // Each byte gives at most two UTF-16 units (a stray byte may become a surrogate pair).
    QString out(bytes.size() * 2 + 2, Qt::Uninitialized);
    UChar* target = reinterpret_cast<UChar*>(out.data());
    UChar* const targetStart = target;
    const char* source = bytes.data();
    ucnv_toUnicode(cnv.get(), &target, targetStart + out.size(), &source,
                   bytes.data() + bytes.size(), nullptr, true, &err);
    out.truncate(target - targetStart);
    return out;
}

} // namespace phrase
