#include "core/order/terminal_messages.h"

#include <QDir>
#include <QStringList>

namespace pos {

namespace {

const QString kCloseAgain = QStringLiteral(" Mend the cause and press Close Order again.");

QString unreadable(const QString &what, const QString &file)
{
    return QStringLiteral("%1 could not be read from \"%2\": the file is there but cannot be read.").arg(what, file);
}

// A settings file that is there and cannot be used: unreadable, or refused by its limits.
QString unusable(const QString &what, const QString &file, SettingsState state)
{
    if (state == SettingsState::Unreadable)
        return unreadable(what, file);
    return QStringLiteral("%1 was not read from \"%2\": %3, more than a settings file holds.")
        .arg(what, file, settingsRefusalReason(state));
}

bool unusable(SettingsState state)
{
    return state == SettingsState::Unreadable || state == SettingsState::TooLarge
           || state == SettingsState::LineTooLong;
}

} // namespace

QString settingsWarning(SettingsState tax, SettingsState header, SettingsState returnPolicy, SettingsState font)
{
    const QString checkRate = QStringLiteral(" Check the rate box before ringing up the order.");
    QStringList faults;
    if (unusable(tax))
        faults << unusable(QStringLiteral("The tax rate"), kTaxFile, tax) + checkRate;
    else if (tax == SettingsState::RateNotANumber)
        faults << QStringLiteral("The tax rate could not be read from \"%1\": its rate is not a number.").arg(kTaxFile)
                      + checkRate;
    if (unusable(header))
        faults << unusable(QStringLiteral("The receipt header"), kHeaderFile, header);
    if (unusable(returnPolicy))
        faults << unusable(QStringLiteral("The return policy"), kReturnFile, returnPolicy)
                      + QStringLiteral(" Receipts print without it.");
    if (unusable(font))
        faults << unusable(QStringLiteral("The receipt font"), kFontFile, font)
                      + QStringLiteral(" Receipts print in their designed font.");
    if (faults.isEmpty())
        return {};
    faults << QStringLiteral("The shop owner can save these settings again in File, Settings.");
    return faults.join(QStringLiteral("\n\n"));
}

QString lineTooLargeMessage()
{
    return QStringLiteral("This line was not added: its amount (quantity times price), or the order's "
                          "subtotal, tax or total with it, is too large to compute. Check the "
                          "quantity, the price and the tax rate.");
}

QString layawayUnreadableMessage(const QString &path)
{
    return QStringLiteral("The layaway file \"%1\" could not be read, so no layaway was reopened. "
                          "The order is a sale.")
        .arg(QDir::toNativeSeparators(path));
}

QString layawayBalanceMessage(const QString &path)
{
    return QStringLiteral("\"%1\" does not begin with a balance owed, so it is not a layaway file (or it is "
                          "damaged). It was left as it is and no layaway was reopened. The order is a sale.")
        .arg(QDir::toNativeSeparators(path));
}

QString layawayIsProgramFileMessage(const QString &path, const QString &programFile)
{
    return QStringLiteral("\"%1\" is the program's own file \"%2\", not a layaway: it was left as it is and "
                          "no layaway was reopened. The order is a sale.")
        .arg(QDir::toNativeSeparators(path), programFile);
}

QString layawayNotInShopMessage(const QString &path, const QString &why)
{
    return QStringLiteral("The layaway file \"%1\" was not reopened: %2. A payment rewrites its layaway, so only "
                          "a file of its own inside the shop folder is reopened. The order is a sale.")
        .arg(QDir::toNativeSeparators(path), why);
}

QString layawayRefusedMessage(const QString &path, Refusal refusal)
{
    return QStringLiteral("The layaway file \"%1\" was not read: %2, more than a layaway holds. No "
                          "layaway was reopened. The order is a sale.")
        .arg(QDir::toNativeSeparators(path), refusalReason(refusal, kListFileLimits));
}

QString noLayawayOpenMessage()
{
    return QStringLiteral("No layaway file is open for this order, so it was not closed and nothing "
                          "was written. To take a layaway payment, set the kind to \"Layaway Payment\" "
                          "and press New Order to open the layaway's file.");
}

QString balanceTooLargeMessage()
{
    return QStringLiteral("The layaway's balance is too large to compute, so the order was not closed "
                          "and nothing was written. Check the amount tendered.");
}

QString notClosedMessage(const CloseOutcome &outcome, CloseRecord record)
{
    const bool layaway = record == CloseRecord::Layaway;
    QString consequence;
    switch (outcome.failed) {
    case CloseOutcome::Journal:
        if (!layaway)
            consequence = QStringLiteral("The sale was NOT recorded in the sales journal and no receipt was "
                                         "printed.");
        else if (outcome.layawayLeft)
            consequence = QStringLiteral("The sale was NOT recorded in the sales journal and no receipt was "
                                         "printed. Its layaway file \"%1\" could not be removed either: it will "
                                         "be removed at the next close or start of the program.")
                              .arg(QDir::toNativeSeparators(outcome.layawayPath));
        else
            consequence = QStringLiteral("The sale was NOT recorded in the sales journal, its layaway file was "
                                         "not kept, and no receipt was printed.");
        break;
    case CloseOutcome::Layaway:
        consequence = layaway ? QStringLiteral("The layaway was NOT saved, the sale was not recorded "
                                               "and no receipt was printed.")
                              : QStringLiteral("The payment was NOT saved in the layaway file, which "
                                               "keeps its earlier balance, and no receipt was printed.");
        break;
    default:
        consequence = QStringLiteral("The order was not closed.");
        break;
    }
    return outcome.message + QStringLiteral("\n\n") + consequence + kCloseAgain;
}

QString recordedWithoutReceiptMessage(const CloseOutcome &outcome)
{
    return outcome.message
           + QStringLiteral("\n\nThe order WAS recorded, but its receipt could not be written, so none "
                            "was printed. Do not close this order again: press New Order for the next "
                            "sale.");
}

} // namespace pos
