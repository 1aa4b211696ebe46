#include "platform/window/qt/line_model.h"

#include <algorithm>

namespace platform {

namespace {

constexpr int kGroup = 16;
constexpr std::size_t kBlockBytes = 64 * 1024;
// The most bytes a number takes, 7 bits a byte.
constexpr std::size_t kNumberBytes = (sizeof(std::size_t) * 8 + 6) / 7;

std::size_t ReadNumber(const char* data, std::size_t& at) {
  std::size_t number = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(data[at++]);
    number |= static_cast<std::size_t>(byte & 0x7f) << shift;
    if ((byte & 0x80) == 0) return number;
  }
}

}  // namespace

void LineModel::Read(Place& at, std::string& line) const {
  if (at.offset == blocks_[at.block].size()) at = {at.block + 1, 0};
  const char* data = blocks_[at.block].data();
  const std::size_t shared = ReadNumber(data, at.offset);
  const std::size_t own = ReadNumber(data, at.offset);
  line.resize(shared);
  line.append(data + at.offset, own);
  at.offset += own;
}

std::string LineModel::Line(int index) const {
  if (index < 0 || index >= count_) return {};
  Place at = groups_[static_cast<std::size_t>(index / kGroup)];
  std::string line;
  for (int k = 0; k <= index % kGroup; ++k) Read(at, line);
  return line;
}

void LineModel::Write(std::size_t number) {
  do {
    blocks_.back().push_back(static_cast<char>((number & 0x7f) | (number > 0x7f ? 0x80 : 0)));
    number >>= 7;
  } while (number != 0);
}

void LineModel::Store(const std::string& text) {
  std::size_t shared = 0;
  if (count_ % kGroup != 0) {
    shared = static_cast<std::size_t>(std::mismatch(text.begin(), text.begin() + std::min(text.size(), last_.size()),
                                                    last_.begin())
                                          .first -
                                      text.begin());
  }
  const std::size_t record = 2 * kNumberBytes + text.size() - shared;
  // A record longer than a block has a block of its own.
  if (blocks_.empty() || blocks_.back().size() + record > blocks_.back().capacity()) {
    blocks_.emplace_back().reserve(std::max(kBlockBytes, record));
  }
  if (count_ % kGroup == 0) groups_.push_back({blocks_.size() - 1, blocks_.back().size()});
  Write(shared);
  Write(text.size() - shared);
  blocks_.back().append(text, shared);
  last_ = text;
  if (longest_ < 0 || text.size() > longest_length_) {
    longest_ = count_;
    longest_length_ = text.size();
  }
  ++count_;
}

void LineModel::Append(const std::string& text) {
  Store(text);
  if (!telling_queued_) {
    telling_queued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          telling_queued_ = false;
          TellView();
        },
        Qt::QueuedConnection);
  }
}

void LineModel::TellView() {
  if (told_ == count_) return;
  beginInsertRows({}, told_, count_ - 1);
  told_ = count_;
  endInsertRows();
}

void LineModel::Remove(int index) {
  TellView();
  beginRemoveRows({}, index, index);
  // The line after it was stored against it: the lines are stored afresh.
  std::vector<std::string> kept;
  Place at{0, 0};
  std::string line;
  for (int i = 0; i < count_; ++i) {
    Read(at, line);
    if (i != index) kept.push_back(line);
  }
  blocks_.clear();
  groups_.clear();
  count_ = 0;
  longest_ = -1;
  for (const auto& line : kept) Store(line);
  told_ = count_;
  endRemoveRows();
}

void LineModel::Clear() {
  beginResetModel();
  // The memory goes back too: a cleared list may have held thousands of lines.
  std::vector<std::string>().swap(blocks_);
  std::vector<Place>().swap(groups_);
  last_.clear();
  count_ = told_ = 0;
  longest_ = -1;
  endResetModel();
}

int LineModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : told_; }

QVariant LineModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= told_ || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  return QString::fromStdString(Line(index.row()));
}

Qt::ItemFlags LineModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

QSize LongestLineDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QModelIndex longest = lines_->index(lines_->LongestLine());
  return QStyledItemDelegate::sizeHint(option, longest.isValid() ? longest : index);
}

}  // namespace platform
