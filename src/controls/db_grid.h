#pragma once
// A data-bound grid: rows of a data source's dataset in a table view, columns
// bound to fields by name, in-place editing that puts the record into edit
// state, an indicator column with the record's state, multi-level titles,
// auto-fitted column widths, multi-row delete and the find dialog.
//
// The view follows the dataset's current record, and moving the view's
// current row moves the dataset's (which posts a pending change first); a
// refusal by the dataset leaves both where they were. Every call the toolkit
// makes into the grid (keys, mouse, focus, moving the current cell, writing
// an editor's text) shows a refusal through the error display itself and
// reports the action as not done, so the view's own state stays sound.
#include "controls/dataset_model.h"
#include "controls/grid_host.h"
#include "controls/column_layout.h"

#include <QItemSelectionModel>
#include <QTableView>

namespace controls {

class GridDelegate;
class IndicatorHeader;
class TitleHeader;

// The columns, their widths and titles are a ColumnLayout; the grid's parts
// (grid_parts.h) see the grid only through GridHost.
class DBGridEh : public QTableView, private GridHost {
    Q_OBJECT
public:
    enum Option {
        dgEditing = 0x001,
        dgAlwaysShowEditor = 0x002,
        dgTitles = 0x004,
        dgIndicator = 0x008,
        dgColumnResize = 0x010,
        dgColLines = 0x020,
        dgRowLines = 0x040,
        dgTabs = 0x080,
        dgAlwaysShowSelection = 0x100,
        dgConfirmDelete = 0x200,
        dgCancelOnExit = 0x400,
        dgMultiSelect = 0x800,
    };
    Q_DECLARE_FLAGS(Options, Option)
    Q_FLAG(Options)
    enum OptionEh {
        dghFixed3D = 0x01,
        dghHighlightFocus = 0x02,
        dghClearSelection = 0x04,
        dghEnterAsTab = 0x08,
        dghRowHighlight = 0x10,
        dghDblClickOptimizeColWidth = 0x20,
        dghDialogFind = 0x40,
    };
    Q_DECLARE_FLAGS(OptionsEh, OptionEh)
    Q_FLAG(OptionsEh)

    static Options defaultOptions();
    static OptionsEh defaultOptionsEh();

    // What the indicator shows for a row.
    using RowMark = controls::RowMark;

    explicit DBGridEh(QWidget* parent = nullptr);
    ~DBGridEh() override;

    void setDataSource(db::DataSource* source);
    db::DataSource* dataSource() const { return m_model->dataSource(); }
    // The dataset while the data source is active, otherwise nullptr.
    db::Dataset* dataset() const { return m_model->dataset(); }
    DatasetModel* datasetModel() const { return m_model; }

    void setColumns(const QList<GridColumn>& columns);
    const QList<GridColumn>& columns() const { return m_layout.columns(); }
    const GridColumn& column(int index) const { return m_layout.column(index); }
    void setColumn(int index, const GridColumn& column);
    int columnCount() const { return m_layout.count(); }
    // The columns' widths and titles as laid out.
    const ColumnLayout& columnLayout() const override { return m_layout; }

    void setOptions(Options options);
    Options options() const { return m_options; }
    void setOptionsEh(OptionsEh options);
    OptionsEh optionsEh() const { return m_optionsEh; }

    void setAutoFitColWidths(bool on);
    bool autoFitColWidths() const { return m_layout.autoFit(); }
    void setUseMultiTitle(bool on);
    bool useMultiTitle() const { return m_layout.multiTitle(); }
    // Text lines per row and extra pixels per row; cosmetic.
    void setRowLines(int lines);
    void setRowHeight(int pixels);
    int rowLines() const { return m_rowLines; }
    int rowHeight() const { return m_rowHeight; }
    void setTitleFont(const QFont& font);
    QFont titleFont() const { return m_layout.titleFont(); }
    // A read-only grid edits and deletes nothing.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }

    RowMark rowMark(int row) const override;
    // The current column, or -1 without one.
    int currentColumn() const;
    // Makes a cell current (moving the dataset's current record).
    void setCurrentCell(int row, int column);
    // The text of a cell as shown, or its raw value's text.
    QString cellText(int row, int column, bool formatted = true) const;

