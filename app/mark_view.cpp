// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mark_view.h"

#include "app/text_area.h"

#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMenu>

#include <algorithm>
#include <climits>

namespace {

// Scintilla's indicators 8 and up belong to the program.
constexpr int kChanged = 8;
constexpr int kUncertain = 9;
// An indicator value holds 24 bits; uncertain marks beyond that many go unshown.
constexpr size_t kMaxUncertain = 0xFFFFFF;
// A slice of filling in the background: short enough that typing does not stall.
constexpr qint64 kSliceMs = 15;

qsizetype utf8Length(QStringView text)
{
    qsizetype n = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        n += u < 0x80 ? 1 : u < 0x800 ? 2 : (u >= 0xD800 && u <= 0xDFFF) ? 2 : 3;
    }
    return n;
}

} // namespace

MarkView::MarkView(TextArea& area) : QObject(&area), area_(area)
{
    // Changed: a thin underline in a quiet blue. Uncertain: an orange box under the text.
    area_.SendScintilla(QsciScintillaBase::SCI_INDICSETSTYLE, kChanged, long(QsciScintillaBase::INDIC_PLAIN));
    area_.SendScintilla(QsciScintillaBase::SCI_INDICSETFORE, kChanged, QColor(0x80, 0xA0, 0xD0));
    area_.SendScintilla(QsciScintillaBase::SCI_INDICSETSTYLE, kUncertain, long(QsciScintillaBase::INDIC_STRAIGHTBOX));
    area_.SendScintilla(QsciScintillaBase::SCI_INDICSETFORE, kUncertain, QColor(0xE0, 0x80, 0x00));
    area_.SendScintilla(QsciScintillaBase::SCI_INDICSETALPHA, kUncertain, 70L);
    area_.SendScintilla(QsciScintillaBase::SCI_INDICSETOUTLINEALPHA, kUncertain, 255L);
    area_.SendScintilla(QsciScintillaBase::SCI_INDICSETUNDER, kUncertain, 1L);

    connect(&area_, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int position, int type, const char*, int length, int, int, int, int, int, int) {
                modified(position, type, length);
            });
    connect(&area_, &TextArea::wholeTextReplacing, this, &MarkView::clear);
    filler_ = new QTimer(this);
    filler_->setInterval(0);
    connect(filler_, &QTimer::timeout, this, [this] { fillSome(LONG_MAX, 0, true); });
    direct_ = reinterpret_cast<decltype(direct_)>(area_.SendScintilla(QsciScintillaBase::SCI_GETDIRECTFUNCTION));
    directPointer_ = intptr_t(area_.SendScintilla(QsciScintillaBase::SCI_GETDIRECTPOINTER));
    area_.installEventFilter(this);
    area_.viewport()->installEventFilter(this);
}

void MarkView::clear()
{
    filler_->stop();
    const long length = area_.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    for (int indicator : {kChanged, kUncertain}) {
        area_.SendScintilla(QsciScintillaBase::SCI_SETINDICATORCURRENT, indicator);
        area_.SendScintilla(QsciScintillaBase::SCI_INDICATORCLEARRANGE, 0UL, length);
    }
    uncertain_.clear();
    gone_.clear();
    list_ = {};
    pending_.clear();
    shown_ = false;
    text_ = QString();
    next_ = 0;
    shifts_.clear();
    edited_ = false;
    setCount(0);
}

