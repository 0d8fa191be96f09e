#include "shell/qt/list_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "services/gbk_text.h"
#include "shell/qt/qt_text.h"

namespace quarrow {
namespace {

// The cell's text exactly as the program gave it; the shown text is its
// conversion.
constexpr int kGbkRole = Qt::UserRole;
// The tick as last reported, to tell a user's tick from other item changes.
constexpr int kReportedCheckRole = Qt::UserRole + 1;

class ProgramChange {
public:
    explicit ProgramChange(int& depth) : depth_(depth) { ++depth_; }
    ~ProgramChange() { --depth_; }
    ProgramChange(const ProgramChange&) = delete;
    ProgramChange& operator=(const ProgramChange&) = delete;

private:
    int& depth_;
};

}  // namespace

ListView::ListView(QWidget* parent, const char* name, const std::vector<Column>& columns, bool checkBoxes)
    : QTreeWidget(parent), checkBoxes_(checkBoxes) {
    setObjectName(QString::fromLatin1(name));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);

    QStringList titles;
    for (const Column& column : columns) titles << toQt(column.title);
    setColumnCount(static_cast<int>(titles.size()));
    setHeaderLabels(titles);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setMinimumSectionSize(0);
    int index = 0;
    for (const Column& column : columns) header()->resizeSection(index++, column.width);

    connect(this, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* item, int column) { itemChangedByModel(item, column); });
}

int ListView::insertRow() {
    ProgramChange change(programChanges_);
    auto* item = new QTreeWidgetItem();
    if (checkBoxes_) {
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        item->setData(0, kReportedCheckRole, false);
    } else {
        item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
    }
    addTopLevelItem(item);
    return topLevelItemCount() - 1;
}

void ListView::setCell(int row, int column, const std::string& gbk) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item || column < 0 || column >= columnCount()) return;
    ProgramChange change(programChanges_);
    item->setData(column, kGbkRole, QByteArray(gbk.data(), static_cast<qsizetype>(gbk.size())));
    item->setText(column, toQt(gbk));
}

std::string ListView::cell(int row, int column) const {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item || column < 0 || column >= columnCount()) return {};
    return item->data(column, kGbkRole).toByteArray().toStdString();
}

void ListView::deleteRow(int row) {
    if (row < 0 || row >= topLevelItemCount()) return;
    ProgramChange change(programChanges_);
    delete takeTopLevelItem(row);
}

void ListView::clearRows() {
    ProgramChange change(programChanges_);
    clear();
}

void ListView::setChecked(int row, bool checked) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item || !checkBoxes_) return;
    ProgramChange change(programChanges_);
    item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    item->setData(0, kReportedCheckRole, checked);
}

bool ListView::isChecked(int row) const {
    QTreeWidgetItem* item = topLevelItem(row);
    return item && checkBoxes_ && item->checkState(0) == Qt::Checked;
}

int ListView::findRow(const std::string& gbk) const {
    for (int row = 0; row < topLevelItemCount(); ++row)
        if (gbkEqualsIgnoreCase(cell(row, 0), gbk)) return row;
    return -1;
}

void ListView::ensureRowVisible(int row) {
    if (QTreeWidgetItem* item = topLevelItem(row)) scrollToItem(item);
}

int ListView::selectedRow() const {
    int first = -1;
    for (QTreeWidgetItem* item : selectedItems()) {
        int row = indexOfTopLevelItem(item);
        if (row >= 0 && (first < 0 || row < first)) first = row;
    }
    return first;
}

void ListView::selectRow(int row) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item) {
        clearSelection();
        return;
    }
    setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ListView::itemChangedByModel(QTreeWidgetItem* item, int column) {
    if (programChanges_ > 0 || !checkBoxes_ || column != 0) return;
    bool checked = item->checkState(0) == Qt::Checked;
    if (item->data(0, kReportedCheckRole).toBool() == checked) return;
    {
        ProgramChange change(programChanges_);
        item->setData(0, kReportedCheckRole, checked);
    }
    if (onCheckChanged) onCheckChanged(indexOfTopLevelItem(item), checked);
}

void ListView::keyPressEvent(QKeyEvent* event) {
    // The space bar ticks the focused row whichever of its cells has the
    // focus; the item view alone would tick it only from the first column.
    if (checkBoxes_ && event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (!event->isAutoRepeat()) {
            if (QTreeWidgetItem* item = currentItem())
                item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        }
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void ListView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) rightPressed_ = true;
    QTreeWidget::mousePressEvent(event);
}

void ListView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton && rightPressed_) {
        rightPressed_ = false;
        if (onRightClick) onRightClick();
    }
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && onDoubleClick) onDoubleClick();
}

}  // namespace quarrow