    // Ctrl+Delete: deletes the selected records or the current one, asking
    // first when dgConfirmDelete is set.
    void deleteRecords();
    // Ctrl+F with dghDialogFind.
    void openFindDialog();
    // The width that fits the column's widest content and its title.
    int optimalColumnWidth(int column) const;
    void fitColumnToContents(int column);

    // Whether the focus is in the grid or its editor.
    bool hasFocusInside() const;
    // The open cell editor, if any.
    QWidget* cellEditor() const;
    // Writes the open editor's text into its field (without posting); throws
    // the refusal.
    void commitEditor();
    // Takes the focus into the first editable cell of the current record (a
    // record just inserted or put into edit state elsewhere, by a navigator).
    void focusFirstEditableCell();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool viewportEvent(QEvent* event) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void changeEvent(QEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    // GridHost, for the grid's parts.
    GridLook look() const override;
    CellMarks cellMarks(const QModelIndex& index) const override;
    bool keyPressed(QKeyEvent* event, QWidget* editor) override;
    // Typing in a cell puts the record into edit state.
    void editorTextEdited() override;
    void editorChoiceMade(QWidget* editor) override;
    QModelIndex moveDatasetTo(const QModelIndex& index) override;

    // The grid's key handling, shared by the view and its editors; true when
    // the key was handled.
    bool handleKey(QKeyEvent* event, QWidget* editor);
    // One function for each family of keys, true when the key was handled:
    // records (Insert, Ctrl+Delete), find (Ctrl+F), moving between cells
    // (Tab) or out of the grid (Ctrl+Tab), between rows (Up, Down, Page Up,
    // Page Down, Ctrl+Home, Ctrl+End), the editor (Enter, Escape), a text
    // typed past its column's size.
    bool insertOrDeleteKey(int key, Qt::KeyboardModifiers modifiers);
    bool findKey();
    bool tabKey(bool forward, bool leave);
    bool rowKey(QKeyEvent* event, Qt::KeyboardModifiers modifiers, QWidget* editor);
    bool enterKey(QWidget* editor);
    bool escapeKey(QWidget* editor);
    bool textKey(QKeyEvent* event, Qt::KeyboardModifiers modifiers, QWidget* editor);
    void openLookupList();
    // Writes the editor's text into its field; throws the refusal.
    void writeEditor(QWidget* editor);
    void moveToNextCell(bool forward);
    void leaveByTab(bool forward);
    void closeCellEditor(bool commit);
    bool appendAtEnd();
    bool canEditRecords() const;
    bool cellEditable(int column) const;
    void showRowsReadAgain();
    void followDatasetCurrent();
    void onFocusChanged(QWidget* old, QWidget* now);
    void onExit();
    void applyOptions();
    void applyTitles();
    void applyRowHeight();
    void applyColumnWidths();
    void onSectionResized(int logical, int oldSize, int newSize);
    // What the columns are laid out in now.
    ColumnLayout::Area layoutArea() const;
    bool isInside(const QWidget* widget) const;
    int selectedRowCount() const;
    void openEditorIfAlwaysShown();

    DatasetModel* m_model;
    GridDelegate* m_delegate;
    TitleHeader* m_titles;
    IndicatorHeader* m_indicator;
    ColumnLayout m_layout;
    Options m_options;
    OptionsEh m_optionsEh;
    int m_rowLines = 1;
    int m_rowHeight = 0;
    bool m_readOnly = false;
    bool m_applyingWidths = false;
    bool m_followingDataset = false; // the view follows the dataset
    bool m_movingDataset = false;    // the dataset follows the view
    bool m_holdsFocus = false;       // the focus is in the grid, or its window's is
    bool m_leaving = false;          // the focus is on its way out by Tab
};

} // namespace controls

Q_DECLARE_OPERATORS_FOR_FLAGS(controls::DBGridEh::Options)
Q_DECLARE_OPERATORS_FOR_FLAGS(controls::DBGridEh::OptionsEh)
