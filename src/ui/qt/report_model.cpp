#include "ui/qt/report_model.h"

#include <algorithm>

#include "ui/qt/icons.h"

namespace tablora::ui::qt {
namespace {

QString q(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

QString shownAsTyped(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

Qt::Alignment alignmentOf(Align a) {
    switch (a) {
        case Align::Center:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        case Align::Right:
            return Qt::AlignRight | Qt::AlignVCenter;
        case Align::Left:
            break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

ReportModel::ReportModel(const ReportList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list), m_rows(list.rowCount()) {}

int ReportModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int ReportModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_list.columnCount();
}

QVariant ReportModel::data(const QModelIndex& index, int role) const {
    // Between a change of the control and catchUp the view may ask for a row now gone.
    if (!index.isValid() || index.row() >= m_list.rowCount()) return {};
    switch (role) {
        case Qt::DisplayRole:
            return q(m_list.cell(index.row(), index.column()));
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(
                alignmentOf(m_list.columns()[static_cast<size_t>(index.column())].align));
        case Qt::DecorationRole: {
            const std::string image = m_list.cellImage(index.row(), index.column());
            if (image.empty()) return {};
            const QString name = q(image);
            auto it = m_icons.find(name);
            if (it == m_icons.end()) it = m_icons.insert(name, drawnIcon(name));
            return *it;
        }
        default:
            return {};
    }
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_list.columnCount()) return {};
    const Column& column = m_list.columns()[static_cast<size_t>(section)];
    if (role == Qt::DisplayRole) return q(column.title);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(alignmentOf(column.align));
    return {};
}

void ReportModel::catchUp(const ReportList::Changes& changes) {
    const int rows = m_list.rowCount();
    if (changes.reset) {
        // A list emptied or refilled: starting the view afresh costs nothing per row, where
        // removing 200,000 rows one range at a time does.
        beginResetModel();
        m_rows = rows;
        endResetModel();
        return;
    }
    if (changes.removed >= 0 && changes.removed < m_rows) {
        beginRemoveRows({}, changes.removed, changes.removed);
        --m_rows;
        endRemoveRows();
    }
    if (rows > m_rows) {
        // Rows added at the end (a dish ordered): the view keeps its place.
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    } else if (rows != m_rows) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
        return;
    }
    const int last = std::min(changes.last, rows - 1);
    if (changes.first >= 0 && changes.first <= last)
        emit dataChanged(index(changes.first, 0), index(last, columnCount() - 1));
}

}  // namespace tablora::ui::qt
