#pragma once

// The texts the sales terminal shows the clerk when something could not be done. Each one
// says what happened and what the clerk can do; a failed write's own message names the file.

#include "core/formats/file_limits.h"
#include "core/formats/settings_files.h"
#include "core/order/close_writes.h"
#include "core/order/order.h"

#include <QString>

namespace pos {

// New Order: which settings files are there but could not be used. Empty when all can be.
QString settingsWarning(SettingsState tax, SettingsState header, SettingsState returnPolicy, SettingsState font);

// Enter: the line would take the amounts beyond range.
QString lineTooLargeMessage();

// New Order of a "Layaway Payment", when the chosen file is not reopened (the order is then a
// sale): it could not be read; its first record is not a balance, so it is no layaway (or a
// damaged one) and is left as it is; it is one of the program's own files.
QString layawayUnreadableMessage(const QString &path);
QString layawayBalanceMessage(const QString &path);
QString layawayIsProgramFileMessage(const QString &path, const QString &programFile);
// ... or it is no file of the shop's own (outside the shop folder, through a link): `why`.
QString layawayNotInShopMessage(const QString &path, const QString &why);
// ... or it was refused by its limits.
QString layawayRefusedMessage(const QString &path, Refusal refusal);

// Close Order refused before anything is written.
QString noLayawayOpenMessage();
QString balanceTooLargeMessage();

// Close Order: a write failed, and what that means for the order.
QString notClosedMessage(const CloseOutcome &outcome, CloseRecord record);
QString recordedWithoutReceiptMessage(const CloseOutcome &outcome);

} // namespace pos
