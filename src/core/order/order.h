#pragma once

// The texts of one order: receipt header line, item lines, payment description, closing lines,
// the receipt file and the journal record. Plain functions, so they are tested without windows.

#include "core/formats/journal_record.h"
#include "core/formats/shop_files.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace pos {

// "Reciept# " + mm-dd-yyyy + hh:mm:ss + six blanks + kind + "   Salesperson: " + salesperson.
QString receiptHeaderLine(const QDateTime &now, const QString &kind, const QString &salesperson);

// New Order's receipt header line made at `now`, but never one whose record would read back
// with a key of `lastKeys` (lastJournalKeys: the first fields the new record would follow):
// the sales report counts adjacent records of one key once, so the order's time is moved on by
// a second instead. No waiting, so a stopped or set-back clock cannot hang New Order.
QString newReceiptHeaderLine(const QDateTime &now, const QString &kind, const QString &salesperson,
                             const QStringList &lastKeys);

// quantity + "   " + description + "   " + price + "   $" + lineAmountText(amount).
QString itemLine(const QString &quantity, const QString &description, const QString &price, double amount);

// The totals refresh: Subtotal := numberText(subt); Tax := numberText(subtotal × (rate × 0.01)),
// Total := numberText(tax + subtotal), each read back from the previous box's text; toal is the
// total so read; then each box is shown in money form.
struct Totals
{
    QString subtotal;
    QString tax;
    QString total;
    double toal = 0;
};
Totals orderTotals(double subt, const QString &rateText);

// False when a box of the totals cannot show its amount ("Overflow": beyond the range of a
// double, or beyond it once written with 15 digits).
bool totalsShowAmounts(const Totals &totals);

struct Payment
{
    bool cash = false;
    bool cheque = false;
    bool charge = false;
    bool inStoreCredit = false;
    QString chequeNumber;
    QString cardType;
};

// "Cash", "Cheque Number 1234", "Charge Visa", " In-Store Credit", joined in that order with
// nothing between them.
QString paymentDescription(const Payment &payment);

// The amounts as the boxes show them when the order is closed.
struct OrderClose
{
    QString subtotal;
    QString tax;
    QString total;
    QString payment;
    QString exemptNumber;
    QString tendered;
    QString change;
};

// The lines Close Order appends to the order list; labels padded to 16 characters. The
// "Exempt #" line is there only when an exempt number was given.
QStringList closingLines(const OrderClose &close);

// "reciept.txt": every order line and CR LF, three lines of one blank, the return policy
// exactly as stored, and a final CR LF.
QByteArray receiptBytes(const QStringList &orderLines, const QByteArray &returnPolicy);

// The order's sales journal record: the receipt header line, subtotal, tax, total and payment.
JournalRecord journalRecord(const QString &receiptHeader, const OrderClose &close);

// What closing an order of the given kind records besides the receipt (kinds compare exactly).
enum class CloseRecord
{
    ReceiptOnly,    // "Proposal", "Estimate", "Training"
    Layaway,        // layaway file, then the journal record
    LayawayPayment, // layaway file only
    Journal,        // every other kind
};
CloseRecord closeRecordFor(const QString &kind);

} // namespace pos
