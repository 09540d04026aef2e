// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/text_area.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QStringDecoder>
#include <QUrl>

#include <algorithm>
#include <new>
#include <cstring>
#include <set>

namespace {

QStringList localFiles(const QMimeData* data)
{
    QStringList paths;
    if (data == nullptr || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    return paths;
}

} // namespace

TextArea::TextArea(QWidget* parent) : QsciScintilla(parent)
{
    setObjectName("Text1");
    setUtf8(true);

    // A document without style bytes: half the memory for a huge plain text. It replaces
    // the widget's own document behind QsciScintilla's back, so this class must never call
    // QsciScintilla::document() or setDocument(): they would reach the replaced one.
    const long doc = SendScintilla(SCI_CREATEDOCUMENT, 0UL,
                                   long(SC_DOCUMENTOPTION_STYLES_NONE | SC_DOCUMENTOPTION_TEXT_LARGE));
    SendScintilla(SCI_SETDOCPOINTER, 0UL, reinterpret_cast<void*>(doc));
    SendScintilla(SCI_RELEASEDOCUMENT, 0UL, reinterpret_cast<void*>(doc));
    SendScintilla(SCI_SETCODEPAGE, long(SC_CP_UTF8));
    SendScintilla(SCI_ALLOCATELINECHARACTERINDEX, long(SC_LINECHARACTERINDEX_UTF16));

    // The system's font and colours, no margins, no wrapping, both scroll bars.
    const QFont font = QApplication::font();
    SendScintilla(SCI_STYLESETFONT, long(STYLE_DEFAULT), font.family().toUtf8().constData());
    SendScintilla(SCI_STYLESETSIZE, long(STYLE_DEFAULT), long(std::max(font.pointSize(), 9)));
    SendScintilla(SCI_STYLECLEARALL);
    for (int margin = 0; margin < 5; ++margin)
        setMarginWidth(margin, 0);
    setMarginLineNumbers(0, false);
    SendScintilla(SCI_SETMARGINLEFT, 0UL, 2L);
    SendScintilla(SCI_SETMARGINRIGHT, 0UL, 0L);
    setWrapMode(WrapNone);
    SendScintilla(SCI_SETHSCROLLBAR, 1L);
    SendScintilla(SCI_SETVSCROLLBAR, 1L);
    SendScintilla(SCI_SETSCROLLWIDTH, 1L);
    SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1L);
    // Scintilla lays out a whole line to draw any of it: seconds for a line of megabytes.
    // By default only the caret's line keeps its layout, so a long line on screen without
    // the caret was laid out again on every paint; keeping the layouts of every line on
    // screen makes that once per change of the line.
    SendScintilla(SCI_SETLAYOUTCACHE, long(SC_CACHE_PAGE));
    setEolMode(EolWindows);
    setEolVisibility(false);
    // Keep the selection visible while the Find dialog has the focus.
    SendScintilla(SCI_SETSELBACK, 1L, QColor(0x33, 0x99, 0xFF));
    SendScintilla(SCI_SETSELFORE, 1L, QColor(Qt::white));
    SendScintilla(SCI_SETCARETLINEVISIBLE, 0L);

