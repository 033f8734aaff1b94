// CSelection: the text a view has selected over history and screen lines, the drag that makes
// it, and its text for the clipboard. Rows are view line indices (history oldest first, then the
// page rows, then the status line).
#pragma once

#include <string>

namespace ostrane {

class CScreenBuffer;

struct SelectionSpan {
  int first = 0;
  int last = -1;  // inclusive; last < first when nothing on the row is selected
};

class CSelection {
 public:
  bool Active() const { return startRow_ >= 0; }
  bool Block() const { return block_; }
  int StartRow() const { return startRow_; }
  int StartColumn() const { return startCol_; }
  int EndRow() const { return endRow_; }
  int EndColumn() const { return endCol_; }

  void Clear() { startRow_ = -1; }
  // Stream selection from (startRow, startColumn) to (endRow, endColumn), both inclusive.
  void SetStream(int startRow, int startColumn, int endRow, int endColumn);
  void SelectAll(int lineCount, int columns) { SetStream(0, 0, lineCount - 1, columns - 1); }

  // Left button down on a cell: the anchor of a new selection (block with Ctrl).
  void BeginDrag(int row, int column, bool block);
  // The pointer is over (row, column): false when the current point did not move.
  bool DragTo(int row, int column);
  void EndDrag() { dragging_ = false; }
  bool Dragging() const { return dragging_; }
  int CurrentRow() const { return curRow_; }

  // The selected columns of a row, limited to 0..columns-1.
  SelectionSpan ColumnsOnRow(int row, int columns) const;
  // The selected text: rows separated by CR LF, trailing blanks dropped in stream mode unless
  // copySpace, right halves of wide characters left out.
  std::u16string Text(const CScreenBuffer& screen, int columns, bool copySpace) const;

 private:
  void Recompute();

  int startRow_ = -1;
  int startCol_ = 0;
  int endRow_ = -1;
  int endCol_ = -1;
  bool block_ = false;
  bool dragging_ = false;
  int anchorRow_ = 0;
  int anchorCol_ = 0;
  int curRow_ = 0;
  int curCol_ = 0;
};

}  // namespace ostrane
