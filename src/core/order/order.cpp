#include "core/order/order.h"

#include "core/formats/codepage.h"
#include "core/formats/numbers.h"
#include "core/formats/records.h"

namespace pos {

QString receiptHeaderLine(const QDateTime &now, const QString &kind, const QString &salesperson)
{
    return QStringLiteral("Reciept# ") + now.toString(QStringLiteral("MM-dd-yyyy"))
           + now.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral("      ") + kind
           + QStringLiteral("   Salesperson: ") + salesperson;
}

QString newReceiptHeaderLine(const QDateTime &now, const QString &kind, const QString &salesperson,
                             const QStringList &lastKeys)
{
    // Compared as the report reads the record back (a double quote is stored as an apostrophe).
    const auto key = [&](const QDateTime &at) {
        return FieldReader(journalRecordBytes({receiptHeaderLine(at, kind, salesperson), {}, {}, {}, {}})).readField();
    };
    QDateTime at = now;
    // Each second more changes the line, so one step per key is enough.
    for (qsizetype step = 0; step <= lastKeys.size() && lastKeys.contains(key(at)); ++step)
        at = at.addSecs(1);
    return receiptHeaderLine(at, kind, salesperson);
}

QString itemLine(const QString &quantity, const QString &description, const QString &price, double amount)
{
    static const QString gap = QStringLiteral("   ");
    return quantity + gap + description + gap + price + QStringLiteral("   $") + lineAmountText(amount);
}

Totals orderTotals(double subt, const QString &rateText)
{
    const QString subtotal = numberText(subt);
    const double rate = leadingNumber(rateText);
    const QString tax = numberText(leadingNumber(subtotal) * (rate * 0.01));
    const QString total = numberText(leadingNumber(tax) + leadingNumber(subtotal));
    return {formatMoney(subtotal), formatMoney(tax), formatMoney(total), leadingNumber(total)};
}

bool totalsShowAmounts(const Totals &totals)
{
    // formatMoney shows a value beyond range as "Overflow" and keeps numberText's "Overflow".
    static const QString overflow = QStringLiteral("Overflow");
    return totals.subtotal != overflow && totals.tax != overflow && totals.total != overflow;
}

QString paymentDescription(const Payment &payment)
{
    QString text;
    if (payment.cash)
        text = QStringLiteral("Cash");
    if (payment.cheque)
        text += QStringLiteral("Cheque Number ") + payment.chequeNumber;
    if (payment.charge)
        text += QStringLiteral("Charge ") + payment.cardType;
    if (payment.inStoreCredit)
        text += QStringLiteral(" In-Store Credit");
    return text;
}

QStringList closingLines(const OrderClose &close)
{
    QStringList lines{QStringLiteral(" "),
                      QStringLiteral(" "),
                      QStringLiteral("Subtotal        ") + close.subtotal,
                      QStringLiteral("Tax SD6%        ") + close.tax,
                      QStringLiteral("Total           ") + close.total,
                      QStringLiteral("Payment Type    ") + close.payment};
    if (!close.exemptNumber.isEmpty())
        lines << QStringLiteral("Exempt #        ") + close.exemptNumber;
    lines << QStringLiteral("Tendered        ") + close.tendered << QStringLiteral("Change          ") + close.change;
    return lines;
}

QByteArray receiptBytes(const QStringList &orderLines, const QByteArray &returnPolicy)
{
    QByteArray bytes;
    for (const QString &line : orderLines)
        bytes += toAnsi(line) + "\r\n";
    bytes += " \r\n \r\n \r\n";
    bytes += returnPolicy;
    bytes += "\r\n";
    return bytes;
}

JournalRecord journalRecord(const QString &receiptHeader, const OrderClose &close)
{
    return {receiptHeader, close.subtotal, close.tax, close.total, close.payment};
}

CloseRecord closeRecordFor(const QString &kind)
{
    if (kind == QLatin1String("Proposal") || kind == QLatin1String("Estimate") || kind == QLatin1String("Training"))
        return CloseRecord::ReceiptOnly;
    if (kind == QLatin1String("Layaway"))
        return CloseRecord::Layaway;
    if (kind == QLatin1String("Layaway Payment"))
        return CloseRecord::LayawayPayment;
    return CloseRecord::Journal;
}

} // namespace pos
