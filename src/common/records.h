#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace pos {

// Reads quoted-field text records one field at a time, the way every data file except the
// receipt is read. Blanks before a field are skipped; a field that begins with a double quote
// runs to the next double quote (line breaks included), the quotes are dropped and anything up
// to the next comma or line end is skipped; any other field runs to the next comma or line end
// with trailing blanks dropped. A comma or a line end (CR LF, or a lone CR or LF) closes the
// field. Callers test atEnd() before each field.
class FieldReader
{
public:
    explicit FieldReader(QByteArray content);

    // The file's content; a missing or unreadable file reads as an empty file.
    static FieldReader fromFile(const QString &path);

    bool atEnd() const;
    // The next field as text ("#TRUE#" and "#FALSE#" are returned as they stand; see
    // fieldAsBool). At the end of the content it returns an empty text.
    QString readField();
    // Every remaining field, in order.
    QStringList readAll();

private:
    QByteArray m_content;
    qsizetype m_pos = 0;
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