void MarkView::show(const QString& text, review::MarkList marks)
{
    clear();
    list_ = std::move(marks);
    shown_ = !list_.marks.empty();
    text_ = text;
    walkedTo_ = 0;
    walkedByte_ = 0;
    shifts_.assign(1, {0, 0, long(area_.SendScintilla(QsciScintillaBase::SCI_GETLENGTH))});
    qsizetype uncertain = 0;
    for (const review::Mark& mark : list_.marks)
        uncertain += mark.kind == review::MarkKind::Uncertain;
    setCount(int(std::min<qsizetype>(uncertain, qsizetype(kMaxUncertain))));
    // What the user sees first goes in first: up to the end of the screen, and a few thousand
    // marks in any case, so that a short text is done at once.
    const long firstLine = area_.SendScintilla(QsciScintillaBase::SCI_GETFIRSTVISIBLELINE);
    const long onScreen = area_.SendScintilla(QsciScintillaBase::SCI_LINESONSCREEN);
    const long lastLine = area_.SendScintilla(QsciScintillaBase::SCI_DOCLINEFROMVISIBLE, firstLine + onScreen + 1);
    const long screenEnd = area_.SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, lastLine);
    area_.viewport()->setUpdatesEnabled(false);   // one repaint at the end, not one per mark
    fillSome(screenEnd, 4096, false);
    area_.viewport()->setUpdatesEnabled(true);
    if (filling())
        filler_->start();
}

void MarkView::finishFilling()
{
    if (!filling())
        return;
    filler_->stop();
    fillSome(LONG_MAX, SIZE_MAX, false);
}

// Puts marks in from next_ on: while they start before `untilByte` (as the text was) or fewer
// than `atLeast` went in, and with `timed` for a few milliseconds only.
void MarkView::fillSome(long untilByte, size_t atLeast, bool timed)
{
    // Filling an indicator tells of itself like an edit; nothing here listens for that, and a
    // million marks would mean a million notices.
    const long mask = area_.SendScintilla(QsciScintillaBase::SCI_GETMODEVENTMASK);
    area_.SendScintilla(QsciScintillaBase::SCI_SETMODEVENTMASK, mask & ~long(QsciScintillaBase::SC_MOD_CHANGEINDICATOR));
    const auto send = [this](unsigned int message, uintptr_t w, intptr_t l) { return direct_(directPointer_, message, w, l); };
    QElapsedTimer clock;
    clock.start();
    const size_t first = next_;
    int current = -1;
    uintptr_t currentValue = 0;   // none: the first fill sets it
    const QStringView text(text_);
    // Marks come sorted by start: one walk over the text turns UTF-16 positions into bytes.
    for (; next_ < list_.marks.size(); ++next_) {
        const review::Mark& mark = list_.marks[next_];
        if (mark.start < walkedTo_ || mark.start + mark.length > text.size()) {
            if (mark.kind == review::MarkKind::Uncertain)
                setCount(uncertainLeft_ - 1);   // counted, but not of this text
            continue;
        }
        walkedByte_ += long(utf8Length(text.mid(walkedTo_, mark.start - walkedTo_)));
        walkedTo_ = mark.start;
        if (walkedByte_ >= untilByte && next_ - first >= atLeast)
            break;
        if (timed && (next_ - first) % 1024 == 1023 && clock.elapsed() >= kSliceMs)
            break;
        const long bytes = long(utf8Length(text.mid(mark.start, mark.length)));
        const bool isUncertain = mark.kind == review::MarkKind::Uncertain;
        if (isUncertain && uncertain_.size() >= kMaxUncertain)
            continue;
        const long at = edited_ ? nowAt(walkedByte_, bytes) : walkedByte_;
        if (at < 0) {
            if (isUncertain)
                setCount(uncertainLeft_ - 1);   // its text was edited before it went in
            continue;
        }
        const int indicator = isUncertain ? kUncertain : kChanged;
        if (indicator != current) {
            send(QsciScintillaBase::SCI_SETINDICATORCURRENT, uintptr_t(indicator), 0);
            current = indicator;
        }
        if (isUncertain) {
            uncertain_.push_back(next_);
            gone_.push_back(false);
        }
        const uintptr_t value = isUncertain ? uintptr_t(uncertain_.size()) : 1;
        if (value != currentValue) {
            send(QsciScintillaBase::SCI_SETINDICATORVALUE, value, 0);
            currentValue = value;
        }
        send(QsciScintillaBase::SCI_INDICATORFILLRANGE, uintptr_t(at), bytes);
    }
    area_.SendScintilla(QsciScintillaBase::SCI_SETMODEVENTMASK, mask);
    if (!filling()) {
        filler_->stop();
        text_ = QString();
        shifts_.clear();
    }
}

