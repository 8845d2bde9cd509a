#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>

#include "ui/controls.h"

namespace tablora::ui::qt {

Qt::Alignment alignmentOf(Align a);
// A caption as typed: "烟&酒" keeps its "&" instead of underlining the next letter.
QString shownAsTyped(QString text);

// A report list seen by a Qt view: the cells are read from the control when painted, so a
// list of 200,000 journal rows costs no more to change or paint than one of twenty.
class ReportModel : public QAbstractTableModel {
  public:
    explicit ReportModel(const ReportList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Tells the view what changed in the control since it last asked: nothing more.
    void catchUp(const ReportList::Changes& changes);

  private:
    const ReportList& m_list;
    int m_rows = 0;
    mutable QHash<QString, QIcon> m_icons;
};

}  // namespace tablora::ui::qt
