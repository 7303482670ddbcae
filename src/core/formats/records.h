#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

class QIODevice;

namespace pos {

// The grammar of a quoted field, which every reader of the shop's record files follows. Blanks
// before a field are skipped; a field that begins with a double quote runs to the next double
// quote (line breaks included), the quotes are dropped and anything up to the next comma or line
// end is skipped; any other field runs to the next comma or line end with trailing blanks
// dropped. A comma or a line end (CR LF, or a lone CR or LF) closes the field.
//
// Where the field starting at `pos` of the bytes lies. `complete` is false when the bytes end
// before the field's separator is known and `more` bytes may come.
struct FieldSpan
{
    qsizetype begin = 0; // the field's text: [begin, end)
    qsizetype end = 0;
    qsizetype stop = 0; // its separator (or the end of the bytes)
    qsizetype next = 0; // where the next field starts
    bool complete = true;
};
FieldSpan scanField(const char *data, qsizetype size, qsizetype pos, bool more);

// Reads quoted-field text records one field at a time, the way every data file except the
// receipt is read, by the grammar of scanField. Callers test atEnd() before each field.
//
// A reader may be given the longest field it takes: a field longer than that (counted from
// its first byte, blanks and quotes included, to the separator that closes it) stops the
// reading, and fieldTooLong() tells. Read from a device, the bytes come a chunk at a time, so
// that no more than a chunk and the field being read are held.
class FieldReader
{
public:
    static constexpr qsizetype kNoLimit = -1;
    static constexpr qsizetype kChunk = qsizetype(1) << 20;

    explicit FieldReader(QByteArray content, qsizetype longestField = kNoLimit);
    // The device stays open and in the caller's hands while the reader reads.
    FieldReader(QIODevice *device, qsizetype longestField, qsizetype chunkSize = kChunk);

    // True at the end of the content, and once a field was too long or a read failed.
    bool atEnd() const;
    // The next field as text ("#TRUE#" and "#FALSE#" are returned as they stand; see
    // fieldAsBool). At the end of the content it returns an empty text.
    QString readField();
    // Passes over the next field as readField would read it.
    void skipField();
    // Every remaining field, in order.
    QStringList readAll();

    bool fieldTooLong() const { return m_tooLong; }
    bool readFailed() const { return m_failed; }

private:
    // The next field's text lies in [begin, end) of the buffer, until settle(); false when
    // there is none.
    bool nextField(qsizetype &begin, qsizetype &end);
    // Once a field is taken: when the buffer is used up, the device's next chunk is read, so
    // that atEnd() tells.
    void settle();
    // Drops what was read and appends the device's next chunk.
    void refill();
    bool moreToCome() const { return m_device && !m_deviceDone; }

    QByteArray m_content;
    qsizetype m_pos = 0;
    qsizetype m_longest = kNoLimit;
    QIODevice *m_device = nullptr;
    qsizetype m_chunk = kChunk;
    bool m_deviceDone = false;
    bool m_tooLong = false;
    bool m_failed = false;
};

// A field taken as true/false: "#TRUE#" and "True" (any case) are true, numeric text is true
// when not zero, anything else is false.
bool fieldAsBool(QStringView field);

// The text as it is stored inside a quoted field. The format has no escape for a double
// quote, so every writer replaces one with an apostrophe: a stored entry is never cut short.
QString quotableText(QStringView text);

// Builds quoted-field records: values separated by single commas, text in double quotes,
// true/false as #TRUE#/#FALSE#, numbers bare in numberText form, each record ended by CR LF.
// The bytes are Windows-1252 (see codepage.h).
class RecordWriter
{
public:
    RecordWriter &text(QStringView value);
    RecordWriter &boolean(bool value);
    RecordWriter &number(double value);
    RecordWriter &endRecord();

    const QByteArray &bytes() const { return m_bytes; }

private:
    void separate();

    QByteArray m_bytes;
    bool m_recordOpen = false;
};

} // namespace pos
