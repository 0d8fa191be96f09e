#pragma once

// A report-style list view: rows of text cells under titled columns, an
// optional check box in every row, and the user's gestures reported through
// callbacks.

#include <QTreeWidget>
#include <functional>
#include <vector>
#include <string>

namespace quarrow {

class ListView : public QTreeWidget {
    Q_OBJECT

public:
    struct Column {
        const char* title;  // GBK
        int width;          // 0 hides the column; its cells still hold text
    };

    ListView(QWidget* parent, const char* name, const std::vector<Column>& columns, bool checkBoxes);

    // Raised by a left double click anywhere on the list.
    std::function<void()> onDoubleClick;
    // Raised by a right-button click anywhere on the list.
    std::function<void()> onRightClick;
    // Raised when the user ticks or unticks a row, never by setChecked.
    std::function<void(int row, bool checked)> onCheckChanged;

    int insertRow();
    void setCell(int row, int column, const std::string& gbk);
    std::string cell(int row, int column) const;
    int rows() const { return topLevelItemCount(); }
    void deleteRow(int row);
    void clearRows();
    void setChecked(int row, bool checked);
    bool isChecked(int row) const;
    // First row whose column 0 equals the text, ASCII letter case ignored.
    int findRow(const std::string& gbk) const;
    void ensureRowVisible(int row);
    // The first selected row, -1 when none is.
    int selectedRow() const;
    // Selects that row alone and makes it the focused one; a row that does
    // not exist clears the selection.
    void selectRow(int row);
    bool hasCheckBoxes() const { return checkBoxes_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void itemChangedByModel(QTreeWidgetItem* item, int column);

    const bool checkBoxes_;
    // Set while the program itself changes items, so that the change is not
    // taken for the user's.
    int programChanges_ = 0;
    bool rightPressed_ = false;
};

}  // namespace quarrow
