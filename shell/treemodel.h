#pragma once
// The item model that the folder tree's view shows: one row per node of the
// tree, the node's label and icon, and renaming by label editing. The tree
// tells it of every change to its nodes.

#include <QAbstractItemModel>

class TShellTreeView;
class TTreeNode;

class TShellTreeModel : public QAbstractItemModel {
public:
    explicit TShellTreeModel(TShellTreeView* tree) : FTree(tree) {}

    // The node of an index (the invisible top node for the root index), and back.
    TTreeNode* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(TTreeNode* node) const;

    QModelIndex index(int row, int column, const QModelIndex& parent) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex&) const override { return 1; }
    bool hasChildren(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A new label renames the node's folder (through the tree).
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The tree's changes, bracketed as the views expect them.
    void BeginInsert(TTreeNode* parent, int first, int last) { beginInsertRows(IndexOf(parent), first, last); }
    void EndInsert() { endInsertRows(); }
    void BeginRemove(TTreeNode* parent, int first, int last) { beginRemoveRows(IndexOf(parent), first, last); }
    void EndRemove() { endRemoveRows(); }
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }
    // A node's label or icon changed.
    void Changed(TTreeNode* node);

private:
    TShellTreeView* FTree;
};