    keepOnlyPlainTextKeys();
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

// Scintilla binds many keys a plain text box lacks (Ctrl+D duplicates a line, Ctrl+L cuts
// one, ...), and some would swallow the menu's shortcuts. Keep caret movement, selection,
// deleting, overtype, the clipboard, undo and select-all; unbind the rest.
void TextArea::keepOnlyPlainTextKeys()
{
    using C = QsciCommand::Command;
    static const std::set<C> kept = {
        C::LineDown, C::LineDownExtend, C::LineUp, C::LineUpExtend,
        C::CharLeft, C::CharLeftExtend, C::CharRight, C::CharRightExtend,
        C::WordLeft, C::WordLeftExtend, C::WordRight, C::WordRightExtend,
        C::Home, C::HomeExtend, C::VCHome, C::VCHomeExtend, C::HomeDisplay, C::HomeDisplayExtend,
        C::LineEnd, C::LineEndExtend, C::LineEndDisplay, C::LineEndDisplayExtend,
        C::DocumentStart, C::DocumentStartExtend, C::DocumentEnd, C::DocumentEndExtend,
        C::PageUp, C::PageUpExtend, C::PageDown, C::PageDownExtend,
        C::Delete, C::DeleteBack, C::EditToggleOvertype, C::Newline, C::Tab, C::Cancel,
        C::SelectAll, C::Undo, C::Redo, C::SelectionCut, C::SelectionCopy, C::Paste,
    };
    for (QsciCommand* cmd : standardCommands()->commands()) {
        if (kept.count(cmd->command()) == 0) {
            cmd->setKey(0);
            cmd->setAlternateKey(0);
        }
    }
}

QString TextArea::text() const
{
    const long length = SendScintilla(SCI_GETLENGTH);
    const auto* data = reinterpret_cast<const char*>(SendScintilla(SCI_GETCHARACTERPOINTER));
    // Not QString::fromUtf8, which would drop a U+FEFF at the start of the text.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    return decoder.decode(QByteArrayView(data, length));
}

namespace {

constexpr qsizetype kCompareBlock = 4096;

qsizetype commonPrefix(const char* a, const char* b, qsizetype n)
{
    qsizetype i = 0;
    while (i + kCompareBlock <= n && std::memcmp(a + i, b + i, kCompareBlock) == 0)
        i += kCompareBlock;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

// Equal bytes at the ends of a[0..aEnd) and b[0..bEnd), at most `limit`.
qsizetype commonSuffix(const char* a, qsizetype aEnd, const char* b, qsizetype bEnd, qsizetype limit)
{
    qsizetype i = 0;
    while (i + kCompareBlock <= limit
           && std::memcmp(a + aEnd - i - kCompareBlock, b + bEnd - i - kCompareBlock, kCompareBlock) == 0)
        i += kCompareBlock;
    while (i < limit && a[aEnd - 1 - i] == b[bEnd - 1 - i])
        ++i;
    return i;
}

bool isUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The byte range where two UTF-8 texts differ: [start, oldEnd) of the old text is to be
// replaced by [start, newEnd) of the new one. Its ends fall on character boundaries and
// never between the CR and LF of a line end, so Scintilla sees an ordinary edit.
struct DifferingRange {
    qsizetype start, oldEnd, newEnd;
};

DifferingRange differingRange(QByteArrayView before, QByteArrayView after)
{
    const char* a = before.data();
    const char* b = after.data();
    qsizetype start = commonPrefix(a, b, std::min(before.size(), after.size()));
    auto splitsCharacter = [&](qsizetype at) {
        return (at < before.size() && isUtf8Continuation(a[at])) || (at < after.size() && isUtf8Continuation(b[at]))
               || (at > 0 && a[at - 1] == '\r');
    };
    while (start > 0 && splitsCharacter(start))
        --start;
    qsizetype tail = commonSuffix(a, before.size(), b, after.size(),
                                  std::min(before.size(), after.size()) - start);
    // The shared tail starts where both texts hold the same byte: check one of them.
    while (tail > 0 && (isUtf8Continuation(a[before.size() - tail]) || a[before.size() - tail] == '\n'))
        --tail;
    return {start, before.size() - tail, after.size() - tail};
}

} // namespace

void TextArea::replaceDifferingRange(const QByteArray& utf8)
{
    const long length = SendScintilla(SCI_GETLENGTH);
    const auto* current = reinterpret_cast<const char*>(SendScintilla(SCI_GETCHARACTERPOINTER));
    const DifferingRange range = differingRange(QByteArrayView(current, length), utf8);
    const qsizetype inserted = range.newEnd - range.start;
    if (range.oldEnd > range.start || inserted > 0) {
        // A large insertion rebuilds the UTF-16 line index in one sweep afterwards, cheaper
        // than line by line; a small one lets Scintilla adjust the lines it touches.
        const bool rebuildIndex = inserted > qsizetype(1) << 20 && inserted > utf8.size() / 8;
        if (rebuildIndex)
            SendScintilla(SCI_RELEASELINECHARACTERINDEX, long(SC_LINECHARACTERINDEX_UTF16));
        SendScintilla(SCI_SETTARGETRANGE, static_cast<unsigned long>(range.start), long(range.oldEnd));
        SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(inserted), utf8.constData() + range.start);
        if (rebuildIndex)
            SendScintilla(SCI_ALLOCATELINECHARACTERINDEX, long(SC_LINECHARACTERINDEX_UTF16));
    }
    showStart();
}

// Caret to the start, nothing selected, the view at the top left. Unlike SCI_SCROLLCARET
// this needs no layout of the first line, which may be megabytes long; the first paint
// lays it out anyway.
void TextArea::showStart()
{
    SendScintilla(SCI_SETEMPTYSELECTION, 0UL);
    SendScintilla(SCI_SETFIRSTVISIBLELINE, 0UL);
    SendScintilla(SCI_SETXOFFSET, 0UL);
}

void TextArea::assignText(const QString& text)
{
    emit wholeTextReplacing();
    const QByteArray utf8 = text.toUtf8();
    const long before = SendScintilla(SCI_GETLENGTH);
    SendScintilla(SCI_SETSTATUS, long(SC_STATUS_OK));
    SendScintilla(SCI_BEGINUNDOACTION);
    replaceDifferingRange(utf8);
    SendScintilla(SCI_ENDUNDOACTION);
    // Scintilla keeps running out of memory to itself, and a replacement deletes before it
    // inserts: the old stretch may be gone with nothing in its place. Undo that half step and
    // let the command report it like any other lack of memory.
    if (SendScintilla(SCI_GETSTATUS) == SC_STATUS_BADALLOC) {
        SendScintilla(SCI_SETSTATUS, long(SC_STATUS_OK));
        if (SendScintilla(SCI_GETLENGTH) != before)
            SendScintilla(SCI_UNDO);
        throw std::bad_alloc();
    }
}

// UTF-8 length of a UTF-16 text, so Scintilla can take it in one allocation.
static qsizetype utf8Length(QStringView text)
{
    qsizetype n = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        n += u < 0x80 ? 1 : u < 0x800 ? 2 : (u >= 0xD800 && u <= 0xDFFF) ? 2 : 3;
    }
    return n;
}