long MarkView::nowAt(long was, long length) const
{
    // The last stretch that starts at or before `was`.
    auto it = std::upper_bound(shifts_.begin(), shifts_.end(), was, [](long p, const Shift& s) { return p < s.was; });
    if (it == shifts_.begin())
        return -1;
    --it;
    return was + length <= it->was + it->length ? it->now + (was - it->was) : -1;
}

long MarkView::filledUpTo() const
{
    if (!filling())
        return LONG_MAX;
    if (!edited_)
        return walkedByte_;
    for (const Shift& s : shifts_) {
        if (walkedByte_ < s.was)
            return s.now;
        if (walkedByte_ < s.was + s.length)
            return s.now + (walkedByte_ - s.was);
    }
    return area_.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
}

void MarkView::shiftInserted(long position, long length)
{
    std::vector<Shift> out;
    out.reserve(shifts_.size() + 1);
    for (const Shift& s : shifts_) {
        if (s.now >= position) {
            out.push_back({s.was, s.now + length, s.length});
        } else if (s.now + s.length > position) {
            // Typed inside the stretch: it parts in two.
            const long left = position - s.now;
            out.push_back({s.was, s.now, left});
            out.push_back({s.was + left, position + length, s.length - left});
        } else {
            out.push_back(s);
        }
    }
    shifts_ = std::move(out);
    edited_ = true;
}

void MarkView::shiftDeleted(long position, long length)
{
    const long end = position + length;
    std::vector<Shift> out;
    out.reserve(shifts_.size() + 1);
    for (const Shift& s : shifts_) {
        const long sEnd = s.now + s.length;
        if (sEnd <= position) {
            out.push_back(s);
        } else if (s.now >= end) {
            out.push_back({s.was, s.now - length, s.length});
        } else {
            // What is left of the stretch on either side of the deletion.
            if (s.now < position)
                out.push_back({s.was, s.now, position - s.now});
            if (sEnd > end)
                out.push_back({s.was + (end - s.now), position, sEnd - end});
        }
    }
    shifts_ = std::move(out);
    edited_ = true;
}

int MarkView::uncertainAt(long pos) const
{
    if (pos < 0 || pos >= area_.SendScintilla(QsciScintillaBase::SCI_GETLENGTH))
        return 0;
    return int(area_.SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, kUncertain, pos));
}

