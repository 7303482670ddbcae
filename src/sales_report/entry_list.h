#pragma once

#include "core/report/report.h"

#include "platform/uniform_list_view.h"

#include <QAbstractListModel>

#include <functional>

namespace pos {

// A report column as a list model: a row's text is made from its compact entry only when a
// view asks for it, so that a column of a million sales costs its 8 bytes a row and nothing
// more.
class EntryListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit EntryListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    const EntryColumn &column() const { return m_column; }
    // Replaces the entries.
    void setColumn(EntryColumn column);
    // Appends the entries after those listed.
    void append(const EntryColumn &more);
    void clear();
    // What a row's AccessibleDescriptionRole tells (a screen reader's description of the row),
    // made only when asked, as the row's text is.
    void setRowDescription(std::function<QString(int row)> describe) { m_describe = std::move(describe); }

private:
    EntryColumn m_column;
    std::function<QString(int row)> m_describe;
};

// One of the report's list boxes, over an entry model.
class EntryList : public UniformListView
{
    Q_OBJECT
public:
    explicit EntryList(QWidget *parent = nullptr);

    int count() const;
    QString item(int row) const;
    const EntryColumn &column() const { return m_model->column(); }
    EntryListModel *entryModel() const { return m_model; }

private:
    EntryListModel *m_model;
};

} // namespace pos
