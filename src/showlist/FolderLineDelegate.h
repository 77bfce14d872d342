#pragma once

#include <QStyledItemDelegate>

namespace showlist {

// Draws each line of the folder list indented by its depth, as a folder tree would. The text
// stays the bare folder name, so typing a name in the list finds the folder.
class FolderLineDelegate final : public QStyledItemDelegate {
public:
    // The item data role holding a line's depth below the drive's top folder.
    static constexpr int kDepthRole = Qt::UserRole + 1;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    static int indent(const QModelIndex& index);
};

}  // namespace showlist
