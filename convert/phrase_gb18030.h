#pragma once
// GB18030 decoding for the Big5 road: the editor's text is encoded back to its code page 950
// bytes, and those bytes, really a GB2312 or GBK file, are read here as what they are.

#include <QByteArrayView>
#include <QString>

namespace phrase {

// Decodes bytes as GB18030 (which contains GB2312 and GBK). Never fails: a byte that starts
// no GB18030 character becomes the character cp950::decode gives that byte alone, so a stray
// byte of a GB file shown as Big5 is written back unchanged when the result is saved as Big5.
QString decodeGB18030(QByteArrayView bytes);

} // namespace phrase