// Edits keep the indicators in place; a mark whose own text an edit touches goes, whole.
void MarkView::modified(int position, int type, int length)
{
    if (!shown_)
        return;
    if (filling() && (type & QsciScintillaBase::SC_MOD_INSERTTEXT))
        shiftInserted(position, length);
    else if (filling() && (type & QsciScintillaBase::SC_MOD_DELETETEXT))
        shiftDeleted(position, length);
    const long pos = position;
    const long end = pos + length;
    if (type & QsciScintillaBase::SC_MOD_BEFOREDELETE) {
        if (length <= 0)
            return;
        // Runs wholly inside the deletion go with their text; a run that reaches past either
        // end leaves a rest, cleared once the deletion is done.
        for (int indicator : {kChanged, kUncertain}) {
            const auto valueAt = [&](long p) { return area_.SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, indicator, p); };
            long firstStart = -1;
            if (valueAt(pos) != 0) {
                firstStart = area_.SendScintilla(QsciScintillaBase::SCI_INDICATORSTART, indicator, pos);
                const long runEnd = area_.SendScintilla(QsciScintillaBase::SCI_INDICATOREND, indicator, pos);
                pending_.push_back({indicator, std::min(firstStart, pos)});
                pending_.push_back({indicator, runEnd > end ? runEnd - length : pos});
            }
            if (valueAt(end - 1) != 0 && area_.SendScintilla(QsciScintillaBase::SCI_INDICATORSTART, indicator, end - 1) > pos) {
                const long runEnd = area_.SendScintilla(QsciScintillaBase::SCI_INDICATOREND, indicator, end - 1);
                pending_.push_back({indicator, pos});
                pending_.push_back({indicator, runEnd > end ? runEnd - length : pos});
            }
        }
        // Uncertain marks carry rising values: those from the first to the last one the
        // deletion touches are the ones it takes.
        const auto valueAt = [&](long p) { return long(uncertainAt(p)); };
        long first = valueAt(pos);
        if (first == 0) {
            const long next = area_.SendScintilla(QsciScintillaBase::SCI_INDICATOREND, kUncertain, pos);
            first = next > pos && next < end ? valueAt(next) : 0;
        }
        long last = valueAt(end - 1);
        if (last == 0) {
            const long start = area_.SendScintilla(QsciScintillaBase::SCI_INDICATORSTART, kUncertain, end - 1);
            last = start > pos ? valueAt(start - 1) : 0;
        }
        for (long value = first; first > 0 && value <= last; ++value)
            dropUncertain(value);
        return;
    }
    if (type & QsciScintillaBase::SC_MOD_DELETETEXT) {
        const std::vector<std::pair<int, long>> runs = std::move(pending_);
        pending_.clear();
        for (size_t i = 0; i + 1 < runs.size(); i += 2)
            dropRun(runs[i].first, runs[i].second, runs[i + 1].second);
        return;
    }
    if (type & QsciScintillaBase::SC_MOD_INSERTTEXT) {
        const long total = area_.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
        for (int indicator : {kChanged, kUncertain}) {
            // Typed inside a mark: the mark's text is no longer what the command wrote.
            const long before = pos > 0 ? area_.SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, indicator, pos - 1) : 0;
            const long after = end < total ? area_.SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, indicator, end) : 0;
            if (before != 0 && before == after) {
                const long runStart = area_.SendScintilla(QsciScintillaBase::SCI_INDICATORSTART, indicator, pos - 1);
                const long runEnd = area_.SendScintilla(QsciScintillaBase::SCI_INDICATOREND, indicator, end);
                dropRun(indicator, runStart, runEnd);
                if (indicator == kUncertain)
                    dropUncertain(before);
            } else {
                dropRun(indicator, pos, end);   // inserted text never carries a mark
            }
        }
    }
}

void MarkView::dropUncertain(long value)
{
    if (value <= 0 || size_t(value) > gone_.size() || gone_[size_t(value) - 1])
        return;
    gone_[size_t(value) - 1] = true;
    setCount(uncertainLeft_ - 1);
}

void MarkView::dropRun(int indicator, long start, long end)
{
    if (end <= start)
        return;
    area_.SendScintilla(QsciScintillaBase::SCI_SETINDICATORCURRENT, indicator);
    area_.SendScintilla(QsciScintillaBase::SCI_INDICATORCLEARRANGE, static_cast<unsigned long>(start), end - start);
}

bool MarkView::selectMarkAt(long start)
{
    if (start < 0)
        return false;
    const long end = area_.SendScintilla(QsciScintillaBase::SCI_INDICATOREND, kUncertain, start);
    area_.SendScintilla(QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(start), end);
    area_.SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
    return true;
}

bool MarkView::selectNext()
{
    const long length = area_.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    const long selStart = area_.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
    const long selEnd = area_.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND);
    auto firstFrom = [&](long p) -> long {
        // Inside a mark (not at its start): past it.
        if (p > 0 && uncertainAt(p) != 0 && uncertainAt(p - 1) == uncertainAt(p))
            p = area_.SendScintilla(QsciScintillaBase::SCI_INDICATOREND, kUncertain, p);
        while (p < length) {
            if (uncertainAt(p) != 0)
                return p;
            const long next = area_.SendScintilla(QsciScintillaBase::SCI_INDICATOREND, kUncertain, p);
            if (next <= p)
                break;
            p = next;
        }
        return -1;
    };
    const long from = selEnd > selStart ? selEnd : selStart;
    long found = firstFrom(from);
    // A mark not yet in could come first, or be the first one round the end.
    if (filling() && (found < 0 || found >= filledUpTo())) {
        finishFilling();
        found = firstFrom(from);
    }
    if (found < 0)
        found = firstFrom(0);
    return selectMarkAt(found);
}

