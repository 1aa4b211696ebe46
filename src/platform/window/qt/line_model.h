// SPDX-License-Identifier: Apache-2.0
#pragma once
// The lines of a list box, as its Qt view shows them, held compactly: the
// lines of a file list share long beginnings (their folders), so each line
// is stored as the number of leading bytes it shares with the line before
// it and the bytes that follow; every 16th line is stored whole, so that
// any line is read back from at most 16. The records are packed into blocks
// of 64 KiB that never move, so a long list grows without leaving copies
// behind in the heap.
//
// A line appended is in the list at once (Count, Line), but the view is
// told of the lines appended since it was last told in one step: when the
// event loop next turns, or sooner where the view's rows must be in step
// with the list (a selection, a removal). Thousands of appends thus cost
// the view one insertion.
#include <QAbstractListModel>
#include <QStyledItemDelegate>
#include <cstddef>
#include <string>
#include <vector>

namespace platform {

class LineModel : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;

  int Count() const { return count_; }
  std::string Line(int index) const;  // "" outside the list
  void Append(const std::string& text);
  void Remove(int index);  // inside the list
  void Clear();
  // Tells the view of the lines appended since it was last told.
  void TellView();
  // The line with the most bytes, which the list's width is measured on;
  // -1 for an empty list.
  int LongestLine() const { return longest_; }

  int rowCount(const QModelIndex& parent) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct Place {
    std::size_t block, offset;
  };
  // Stores `text` after the last line, without telling the view.
  void Store(const std::string& text);
  // Reads the line stored at `at` into `line`, which holds the line before
  // it, and moves `at` on to the next.
  void Read(Place& at, std::string& line) const;
  void Write(std::size_t number);

  std::vector<std::string> blocks_;  // each filled up to its reserved size, never beyond
  std::vector<Place> groups_;        // where each group of 16 lines begins
  std::string last_;                 // the last line, which the next one is stored against
  int count_ = 0;
  int told_ = 0;  // the lines the view knows of
  int longest_ = -1;
  std::size_t longest_length_ = 0;
  bool telling_queued_ = false;
};

class LongestLineDelegate : public QStyledItemDelegate {
 public:
  LongestLineDelegate(const LineModel* lines, QObject* parent) : QStyledItemDelegate(parent), lines_(lines) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  const LineModel* lines_;
};

}  // namespace platform
