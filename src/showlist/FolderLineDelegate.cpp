#include "FolderLineDelegate.h"

namespace showlist {

namespace {

constexpr int kIndentPerLevel = 12;

}  // namespace

int FolderLineDelegate::indent(const QModelIndex& index) {
    return index.data(kDepthRole).toInt() * kIndentPerLevel;
}

void FolderLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QStyleOptionViewItem indented(option);
    indented.rect.setLeft(option.rect.left() + indent(index));
    QStyledItemDelegate::paint(painter, indented, index);
}

QSize FolderLineDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(index), 0);
}

}  // namespace showlist