bool MarkView::selectPrevious()
{
    const long length = area_.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    const long selStart = area_.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
    auto lastBefore = [&](long p) -> long {
        for (long q = p - 1; q >= 0;) {
            const long start = area_.SendScintilla(QsciScintillaBase::SCI_INDICATORSTART, kUncertain, q);
            if (uncertainAt(q) != 0)
                return start;
            if (start <= 0 || start > q)
                break;
            q = start - 1;
        }
        return -1;
    };
    long found = lastBefore(selStart);
    if (filling() && (found < 0 || selStart > filledUpTo())) {
        finishFilling();
        found = lastBefore(selStart);
    }
    if (found < 0)
        found = lastBefore(length);
    return selectMarkAt(found);
}

QStringList MarkView::alternativesAt(long pos)
{
    if (filling() && pos >= filledUpTo())
        finishFilling();
    const int value = uncertainAt(pos);
    if (value <= 0 || size_t(value) > uncertain_.size())
        return {};
    return list_.alternatives(list_.marks[uncertain_[size_t(value) - 1]]);
}

bool MarkView::choose(long pos, const QString& reading)
{
    if (alternativesAt(pos).isEmpty())
        return false;
    const long start = area_.SendScintilla(QsciScintillaBase::SCI_INDICATORSTART, kUncertain, pos);
    const long end = area_.SendScintilla(QsciScintillaBase::SCI_INDICATOREND, kUncertain, pos);
    const QByteArray utf8 = reading.toUtf8();
    area_.SendScintilla(QsciScintillaBase::SCI_BEGINUNDOACTION);
    area_.SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, static_cast<unsigned long>(start), end);
    area_.SendScintilla(QsciScintillaBase::SCI_REPLACETARGET, static_cast<unsigned long>(utf8.size()), utf8.constData());
    area_.SendScintilla(QsciScintillaBase::SCI_ENDUNDOACTION);
    // Replacing the same text deletes nothing Scintilla would tell of: the mark goes all the same.
    if (const int value = uncertainAt(start); value != 0) {
        dropRun(kUncertain, start, start + utf8.size());
        dropUncertain(value);
    }
    area_.SendScintilla(QsciScintillaBase::SCI_SETEMPTYSELECTION, static_cast<unsigned long>(start + utf8.size()));
    return true;
}

bool MarkView::showAlternatives(long pos, const QPoint& globalPos)
{
    const QStringList readings = alternativesAt(pos);
    if (readings.isEmpty())
        return false;
    QMenu menu(&area_);
    menu.setObjectName("alternatives");
    for (const QString& r : readings)
        menu.addAction(r)->setData(r);
    if (const QAction* chosen = menu.exec(globalPos))
        choose(pos, chosen->data().toString());
    return true;
}

bool MarkView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ContextMenu || (uncertain_.empty() && !filling()))
        return QObject::eventFilter(watched, event);
    auto* menuEvent = static_cast<QContextMenuEvent*>(event);
    long pos = -1;
    if (menuEvent->reason() == QContextMenuEvent::Mouse && watched == area_.viewport()) {
        pos = area_.SendScintilla(QsciScintillaBase::SCI_POSITIONFROMPOINTCLOSE, static_cast<unsigned long>(menuEvent->pos().x()),
                                  long(menuEvent->pos().y()));
    } else {
        pos = area_.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
    }
    return showAlternatives(pos, menuEvent->globalPos()) || QObject::eventFilter(watched, event);
}

bool MarkView::openAlternativesAtCaret()
{
    const long pos = area_.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
    const long x = area_.SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, pos);
    const long y = area_.SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, pos);
    const long lineHeight = area_.SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, 0UL);
    return showAlternatives(pos, area_.viewport()->mapToGlobal(QPoint(int(x), int(y + lineHeight))));
}

void MarkView::setCount(int count)
{
    count = std::max(count, 0);
    if (count == uncertainLeft_)
        return;
    uncertainLeft_ = count;
    emit uncertainCountChanged(count);
}
