#include "platform/text_guard.h"

#include "core/formats/codepage.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QValidator>

namespace pos {

namespace {

// A line box applies its validator to every change, typed, pasted or set by the program, and
// takes over the text the validator mended.
class StorableValidator final : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override
    {
        const QString mended = storableText(input, BoxLines::Single);
        // A character outside the basic plane becomes one "?", so the text may get shorter;
        // the cursor stays within it.
        if (mended != input)
            input = mended;
        return Acceptable;
    }
};

// Mends what each change of a multi-line box brought in.
class MultiLineGuard final : public QObject
{
public:
    explicit MultiLineGuard(QPlainTextEdit *box)
        : QObject(box)
        , m_box(box)
    {
        connect(box->document(), &QTextDocument::contentsChange, this, &MultiLineGuard::mend);
    }

private:
    void mend(int position, int, int added)
    {
        if (m_mending || added <= 0)
            return;
        QTextDocument *document = m_box->document();
        QTextCursor range(document);
        range.setPosition(position);
        range.setPosition(qMin(position + added, document->characterCount() - 1), QTextCursor::KeepAnchor);
        // The document holds line breaks as paragraph separators; they are kept as they are.
        QString text = range.selectedText();
        text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        text.replace(QChar::LineSeparator, QLatin1Char('\n'));
        const QString mended = storableText(text, BoxLines::Multi);
        if (mended == text)
            return;
        m_mending = true;
        range.insertText(mended);
        m_mending = false;
    }

    QPlainTextEdit *m_box;
    bool m_mending = false;
};

} // namespace

void keepStorable(QLineEdit *box)
{
    box->setValidator(new StorableValidator(box));
    // Text the box already holds is mended as well.
    const QString mended = storableText(box->text(), BoxLines::Single);
    if (mended != box->text())
        box->setText(mended);
}

void keepStorable(QComboBox *dropDown)
{
    if (QLineEdit *line = dropDown->lineEdit())
        keepStorable(line);
}

void keepStorable(QPlainTextEdit *box)
{
    new MultiLineGuard(box);
    const QString text = box->toPlainText();
    const QString mended = storableText(text, BoxLines::Multi);
    if (mended != text)
        box->setPlainText(mended);
}

QString boxText(const QPlainTextEdit *box)
{
    QString text = box->document()->toRawText();
    for (QChar &c : text)
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = QLatin1Char('\n');
    return text;
}

} // namespace pos