void TextArea::beginLoad(qsizetype utf8Bytes)
{
    emit wholeTextReplacing();
    SendScintilla(SCI_SETUNDOCOLLECTION, 0L);
    SendScintilla(SCI_CLEARALL);
    // The UTF-16 line index is rebuilt once at the end rather than kept up slice by slice.
    SendScintilla(SCI_RELEASELINECHARACTERINDEX, long(SC_LINECHARACTERINDEX_UTF16));
    SendScintilla(SCI_ALLOCATE, static_cast<unsigned long>(utf8Bytes + 1));
}

void TextArea::endLoad()
{
    SendScintilla(SCI_ALLOCATELINECHARACTERINDEX, long(SC_LINECHARACTERINDEX_UTF16));
    showStart();
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETUNDOCOLLECTION, 1L);
    SendScintilla(SCI_SETSAVEPOINT);
}

void TextArea::loadText(const QString& text)
{
    // Fed in slices into a buffer sized once: a large file never sits in memory as a
    // whole UTF-8 copy beside Scintilla's own.
    beginLoad(utf8Length(text));
    constexpr qsizetype kSlice = qsizetype(1) << 24;
    for (qsizetype at = 0; at < text.size();) {
        qsizetype n = std::min(kSlice, text.size() - at);
        if (at + n < text.size() && text[at + n - 1].isHighSurrogate())
            --n;   // keep a surrogate pair in one slice
        const QByteArray part = QStringView(text).mid(at, n).toUtf8();
        SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(part.size()), part.constData());
        at += n;
    }
    endLoad();
}

void TextArea::loadUtf8(QByteArrayView utf8)
{
    beginLoad(utf8.size());
    SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(utf8.size()), utf8.data());
    endLoad();
}

// Byte positions <-> UTF-16 positions through Scintilla's per-line UTF-16 index, so
// only the one line involved is counted.
qsizetype TextArea::utf16Position(long bytes) const
{
    const long line = SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(bytes));
    const long lineStart = SendScintilla(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long lineIndex = SendScintilla(SCI_INDEXPOSITIONFROMLINE, static_cast<unsigned long>(line),
                                         long(SC_LINECHARACTERINDEX_UTF16));
    return lineIndex + SendScintilla(SCI_COUNTCODEUNITS, static_cast<unsigned long>(lineStart), bytes);
}

long TextArea::bytePosition(qsizetype utf16) const
{
    const long length = SendScintilla(SCI_GETLENGTH);
    if (utf16 >= utf16Position(length))
        return length;
    const long line = SendScintilla(SCI_LINEFROMINDEXPOSITION, static_cast<unsigned long>(utf16),
                                    long(SC_LINECHARACTERINDEX_UTF16));
    const long lineStart = SendScintilla(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long lineIndex = SendScintilla(SCI_INDEXPOSITIONFROMLINE, static_cast<unsigned long>(line),
                                         long(SC_LINECHARACTERINDEX_UTF16));
    return SendScintilla(SCI_POSITIONRELATIVECODEUNITS, static_cast<unsigned long>(lineStart),
                         long(utf16 - lineIndex));
}

qsizetype TextArea::selStart() const
{
    return utf16Position(SendScintilla(SCI_GETSELECTIONSTART));
}

qsizetype TextArea::selLength() const
{
    const long start = SendScintilla(SCI_GETSELECTIONSTART);
    const long end = SendScintilla(SCI_GETSELECTIONEND);
    return utf16Position(end) - utf16Position(start);
}

void TextArea::setSelStart(qsizetype start)
{
    const long pos = bytePosition(std::max<qsizetype>(start, 0));
    SendScintilla(SCI_SETEMPTYSELECTION, static_cast<unsigned long>(pos));
    SendScintilla(SCI_SCROLLCARET);
}

void TextArea::setSelLength(qsizetype length)
{
    const long anchor = SendScintilla(SCI_GETSELECTIONSTART);
    const qsizetype start16 = utf16Position(anchor);
    const long end = bytePosition(start16 + std::max<qsizetype>(length, 0));
    SendScintilla(SCI_SETSEL, static_cast<unsigned long>(anchor), end);
}

// Files are welcome; anything else (dragged text) is refused before it can be dropped.
static void acceptOnlyFiles(QDragMoveEvent* event)
{
    if (!localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TextArea::dragEnterEvent(QDragEnterEvent* event) { acceptOnlyFiles(event); }
void TextArea::dragMoveEvent(QDragMoveEvent* event) { acceptOnlyFiles(event); }

void TextArea::dropEvent(QDropEvent* event)
{
    // Only file names are looked at; dropped text inserts nothing.
    const QStringList paths = localFiles(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit filesDropped(paths);
}
